// The scan window: shows the progress of the duplicate scan run and offers its Stop button. It is
// created once at program start and shown, without being modal, for the length of each run.
#pragma once

#include <QDialog>
#include <QList>

#include "runs/duplicatescan.h"

class QLabel;
class QProgressBar;
class QPushButton;

namespace vexaris::ui {

class TfrmScan : public QDialog, private runs::ScanObserver
{
    Q_OBJECT

public:
    explicit TfrmScan(QWidget *parent = nullptr);
    ~TfrmScan() override;

    // The window created at program start (the latest one created), or null.
    static TfrmScan *instance();

    // Runs the scan of the current collection over the checked folders (all when none is
    // checked), with the comparison method and threshold of the preferences and the Shift key's
    // state at this moment. Errors propagate to the caller.
    runs::ScanSummary RunScan(const QList<int> &checkedFolderIds);
    // The same with the parameters given, for the tests.
    runs::ScanSummary RunScan(const runs::ScanParameters &parameters);

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
    // runs::ScanObserver
    bool stopRequested() override { return m_stopRequested; }
    void handlePendingMessages() override;
    void comparisonsStarted(int progress, int maximum) override;
    void progressChanged(int progress, int maximum) override;
    void showMessage(const QString &text) override;
    void showNotice(const QString &caption, const QString &text) override;
    bool askQuestion(const QString &caption, const QString &text) override;
    void showLog() override;

    void showProgress(int progress, int maximum);

    bool m_stopRequested = true;
    bool m_running = false;
};

} // namespace vexaris::ui
