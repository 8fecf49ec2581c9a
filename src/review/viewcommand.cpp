#include "review/viewcommand.h"

#include <memory>

#include "app/dialogs.h"
#include "i18n/qtranslate.h"
#include "review/duplicateswindow.h"
#include "review/pairlist.h"
#include "store/connection.h"
#include "store/data.h"

namespace vexaris::ui {

void executeViewDuplicates(QWidget *mainWindow)
{
    if (review::countPairs(store::DatabaseConnection(), store::CurrentCollection.ID) < 1) {
        notify(mainWindow, qtr("No Duplicates"),
            qtr("No duplicates were found during the scan. If you suspect that there still are duplicates, you "
                "may try to scan with a higher threshold."),
            QMessageBox::NoIcon);
        return;
    }
    std::unique_ptr<TfrmDuplicates> ownWindow;
    TfrmDuplicates *window = TfrmDuplicates::instance();
    if (!window) {
        ownWindow = std::make_unique<TfrmDuplicates>(mainWindow);
        window = ownWindow.get();
    }
    window->setWindowState((window->windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    window->exec();
}

} // namespace vexaris::ui
