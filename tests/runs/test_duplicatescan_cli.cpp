// The scan and pairs commands of vexaris-cli, run in process on a real database file.
#include <cstdio>
#include <iostream>
#include <sstream>

#include <QStandardPaths>

#include <gtest/gtest.h>

#include "cli/command.h"
#include "common/error.h"
#include "store/database.h"
#include "support/testdatabase.h"

using namespace vexaris;

namespace {

struct Output
{
    int status = 0;
    std::string out;
};

class CliCommands : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        QStandardPaths::setTestModeEnabled(true);
        // Never a terminal: the settings question must be answered No without waiting.
        if (!std::freopen("/dev/null", "r", stdin))
            FAIL() << "cannot detach standard input";
    }

    void SetUp() override
    {
        collection = db.addCollection(QStringLiteral("Holiday"));
        folder = db.addFolder(collection, QStringLiteral("/pictures/it's \"here\""));
        other = db.addFolder(collection, QStringLiteral("/other/"));
    }

    int addPicture(int folderId, const QString &name, qint64 size, int value)
    {
        test::PictureRow row;
        row.collectionId = collection;
        row.folderId = folderId;
        row.fileName = name;
        row.size = size;
        row.created = 40000 + value;
        row.thumbnail = QByteArray(3072, static_cast<char>(value));
        row.colorRank = 1000 * value;
        return db.addPicture(row);
    }

    Output run(const char *name, QStringList args)
    {
        const cli::Command *command = nullptr;
        for (const cli::Command &candidate : cli::commands()) {
            if (std::string_view(candidate.name) == name)
                command = &candidate;
        }
        EXPECT_NE(command, nullptr) << name;
        cli::Context context;
        context.databasePath = db.path();
        std::ostringstream captured;
        std::streambuf *previous = std::cout.rdbuf(captured.rdbuf());
        // The command opens the file in a session of its own, beside the test's.
        struct Restore
        {
            std::streambuf *previous;
            ~Restore() { std::cout.rdbuf(previous); }
        } restore {previous};
        Output output;
        output.status = command->run(context, args);
        output.out = captured.str();
        return output;
    }

    qint64 count(const char *sql) { return db.count(sql, {collection}); }

    test::ConnectedTestDatabase db;
    int collection = 0;
    int folder = 0;
    int other = 0;
};

TEST_F(CliCommands, ScanRecordsPairsThenSaysUnchanged)
{
    addPicture(folder, QStringLiteral("a.jpg"), 500, 10);
    addPicture(folder, QStringLiteral("b.jpg"), 900, 20);
    addPicture(other, QStringLiteral("c.jpg"), 100, 200);

    const Output first = run("scan",
        {QStringLiteral("holiday"), QStringLiteral("--method"), QStringLiteral("1"), QStringLiteral("--threshold"),
            QStringLiteral("10")});
    EXPECT_EQ(first.status, 0);
    EXPECT_EQ(first.out, "Pictures: 3, pairs tested: 3, pairs recorded: 1\n");

    const Output second = run("scan",
        {QStringLiteral("Holiday"), QStringLiteral("--method"), QStringLiteral("1"), QStringLiteral("--threshold"),
            QStringLiteral("10")});
    EXPECT_EQ(second.status, 0);
    EXPECT_EQ(second.out,
        "The database for this collection has not changed since the last scan. If pictures have been are added or "
        "deleted, update the DB, then retry the scan.\n");
}

TEST_F(CliCommands, NewSettingsNeedYes)
{
    addPicture(folder, QStringLiteral("a.jpg"), 500, 10);
    addPicture(folder, QStringLiteral("b.jpg"), 900, 40);
    const QStringList at10 {QStringLiteral("Holiday"), QStringLiteral("--method"), QStringLiteral("1"),
        QStringLiteral("--threshold"), QStringLiteral("10")};
    const QStringList at20 {QStringLiteral("Holiday"), QStringLiteral("--method"), QStringLiteral("1"),
        QStringLiteral("--threshold"), QStringLiteral("20")};
    run("scan", at10);
    EXPECT_EQ(count("SELECT count(*) FROM Duplicate WHERE Collection_ID = ?"), 0);

    // Not a terminal and no --yes: answered No, nothing changes.
    const Output declined = run("scan", at20);
    EXPECT_EQ(declined.status, 0);
    EXPECT_NE(declined.out.find("The scan settings are different from the previous scan."), std::string::npos);
    EXPECT_EQ(count("SELECT LastTolerance FROM Collection WHERE ID = ?"), 10);

    // Δ30 matches at threshold 20 (3072·900 = 2,764,800 ≤ 3,932,160).
    const Output confirmed = run("scan", at20 + QStringList {QStringLiteral("--yes")});
    EXPECT_EQ(confirmed.status, 0);
    EXPECT_EQ(count("SELECT LastTolerance FROM Collection WHERE ID = ?"), 20);
    EXPECT_EQ(count("SELECT count(*) FROM Duplicate WHERE Collection_ID = ?"), 1);
}

TEST_F(CliCommands, FolderOptionLimitsTheScan)
{
    addPicture(folder, QStringLiteral("a.jpg"), 500, 10);
    addPicture(folder, QStringLiteral("b.jpg"), 900, 20);
    addPicture(other, QStringLiteral("c.jpg"), 100, 15);
    const Output output = run("scan",
        {QStringLiteral("Holiday"), QStringLiteral("--method"), QStringLiteral("1"), QStringLiteral("--folder"),
            QString::number(other)});
    EXPECT_EQ(output.out.substr(0, 11), "No duplicat");
    EXPECT_EQ(count("SELECT count(*) FROM Picture WHERE Old = 1 AND CollectionID = ?"), 3);
}

struct UsageCase
{
    const char *name;
    QStringList args;
};

class CliScanUsage : public CliCommands, public ::testing::WithParamInterface<UsageCase>
{
};

TEST_P(CliScanUsage, IsAUsageErrorThatWritesNothing)
{
    addPicture(folder, QStringLiteral("a.jpg"), 500, 10);
    EXPECT_THROW(run("scan", GetParam().args), cli::UsageError);
    EXPECT_EQ(count("SELECT Scanned FROM Collection WHERE ID = ?"), 0);
}

INSTANTIATE_TEST_SUITE_P(Arguments, CliScanUsage,
    ::testing::Values(UsageCase {"NoName", {}},
        UsageCase {"MethodTooHigh", {QStringLiteral("Holiday"), QStringLiteral("--method"), QStringLiteral("6")}},
        UsageCase {
            "ThresholdNotANumber", {QStringLiteral("Holiday"), QStringLiteral("--threshold"), QStringLiteral("ten")}},
        UsageCase {"FolderNotANumber", {QStringLiteral("Holiday"), QStringLiteral("--folder"), QStringLiteral("x")}},
        UsageCase {"UnknownOption", {QStringLiteral("Holiday"), QStringLiteral("--fast")}}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(CliCommands, UnknownCollectionOrFolderFails)
{
    EXPECT_THROW(run("scan", {QStringLiteral("Nowhere")}), Error);
    EXPECT_THROW(run("scan", {QStringLiteral("Holiday"), QStringLiteral("--folder"), QStringLiteral("9999")}), Error);
    EXPECT_THROW(run("pairs", {QStringLiteral("Nowhere")}), Error);
}

// Three pairs stored out of order, one with the smaller file as Left_ID: listed by ascending
// Difference, larger file first, paths made from folder and name.
TEST_F(CliCommands, PairsListsMostAlikeFirstWithTheLargerFileFirst)
{
    const int a = addPicture(folder, QStringLiteral("a.jpg"), 500, 10);
    const int b = addPicture(folder, QStringLiteral("b.jpg"), 900, 20);
    const int c = addPicture(other, QStringLiteral("c\\d.jpg"), 700, 30);
    db.addPair(collection, b, a, 300);
    db.addPair(collection, a, c, 100); // smaller file stored as left
    db.addPair(collection, b, c, 200);
    const QString aPath = QStringLiteral("/pictures/it's \"here\"/a.jpg");
    const Output text = run("pairs", {QStringLiteral("Holiday")});
    EXPECT_EQ(text.status, 0);
    EXPECT_EQ(text.out,
        QStringLiteral("100\t%1\t%2\t/other/c\\d.jpg\t%3\n"
                       "200\t%4\t%1\t/pictures/it's \"here\"/b.jpg\t/other/c\\d.jpg\n"
                       "300\t%4\t%2\t/pictures/it's \"here\"/b.jpg\t%3\n")
            .arg(c)
            .arg(a)
            .arg(aPath)
            .arg(b)
            .toStdString());

    const Output json = run("pairs", {QStringLiteral("Holiday"), QStringLiteral("--json")});
    const std::string first = json.out.substr(0, json.out.find('\n'));
    EXPECT_EQ(first,
        QStringLiteral("{\"difference\":100,\"leftId\":%1,\"rightId\":%2,\"leftPath\":\"/other/c\\\\d.jpg\","
                       "\"rightPath\":\"/pictures/it's \\\"here\\\"/a.jpg\",\"id\":%3}")
            .arg(c)
            .arg(a)
            .arg(db.count("SELECT ID FROM Duplicate WHERE Left_ID = ? AND Right_ID = ?", {a, c}))
            .toStdString());
    EXPECT_EQ(std::count(json.out.begin(), json.out.end(), '\n'), 3);
}

TEST_F(CliCommands, PairsWritesATabOrANewlineInANameAsJsonDoesSoThatAPairStaysOneLine)
{
    const int a = addPicture(folder, QStringLiteral("line\nbreak.jpg"), 900, 10);
    const int b = addPicture(other, QStringLiteral("tab\there.jpg"), 500, 11);
    db.addPair(collection, a, b, 7);
    EXPECT_EQ(run("pairs", {QStringLiteral("Holiday")}).out,
        QStringLiteral("7\t%1\t%2\t/pictures/it's \"here\"/line\\u000abreak.jpg\t/other/tab\\u0009here.jpg\n")
            .arg(a)
            .arg(b)
            .toStdString());
}

} // namespace
