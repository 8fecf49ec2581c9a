#include "runs/scancommand.h"

#include <memory>

#include <QWidget>

#include "runs/scanwindow.h"

namespace vexaris::ui {

void executeScan(QWidget *mainWindow, const QList<int> &checkedFolderIds)
{
    std::unique_ptr<TfrmScan> ownWindow;
    TfrmScan *window = TfrmScan::instance();
    if (!window) {
        ownWindow = std::make_unique<TfrmScan>();
        window = ownWindow.get();
    }

    // Runs also when the scan ends by an error, before the error reaches the report.
    struct Restore
    {
        QWidget *mainWindow;
        TfrmScan *window;
        ~Restore()
        {
            window->hide();
            if (mainWindow)
                mainWindow->setEnabled(true);
        }
    };
    if (mainWindow)
        mainWindow->setEnabled(false);
    // Disabling the main window disables the windows it owns too; a window may be enabled on its
    // own again, and the Stop button must stay usable.
    window->setEnabled(true);
    Restore restore {mainWindow, window};
    window->show();
    window->RunScan(checkedFolderIds);
}

} // namespace vexaris::ui
