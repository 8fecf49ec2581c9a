// The one thing a run engine knows of whoever shows it (a window, the terminal, a test): a
// progress record at each step, whether the user asked it to stop, and a point where pending
// events may be let through. An engine never sees a widget, asks no question and shows no text;
// the questions a run needs answered come from its planning step, before it starts.
#pragma once

#include <QString>

namespace vexaris::runs {

struct RunProgress
{
    enum class Stage {
        // The update run.
        FolderProgress, // done of total folders (total: the collection's folder rows)
        FolderStarted, // path: the folder, with a trailing delimiter
        FilesCounted, // total: the files listed in the folder
        FileStarted, // path: the file's full path
        FileDone, // done: the index of the file finished, total: the folder's file count
        // The scan run.
        ComparisonsStarted, // done: the saved progress of a resumed run, total: the pictures
        LeftPictureDone, // done of total pictures
    };

    Stage stage = Stage::FolderProgress;
    int done = 0;
    int total = 0;
    QString path;
};

class RunObserver
{
public:
    virtual ~RunObserver() = default;

    virtual void progress(const RunProgress &progress) = 0;
    // The Stop button (or Ctrl-C on the terminal). The front end clears its request when it
    // starts a run; an engine only reads it.
    virtual bool stopRequested() = 0;
    // Lets the window repaint and its Stop button be pressed; a no-op off the desktop.
    virtual void handlePendingMessages() = 0;
};

} // namespace vexaris::runs
