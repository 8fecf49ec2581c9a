// The command line as people expect it: help for each command, --option=value, suggestions for
// names that are nearly right, a progress line that covers the whole run and stays off standard
// error when that is not a terminal, one line where a command used to say nothing or the wrong
// thing, and the reading commands on a database whose folder cannot be written.
#include "cli/commandline.h"

#include <iostream>
#include <sstream>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "cli/command.h"
#include "cli/progressline.h"
#include "support/readonlyfolder.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::cli;
using namespace Qt::Literals::StringLiterals;

namespace {

struct Outcome
{
    int status = -1;
    std::string out;
    std::string err;
};

// Runs the command line in process, as main() does after its checks.
Outcome runLine(const QStringList &arguments)
{
    std::ostringstream out;
    std::ostringstream err;
    std::streambuf *savedOut = std::cout.rdbuf(out.rdbuf());
    std::streambuf *savedErr = std::cerr.rdbuf(err.rdbuf());
    const int status = runCommandLine(arguments);
    std::cout.rdbuf(savedOut);
    std::cerr.rdbuf(savedErr);
    return {status, out.str(), err.str()};
}

TEST(ProgressLine, TheLineShowsTheWholeRun)
{
    const struct
    {
        const char *name;
        int64_t done;
        int64_t total;
        std::optional<double> rate;
        int width;
        std::string line;
    } cases[] = {
        {"before the rate means something", 5, 20, std::nullopt, 80, "[#####...............] 25%  files 5/20"},
        {"with the rate and the time left", 5, 20, 2.5, 80,
            "[#####...............] 25%  files 5/20  2.5 files/s  0:06 left"},
        {"more done than there is", 25, 20, 4.0, 80, "[####################] 100%  files 5/20  4.0 files/s  0:00 left"},
        {"nothing to do", 0, 0, std::nullopt, 80, "[....................] 0%  files 5/20"},
        {"cut to the terminal's width", 5, 20, 2.5, 20, "[#####............."},
        {"hours left", 1, 7451, 2.0, 80, "[....................] 0%  files 5/20  2.0 files/s  1:02:05 left"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(ProgressLine::format(c.done, c.total, "files 5/20", c.rate, "%s files/s", c.width), c.line) << c.name;
}

TEST(NearestName, ASlipOrABeginningFindsTheName)
{
    const QStringList commands {
        u"collections"_s, u"create"_s, u"add-folder"_s, u"remove-folder"_s, u"scan"_s, u"update"_s, u"undo"_s};
    const struct
    {
        QString given;
        QStringList known;
        std::optional<QString> nearest;
    } cases[] = {
        {u"scna"_s, commands, u"scan"_s},
        {u"colections"_s, commands, u"collections"_s},
        {u"UPDATE"_s, commands, u"update"_s},
        {u"add"_s, commands, u"add-folder"_s},
        {u"remove"_s, commands, u"remove-folder"_s},
        {u"sort"_s, commands, std::nullopt},
        {u"u"_s, commands, std::nullopt},
        {u"Famly Pictures"_s, {u"Work"_s, u"Family pictures"_s}, u"Family pictures"_s},
        {u"Ärgr"_s, {u"ärger"_s}, u"ärger"_s},
        {u"Holidays 2005"_s, {u"Work"_s, u"Family pictures"_s}, std::nullopt},
    };
    for (const auto &c : cases)
        EXPECT_EQ(nearestName(c.given, c.known), c.nearest) << c.given.toStdString();
}

TEST(CommandLine, EveryCommandHasItsOwnHelp)
{
    for (const Command &command : commands()) {
        for (const QString &flag : {u"--help"_s, u"-h"_s}) {
            const Outcome outcome = runLine({QString::fromLatin1(command.name), u"NAME"_s, flag});
            EXPECT_EQ(outcome.status, kExitDone) << command.name;
            EXPECT_EQ(outcome.out.rfind("Usage: vexaris-cli [--db FILE] " + std::string(command.name), 0), 0)
                << outcome.out;
            EXPECT_NE(outcome.out.find(command.summary), std::string::npos) << outcome.out;
        }
    }
    // The scan's help and the program's name the six methods by number.
    for (const QStringList &arguments : {QStringList {u"scan"_s, u"--help"_s}, QStringList {u"--help"_s}})
        EXPECT_NE(runLine(arguments).out.find("  5  File properties, averaged colors\n"), std::string::npos);
    const Outcome version = runLine({u"--version"_s});
    EXPECT_EQ(version.status, kExitDone);
    EXPECT_EQ(version.out.rfind("vexaris-cli ", 0), 0) << version.out;
}

// The rows run in order on one database: what each prints, and how it ends.
TEST(CommandLine, CallsAsPeopleWriteThemAndOneLineForEachMistake)
{
    const test::TestDatabase file;
    QTemporaryDir disk;
    const QString db = u"--db="_s + file.path();
    const QString tabbed = disk.filePath(u"tab\there"_s);
    ASSERT_TRUE(QDir().mkpath(tabbed));
    QFile picture(disk.filePath(u"a.jpg"_s));
    ASSERT_TRUE(picture.open(QIODevice::WriteOnly));
    picture.close();
    runLine({db, u"create"_s, u"Family pictures"_s});
    const std::string folderLine = "1\t" + disk.path().toStdString() + "/tab\\u0009here\n";

    const struct
    {
        const char *name;
        QStringList arguments;
        int status;
        std::string out;
        std::string err;
    } cases[] = {
        {"--option value", {u"--db"_s, file.path(), u"collections"_s}, kExitDone, "Family pictures\n", ""},
        {"--option=value", {db, u"scan"_s, u"Family pictures"_s, u"--method=1"_s, u"--threshold=10"_s}, kExitDone,
            "No duplicates were found during the scan. If you suspect that there still are duplicates, you may try "
            "to scan with a higher threshold.\nPictures: 0, pairs tested: 0, pairs recorded: 0\n",
            ""},
        {"a value out of range", {db, u"scan"_s, u"Family pictures"_s, u"--method=9"_s}, kExitUsage, "",
            "vexaris-cli: --method takes a whole number from 0 to 5\n"},
        {"no value after =", {db, u"scan"_s, u"Family pictures"_s, u"--threshold="_s}, kExitUsage, "",
            "vexaris-cli: Option --threshold needs a value\n"},
        {"a command nearly right", {u"scna"_s, u"x"_s}, kExitUsage, "",
            "vexaris-cli: Unknown command scna; did you mean scan? (see vexaris-cli --help)\n"},
        {"a command far off", {u"sort"_s}, kExitUsage, "",
            "vexaris-cli: Unknown command sort (see vexaris-cli --help)\n"},
        {"a collection nearly right", {db, u"pairs"_s, u"Famly pictures"_s}, kExitFailed, "",
            "vexaris-cli: There is no collection named Famly pictures; did you mean Family pictures?\n"},
        {"a collection nearly right to scan", {db, u"scan"_s, u"family picture"_s}, kExitFailed, "",
            "vexaris-cli: There is no collection named family picture; did you mean Family pictures?\n"},
        {"update without folders", {db, u"update"_s, u"family pictures"_s}, kExitDone,
            "The collection Family pictures has no folders, so there is nothing to update; add-folder adds one.\n", ""},
        {"add-folder of a file", {db, u"add-folder"_s, u"Family pictures"_s, picture.fileName()}, kExitFailed, "",
            "vexaris-cli: " + picture.fileName().toStdString() + " is not a folder.\n"},
        {"add-folder of a path with a tab", {db, u"add-folder"_s, u"Family pictures"_s, tabbed}, kExitDone, folderLine,
            ""},
        {"folders with a tab", {db, u"folders"_s, u"Family pictures"_s}, kExitDone, folderLine, ""},
        {"create with a leading blank", {db, u"create"_s, u" Family"_s}, kExitUsage, "",
            "vexaris-cli: The collection name \" Family\" begins or ends with a blank\n"},
        {"create with blanks alone", {db, u"create"_s, u"   "_s}, kExitUsage, "",
            "vexaris-cli: The collection name is empty\n"},
    };
    for (const auto &c : cases) {
        const Outcome outcome = runLine(c.arguments);
        EXPECT_EQ(outcome.status, c.status) << c.name;
        EXPECT_EQ(outcome.out, c.out) << c.name;
        EXPECT_EQ(outcome.err, c.err) << c.name;
    }
}

TEST(CommandLine, WithoutATerminalNoProgressIsDrawn)
{
    const test::TestDatabase file;
    QTemporaryDir pictures;
    for (const char *name : {"a.jpg", "b.jpg", "c.jpg"})
        ASSERT_TRUE(QFile::copy(QStringLiteral(VEXARIS_TEST_DATA "/runs/photo-plasma-80x60.jpg"),
            pictures.filePath(QString::fromLatin1(name))));
    const auto run = [&](const QStringList &arguments) {
        QProcess process;
        process.start(QStringLiteral(VEXARIS_CLI), QStringList {u"--db"_s, file.path()} + arguments);
        EXPECT_TRUE(process.waitForFinished(60000));
        return Outcome {process.exitCode(), process.readAllStandardOutput().toStdString(),
            process.readAllStandardError().toStdString()};
    };
    run({u"create"_s, u"Family"_s});
    run({u"add-folder"_s, u"Family"_s, pictures.path()});
    for (const QStringList &arguments :
        {QStringList {u"update"_s, u"Family"_s}, QStringList {u"scan"_s, u"Family"_s, u"--method=1"_s}}) {
        const Outcome outcome = run(arguments);
        EXPECT_EQ(outcome.status, kExitDone) << outcome.err;
        EXPECT_EQ(outcome.err, "") << arguments.first().toStdString();
        EXPECT_EQ(outcome.out.find('\r'), std::string::npos) << outcome.out;
    }
}

TEST(CommandLine, AScanThatRecordsPartOfThePairsSaysBothCounts)
{
    test::ConnectedTestDatabase db;
    const int collection = db.addCollection(u"Family"_s);
    const int folder = db.addFolder(collection, u"/pictures"_s);
    const auto picture = [&](const char *name, bool old) {
        return db.addPicture({.collectionId = collection,
            .folderId = folder,
            .fileName = QString::fromLatin1(name),
            .thumbnail = QByteArray(3072, 'a'),
            .colorRank = 10,
            .old = old});
    };
    // Two pictures scanned already, with their pair, and a third one read since.
    db.addPair(collection, picture("a.jpg", true), picture("b.jpg", true), 0);
    picture("c.jpg", false);
    db.database().Execute(u"UPDATE Collection SET LastMethod = 1, LastTolerance = 10"_s);
    const Outcome outcome
        = runLine({u"--db="_s + db.path(), u"scan"_s, u"Family"_s, u"--method=1"_s, u"--threshold=10"_s});
    EXPECT_EQ(outcome.status, kExitDone) << outcome.err;
    EXPECT_EQ(outcome.out, "Pictures: 3, pairs tested: 2, pairs recorded: 2, pairs of the collection: 3\n");
}

TEST(CommandLine, ReadingCommandsWorkWhereTheDatabaseFolderCannotBeWritten)
{
    const test::TestDatabase file;
    const QString db = u"--db="_s + file.path();
    runLine({db, u"create"_s, u"Family"_s});
    const test::ReadOnlyFolder locked(file.folder());
    if (!locked.isValid())
        GTEST_SKIP() << "the folder cannot be made read-only here";
    for (const char *command : {"collections", "folders", "pairs", "history"}) {
        QStringList arguments {db, QString::fromLatin1(command)};
        if (std::string_view(command) != "collections")
            arguments.append(u"Family"_s);
        const Outcome outcome = runLine(arguments);
        EXPECT_EQ(outcome.status, kExitDone) << command << ": " << outcome.err;
    }
    EXPECT_EQ(runLine({db, u"collections"_s}).out, "Family\n");
    EXPECT_EQ(runLine({db, u"create"_s, u"Work"_s}).status, kExitFailed);
}

} // namespace
