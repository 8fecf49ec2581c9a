// TfrmGetThumbs: the window of the thumbnail update run. It shows the folder and the file in
// progress with two gauges, and its Stop button asks the run to end after the file in progress.
// Shown without being modal while the run works on the user-interface thread.
#pragma once

#include <QDialog>

#include "runs/thumbnailrun.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vexaris::ui {

class TfrmGetThumbs : public QDialog, public runs::RunObserver
{
    Q_OBJECT

public:
    explicit TfrmGetThumbs(QWidget *parent = nullptr);
    ~TfrmGetThumbs() override;

    // Set by the Stop button, cleared by the command that starts a run.
    bool StopRequested = false;

    QLabel *lblProcessing = nullptr;
    QLabel *lblCurrentFolder = nullptr;
    QLabel *Label1 = nullptr;
    QProgressBar *FoldersGauge = nullptr;
    QLabel *lblFolderProgress = nullptr;
    QLabel *Label2 = nullptr;
    QProgressBar *FilesGauge = nullptr;
    QLabel *lblFileProgress = nullptr;
    QPushButton *btnCancel = nullptr;

    // runs::RunObserver
    void progress(const runs::RunProgress &progress) override;
    bool stopRequested() override { return StopRequested; }
    void handlePendingMessages() override;

public slots:
    void btnCancelClick();

protected:
    void showEvent(QShowEvent *event) override;

private:
    // The folder gauge: position folders done of maximum, shown as "position/maximum".
    void folderProgress(int position, int maximum);
    // A folder is begun: its path (with a trailing delimiter) is shown, the file gauge goes back
    // to 0 and its label to "..." until the files are counted.
    void folderStarted(const QString &folderPath);
    // The folder's files are listed: the file gauge runs from 0 to fileCount − 1 (0 when there
    // is at most one file) and its label reads "0/fileCount".
    void filesCounted(int fileCount);
    // A file is begun: its full path is shown.
    void fileStarted(const QString &filePath);
    // The file at index is done: the gauge goes to index and the label to "index + 1/fileCount".
    void fileDone(int index, int fileCount);
};

// Sets a gauge's range and position. A gauge whose range is empty (no folders, a folder of one
// file) shows as empty rather than as a busy bar, and reports the range it was given.
void setGauge(QProgressBar *gauge, int maximum, int position);
// The maximum a gauge was last given by setGauge.
int gaugeMaximum(const QProgressBar *gauge);

} // namespace vexaris::ui
