// Draws the journal window for the README: a few pairs of real files resolved through the
// review (one of them undone again, one remembered as not a match), into one PNG file. Run it
// under Xvfb with a Trash of its own (make-screenshots.sh).
#include <cstdio>

#include <QApplication>
#include <QFileInfo>
#include <QIcon>
#include <QTreeWidget>

#include <QTest>

#include "review/journalwindow.h"
#include "review/pairreview.h"
#include "review/undo.h"
#include "store/datetime.h"
#include "store/session.h"
#include "support/testdatabase.h"
#include "ui/interfacelanguage.h"

using namespace vexaris;

namespace {

int addPicture(store::Database &db, int collection, const QString &file)
{
    const QFileInfo info(file);
    db.Execute(QStringLiteral("INSERT INTO Folder (CollectionID, Path) VALUES (?, ?)"), {collection, info.path()});
    const int folder = static_cast<int>(db.lastInsertId());
    const double modified = store::toDays(info.lastModified().toUTC());
    // A signature of its own per file, so that each picture has a fingerprint of its own.
    const QByteArray thumbnail = QByteArray(3072, static_cast<char>(info.size() & 0x7f));
    db.Execute(
        QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, "
                       "Height, Thumbnail, Derivative, ColorRank, DerivativeRank, Old) VALUES (?, ?, ?, ?, ?, ?, "
                       "1600, 1200, ?, ?, 0, 0, 1)"),
        {collection, folder, info.fileName(), info.size(), modified, modified, store::Value::fromBlob(thumbnail),
            store::Value::fromBlob(QByteArray(1024, 'd'))});
    return static_cast<int>(db.lastInsertId());
}

class NoSteps : public review::ResolutionSteps, public review::FileOperationProgress
{
public:
    review::FileOperationProgress &started(Step) override { return *this; }
    void finished() override { }
    void advanced(qint64, qint64) override { }
};

} // namespace

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QIcon::setFallbackThemeName(QStringLiteral("Tango"));
    QCoreApplication::setApplicationName(QStringLiteral("Vexaris 3.0 beta"));
    // In the language LANG names, as the program would start.
    i18n::startInterfaceTranslation();
    if (argc < 4 || argc % 2 != 0) {
        std::fprintf(stderr, "usage: %s OUTPUT-FILE LEFT RIGHT [LEFT RIGHT]...\n", argv[0]);
        return 2;
    }
    const test::TestDatabase database;
    store::Session session;
    session.ConnectDatabase(database.path());
    auto &db = session.DatabaseConnection;
    db.Execute(QStringLiteral("INSERT INTO Collection (Name) VALUES (?)"), {QStringLiteral("Family pictures")});
    const int collection = static_cast<int>(db.lastInsertId());
    session.CurrentCollection.ID = collection;
    for (int i = 2; i + 1 < argc; i += 2) {
        const int left = addPicture(db, collection, QString::fromLocal8Bit(argv[i]));
        const int right = addPicture(db, collection, QString::fromLocal8Bit(argv[i + 1]));
        db.Execute(
            QStringLiteral("INSERT INTO Duplicate (Collection_ID, Left_ID, Right_ID, Difference) VALUES (?, ?, ?, ?)"),
            {collection, left, right, i});
    }

    // The pairs most alike first; each resolution settles the pair shown first.
    review::QtFileOperation files;
    review::PairReview review(session, files);
    review.setRememberNotAMatch(true);
    review.open();
    NoSteps steps;
    const store::ResolutionAction actions[] = {store::ResolutionAction::DeleteRight,
        store::ResolutionAction::MoveToLeft, store::ResolutionAction::NotAMatch, store::ResolutionAction::CopyToRight};
    qint64 first = 0;
    for (const store::ResolutionAction action : actions) {
        if (!review.hasCurrent())
            break;
        const review::ResolutionResult result = review.resolve(review.current().id, action, steps);
        if (result.outcome != review::ResolutionOutcome::Done) {
            std::fprintf(stderr, "resolution failed: %s\n", qPrintable(result.message));
            return 1;
        }
        if (first == 0)
            first = result.journalId;
    }
    review::UndoResolution(session, files, first);

    ui::TfrmJournal window(session);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window))
        return 1;
    if (QTreeWidgetItem *second = window.lstResolutions->topLevelItem(1))
        second->setSelected(true);
    QTest::qWait(300);
    const bool saved = window.grab().save(QString::fromLocal8Bit(argv[1]));
    session.DisconnectDatabase();
    return saved ? 0 : 1;
}
