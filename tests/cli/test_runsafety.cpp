// Runs of the real program against each other and against SIGKILL: one run at a time per
// collection across processes, whatever name the database file is reached by and whoever may write
// it, no lock left behind by a killed run, and no pair lost by a full rescan killed at any moment.
#include <chrono>
#include <csignal>
#include <grp.h>
#include <set>
#include <thread>
#include <tuple>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "store/database.h"
#include "store/runlock.h"
#include "support/testdatabase.h"

using namespace vexaris;

namespace {

const QString kPhoto = QStringLiteral(VEXARIS_TEST_DATA "/runs/photo-gradient-64x48.jpg");

struct Finished
{
    int status = -1;
    QString err;
};

class RunSafetyTest : public ::testing::Test
{
protected:
    void SetUp() override { m_database.Open(m_file.path()); }

    int addCollection(const QString &name)
    {
        m_database.Execute(QStringLiteral("INSERT INTO Collection (Name) VALUES (?)"), {name});
        return static_cast<int>(m_database.lastInsertId());
    }
    int addFolder(int collection, const QString &path)
    {
        m_database.Execute(QStringLiteral("INSERT INTO Folder (CollectionID, Path) VALUES (?, ?)"), {collection, path});
        return static_cast<int>(m_database.lastInsertId());
    }
    // Copies of one photo: every two of them are a pair.
    QString folderWith(const QString &name, int photos)
    {
        const QString folder = m_tree.filePath(name);
        EXPECT_TRUE(QDir().mkpath(folder));
        for (int i = 0; i < photos; ++i)
            EXPECT_TRUE(QFile::copy(kPhoto, folder + QStringLiteral("/%1.jpg").arg(i, 4, 10, QLatin1Char('0'))));
        return folder;
    }
    qint64 count(const char *sql, int collection)
    {
        store::Statement statement(m_database, QString::fromUtf8(sql));
        statement.bind(0, collection);
        statement.step();
        return statement.column(0).toInt64();
    }
    std::set<std::tuple<qint64, qint64, qint64>> pairs(int collection)
    {
        std::set<std::tuple<qint64, qint64, qint64>> rows;
        store::Statement query(
            m_database, QStringLiteral("SELECT Left_ID, Right_ID, Difference FROM Duplicate WHERE Collection_ID = ?"));
        query.bind(0, collection);
        while (query.step())
            rows.insert({query.column(0).toInt64(), query.column(1).toInt64(), query.column(2).toInt64()});
        return rows;
    }

    void start(QProcess &process, const QStringList &arguments, const QString &database = {})
    {
        process.start(QStringLiteral(VEXARIS_CLI),
            QStringList {QStringLiteral("--db"), database.isEmpty() ? m_file.path() : database} + arguments);
        ASSERT_TRUE(process.waitForStarted());
    }
    Finished runToEnd(const QStringList &arguments, const QString &database = {}, QProcess *preset = nullptr)
    {
        QProcess own;
        QProcess &process = preset ? *preset : own;
        start(process, arguments, database);
        process.closeWriteChannel();
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitCode(), QString::fromUtf8(process.readAllStandardError())};
    }

    test::TestDatabase m_file;
    store::Database m_database;
    QTemporaryDir m_tree;
};

TEST_F(RunSafetyTest, ASecondRunOfOneCollectionIsRefusedAtOnceAndAKilledRunLeavesNoLock)
{
    const int big = addCollection(QStringLiteral("Big"));
    const int firstFolder = addFolder(big, folderWith(QStringLiteral("first"), 1));
    addFolder(big, folderWith(QStringLiteral("big"), 2000));
    const int small = addCollection(QStringLiteral("Small"));
    addFolder(small, folderWith(QStringLiteral("small"), 2));

    m_database.Execute(QStringLiteral("PRAGMA wal_checkpoint(TRUNCATE)"));
    QProcess first;
    start(first, {QStringLiteral("update"), QStringLiteral("Big")});
    // Off a terminal the run draws no progress: its first folder's row says it has got that far.
    bool reached = false;
    for (int tries = 0; tries < 3000 && !reached && first.state() == QProcess::Running; ++tries) {
        reached = count("SELECT count(*) FROM Picture WHERE FolderID = ?", firstFolder) > 0;
        if (!reached)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    ASSERT_TRUE(reached) << "the first run never reached its big folder";

    // Every name of the file reaches the same lock.
    const QString symbolic = m_file.folder() + QStringLiteral("/symbolic.db");
    ASSERT_TRUE(QFile::link(m_file.path(), symbolic));
    for (const QString &database : {m_file.path(), symbolic}) {
        for (const QString &command : {QStringLiteral("update"), QStringLiteral("scan")}) {
            const Finished second = runToEnd({command, QStringLiteral("big")}, database);
            EXPECT_EQ(second.status, 1) << command.toStdString() << " " << database.toStdString();
            EXPECT_EQ(second.err,
                QStringLiteral("vexaris-cli: The collection Big is being updated or scanned by another run; try again "
                               "when that run has ended\n"))
                << command.toStdString() << " " << database.toStdString();
        }
    }
    // A hard link gives the file write-ahead files of its own, which nothing can share: no run
    // writes to a file of two names, under either.
    const QString hard = m_file.folder() + QStringLiteral("/hard.db");
    ASSERT_EQ(::link(QFile::encodeName(m_file.path()).constData(), QFile::encodeName(hard).constData()), 0);
    for (const QString &database : {m_file.path(), hard}) {
        const Finished second = runToEnd({QStringLiteral("update"), QStringLiteral("Small")}, database);
        EXPECT_EQ(second.status, 1) << database.toStdString();
        EXPECT_TRUE(second.err.contains(QStringLiteral("more than one name"))) << second.err.toStdString();
    }
    ASSERT_TRUE(QFile::remove(hard));
    EXPECT_EQ(runToEnd({QStringLiteral("update"), QStringLiteral("Small")}).status, 0);
    ASSERT_EQ(first.state(), QProcess::Running) << "the first run ended before the others were tried";

    ::kill(static_cast<pid_t>(first.processId()), SIGKILL);
    ASSERT_TRUE(first.waitForFinished(30000));
    const Finished after = runToEnd({QStringLiteral("update"), QStringLiteral("Big")});
    EXPECT_EQ(after.status, 0) << after.err.toStdString();
    EXPECT_EQ(count("SELECT count(*) FROM Picture WHERE CollectionID = ?", big), 2001);
}

// A scan of a collection scanned with these settings, while another run holds it (as a full scan
// does from taking the lock until it forgets the pairs): refused, not reported unchanged.
TEST_F(RunSafetyTest, APlainScanBesideARunThatHoldsTheCollectionIsRefusedNotCalledUnchanged)
{
    const int empty = addCollection(QStringLiteral("Empty"));
    const QStringList scan {QStringLiteral("scan"), QStringLiteral("Empty")};
    ASSERT_EQ(runToEnd(scan).status, 0);
    {
        const store::CollectionRunLock fullScan(m_database, empty, QStringLiteral("Empty"));
        const Finished plain = runToEnd(scan);
        EXPECT_EQ(plain.status, 1);
        EXPECT_TRUE(plain.err.contains(QStringLiteral("another run"))) << plain.err.toStdString();
    }
    EXPECT_EQ(runToEnd(scan).status, 0); // unchanged now
}

// A user who may write the database file may run, also after another user's run.
TEST_F(RunSafetyTest, AnotherUserWhoMayWriteTheDatabaseMayRun)
{
    if (::geteuid() != 0)
        GTEST_SKIP() << "needs root to run a child as another user";
    addCollection(QStringLiteral("Empty"));
    const QStringList scan {QStringLiteral("scan"), QStringLiteral("Empty"), QStringLiteral("--full")};
    ASSERT_EQ(runToEnd(scan).status, 0);
    ASSERT_EQ(::chmod(QFile::encodeName(m_file.folder()).constData(), 0777), 0);
    for (const QString &suffix : {QString(), QStringLiteral("-wal"), QStringLiteral("-shm")})
        ASSERT_EQ(::chmod(QFile::encodeName(m_file.path() + suffix).constData(), 0666), 0);

    QProcess nobody;
    nobody.setChildProcessModifier([] {
        constexpr uid_t kNobody = 65534;
        if (::setgroups(0, nullptr) != 0 || ::setgid(kNobody) != 0 || ::setuid(kNobody) != 0)
            ::_exit(126);
    });
    const Finished second = runToEnd(scan, {}, &nobody);
    EXPECT_EQ(second.status, 0) << second.err.toStdString();
}

TEST_F(RunSafetyTest, AFullRescanKilledAtAnyMomentLosesNoPair)
{
    const int burst = addCollection(QStringLiteral("Burst"));
    addFolder(burst, folderWith(QStringLiteral("burst"), 60));
    const QStringList settings {
        QStringLiteral("--method"), QStringLiteral("1"), QStringLiteral("--threshold"), QStringLiteral("10")};
    ASSERT_EQ(runToEnd({QStringLiteral("update"), QStringLiteral("Burst")}).status, 0);

    const auto began = std::chrono::steady_clock::now();
    ASSERT_EQ(runToEnd(QStringList {QStringLiteral("scan"), QStringLiteral("Burst")} + settings).status, 0);
    const auto fullRun
        = std::chrono::duration_cast<std::chrono::microseconds>(std::chrono::steady_clock::now() - began);
    const auto reference = pairs(burst);
    ASSERT_EQ(reference.size(), 60u * 59 / 2);

    for (int attempt = 0; attempt < 10; ++attempt) {
        // Anywhere from the program's start to a little past the end of a whole run.
        const auto delay
            = std::chrono::microseconds(QRandomGenerator::global()->bounded(qint64 {fullRun.count() * 5 / 4 + 1}));
        QProcess killed;
        start(
            killed, QStringList {QStringLiteral("scan"), QStringLiteral("Burst"), QStringLiteral("--full")} + settings);
        std::this_thread::sleep_for(delay);
        ::kill(static_cast<pid_t>(killed.processId()), SIGKILL);
        ASSERT_TRUE(killed.waitForFinished(30000));

        const Finished next = runToEnd(QStringList {QStringLiteral("scan"), QStringLiteral("Burst")} + settings);
        ASSERT_EQ(next.status, 0) << next.err.toStdString();
        ASSERT_EQ(pairs(burst), reference) << "killed after " << delay.count() << " µs";
    }
}

} // namespace
