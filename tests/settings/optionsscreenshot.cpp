// Draws the preferences window in the interface language given on the command line into a PNG
// file, to check by eye that no text is clipped where the translations are longer than English.
// Run it under Xvfb (make-screenshot.sh) so that the window is drawn as on a desktop.
#include <cstdio>

#include <QApplication>
#include <QSettings>
#include <QTemporaryDir>

#include <QTest>

#include "i18n/catalog.h"
#include "settings/optionswindow.h"

using namespace vexaris;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: %s LANGUAGE OUTPUT.png\n", argv[0]);
        return 2;
    }
    // The user's own preferences are neither read nor written.
    QTemporaryDir settings;
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, settings.path());
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, settings.path());
    QSettings(QStringLiteral("Quillmark"), QStringLiteral("Vexaris"))
        .setValue(QStringLiteral("Language"), QString::fromLocal8Bit(argv[1]));
    i18n::SelectLanguage(QString::fromLocal8Bit(argv[1]));

    settings::TfrmOptions window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QTest::qWait(300);
    return window.grab().save(QString::fromLocal8Bit(argv[2])) ? 0 : 1;
}
