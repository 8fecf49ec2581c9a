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
#include "runs/readahead.h"
#include "runs/runobserver.h"

namespace vexaris::store {
class Recordset;
class Session;
} // namespace vexaris::store

namespace vexaris::log {
class ProcessingLog;
}

namespace vexaris::runs {

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
    // The progress comes in the order the run window's labels and gauges change: the folder
    // gauge (FolderProgress, also 0 of the count at the start), then per folder FolderStarted,
    // FilesCounted, and per file FileStarted and FileDone.
    // threads reading pictures ahead of the run's own thread; 0 for one per core, 1 to read
    // each file on the run's own thread.
    ThumbnailRun(store::Session &session, log::ProcessingLog &log, RunObserver &observer, unsigned threads = 1);
    ~ThumbnailRun();

    // Runs the whole update of the session's current collection. Returns when every folder is
    // done or a stop was requested (the front end shows the log when the run added lines);
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

    void report(RunProgress::Stage stage, int done, int total, const QString &path = {});

    store::Session &m_session;
    log::ProcessingLog &m_log;
    RunObserver &m_observer;

    int m_collectionId = 0;
    int m_currentFolderId = 0;
    QString m_folderPath; // with its trailing delimiter
    std::filesystem::path m_folderFsPath;
    FileList m_files;
    std::unique_ptr<store::Recordset> m_pictures;
    unsigned m_threads;
    ReadAhead *m_readAhead = nullptr; // while a run is under way
    ThumbnailRunSummary m_summary;
};

} // namespace vexaris::runs
