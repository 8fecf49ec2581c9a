#include "ui/errorreport.h"

#include "ui/dialogs.h"

namespace vexaris::ui {

QString errorReportText(const QString &message)
{
    if (!message.isEmpty() && message.back() > QLatin1Char('.'))
        return message + QLatin1Char('.');
    return message;
}

void showErrorReport(QWidget *parent, const QString &message)
{
    notify(parent, applicationTitle(), errorReportText(message), QMessageBox::Critical);
}

} // namespace vexaris::ui
