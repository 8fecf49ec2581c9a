// vexaris-cli update: runs of the real program over a fixture tree, for what only a process
// shows (exit status, standard error, Ctrl-C).
#include <chrono>
#include <csignal>
#include <thread>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "store/database.h"
#include "support/testdatabase.h"

using namespace vexaris;

namespace {

const QString kPhoto = QStringLiteral(VEXARIS_TEST_DATA "/runs/photo-gradient-64x48.jpg");
// Enough files that the run is still busy with them when the signal arrives.
constexpr int kBigFolder = 1000;

class UpdateRunCliTest : public ::testing::Test
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
    qint64 pictures(int folder)
    {
        store::Statement statement(m_database, QStringLiteral("SELECT count(*) FROM Picture WHERE FolderID = ?"));
        statement.bind(0, folder);
        statement.step();
        return statement.column(0).toInt64();
    }
    QString folderWith(const QString &name, int photos)
    {
        const QString folder = m_tree.filePath(name);
        EXPECT_TRUE(QDir().mkpath(folder));
        for (int i = 0; i < photos; ++i)
            EXPECT_TRUE(QFile::copy(kPhoto, folder + QStringLiteral("/%1.jpg").arg(i, 4, 10, QLatin1Char('0'))));
        return folder;
    }

    void start(QProcess &process, const QStringList &arguments)
    {
        process.setWorkingDirectory(m_tree.path());
        process.start(QStringLiteral(VEXARIS_CLI), QStringList {QStringLiteral("--db"), m_file.path()} + arguments);
        ASSERT_TRUE(process.waitForStarted());
    }

    // Waits until the run has stored a picture of the folder (it draws no progress off a terminal
    // to follow instead); false when it has not within half a minute.
    bool waitForPicture(QProcess &process, int folder)
    {
        for (int tries = 0; tries < 3000 && process.state() == QProcess::Running; ++tries) {
            if (pictures(folder) > 0)
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        }
        return false;
    }

    test::TestDatabase m_file;
    store::Database m_database;
    QTemporaryDir m_tree;
};

TEST_F(UpdateRunCliTest, ReportsTheLogLinesAndExitsWithProblems)
{
    const int collection = addCollection(QStringLiteral("Holiday"));
    const QString photos = folderWith(QStringLiteral("photos"), 2);
    QFile notes(photos + QStringLiteral("/notes.txt"));
    ASSERT_TRUE(notes.open(QIODevice::WriteOnly));
    notes.close();
    const int photosId = addFolder(collection, photos);
    addFolder(collection, m_tree.filePath(QStringLiteral("missing")));

    QProcess process;
    start(process,
        {QStringLiteral("update"), QStringLiteral("holiday"), QStringLiteral("--threads"), QStringLiteral("2")});
    ASSERT_TRUE(process.waitForFinished(60000));

    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 3); // went through, but not every file could be read
    const QStringList errors
        = QString::fromUtf8(process.readAllStandardError()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    // Off a terminal no progress is drawn: standard error holds the problems alone.
    EXPECT_EQ(errors,
        (QStringList {
            QStringLiteral("Could not read the file %1/notes.txt: Unknown picture file extension (.txt)").arg(photos),
            QStringLiteral("The folder %1/ does not exist.").arg(m_tree.filePath(QStringLiteral("missing"))),
        }));
    EXPECT_EQ(pictures(photosId), 2);
}

struct UsageCase
{
    const char *title;
    QStringList arguments;
    int exitCode;
};

void PrintTo(const UsageCase &row, std::ostream *out)
{
    *out << row.title;
}

class UpdateRunCliUsage : public UpdateRunCliTest, public ::testing::WithParamInterface<UsageCase>
{
};

TEST_P(UpdateRunCliUsage, FailsWithOneLine)
{
    addCollection(QStringLiteral("Holiday"));
    QProcess process;
    start(process, GetParam().arguments);
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), GetParam().exitCode);
    EXPECT_EQ(process.readAllStandardError().count('\n'), 1);
}

INSTANTIATE_TEST_SUITE_P(Cases, UpdateRunCliUsage,
    ::testing::Values(UsageCase {"NoName", {QStringLiteral("update")}, 2},
        UsageCase {"TwoNames", {QStringLiteral("update"), QStringLiteral("a"), QStringLiteral("b")}, 2},
        UsageCase {"UnknownCollection", {QStringLiteral("update"), QStringLiteral("Nowhere")}, 1},
        UsageCase {"TooManyThreads",
            {QStringLiteral("update"), QStringLiteral("Holiday"), QStringLiteral("--threads"), QStringLiteral("65")},
            2},
        UsageCase {"ThreadsNotANumber",
            {QStringLiteral("update"), QStringLiteral("Holiday"), QStringLiteral("--threads"), QStringLiteral("all")},
            2}),
    [](const ::testing::TestParamInfo<UsageCase> &row) { return std::string(row.param.title); });

TEST_F(UpdateRunCliTest, CtrlCStopsTheRunAfterTheFileInProgress)
{
    const int collection = addCollection(QStringLiteral("Big"));
    const int firstId = addFolder(collection, folderWith(QStringLiteral("first"), 1));
    const int bigId = addFolder(collection, folderWith(QStringLiteral("big"), kBigFolder));
    const int neverId = addFolder(collection, folderWith(QStringLiteral("never"), 1));

    QProcess process;
    start(process, {QStringLiteral("update"), QStringLiteral("Big")});
    ASSERT_TRUE(waitForPicture(process, firstId));
    ::kill(static_cast<pid_t>(process.processId()), SIGINT);
    ASSERT_TRUE(process.waitForFinished(60000));

    EXPECT_EQ(process.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(process.exitCode(), 4);
    EXPECT_TRUE(process.readAllStandardOutput().contains("The run was stopped."));
    // The signal lands before the big folder or while it is processed; either way no further
    // folder is begun.
    EXPECT_LT(pictures(bigId), kBigFolder);
    EXPECT_EQ(pictures(neverId), 0);
}

} // namespace
