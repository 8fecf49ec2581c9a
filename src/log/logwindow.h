// TfrmLog: the window that shows the processing log. It is created once at start-up, follows the
// log as lines are appended, and is shown modally by a run that added lines.
#pragma once

#include <QDialog>

class QPlainTextEdit;
class QPushButton;

namespace vexaris::log {

class ProcessingLog;

class TfrmLog : public QDialog
{
    Q_OBJECT

public:
    explicit TfrmLog(ProcessingLog &log, QWidget *parent = nullptr);
    ~TfrmLog() override;

    // Shows the window modally until the user closes it.
    void showLog();

    QPlainTextEdit *LogWindow = nullptr;
    QPushButton *btnOK = nullptr;

protected:
    void showEvent(QShowEvent *event) override;

private:
    void appendLine(const QString &line);

    ProcessingLog &m_log;
    bool m_centred = false;
};

} // namespace vexaris::log
