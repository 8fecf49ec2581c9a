// Draws the main window with a collection and its folders into a PNG file, for the README and
// the manual. Run it under Xvfb (make-screenshot.sh) so that the window is drawn as on a desktop.
#include <cstdio>

#include <QApplication>
#include <QComboBox>
#include <QIcon>
#include <QLineEdit>
#include <QListWidget>
#include <QPixmap>
#include <QStandardPaths>

#include <QTest>

#include "app/mainwindow.h"
#include "log/processinglog.h"
#include "store/session.h"
#include "support/testdatabase.h"

using namespace vexaris;

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QStandardPaths::setTestModeEnabled(true);
    QIcon::setFallbackThemeName(QStringLiteral("Tango"));
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s OUTPUT.png\n", argv[0]);
        return 2;
    }
    const test::TestDatabase database;
    store::Session session;
    log::ProcessingLog processingLog;
    ui::TfrmMain window(session, processingLog, database.path());

    auto &connection = session.DatabaseConnection;
    connection.Execute(QStringLiteral("INSERT INTO Collection (Name) VALUES (?)"), {QStringLiteral("Family pictures")});
    connection.Execute(QStringLiteral("INSERT INTO Collection (Name) VALUES (?)"), {QStringLiteral("Wallpapers")});
    const int collection = static_cast<int>(connection.lastInsertId()) - 1;
    for (const char *path : {"/home/anna/Pictures", "/home/anna/Pictures/2005", "/home/anna/Pictures/2005/Summer",
             "/home/anna/Pictures/2006", "/home/anna/Pictures old", "/media/backup/Camera"})
        connection.Execute(QStringLiteral("INSERT INTO Folder (CollectionID, Path) VALUES (?, ?)"),
            {collection, QString::fromUtf8(path)});

    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    QTest::keyClicks(window.cmbCollection->lineEdit(), QStringLiteral("Family pictures"));
    // A check mark on a folder reaches its subfolders, not "Pictures old".
    window.lstCollectionFolders->item(0)->setCheckState(Qt::Checked);
    window.updateActions();
    QTest::qWait(500);
    return window.grab().save(QString::fromLocal8Bit(argv[1])) ? 0 : 1;
}
