// Draws the desktop as the program leaves it after one of two steps, into a PNG file, for the
// README and the manual. Run it under Xvfb (make-screenshot.sh), which has no window manager: the
// windows are drawn without frames, where the program puts them.
//   vexaris_desktop_screenshot help OUTPUT.png       F1 in the main window; the page the desktop
//                                                    was asked to open, shown beside it
//   vexaris_desktop_screenshot language CODE OUTPUT.png
//                                                    the preferences opened in English and the
//                                                    interface language changed to CODE
#include <cstdio>

#include <QApplication>
#include <QComboBox>
#include <QDesktopServices>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QScreen>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTextBrowser>
#include <QUrl>
#include <QVBoxLayout>

#include <QTest>

#include "app/desktop.h"
#include "i18n/catalog.h"
#include "log/processinglog.h"
#include "settings/optionswindow.h"
#include "store/session.h"
#include "support/testdatabase.h"
#include "ui/interfacelanguage.h"

using namespace vexaris;

namespace {

// Takes the desktop's place for file URLs: remembers what it was asked to open.
class UrlCatcher : public QObject
{
    Q_OBJECT

public slots:
    void openUrl(const QUrl &url) { opened = url; }

public:
    QUrl opened;
};

void fillCollection(store::Session &session, ui::TfrmMain &window)
{
    auto &connection = session.DatabaseConnection;
    connection.Execute(QStringLiteral("INSERT INTO Collection (Name) VALUES (?)"), {QStringLiteral("Family pictures")});
    const int collection = static_cast<int>(connection.lastInsertId());
    for (const char *path : {"/home/anna/Pictures", "/home/anna/Pictures/2005", "/home/anna/Pictures/2006"})
        connection.Execute(QStringLiteral("INSERT INTO Folder (CollectionID, Path) VALUES (?, ?)"),
            {collection, QString::fromUtf8(path)});
    QTest::keyClicks(window.cmbCollection->lineEdit(), QStringLiteral("Family pictures"));
    window.updateActions();
}

bool saveScreen(const char *file)
{
    QTest::qWait(500);
    return QGuiApplication::primaryScreen()->grabWindow(0).save(QString::fromLocal8Bit(file));
}

int help(ui::TfrmMain &window, const char *output)
{
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "openUrl");
    // Shortcuts reach the active window only, and without a window manager nothing activates it.
    window.activateWindow();
    if (!QTest::qWaitForWindowActive(&window))
        return 1;
    QTest::keyClick(&window, Qt::Key_F1);
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    if (!catcher.opened.isValid()) {
        std::fprintf(stderr, "F1 opened nothing\n");
        return 1;
    }

    // A plain viewer stands in for the desktop's browser: the address it was given, and the page.
    QWidget viewer;
    auto *address = new QLineEdit(catcher.opened.toString(), &viewer);
    address->setReadOnly(true);
    auto *page = new QTextBrowser(&viewer);
    page->setSource(catcher.opened);
    auto *layout = new QVBoxLayout(&viewer);
    layout->addWidget(address);
    layout->addWidget(page);
    const QRect screen = QGuiApplication::primaryScreen()->geometry();
    viewer.setGeometry(screen.width() / 2 - 40, screen.height() / 8, screen.width() / 2 + 20, screen.height() * 3 / 4);
    viewer.show();
    if (!QTest::qWaitForWindowExposed(&viewer))
        return 1;
    return saveScreen(output) ? 0 : 1;
}

int language(ui::Desktop &desktop, const QString &code, const char *output)
{
    settings::TfrmOptions &options = desktop.frmOptions;
    options.show();
    if (!QTest::qWaitForWindowExposed(&options))
        return 1;
    auto *box = options.findChild<QComboBox *>(QStringLiteral("cmbLanguage"));
    const int index = box->findText(code);
    if (index < 0) {
        std::fprintf(stderr, "no language %s\n", qPrintable(code));
        return 2;
    }
    box->setCurrentIndex(index);
    emit box->activated(index);
    return saveScreen(output) ? 0 : 1;
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    if (!((mode == QLatin1String("help") && argc == 3) || (mode == QLatin1String("language") && argc == 4))) {
        std::fprintf(stderr, "usage: %s help OUTPUT.png | language CODE OUTPUT.png\n", argv[0]);
        return 2;
    }
    QStandardPaths::setTestModeEnabled(true);
    // The user's own preferences are neither read nor written.
    QTemporaryDir settingsFolder;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settingsFolder.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settingsFolder.path());
    QIcon::setFallbackThemeName(QStringLiteral("Tango"));
    QCoreApplication::setApplicationName(QStringLiteral("Vexaris 3.0 beta"));
    i18n::startInterfaceTranslation();
    i18n::SelectLanguage(QStringLiteral("en"));

    const test::TestDatabase database;
    store::Session session;
    log::ProcessingLog processingLog;
    ui::Desktop desktop(session, processingLog, database.path());
    ui::TfrmMain &window = desktop.frmMain;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    fillCollection(session, window);

    if (mode == QLatin1String("help"))
        return help(window, argv[2]);
    return language(desktop, QString::fromLocal8Bit(argv[2]), argv[3]);
}

#include "desktopscreenshot.moc"
