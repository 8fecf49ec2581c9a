// Draws the review window with a real pair, fitted and at actual size, into two PNG files for
// the README. Run it under Xvfb (make-screenshots.sh) so that the window is drawn as on a desktop.
#include <cstdio>

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QImageReader>
#include <QPixmap>
#include <QPushButton>

#include <QTest>

#include "review/duplicateswindow.h"
#include "store/data.h"
#include "store/session.h"
#include "support/testdatabase.h"
#include "ui/picturelabel.h"

using namespace vexaris;

namespace {

int addPicture(store::Database &db, int collection, const QString &file, double created, double modified)
{
    const QFileInfo info(file);
    db.Execute(QStringLiteral("INSERT INTO Folder (CollectionID, Path) VALUES (?, ?)"), {collection, info.path()});
    const int folder = static_cast<int>(db.lastInsertId());
    const QSize size = QImageReader(file).size();
    db.Execute(QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, "
                              "Height, ColorRank, DerivativeRank, Old) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 0, 0, 1)"),
        {collection, folder, info.fileName(), info.size(), created, modified, size.width(), size.height()});
    return static_cast<int>(db.lastInsertId());
}

bool save(ui::TfrmDuplicates &window, const QString &file)
{
    QTest::qWait(300);
    return window.grab().save(file);
}

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QIcon::setFallbackThemeName(QStringLiteral("Tango"));
    QCoreApplication::setApplicationName(QStringLiteral("Vexaris 3.0 beta"));
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s LARGER-PICTURE SMALLER-PICTURE OUTPUT-FOLDER\n", argv[0]);
        return 2;
    }
    const test::TestDatabase database;
    store::Session session;
    session.ConnectDatabase(database.path());
    auto &db = session.DatabaseConnection;
    db.Execute(QStringLiteral("INSERT INTO Collection (Name) VALUES (?)"), {QStringLiteral("Family pictures")});
    const int collection = static_cast<int>(db.lastInsertId());
    session.CurrentCollection.ID = collection;
    // The copy was made a year later and touched again since.
    const int larger = addPicture(db, collection, QString::fromLocal8Bit(argv[1]), 38500.4375, 38500.4375);
    const int smaller = addPicture(db, collection, QString::fromLocal8Bit(argv[2]), 38900.75, 39010.5);
    db.Execute(
        QStringLiteral("INSERT INTO Duplicate (Collection_ID, Left_ID, Right_ID, Difference) VALUES (?, ?, ?, 3)"),
        {collection, larger, smaller});
    const QDir output(QString::fromLocal8Bit(argv[3]));

    bool stretch = true;
    ui::TfrmDuplicates window(session);
    window.setStretchPreference([&stretch] { return stretch; });
    window.resize(1024, 700);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    if (!save(window, output.filePath(QStringLiteral("review-fitted.png"))))
        return 1;

    stretch = false;
    window.btnFirst->click();
    // Drag the larger picture until the sun is in the middle; the smaller one follows at half the speed.
    ui::PictureLabel *image = window.imgLeft;
    const QPoint start(100, 100);
    const QPoint global = image->mapToGlobal(start);
    QTest::mousePress(image, Qt::LeftButton, {}, start);
    QTest::mouseMove(image, image->mapFromGlobal(global - QPoint(745, 291)));
    QTest::mouseRelease(image, Qt::LeftButton, {}, image->mapFromGlobal(global - QPoint(745, 291)));
    const bool saved = save(window, output.filePath(QStringLiteral("review-actual-size.png")));
    session.DisconnectDatabase();
    return saved ? 0 : 1;
}
