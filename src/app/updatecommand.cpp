#include "app/updatecommand.h"

#include <QWidget>

#include "log/logwindow.h"
#include "log/processinglog.h"
#include "runs/getthumbswindow.h"
#include "runs/thumbnailrun.h"

namespace vexaris::ui {

runs::ThumbnailRunSummary executeThumbnailUpdate(QWidget *mainWindow, store::Session &session,
    log::ProcessingLog &processingLog, TfrmGetThumbs &window, log::TfrmLog &logWindow, unsigned threads)
{
    if (mainWindow)
        mainWindow->setEnabled(false);
    window.show();
    // Also when the run ends by an error: the window goes, the main window comes back, and the
    // error goes on to the command's error report.
    struct Restore
    {
        TfrmGetThumbs &window;
        QWidget *mainWindow;
        ~Restore()
        {
            window.hide();
            if (mainWindow)
                mainWindow->setEnabled(true);
        }
    } restore {window, mainWindow};

    window.StopRequested = false;
    runs::ThumbnailRun run(session, processingLog, window, threads);
    const runs::ThumbnailRunSummary summary = run.RunThumbnailUpdate();
    if (summary.problems > 0)
        logWindow.showLog();
    return summary;
}

} // namespace vexaris::ui
