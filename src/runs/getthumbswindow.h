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

class TfrmGetThumbs : public QDialog, public runs::ThumbnailRunObserver
{
    Q_OBJECT

public:
    explicit TfrmGetThumbs(QWidget *parent = nullptr);
    ~TfrmGetThumbs() override;

    // The window created at start-up; made on first use when there is none (a test, say).
    static TfrmGetThumbs *instance();

    // Set by the Stop button, cleared when a run starts.
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

    // runs::ThumbnailRunObserver
    bool stopRequested() override { return StopRequested; }
    void handlePendingMessages() override;
    void clearStopRequest() override { StopRequested = false; }
    void folderProgress(int position, int maximum) override;
    void folderStarted(const QString &folderPath) override;
    void filesCounted(int fileCount) override;
    void fileStarted(const QString &filePath) override;
    void fileDone(int index, int fileCount) override;
    void showLog() override;

public slots:
    void btnCancelClick();

protected:
    void showEvent(QShowEvent *event) override;
};

// Sets a gauge's range and position. A gauge whose range is empty (no folders, a folder of one
// file) shows as empty rather than as a busy bar, and reports the range it was given.
void setGauge(QProgressBar *gauge, int maximum, int position);
// The maximum a gauge was last given by setGauge.
int gaugeMaximum(const QProgressBar *gauge);

} // namespace vexaris::ui
