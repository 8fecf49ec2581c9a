// The scan window: shows the progress of the duplicate scan run and offers its Stop button. It is
// created once at program start and shown, without being modal, for the length of each run.
#pragma once

#include <QDialog>
#include <QList>

#include "runs/duplicatescan.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vexaris::log {
class ProcessingLog;
}

namespace vexaris::store {
class Session;
}

namespace vexaris::ui {

class TfrmScan : public QDialog, private runs::RunObserver
{
    Q_OBJECT

public:
    explicit TfrmScan(QWidget *parent = nullptr);
    ~TfrmScan() override;

    // Runs the scan as the desktop program words it: the "has not changed" message or the
    // question about new settings before the run, the "No Duplicates" notice after it. The
    // collection's run lock is held from before the message or question to the end of the run.
    // Pictures left out go to the log. Errors propagate to the caller.
    runs::ScanSummary RunScan(store::Session &session, log::ProcessingLog &log, runs::ScanParameters parameters);

    bool StopRequested() const { return m_stopRequested; }

    QLabel *lblScanProgress = nullptr;
    QProgressBar *GaugeLeft = nullptr;
    QLabel *lblLeftRecNo = nullptr;
    QPushButton *btnCancel = nullptr;

public slots:
    void btnCancelClick();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    // runs::RunObserver
    void progress(const runs::RunProgress &progress) override;
    bool stopRequested() override { return m_stopRequested; }
    void handlePendingMessages() override;

    void showProgress(int progress, int maximum);

    bool m_stopRequested = true;
    bool m_running = false;
};

} // namespace vexaris::ui
