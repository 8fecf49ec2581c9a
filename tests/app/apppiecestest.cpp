// The pieces of the desktop program below its main window: the error report's text, the order
// of the folder check list, the program's lock, and the start of the real program.
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QListWidget>
#include <QProcess>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <QTest>

#include "app/collectionfolderlist.h"
#include "app/programlock.h"
#include "support/testdatabase.h"
#include "ui/errorreport.h"

using namespace vexaris::ui;

namespace {

// Whether another open of the file could take the lock now.
bool lockIsFree(const QString &file)
{
    const int fd = ::open(QFile::encodeName(file).constData(), O_RDWR | O_CLOEXEC);
    if (fd < 0)
        return false;
    const bool free = ::flock(fd, LOCK_EX | LOCK_NB) == 0;
    ::close(fd);
    return free;
}

QStringList texts(const QListWidget &list)
{
    QStringList result;
    for (int row = 0; row < list.count(); ++row)
        result.append(list.item(row)->text());
    return result;
}

} // namespace

class TestAppPieces : public QObject
{
    Q_OBJECT

private slots:
    void errorReportText_data();
    void errorReportText();
    void folderListOrder_data();
    void folderListOrder();
    void renamedEntryMovesToItsPlace();
    void lockIsHeldUntilTheProgramEnds();
    void secondCopyStartsWithoutTheLock();
    void lockInAFolderThatCannotBeWritten();
    void programWithoutAnyDatabaseSaysSoAndWaitsInABox();
    void programWithItsDatabaseRunsAndHoldsTheLock();
};

void TestAppPieces::errorReportText_data()
{
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("shown");

    QTest::newRow("a letter at the end gets a full stop")
        << QStringLiteral("disk full") << QStringLiteral("disk full.");
    QTest::newRow("a full stop stays single") << QStringLiteral("Stopped.") << QStringLiteral("Stopped.");
    QTest::newRow("a question mark is above the full stop")
        << QStringLiteral("Where is it?") << QStringLiteral("Where is it?.");
    QTest::newRow("a closing parenthesis is below it")
        << QStringLiteral("Unknown (.xyz)") << QStringLiteral("Unknown (.xyz)");
    QTest::newRow("a blank is below it") << QStringLiteral("odd ") << QStringLiteral("odd ");
    QTest::newRow("a digit is above it") << QStringLiteral("code 5") << QStringLiteral("code 5.");
    QTest::newRow("a letter beyond ASCII") << QStringLiteral("Fehler für ü") << QStringLiteral("Fehler für ü.");
    QTest::newRow("an empty text stays empty") << QString() << QString();
}

void TestAppPieces::errorReportText()
{
    QFETCH(QString, message);
    QFETCH(QString, shown);
    QCOMPARE(vexaris::ui::errorReportText(message), shown);
}

void TestAppPieces::folderListOrder_data()
{
    QTest::addColumn<QStringList>("added");
    QTest::addColumn<QStringList>("listed");

    QTest::newRow("subfolders follow their folder")
        << QStringList {QStringLiteral("/p/2005/May"), QStringLiteral("/p2"), QStringLiteral("/p"),
               QStringLiteral("/p old"), QStringLiteral("/p/2005")}
        << QStringList {QStringLiteral("/p"), QStringLiteral("/p old"), QStringLiteral("/p/2005"),
               QStringLiteral("/p/2005/May"), QStringLiteral("/p2")};
    QTest::newRow("letter case does not decide") << QStringList {QStringLiteral("/b"), QStringLiteral("/C"),
        QStringLiteral("/a")} << QStringList {QStringLiteral("/a"), QStringLiteral("/b"), QStringLiteral("/C")};
    QTest::newRow("the same path twice stays twice") << QStringList {QStringLiteral("/x"), QStringLiteral("/x")}
                                                     << QStringList {QStringLiteral("/x"), QStringLiteral("/x")};
}

void TestAppPieces::folderListOrder()
{
    QFETCH(QStringList, added);
    QFETCH(QStringList, listed);

    QListWidget list;
    CollectionFolderList folders(&list);
    for (int i = 0; i < added.size(); ++i)
        folders.addFolder(added[i], 100 + i);
    QCOMPARE(texts(list), listed);
    // Each entry keeps the ID it came with, and starts unchecked.
    for (int row = 0; row < list.count(); ++row) {
        const QListWidgetItem *item = list.item(row);
        QCOMPARE(added.at(CollectionFolderList::folderId(item) - 100), item->text());
        QCOMPARE(item->checkState(), Qt::Unchecked);
    }
    folders.clearFolders();
    QCOMPARE(list.count(), 0);
}

void TestAppPieces::renamedEntryMovesToItsPlace()
{
    QListWidget list;
    CollectionFolderList folders(&list);
    folders.addFolder(QStringLiteral("/a"), 1);
    folders.addFolder(QStringLiteral("/m"), 2);
    folders.addFolder(QStringLiteral("/z"), 3);
    QListWidgetItem *item = list.item(0);
    item->setCheckState(Qt::Checked);
    list.setCurrentItem(item);

    folders.renameEntry(item, QStringLiteral("/q"));
    QCOMPARE(texts(list), (QStringList {QStringLiteral("/m"), QStringLiteral("/q"), QStringLiteral("/z")}));
    QCOMPARE(list.currentItem(), item);
    QCOMPARE(item->checkState(), Qt::Checked);
    QCOMPARE(CollectionFolderList::folderId(item), 1);
    QCOMPARE(folders.checkedFolderIds(), QList<int> {1});
}

void TestAppPieces::lockIsHeldUntilTheProgramEnds()
{
    QTemporaryDir folder;
    QString file;
    {
        const ProgramLock lock(folder.path());
        file = lock.fileName();
        QCOMPARE(file, folder.filePath(QStringLiteral("Vexaris.lock")));
        QVERIFY(lock.held());
        QVERIFY(!lockIsFree(file));
    }
    QVERIFY(lockIsFree(file));
}

void TestAppPieces::secondCopyStartsWithoutTheLock()
{
    QTemporaryDir folder;
    const ProgramLock first(folder.path());
    const ProgramLock second(folder.path());
    QVERIFY(first.held());
    QVERIFY(!second.held());
}

void TestAppPieces::lockInAFolderThatCannotBeWritten()
{
    const ProgramLock lock(QStringLiteral("/nonexistent/vexaris-test"));
    QVERIFY(!lock.held());
}

void TestAppPieces::programWithoutAnyDatabaseSaysSoAndWaitsInABox()
{
    // The program's folder is wherever its file lies; a copy in an empty folder has no database,
    // and a user without one of their own has nothing to copy it from.
    QTemporaryDir folder;
    QTemporaryDir userData;
    const QString program = folder.filePath(QStringLiteral("vexaris"));
    QVERIFY(QFile::copy(QStringLiteral(VEXARIS_PROGRAM), program));

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), userData.path());
    process.setProcessEnvironment(environment);
    process.start(program, {});
    const auto stop = qScopeGuard([&process] {
        process.kill();
        process.waitForFinished();
    });
    QByteArray error;
    QTRY_VERIFY_WITH_TIMEOUT((error += process.readAllStandardError()).contains("vexaris: "), 30000);
    QTRY_VERIFY(error.indexOf('\n', error.indexOf("vexaris: ")) >= 0);

    // Qt may add lines of its own about the box; the program's is one.
    const QStringList lines = QString::fromUtf8(error)
                                  .split(QLatin1Char('\n'), Qt::SkipEmptyParts)
                                  .filter(QRegularExpression(QStringLiteral("^vexaris: ")));
    QCOMPARE(lines.size(), 1);
    QVERIFY2(lines[0].contains(QStringLiteral("Vexaris.db")), qPrintable(lines[0]));
    // The same words wait in a message box for whoever started the program from the menu.
    QVERIFY(!process.waitForFinished(1000));
    // The missing file is not created, and the lock file was made in the runtime folder.
    QVERIFY(!QFile::exists(folder.filePath(QStringLiteral("Vexaris.db"))));
    QVERIFY(QDir(userData.path()).isEmpty());
    QVERIFY(QFile::exists(folder.filePath(QStringLiteral("Vexaris.lock"))));
}

void TestAppPieces::programWithItsDatabaseRunsAndHoldsTheLock()
{
    // Every window of the program is created at start; a start that survives is one in which
    // none of them failed.
    const vexaris::test::TestDatabase database;
    QTemporaryDir folder;
    const QString program = folder.filePath(QStringLiteral("vexaris"));
    QVERIFY(QFile::copy(QStringLiteral(VEXARIS_PROGRAM), program));
    QVERIFY(QFile::copy(database.path(), folder.filePath(QStringLiteral("Vexaris.db"))));

    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), folder.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), folder.path());
    process.setProcessEnvironment(environment);
    process.start(program, {});
    QVERIFY(process.waitForStarted());
    const auto stop = qScopeGuard([&process] {
        process.kill();
        process.waitForFinished();
    });
    const QString lock = folder.filePath(QStringLiteral("Vexaris.lock"));
    QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(lock) && !lockIsFree(lock), 20000);
    // Still running once its windows are up: the event loop waits for the user.
    QVERIFY(!process.waitForFinished(1000));
    QVERIFY(!process.readAllStandardError().contains("vexaris:"));

    process.kill();
    QVERIFY(process.waitForFinished());
    QVERIFY(lockIsFree(lock));
}

#include "apppiecestest.moc"

QObject *newAppPiecesTest()
{
    return new TestAppPieces;
}
