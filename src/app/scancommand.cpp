#include "app/scancommand.h"

#include <QWidget>

#include "log/logwindow.h"
#include "log/processinglog.h"
#include "runs/duplicatescan.h"
#include "runs/scanwindow.h"

namespace vexaris::ui {

runs::ScanSummary executeScan(QWidget *mainWindow, store::Session &session, const runs::ScanParameters &parameters,
    TfrmScan &window, log::ProcessingLog &processingLog, log::TfrmLog &logWindow)
{
    // Runs also when the scan ends by an error, before the error reaches the report.
    struct Restore
    {
        QWidget *mainWindow;
        TfrmScan &window;
        ~Restore()
        {
            window.hide();
            if (mainWindow)
                mainWindow->setEnabled(true);
        }
    };
    const qsizetype notedLines = processingLog.lineCount();
    if (mainWindow)
        mainWindow->setEnabled(false);
    // Disabling the main window disables the windows it owns too; a window may be enabled on its
    // own again, and the Stop button must stay usable.
    window.setEnabled(true);
    Restore restore {mainWindow, window};
    window.show();
    const runs::ScanSummary summary = window.RunScan(session, processingLog, parameters);
    if (processingLog.lineCount() > notedLines)
        logWindow.showLog();
    return summary;
}

} // namespace vexaris::ui
