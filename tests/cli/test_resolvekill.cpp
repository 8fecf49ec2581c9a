// A resolution and an undo killed with SIGKILL leave nothing half done: once the database is
// opened again, every picture row names its file, no file is lost, every Trash entry is whole,
// every resolution recorded as done has its file in the Trash, and undo works or refuses with one
// line. The kills fall at every step of every resolution and undo (a forked child that kills itself
// there) and at random moments of the real program. Also a resolution whose last commit meets a
// database held busy by another program puts its files back.
#include <chrono>
#include <csignal>
#include <thread>

#include <sys/wait.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "review/pairreview.h"
#include "review/undo.h"
#include "steppedfileoperation.h"
#include "store/database.h"
#include "store/datetime.h"
#include "store/journal.h"
#include "support/testdatabase.h"
#include "trashfixture.h"

using namespace vexaris;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double kModified = 45000.5;
// A copy of it takes a few chunks, each a moment at which it can be killed.
constexpr int kFileSize = (5 << 20) / 2;

const char *const kActions[]
    = {"delete-left", "delete-right", "move-to-left", "move-to-right", "copy-to-left", "copy-to-right"};

struct Finished
{
    int status = -1;
    QString err;
};

class ResolveKillTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_trash.isValid());
        // The children share the test's own Trash and settings.
        m_environment = QProcessEnvironment::systemEnvironment();
        m_environment.insert(u"XDG_CONFIG_HOME"_s, m_trash.dataHome() + u"/../config"_s);
        m_environment.insert(u"LANG"_s, u"C.UTF-8"_s);
    }

    // A fresh collection: two copies of one photo in two folders, a byte apart, and their pair.
    void makeCollection()
    {
        m_tree = std::make_unique<QTemporaryDir>();
        m_file = std::make_unique<test::TestDatabase>();
        store::Database database;
        database.Open(m_file->path());
        database.Execute(u"INSERT INTO Collection (Name) VALUES ('Copies')"_s);
        QByteArray bytes(kFileSize + 1, '\0');
        for (int i = 0; i < bytes.size(); ++i)
            bytes[i] = static_cast<char>(i * 31 + i / 4093);
        m_contents.clear();
        for (const QString &name : {u"a"_s, u"b"_s}) {
            const QString folder = m_tree->filePath(name);
            QDir().mkpath(folder);
            database.Execute(u"INSERT INTO Folder (CollectionID, Path) VALUES (1, ?)"_s, {folder});
            const qint64 folderId = database.lastInsertId();
            const QByteArray content = bytes.left(name == u"a"_s ? kFileSize + 1 : kFileSize);
            QFile file(folder + u"/photo.jpg"_s);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(content);
            ASSERT_TRUE(file.flush());
            ASSERT_TRUE(file.setFileTime(store::fromDays(kModified), QFileDevice::FileModificationTime));
            database.Execute(u"INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, "
                             "Width, Height) VALUES (1, ?, 'photo.jpg', ?, ?, ?, 64, 48)"_s,
                {folderId, content.size(), kModified, kModified});
            m_contents << content;
        }
        database.Execute(u"INSERT INTO Duplicate (Collection_ID, Left_ID, Right_ID, Difference) VALUES (1, 1, 2, 0)"_s);
        database.Execute(u"PRAGMA wal_checkpoint(TRUNCATE)"_s);
    }

    Finished run(const QStringList &arguments, int killAfterMs = -1)
    {
        QProcess process;
        process.setProcessEnvironment(m_environment);
        process.start(QStringLiteral(VEXARIS_CLI), QStringList {u"--db"_s, m_file->path()} + arguments);
        EXPECT_TRUE(process.waitForStarted());
        process.closeWriteChannel();
        if (killAfterMs >= 0) {
            std::this_thread::sleep_for(std::chrono::milliseconds(killAfterMs));
            ::kill(static_cast<pid_t>(process.processId()), SIGKILL);
        }
        EXPECT_TRUE(process.waitForFinished(60000));
        return {process.exitStatus() == QProcess::CrashExit ? -1 : process.exitCode(),
            QString::fromUtf8(process.readAllStandardError())};
    }

    // Every file below the folder, hidden ones left out, by its contents.
    static QList<QByteArray> contentsBelow(const QString &folder)
    {
        QList<QByteArray> found;
        QDirIterator files(folder, QDir::Files, QDirIterator::Subdirectories);
        while (files.hasNext()) {
            QFile file(files.next());
            if (file.open(QIODevice::ReadOnly))
                found << file.readAll();
        }
        return found;
    }

    // What must hold once the database has been opened again after a kill.
    void expectAllOrNothing(const char *what)
    {
        SCOPED_TRACE(what);
        store::Session session;
        session.ConnectDatabase(m_file->path());
        review::QtFileOperation files;
        review::SettleUnfinished(session, files);
        store::Database &database = session.DatabaseConnection;
        EXPECT_EQ(store::UnsettledResolutions(session).size(), 0u);
        store::Statement rows(database,
            u"SELECT Folder.Path, Picture.FileName, Picture.Size FROM Picture JOIN Folder ON Folder.ID = "
            "Picture.FolderID"_s);
        while (rows.step()) {
            const QString path = rows.column(0).toString() + u'/' + rows.column(1).toString();
            EXPECT_EQ(QFileInfo(path).size(), rows.column(2).toInt64()) << path.toStdString();
        }
        // Nothing lost: both photos are in the collection's folders or in the Trash.
        const QList<QByteArray> present = contentsBelow(m_tree->path()) + contentsBelow(m_trash.trash() + u"/files"_s);
        for (const QByteArray &content : std::as_const(m_contents))
            EXPECT_TRUE(present.contains(content)) << "a photo of " << content.size() << " bytes is lost";
        // The Trash holds no file without its information file, nor the other way round.
        const QDir trash(m_trash.trash());
        QStringList inTrash = QDir(trash.filePath(u"files"_s)).entryList(QDir::Files, QDir::Name);
        QStringList described = QDir(trash.filePath(u"info"_s)).entryList(QDir::Files, QDir::Name);
        for (QString &info : described)
            info.chop(10);
        EXPECT_EQ(inTrash, described);
        for (const store::JournalEntry &entry : store::ListResolutions(session, 1)) {
            if (!entry.undone) {
                EXPECT_TRUE(QFile::exists(review::TrashSlot::fromInfoPath(entry.trashInfoPath).filesPath));
            }
        }
    }

    void expectUndoWorksOrRefusesInOneLine()
    {
        const Finished undo = run({u"undo"_s, u"Copies"_s});
        if (undo.status == 0)
            return;
        EXPECT_EQ(undo.status, 1) << undo.err.toStdString();
        EXPECT_EQ(undo.err.trimmed().count(u'\n'), 0) << undo.err.toStdString();
    }

    test::OwnTrash m_trash;
    QProcessEnvironment m_environment;
    std::unique_ptr<QTemporaryDir> m_tree;
    std::unique_ptr<test::TestDatabase> m_file;
    QList<QByteArray> m_contents;
};

// Runs the body in a child process of its own; true when the child was killed.
template <typename Body> bool killedInAChild(Body &&body)
{
    const pid_t child = ::fork();
    if (child == 0) {
        try {
            body();
        } catch (...) {
            ::_exit(1);
        }
        ::_exit(0);
    }
    int status = 0;
    ::waitpid(child, &status, 0);
    return WIFSIGNALED(status) && WTERMSIG(status) == SIGKILL;
}

TEST_F(ResolveKillTest, KilledAtEveryStepOfEveryResolutionAndUndoLeavesAllOrNothing)
{
    for (const char *name : kActions) {
        const review::ResolutionAction action = *review::actionNamed(QString::fromLatin1(name));
        for (const bool killTheUndo : {false, true}) {
            SCOPED_TRACE(std::string(name) + (killTheUndo ? " undo" : ""));
            // Every moment in turn, until the child gets through.
            for (int moment = 1; moment < 40; ++moment) {
                SCOPED_TRACE(moment);
                makeCollection();
                const auto resolveIn = [&](review::FileOperation &files) {
                    store::Session session;
                    session.ConnectDatabase(m_file->path());
                    session.CurrentCollection = {.ID = 1, .Name = u"Copies"_s};
                    review::PairReview review(session, files);
                    review.open();
                    review::QuietSteps quiet;
                    return review.resolve(review.current().id, action, quiet).journalId;
                };
                qint64 entry = 0;
                if (killTheUndo) {
                    review::QtFileOperation real;
                    entry = resolveIn(real);
                    ASSERT_NE(entry, 0);
                }
                const bool killed = killedInAChild([&] {
                    test::KillingFileOperation files(moment);
                    if (!killTheUndo) {
                        resolveIn(files);
                        return;
                    }
                    store::Session session;
                    session.ConnectDatabase(m_file->path());
                    review::UndoResolution(session, files, entry);
                });
                expectAllOrNothing(killTheUndo ? "after the undo was killed" : "after the resolution was killed");
                expectUndoWorksOrRefusesInOneLine();
                expectAllOrNothing("after undo");
                if (!killed)
                    break;
            }
        }
    }
}

TEST_F(ResolveKillTest, TheRealProgramKilledAtRandomMomentsLeavesAllOrNothing)
{
    QRandomGenerator random(20261209);
    const auto timed = [&](const QStringList &arguments) {
        const auto start = std::chrono::steady_clock::now();
        run(arguments);
        return static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(std::chrono::steady_clock::now() - start).count());
    };
    makeCollection();
    const int wholeRun = timed({u"resolve"_s, u"Copies"_s, u"1"_s, u"2"_s, u"copy-to-right"_s, u"--yes"_s});
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
    for (int round = 0; round < 12 && std::chrono::steady_clock::now() < deadline; ++round) {
        makeCollection();
        const QString action = QString::fromLatin1(kActions[round % 6]);
        SCOPED_TRACE(action.toStdString());
        const QStringList resolve {u"resolve"_s, u"Copies"_s, u"1"_s, u"2"_s, action, u"--yes"_s};
        const int killAfter = static_cast<int>(random.bounded(wholeRun * 11 / 10 + 1));
        if (round % 2 == 1) {
            ASSERT_EQ(run(resolve).status, 0);
            run({u"undo"_s, u"Copies"_s}, killAfter);
        } else {
            run(resolve, killAfter);
        }
        expectAllOrNothing("after the kill");
        expectUndoWorksOrRefusesInOneLine();
        expectAllOrNothing("after undo");
    }
}

// The other program holds a write transaction from the moment the given-up file is in the Trash:
// the resolution's last commit waits out the busy timeout and fails, and the files go back.
class BusyAfterRecycle final : public test::SteppedFileOperation
{
public:
    explicit BusyAfterRecycle(const QString &database)
        : m_database(database)
    {
    }
    void release() { m_holder.Close(); }

protected:
    void at(const char *operation, bool after) override
    {
        if (after && std::string_view(operation) == "recycle" && !m_holder.isOpen()) {
            m_holder.Open(m_database);
            m_holder.Execute(u"BEGIN IMMEDIATE"_s);
        }
    }

private:
    QString m_database;
    store::Database m_holder;
};

TEST_F(ResolveKillTest, ADatabaseHeldBusyAtTheLastCommitPutsTheFilesBack)
{
    makeCollection();
    store::Session session;
    session.ConnectDatabase(m_file->path());
    session.CurrentCollection.ID = 1;
    BusyAfterRecycle files(m_file->path());
    review::PairReview review(session, files);
    review.open();
    review::QuietSteps quiet;
    try {
        review.resolve(review.current().id, review::ResolutionAction::MoveToRight, quiet);
        FAIL() << "the resolution went through a busy database";
    } catch (const Error &e) {
        EXPECT_NE(std::string(e.what()).find("back where they were"), std::string::npos) << e.what();
    }
    files.release();
    EXPECT_EQ(contentsBelow(m_tree->filePath(u"a"_s)), QList<QByteArray> {m_contents[0]});
    EXPECT_EQ(contentsBelow(m_tree->filePath(u"b"_s)), QList<QByteArray> {m_contents[1]});
    EXPECT_TRUE(m_trash.files().isEmpty());
    // The entry could not even be marked failed; the next open finds the files in place.
    review::QtFileOperation real;
    EXPECT_EQ(review::SettleUnfinished(session, real), 1);
    EXPECT_TRUE(store::ListResolutions(session, 1).empty());
    EXPECT_EQ(review.count(), 1);
}

} // namespace
