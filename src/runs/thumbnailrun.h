// The thumbnail update run: brings the Picture rows of a collection into line with the files in
// its folders. New and changed files are read and their rows written with Old false, rows of
// files that are gone from an existing folder are deleted, and the problems met with single
// folders and files become lines of the processing log. Each row is stored on its own, so a run
// that stops or fails keeps everything it wrote before.
#pragma once

#include <filesystem>
#include <memory>

#include <QString>

#include "runs/filelist.h"
#include "runs/picturereader.h"
#include "runs/runobserver.h"

namespace vexaris::store {
class Recordset;
}

namespace vexaris::log {
class ProcessingLog;
}

namespace vexaris::runs {

// What the update run tells whoever shows it. The calls come in the order the run window's
// labels and gauges change.
class ThumbnailRunObserver : public RunObserver
{
public:
    // The run starts: forget a stop request made before it.
    virtual void clearStopRequest() = 0;
    // The folder gauge: position folders done of maximum, shown as "position/maximum".
    virtual void folderProgress(int position, int maximum) = 0;
    // A folder is begun: its path (with a trailing delimiter) is shown, the file gauge goes back
    // to 0 and its label to "..." until the files are counted.
    virtual void folderStarted(const QString &folderPath) = 0;
    // The folder's files are listed: the file gauge runs from 0 to fileCount − 1 (0 when there
    // is at most one file) and its label reads "0/fileCount".
    virtual void filesCounted(int fileCount) = 0;
    // A file is begun: its full path is shown.
    virtual void fileStarted(const QString &filePath) = 0;
    // The file at index is done: the gauge goes to index and the label to "index + 1/fileCount".
    virtual void fileDone(int index, int fileCount) = 0;
    // The run ended normally and added lines to the log: show it (modally on the desktop).
    virtual void showLog() = 0;
};

struct ThumbnailRunSummary
{
    bool stopped = false;
    int folders = 0; // folder rows of the collection
    int foldersDone = 0; // missing ones included
    int files = 0; // files listed in the folders done
    int picturesRead = 0; // rows written with a new signature
    int rowsDeleted = 0;
    int problems = 0; // lines added to the processing log
};

class ThumbnailRun
{
public:
    ThumbnailRun(log::ProcessingLog &log, ThumbnailRunObserver &observer);
    ~ThumbnailRun();

    // Runs the whole update of the current collection through the program's database
    // connection, as every operation on collections does. Returns when every folder is done or a stop was requested;
    // errors that no single file or folder explains (a refused statement, a row that cannot be found again, a database
    // that cannot be written, another run of the collection under way) end the run and leave it, and the log is then
    // not shown.
    ThumbnailRunSummary RunThumbnailUpdate();

private:
    ThumbnailRunSummary runUpdate();
    void updateFolder(int folderId, const QString &path);
    void matchRows(int folderId);
    void UpdatePictureRow(size_t i);
    void appendLog(const QString &line);

    log::ProcessingLog &m_log;
    ThumbnailRunObserver &m_observer;

    int m_collectionId = 0;
    int m_currentFolderId = 0;
    QString m_folderPath; // with its trailing delimiter
    std::filesystem::path m_folderFsPath;
    FileList m_files;
    std::unique_ptr<store::Recordset> m_pictures;
    PictureReader m_reader;
    ThumbnailRunSummary m_summary;
};

} // namespace vexaris::runs
