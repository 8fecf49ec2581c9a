// vexaris-cli history and undo: in process over a real database file and a Trash of the test's
// own, plus one run of the real program.
#include <iostream>
#include <sstream>

#include <QDir>
#include <QFile>
#include <QProcess>

#include <gtest/gtest.h>

#include "cli/command.h"
#include "common/error.h"
#include "review/pairreview.h"
#include "store/datetime.h"
#include "support/testdatabase.h"
#include "trashfixture.h"

using namespace vexaris;
using store::ResolutionAction;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double kModified = 45000.25;

class JournalCommandsTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(trash.isValid());
        collection = db.addCollection(u"Holiday"_s);
        folder = db.addFolder(collection, db.folder());
        left = addFile(u"left.jpg"_s, 2000);
        right = addFile(u"right.jpg"_s, 1000);
        db.addPair(collection, left, right, 7);
    }

    int addFile(const QString &name, int size)
    {
        QFile out(db.folder() + u'/' + name);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(QByteArray(size, 'x'));
        out.flush();
        EXPECT_TRUE(out.setFileTime(store::fromDays(kModified), QFileDevice::FileModificationTime));
        return db.addPicture(
            {.collectionId = collection, .folderId = folder, .fileName = name, .size = size, .modified = kModified});
    }

    // The shown pair resolved as the review window would.
    void resolve(ResolutionAction action)
    {
        db.session().CurrentCollection.ID = collection;
        review::QtFileOperation files;
        review::PairReview review(db.session(), files);
        review.open();
        review::QuietSteps steps;
        ASSERT_EQ(review.resolve(review.current().id, action, steps).outcome, review::ResolutionOutcome::Done);
    }

    std::string run(const char *name, const QStringList &arguments)
    {
        for (const cli::Command &command : cli::commands()) {
            if (std::string_view(command.name) != name)
                continue;
            cli::Context context {db.path()};
            std::ostringstream out;
            std::streambuf *saved = std::cout.rdbuf(out.rdbuf());
            try {
                command.run(context, arguments);
            } catch (...) {
                std::cout.rdbuf(saved);
                throw;
            }
            std::cout.rdbuf(saved);
            return out.str();
        }
        ADD_FAILURE() << "no command " << name;
        return {};
    }

    QString inFolder(const QString &name) const { return db.folder() + u'/' + name; }

    test::OwnTrash trash;
    test::ConnectedTestDatabase db;
    int collection = 0;
    int folder = 0;
    int left = 0;
    int right = 0;
};

TEST_F(JournalCommandsTest, HistoryListsTheResolutionsNewestFirstAndUndoTakesTheLastBack)
{
    resolve(ResolutionAction::DeleteLeft);
    EXPECT_FALSE(QFile::exists(inFolder(u"left.jpg"_s)));
    EXPECT_EQ(run("history", {u"holiday"_s}).find("1\t"), 0u);
    const std::string plain = run("history", {u"Holiday"_s});
    EXPECT_NE(plain.find("\tdelete-left\t-\t7\t" + inFolder(u"left.jpg"_s).toStdString() + "\t"
                  + inFolder(u"right.jpg"_s).toStdString() + "\n"),
        std::string::npos)
        << plain;
    const std::string json = run("history", {u"Holiday"_s, u"--json"_s});
    EXPECT_NE(json.find("\"action\":\"delete-left\",\"undone\":false,\"difference\":7"), std::string::npos) << json;
    EXPECT_NE(json.find("\"leftSize\":2000"), std::string::npos) << json;
    EXPECT_NE(json.find("\"trashInfoName\":\"left.jpg\""), std::string::npos) << json;
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 1);

    EXPECT_EQ(run("undo", {u"Holiday"_s}), "Resolution 1 undone\n");
    EXPECT_TRUE(QFile::exists(inFolder(u"left.jpg"_s)));
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Duplicate WHERE Left_ID = ? AND Right_ID = ?", {left, right}), 1);
    EXPECT_NE(run("history", {u"Holiday"_s}).find("\tdelete-left\tundone\t"), std::string::npos);
    try {
        run("undo", {u"Holiday"_s});
        FAIL() << "a second undo went through";
    } catch (const Error &e) {
        EXPECT_STREQ(e.what(), "The collection has no resolution to undo");
    }
}

TEST_F(JournalCommandsTest, UndoOfAnotherCollectionsEntryOrAWrongCallIsRefused)
{
    resolve(ResolutionAction::NotAMatch);
    db.addCollection(u"Other"_s);
    EXPECT_THROW(run("undo", {u"Other"_s, u"1"_s}), Error);
    EXPECT_THROW(run("undo", {u"Holiday"_s, u"99"_s}), Error);
    for (const QStringList &arguments : {QStringList {}, QStringList {u"Holiday"_s, u"one"_s},
             QStringList {u"Holiday"_s, u"1"_s, u"2"_s}, QStringList {u"Holiday"_s, u"--all"_s}})
        EXPECT_THROW(run("undo", arguments), cli::UsageError) << arguments.join(u' ').toStdString();
    EXPECT_THROW(run("history", {}), cli::UsageError);
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Duplicate"), 0);
}

TEST_F(JournalCommandsTest, TheProgramUndoesAnEntryByItsId)
{
    resolve(ResolutionAction::DeleteRight);
    EXPECT_FALSE(QFile::exists(inFolder(u"right.jpg"_s)));
    QProcess process;
    process.start(QStringLiteral(VEXARIS_CLI), {u"--db"_s, db.path(), u"undo"_s, u"Holiday"_s, u"1"_s});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 0) << process.readAllStandardError().toStdString();
    EXPECT_TRUE(QFile::exists(inFolder(u"left.jpg"_s)));
    EXPECT_TRUE(QFile::exists(inFolder(u"right.jpg"_s)));
    EXPECT_TRUE(trash.files().isEmpty());

    QProcess again;
    again.start(QStringLiteral(VEXARIS_CLI), {u"--db"_s, db.path(), u"undo"_s, u"Holiday"_s, u"1"_s});
    ASSERT_TRUE(again.waitForFinished(30000));
    EXPECT_EQ(again.exitCode(), 1);
    const QString error = QString::fromUtf8(again.readAllStandardError()).trimmed();
    EXPECT_EQ(error, u"vexaris-cli: This resolution has been undone already"_s);
}

TEST_F(JournalCommandsTest, ResolveSettlesAPairNamedByItsPicturesInEitherOrderAsTheReviewDoes)
{
    const std::string done
        = run("resolve", {u"Holiday"_s, QString::number(right), QString::number(left), u"delete-right"_s, u"--yes"_s});
    EXPECT_EQ(done, "Done\n");
    // Left is the larger file, whichever order the IDs came in.
    EXPECT_TRUE(QFile::exists(inFolder(u"left.jpg"_s)));
    EXPECT_EQ(trash.files(), QStringList {u"right.jpg"_s});
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Picture WHERE ID = ?", {right}), 0);
    EXPECT_NE(run("history", {u"Holiday"_s}).find("\tdelete-right\t-\t7\t"), std::string::npos);

    for (const QStringList &arguments :
        {QStringList {u"Holiday"_s, QString::number(left), QString::number(right), u"delete-middle"_s, u"--yes"_s},
            QStringList {u"Holiday"_s, u"one"_s, QString::number(right), u"delete-left"_s, u"--yes"_s}})
        EXPECT_THROW(run("resolve", arguments), cli::UsageError) << arguments.join(u' ').toStdString();
    try {
        run("resolve", {u"Holiday"_s, QString::number(left), QString::number(right), u"delete-left"_s, u"--yes"_s});
        FAIL() << "a pair that is gone was resolved";
    } catch (const Error &e) {
        EXPECT_NE(std::string(e.what()).find("has no pair of the pictures"), std::string::npos) << e.what();
    }
}

TEST_F(JournalCommandsTest, ResolveWithoutATerminalAsksForYesAndTouchesNothing)
{
    QProcess process;
    process.start(QStringLiteral(VEXARIS_CLI),
        {u"--db"_s, db.path(), u"resolve"_s, u"Holiday"_s, QString::number(left), QString::number(right),
            u"delete-left"_s});
    process.closeWriteChannel();
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 1);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()).trimmed(),
        u"vexaris-cli: Without a terminal to ask on, resolve needs --yes"_s);
    EXPECT_TRUE(QFile::exists(inFolder(u"left.jpg"_s)));
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Resolution"), 0);
}

} // namespace
