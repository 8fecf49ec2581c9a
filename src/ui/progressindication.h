// The progress shown while a resolution's file operation runs: a small modal box under the
// operation's title, without file names, open for as long as the operation takes.
#pragma once

#include <QString>

#include "review/fileoperation.h"

class QProgressDialog;
class QWidget;

namespace vexaris::ui {

class ProgressIndication final : public review::FileOperationProgress
{
public:
    ProgressIndication(QWidget *parent, const QString &title);
    ~ProgressIndication() override;
    ProgressIndication(const ProgressIndication &) = delete;
    ProgressIndication &operator=(const ProgressIndication &) = delete;

    void advanced(qint64 bytesDone, qint64 bytesTotal) override;

private:
    QProgressDialog *m_dialog;
};

} // namespace vexaris::ui
