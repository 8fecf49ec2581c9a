#include "app/viewcommand.h"

#include "i18n/qtranslate.h"
#include "review/duplicateswindow.h"
#include "review/pairlist.h"
#include "store/session.h"
#include "ui/dialogs.h"

namespace vexaris::ui {

void executeViewDuplicates(QWidget *mainWindow, store::Session &session, TfrmDuplicates &window)
{
    if (review::countPairs(session.DatabaseConnection, session.CurrentCollection.ID) < 1) {
        notify(mainWindow, qtr("No Duplicates"),
            qtr("No duplicates were found during the scan. If you suspect that there still are duplicates, you "
                "may try to scan with a higher threshold."),
            QMessageBox::NoIcon);
        return;
    }
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    window.exec();
}

} // namespace vexaris::ui
