#include "runs/updatecommand.h"

#include <QWidget>

#include "log/processinglog.h"
#include "runs/getthumbswindow.h"
#include "runs/thumbnailrun.h"

namespace vexaris::ui {

void executeThumbnailUpdate(QWidget *mainWindow)
{
    TfrmGetThumbs *window = TfrmGetThumbs::instance();
    if (mainWindow)
        mainWindow->setEnabled(false);
    window->show();
    // Also when the run ends by an error: the window goes, the main window comes back, and the
    // error goes on to the command's error report.
    struct Restore
    {
        TfrmGetThumbs *window;
        QWidget *mainWindow;
        ~Restore()
        {
            window->hide();
            if (mainWindow)
                mainWindow->setEnabled(true);
        }
    } restore {window, mainWindow};

    runs::ThumbnailRun run(log::ProcessingLog::instance(), *window);
    run.RunThumbnailUpdate();
}

} // namespace vexaris::ui
