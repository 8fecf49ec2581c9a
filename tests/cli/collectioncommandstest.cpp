// The collection commands of vexaris-cli: in process over a real database file, plus runs of the
// real program for what only the process shows (exit status, standard error, the help).
#include <iostream>
#include <sstream>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "cli/command.h"
#include "common/error.h"
#include "store/database.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace Qt::Literals::StringLiterals;

namespace {

class CollectionCommandsTest : public ::testing::Test
{
protected:
    // Runs a command in process; returns what it printed on standard output.
    std::string run(const char *name, const QStringList &arguments)
    {
        const cli::Command *found = nullptr;
        for (const cli::Command &command : cli::commands()) {
            if (std::string_view(command.name) == name)
                found = &command;
        }
        if (!found)
            ADD_FAILURE() << "no command " << name;
        cli::Context context {file.path()};
        std::ostringstream out;
        std::streambuf *saved = std::cout.rdbuf(out.rdbuf());
        try {
            found->run(context, arguments);
        } catch (...) {
            std::cout.rdbuf(saved);
            throw;
        }
        std::cout.rdbuf(saved);
        return out.str();
    }

    // The rows of a statement, columns joined by a tab, for comparing whole tables.
    QStringList rows(const char *sql)
    {
        store::Database database;
        database.Open(file.path());
        store::Statement statement(database, QString::fromUtf8(sql));
        QStringList result;
        while (statement.step()) {
            QStringList columns;
            for (int i = 0; i < statement.columnCount(); ++i)
                columns.append(statement.column(i).isNull() ? u"NULL"_s : statement.column(i).toString());
            result.append(columns.join(u'\t'));
        }
        return result;
    }

    void makeFolders(const QStringList &relativePaths)
    {
        for (const QString &path : relativePaths)
            ASSERT_TRUE(QDir(tree.path()).mkpath(path)) << path.toStdString();
    }

    QString inTree(const QString &relative) const { return tree.path() + u'/' + relative; }

    test::TestDatabase file;
    QTemporaryDir tree;
};

TEST_F(CollectionCommandsTest, CollectionsListsNamesInStoreOrder)
{
    EXPECT_EQ(run("collections", {}), "");
    run("create", {u"Zoo"_s});
    run("create", {u"Äpfel"_s});
    run("create", {u"Bob's 100%_"_s});
    EXPECT_EQ(run("collections", {}), "Zoo\nÄpfel\nBob's 100%_\n");
}

TEST_F(CollectionCommandsTest, CreateRefusesANameThatExistsInAnyCase)
{
    run("create", {u"Ärger"_s});
    try {
        run("create", {u"ÄRGER"_s});
        FAIL() << "a second collection of the same name was created";
    } catch (const Error &e) {
        EXPECT_STREQ(e.what(), "A collection named Ärger already exists");
    }
    EXPECT_EQ(rows("SELECT Name FROM Collection"), QStringList {u"Ärger"_s});
}

TEST_F(CollectionCommandsTest, UsageMistakesAreUsageErrors)
{
    const struct
    {
        const char *command;
        QStringList arguments;
    } cases[] = {
        {"create", {}},
        {"create", {u""_s}},
        {"create", {u"a"_s, u"b"_s}},
        {"collections", {u"extra"_s}},
        {"folders", {}},
        {"delete", {u"a"_s, u"--force"_s}},
        {"add-folder", {u"a"_s}},
        {"remove-folder", {u"a"_s, u"/p"_s, u"--recursive"_s}},
    };
    for (const auto &c : cases)
        EXPECT_THROW(run(c.command, c.arguments), cli::UsageError)
            << c.command << " " << c.arguments.join(u' ').toStdString();
    EXPECT_TRUE(rows("SELECT * FROM Collection").isEmpty());
}

TEST_F(CollectionCommandsTest, UnknownCollectionIsAnError)
{
    run("create", {u"Known"_s});
    for (const char *command : {"folders", "delete", "add-folder", "remove-folder"}) {
        QStringList arguments {u"Unknown"_s};
        if (std::string_view(command) == "delete")
            arguments.append(u"--yes"_s);
        if (std::string_view(command).ends_with("folder"))
            arguments.append(tree.path());
        try {
            run(command, arguments);
            ADD_FAILURE() << command << " went through";
        } catch (const Error &e) {
            EXPECT_STREQ(e.what(), "There is no collection named Unknown") << command;
        }
    }
}

TEST_F(CollectionCommandsTest, FoldersAreListedInFolderListOrderWithTheirIds)
{
    run("create", {u"C"_s});
    makeFolders({u"b"_s, u"A/z"_s, u"a"_s});
    QString added;
    for (const QString &folder : {u"b"_s, u"A/z"_s, u"a"_s})
        added += QString::fromStdString(run("add-folder", {u"c"_s, inTree(folder)}));
    const QStringList ids = rows("SELECT ID FROM Folder ORDER BY ID");
    ASSERT_EQ(ids.size(), 3);
    EXPECT_EQ(added,
        ids[0] + u'\t' + inTree(u"b"_s) + u'\n' + ids[1] + u'\t' + inTree(u"A/z"_s) + u'\n' + ids[2] + u'\t'
            + inTree(u"a"_s) + u'\n');
    EXPECT_EQ(QString::fromStdString(run("folders", {u"C"_s})),
        ids[2] + u'\t' + inTree(u"a"_s) + u'\n' + ids[1] + u'\t' + inTree(u"A/z"_s) + u'\n' + ids[0] + u'\t'
            + inTree(u"b"_s) + u'\n');
}

TEST_F(CollectionCommandsTest, AddFolderStoresAFullPathAndRefusesMissingFolders)
{
    run("create", {u"C"_s});
    makeFolders({u"Bob's 50% _x_"_s});
    const QString saved = QDir::currentPath();
    ASSERT_TRUE(QDir::setCurrent(tree.path()));
    const bool added = [&] {
        try {
            run("add-folder", {u"C"_s, u"./Bob's 50% _x_/"_s});
            return true;
        } catch (...) {
            return false;
        }
    }();
    QDir::setCurrent(saved);
    ASSERT_TRUE(added);
    EXPECT_EQ(rows("SELECT Path FROM Folder"), QStringList {inTree(u"Bob's 50% _x_"_s)});

    EXPECT_THROW(run("add-folder", {u"C"_s, inTree(u"missing"_s)}), Error);
    QFile plain(inTree(u"file.txt"_s));
    ASSERT_TRUE(plain.open(QIODevice::WriteOnly));
    plain.close();
    EXPECT_THROW(run("add-folder", {u"C"_s, inTree(u"file.txt"_s)}), Error);
    EXPECT_EQ(rows("SELECT count(*) FROM Folder"), QStringList {u"1"_s});
}

TEST_F(CollectionCommandsTest, AddFolderWithTreePrintsEveryRowItAdded)
{
    run("create", {u"C"_s});
    makeFolders({u"top/b"_s, u"top/a/deep"_s});
    const QString printed = QString::fromStdString(run("add-folder", {u"C"_s, inTree(u"top"_s), u"--tree"_s}));
    QString expected;
    for (const QString &row : rows("SELECT ID, Path FROM Folder ORDER BY ID"))
        expected += row + u'\n';
    EXPECT_EQ(printed, expected);
    EXPECT_EQ(rows("SELECT Path FROM Folder ORDER BY ID"),
        (QStringList {inTree(u"top"_s), inTree(u"top/a"_s), inTree(u"top/a/deep"_s), inTree(u"top/b"_s)}));
}

TEST_F(CollectionCommandsTest, AFolderHeldAlreadyIsNotAddedAgainByAnyPath)
{
    run("create", {u"C"_s});
    makeFolders({u"photos/2005"_s});
    ASSERT_EQ(QFile::link(inTree(u"photos"_s), inTree(u"link"_s)), true);
    run("add-folder", {u"C"_s, inTree(u"photos"_s)});
    for (const QString &spelling : {inTree(u"photos/"_s), inTree(u"photos/2005/.."_s), inTree(u"link"_s)})
        EXPECT_EQ(run("add-folder", {u"C"_s, spelling}), "") << spelling.toStdString();
    // The tree walk adds what is new below it and nothing twice.
    const std::string added = run("add-folder", {u"C"_s, inTree(u"link"_s), u"--tree"_s});
    EXPECT_EQ(rows("SELECT Path FROM Folder ORDER BY ID"), (QStringList {inTree(u"photos"_s), inTree(u"link/2005"_s)}));
    EXPECT_EQ(std::count(added.begin(), added.end(), '\n'), 1);
}

TEST_F(CollectionCommandsTest, RemoveFolderMatchesExactly)
{
    run("create", {u"C"_s});
    makeFolders({u"p/50%/a"_s, u"p/50x/a"_s, u"p/Bob's/a"_s, u"p/bob's"_s});
    for (const char *path : {"p/50%", "p/50%/a", "p/50x", "p/50x/a", "p/Bob's", "p/Bob's/a", "p/bob's"})
        run("add-folder", {u"C"_s, inTree(QString::fromUtf8(path))});

    run("remove-folder", {u"C"_s, inTree(u"p/50%"_s), u"--tree"_s});
    run("remove-folder", {u"C"_s, inTree(u"p/Bob's"_s)});
    EXPECT_EQ(rows("SELECT Path FROM Folder ORDER BY ID"),
        (QStringList {inTree(u"p/50x"_s), inTree(u"p/50x/a"_s), inTree(u"p/Bob's/a"_s), inTree(u"p/bob's"_s)}));

    try {
        run("remove-folder", {u"C"_s, inTree(u"p/BOB'S/a"_s)});
        FAIL() << "a path in another letter case was removed";
    } catch (const Error &e) {
        EXPECT_EQ(
            QString::fromUtf8(e.what()), u"The folder %1 is not in the collection C"_s.arg(inTree(u"p/BOB'S/a"_s)));
    }
    EXPECT_EQ(rows("SELECT count(*) FROM Folder"), QStringList {u"4"_s});
}

TEST_F(CollectionCommandsTest, DeleteWithYesRemovesTheCollectionAndAllOfIt)
{
    run("create", {u"Gone"_s});
    run("create", {u"Kept"_s});
    makeFolders({u"x"_s});
    run("add-folder", {u"Gone"_s, inTree(u"x"_s)});
    run("add-folder", {u"Kept"_s, inTree(u"x"_s)});
    run("delete", {u"GONE"_s, u"--yes"_s});
    EXPECT_EQ(rows("SELECT Name FROM Collection"), QStringList {u"Kept"_s});
    EXPECT_EQ(rows("SELECT count(*) FROM Folder"), QStringList {u"1"_s});
}

// The real program, for exit statuses and standard error.
struct ProcessResult
{
    int status = -1;
    QString out;
    QString err;
};

ProcessResult runProgram(const QStringList &arguments)
{
    QProcess process;
    process.setProgram(QStringLiteral(VEXARIS_CLI));
    process.setArguments(arguments);
    process.start();
    process.closeWriteChannel(); // no terminal: nothing can be asked
    process.waitForFinished(30000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
        QString::fromUtf8(process.readAllStandardError())};
}

TEST(CollectionProgram, ExitStatusesAndOneLineErrors)
{
    test::TestDatabase file;
    const struct
    {
        const char *label;
        QStringList arguments;
        int status;
    } cases[] = {
        {"create", {u"create"_s, u"Holiday"_s}, 0},
        {"createAgain", {u"create"_s, u"HOLIDAY"_s}, 1},
        {"deleteWithoutTerminal", {u"delete"_s, u"Holiday"_s}, 1},
        {"listStillHasIt", {u"collections"_s}, 0},
        {"unknownOption", {u"folders"_s, u"Holiday"_s, u"--all"_s}, 2},
        {"unknownCollection", {u"folders"_s, u"Nope"_s}, 1},
    };
    for (const auto &c : cases) {
        const ProcessResult result = runProgram(QStringList {u"--db"_s, file.path()} + c.arguments);
        EXPECT_EQ(result.status, c.status) << c.label;
        if (c.status == 0) {
            EXPECT_TRUE(result.err.isEmpty()) << c.label;
        } else {
            EXPECT_TRUE(result.err.endsWith(u'\n')) << c.label;
            EXPECT_EQ(result.err.count(u'\n'), 1) << c.label << ": " << result.err.toStdString();
        }
    }
    EXPECT_EQ(runProgram({u"--db"_s, file.path(), u"collections"_s}).out, u"Holiday\n"_s);
}

TEST(CollectionProgram, AnArgumentThatIsNotUtf8IsRefusedWithItsBytesShown)
{
    test::TestDatabase file;
    QProcess process;
    // QProcess would encode the name; the shell passes the byte itself.
    process.start(u"/bin/sh"_s,
        {u"-c"_s, u"\"$0\" --db \"$1\" add-folder C \"$(printf 'dir\\377')\""_s, QStringLiteral(VEXARIS_CLI),
            file.path()});
    ASSERT_TRUE(process.waitForFinished(30000));
    EXPECT_EQ(process.exitCode(), 2);
    EXPECT_EQ(QString::fromUtf8(process.readAllStandardError()),
        u"vexaris-cli: The argument dir\\xff is not valid UTF-8; Vexaris keeps only names that are\n"_s);
}

TEST(CollectionProgram, MissingDatabaseIsAnErrorAndIsNotCreated)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Vexaris.db"_s);
    const ProcessResult result = runProgram({u"--db"_s, path, u"create"_s, u"x"_s});
    EXPECT_EQ(result.status, 1);
    EXPECT_TRUE(result.err.contains(path)) << result.err.toStdString();
    EXPECT_TRUE(QDir(folder.path()).isEmpty());
}

TEST(CollectionProgram, HelpListsEveryCollectionCommand)
{
    const ProcessResult result = runProgram({u"--help"_s});
    EXPECT_EQ(result.status, 0);
    for (const char *command : {"collections", "create", "delete", "folders", "add-folder", "remove-folder"})
        EXPECT_TRUE(result.out.contains(u"\n  "_s + QString::fromUtf8(command) + u' ')
            || result.out.contains(u"\n  "_s + QString::fromUtf8(command) + u'\n'))
            << command;
}

} // namespace
