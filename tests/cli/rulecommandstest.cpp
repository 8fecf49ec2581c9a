// vexaris-cli rule and plan: in process over a real database file, plus one run of the real
// program for the status of a wrong criterion.
#include <algorithm>
#include <iostream>
#include <sstream>

#include <QDir>
#include <QProcess>

#include <gtest/gtest.h>

#include "cli/command.h"
#include "common/error.h"
#include "review/rule.h"
#include "store/rules.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace Qt::Literals::StringLiterals;

namespace {

class RuleCommandsTest : public ::testing::Test
{
protected:
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

    test::ConnectedTestDatabase db;
};

TEST_F(RuleCommandsTest, SaveStoresTheRuleOfTheOptionsListDescribesItDeleteRemovesIt)
{
    run("rule",
        {u"save"_s, u"Phone"_s, u"--keep"_s, u"pixels:5%,older:1d"_s, u"--keep-folder"_s, u"/photos/best/"_s,
            u"--prune-folder"_s, u"dump"_s, u"--min-difference"_s, u"3"_s, u"--max-difference"_s, u"40"_s,
            u"--folders"_s, u"different"_s, u"--format"_s, u"JPG,.png"_s, u"--format"_s, u"heic"_s, u"--min-pixels"_s,
            u"100"_s, u"--pairs"_s, u"4,5"_s, u"--pattern"_s, u"*/WhatsApp/*"_s, u"--folder"_s, u"/in"_s,
            u"--no-guard"_s});
    const review::Rule rule = review::ruleFromText(store::FindRule(db.session(), u"Phone"_s)->definition);
    EXPECT_EQ(review::keeperOrderText(rule.keeperOrder), u"pixels:5%,older:1d"_s);
    EXPECT_EQ(rule.keepFolders, QStringList {u"/photos/best"_s});
    EXPECT_EQ(rule.pruneFolders, QStringList {QDir::current().absoluteFilePath(u"dump"_s)});
    EXPECT_EQ(rule.scope.formats, (QStringList {u"jpg"_s, u"png"_s, u"heic"_s}));
    EXPECT_EQ(rule.scope.pairIds, (std::vector<qint64> {4, 5}));
    EXPECT_FALSE(rule.guard);
    EXPECT_EQ(run("rule", {u"list"_s}), "Phone\t" + review::describeRule(rule).toStdString() + "\n");

    run("rule", {u"save"_s, u"Phone"_s, u"--action"_s, u"not-a-match"_s});
    run("rule", {u"save"_s, u"Camera"_s});
    EXPECT_EQ(run("rule", {u"list"_s}), "Camera\tto the Trash, keeping by pixels,bytes,older\nPhone\tnot a match\n");
    run("rule", {u"delete"_s, u"Phone"_s});
    EXPECT_THROW(run("rule", {u"delete"_s, u"Phone"_s}), Error);
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Rule"), 1);
}

TEST_F(RuleCommandsTest, AWrongOptionOrCriterionIsAUsageErrorAndStoresNothing)
{
    const auto save = [](std::initializer_list<QString> options) {
        return QStringList {u"save"_s, u"R"_s} + QStringList(options);
    };
    for (const QStringList &arguments : {QStringList {}, QStringList {u"save"_s}, QStringList {u"save"_s, u" R"_s},
             QStringList {u"frob"_s}, QStringList {u"list"_s, u"R"_s}, save({u"--keep"_s, u"frobs"_s}),
             save({u"--keep"_s, u"older:5%"_s}), save({u"--keep"_s}), save({u"--folders"_s, u"sideways"_s}),
             save({u"--action"_s, u"burn"_s}), save({u"--min-difference"_s, u"-1"_s}),
             save({u"--min-difference"_s, u"5"_s, u"--max-difference"_s, u"3"_s}), save({u"--pairs"_s, u"1,x"_s}),
             save({u"--min-pixels"_s, u"many"_s}), save({u"--format"_s, u"."_s}), save({u"--bogus"_s})})
        EXPECT_THROW(run("rule", arguments), cli::UsageError) << arguments.join(u' ').toStdString();
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Rule"), 0);

    QProcess process;
    process.start(
        QStringLiteral(VEXARIS_CLI), {u"--db"_s, db.path(), u"rule"_s, u"save"_s, u"R"_s, u"--keep"_s, u"pixels:x"_s});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()),
        u"vexaris-cli: The margin x of pixels is not a whole number or a percentage such as 5%\n"_s);
}

TEST_F(RuleCommandsTest, PlanPrintsTheSummaryThenEveryPairInScopeAndChangesNothing)
{
    const int collection = db.addCollection(u"Holiday"_s);
    const int folder = db.addFolder(collection, u"/pics"_s);
    const int keep = db.addFolder(collection, u"/pics/keep"_s);
    const int large = db.addPicture({.collectionId = collection,
        .folderId = folder,
        .fileName = u"a.jpg"_s,
        .size = 900,
        .width = 40,
        .height = 30});
    const int small = db.addPicture({.collectionId = collection,
        .folderId = folder,
        .fileName = u"a (1).jpg"_s,
        .size = 500,
        .width = 40,
        .height = 30});
    const int kept = db.addPicture(
        {.collectionId = collection, .folderId = keep, .fileName = u"b.jpg"_s, .size = 100, .width = 40, .height = 30});
    db.addPair(collection, large, small, 2);
    db.addPair(collection, small, kept, 3);
    db.addPair(collection, large, kept, 50);
    run("rule",
        {u"save"_s, u"Near"_s, u"--keep"_s, u"bytes"_s, u"--keep-folder"_s, u"/pics/keep"_s, u"--max-difference"_s,
            u"10"_s});

    const std::string plain = run("plan", {u"holiday"_s, u"Near"_s});
    EXPECT_EQ(plain,
        "Pairs in scope: 2 (act 1, undecided 0, guarded 1, covered 0, conflict 0)\n"
        "To the Trash: files 1, bytes 500\n"
        "  /pics: files 1, bytes 500\n"
        "act\t"
            + std::to_string(large) + '\t' + std::to_string(small) + '\t' + std::to_string(large) + '\t'
            + std::to_string(small)
            + "\tleft is the larger file: 900 against 500 bytes\n"
              "guarded\t"
            + std::to_string(small) + '\t' + std::to_string(kept)
            + "\t0\t0\tright is under the keep folder /pics/keep; guarded: right is a smaller file than left, 100 "
              "against 500 bytes\n");

    const std::string json = run("plan", {u"Holiday"_s, u"Near"_s, u"--json"_s});
    EXPECT_EQ(json.substr(0, json.find('\n')),
        R"({"summary":{"act":1,"undecided":0,"guarded":1,"covered":0,"conflict":0,"files":1,"bytes":500,)"
        R"("folders":[{"folder":"/pics","files":1,"bytes":500}]}})");
    EXPECT_NE(json.find(R"("leftId":)" + std::to_string(large) + R"(,"rightId":)" + std::to_string(small)
                  + R"(,"verdict":"act","keeperId":)" + std::to_string(large)),
        std::string::npos)
        << json;
    EXPECT_EQ(std::count(json.begin(), json.end(), '\n'), 3);

    EXPECT_THROW(run("plan", {u"Holiday"_s, u"near"_s}), Error);
    EXPECT_THROW(run("plan", {u"Elsewhere"_s, u"Near"_s}), Error);
    EXPECT_THROW(run("plan", {u"Holiday"_s}), cli::UsageError);
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Duplicate"), 3);
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Picture"), 3);
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Resolution"), 0);
}

} // namespace
