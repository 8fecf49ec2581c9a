// vexaris: the desktop program. Start-up takes the program's lock, creates the windows in their
// fixed order and runs the event loop until the main window closes.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QIcon>

#include "app/desktop.h"
#include "app/programlock.h"
#include "log/processinglog.h"
#include "store/connection.h"
#include "store/session.h"
#include "ui/errorreport.h"
#include "ui/interfacelanguage.h"

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

    // What every window shares lives as long as the program: the connection with the current
    // collection, and the processing log.
    store::Session session;
    log::ProcessingLog processingLog;
    try {
        ui::Desktop desktop(session, processingLog, store::defaultDatabasePath());
        desktop.frmMain.show();
        return QApplication::exec();
    } catch (const std::exception &e) {
        // Without its database the program has nothing to show: it ends before any window
        // appears, and says why on standard error and, for whoever started it from the menu, in
        // a message box.
        std::fprintf(stderr, "vexaris: %s\n", e.what());
        ui::showErrorReport(nullptr, QString::fromUtf8(e.what()));
        return 1;
    }
}
