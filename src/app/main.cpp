// vexaris: the desktop program. Start-up takes the program's lock, creates the windows in their
// fixed order and runs the event loop until the main window closes.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QIcon>

#include "app/aboutwindow.h"
#include "app/mainwindow.h"
#include "app/programlock.h"
#include "common/error.h"
#include "i18n/interfacelanguage.h"
#include "log/logwindow.h"
#include "log/processinglog.h"
#include "review/duplicateswindow.h"
#include "runs/getthumbswindow.h"
#include "runs/scanwindow.h"
#include "settings/optionswindow.h"
#include "store/connection.h"

int main(int argc, char *argv[])
{
    using namespace vexaris;

    // Held until the very end, after every window and the database connection are gone.
    const ui::ProgramLock lock(ui::ProgramLock::defaultFolder());

    QApplication app(argc, argv);
    // The folder tree's icons where the desktop's icon theme has none (or there is no desktop).
    QIcon::setFallbackThemeName(QStringLiteral("Tango"));
    // The desktop matches the windows with the installed desktop entry and its icon by this name.
    QGuiApplication::setDesktopFileName(QStringLiteral("org.quillmark.Vexaris"));
    QDir::setCurrent(QCoreApplication::applicationDirPath());
    // The caption of the general error report and of the notices.
    QCoreApplication::setApplicationName(QStringLiteral("Vexaris 3.0 beta"));
    i18n::startInterfaceTranslation();

    try {
        // The main window comes first: it opens the database and selects the stored interface
        // language before any other window translates itself.
        ui::TfrmMain frmMain(store::defaultDatabasePath());
        // The run windows and the log are shown while the main window is disabled, so they must
        // not be its children: a disabled window disables its children with it.
        ui::TfrmGetThumbs frmGetThumbs;
        log::TfrmLog frmLog(log::ProcessingLog::instance());
        ui::TfrmScan frmScan;
        settings::TfrmOptions frmOptions(&frmMain);
        ui::TfrmAbout frmAbout(&frmMain);
        ui::TfrmDuplicates frmDuplicates(&frmMain);
        frmDuplicates.setStretchPreference([&frmOptions] { return frmOptions.stretchDuplicates(); });

        frmMain.show();
        return QApplication::exec();
    } catch (const std::exception &e) {
        // Without its database the program has nothing to show: it ends before any window
        // appears, and says why on standard error only.
        std::fprintf(stderr, "vexaris: %s\n", e.what());
        return 1;
    }
}
