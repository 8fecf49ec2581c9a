#include "app/viewcommand.h"

#include "i18n/qtranslate.h"
#include "review/duplicateswindow.h"
#include "review/pairlist.h"
#include "review/pairswindow.h"
#include "store/session.h"
#include "ui/dialogs.h"

namespace vexaris::ui {

namespace {

// Says so when the collection has no pair; true when it has.
bool hasPairs(QWidget *mainWindow, store::Session &session)
{
    if (review::countPairs(session.DatabaseConnection, session.CurrentCollection.ID) >= 1)
        return true;
    notify(mainWindow, qtr("No Duplicates"),
        qtr("No duplicates were found during the scan. If you suspect that there still are duplicates, you "
            "may try to scan with a higher threshold."),
        QMessageBox::NoIcon);
    return false;
}

void showMaximized(TfrmDuplicates &window)
{
    window.setWindowState((window.windowState() & ~Qt::WindowMinimized) | Qt::WindowMaximized);
    window.exec();
}

} // namespace

void executeViewDuplicates(QWidget *mainWindow, store::Session &session, TfrmDuplicates &window)
{
    if (hasPairs(mainWindow, session))
        showMaximized(window);
}

void executePairsOverview(QWidget *mainWindow, store::Session &session, TfrmPairs &window)
{
    if (hasPairs(mainWindow, session))
        window.exec();
}

void executeViewPair(TfrmDuplicates &window, qint64 pairId)
{
    window.setStartPair(pairId);
    showMaximized(window);
}

} // namespace vexaris::ui
