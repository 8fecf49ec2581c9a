// Opening, refusing and making database files.
#include "store/database.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "store/session.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::store;
using namespace Qt::Literals::StringLiterals;

namespace {

QByteArray schemaSql()
{
    QFile file(test::schemaFile());
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    return file.readAll();
}

QByteArray digest(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256);
}

// Why opening the file failed, or nothing when it opened.
std::string openFailure(Session &session, const QString &path)
{
    try {
        session.ConnectDatabase(path);
    } catch (const std::exception &e) {
        return e.what();
    }
    return {};
}

void writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

struct RefusedCase
{
    const char *label;
    QByteArray content; // written to the file first, unless missing
    bool missing;
};

class RefusedFileTest : public ::testing::TestWithParam<RefusedCase>
{
};

TEST_P(RefusedFileTest, OpenFailsAndLeavesTheFileAsItWas)
{
    const RefusedCase &c = GetParam();
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Vexaris.db"_s);
    if (!c.missing)
        writeFile(path, c.content);
    const QByteArray before = digest(path);

    Session session;
    const std::string error = openFailure(session, path);
    EXPECT_FALSE(error.empty());
    EXPECT_EQ(error.find('\n'), std::string::npos);
    EXPECT_FALSE(session.DatabaseConnection.isOpen());
    EXPECT_EQ(QFile::exists(path), !c.missing);
    EXPECT_EQ(digest(path), before);
    EXPECT_EQ(QDir(folder.path()).entryList(QDir::Files).size(), c.missing ? 0 : 1);
}

INSTANTIATE_TEST_SUITE_P(Files, RefusedFileTest,
    ::testing::Values(RefusedCase {"missing", {}, true}, RefusedCase {"emptyFile", {}, false},
        RefusedCase {"notADatabase", QByteArray(4096, 'x'), false},
        RefusedCase {"textFile", "Collection Folder Picture Duplicate\n", false}),
    [](const ::testing::TestParamInfo<RefusedCase> &row) { return std::string(row.param.label); });

TEST(OpenDatabase, ForeignSqliteFileIsRefused)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"other.db"_s);
    createDatabase(path, "CREATE TABLE Something (x INTEGER);");
    Session session;
    const std::string error = openFailure(session, path);
    EXPECT_FALSE(error.empty());
    EXPECT_NE(error.find("other.db"), std::string::npos) << error;
}

TEST(OpenDatabase, SetsItsPragmasOnEveryOpen)
{
    test::ConnectedTestDatabase db;
    struct Case
    {
        const char *pragma;
        Value expected;
    };
    const Case cases[] = {
        {"PRAGMA foreign_keys", Value(1)}, {"PRAGMA journal_mode", Value(u"wal"_s)},
        {"PRAGMA synchronous", Value(1)}, // NORMAL
    };
    for (const Case &c : cases) {
        Statement statement(db.database(), QString::fromUtf8(c.pragma));
        ASSERT_TRUE(statement.step());
        EXPECT_EQ(statement.column(0), c.expected) << c.pragma;
    }
}

TEST(Statement, NumberColumnsReadWithoutAValue)
{
    test::ConnectedTestDatabase db;
    struct Case
    {
        const char *literal;
        qint64 integer;
        double real;
    };
    // Reals round half to even, as Value does; NULL, text, a blob and a real no integer holds read
    // as integer 0.
    const Case cases[] = {{"42", 42, 42.0}, {"-7", -7, -7.0}, {"2.5", 2, 2.5}, {"3.5", 4, 3.5}, {"-1.25", -1, -1.25},
        {"NULL", 0, 0.0}, {"'12'", 0, 0.0}, {"x'01'", 0, 0.0}, {"1e300", 0, 1e300}};
    for (const Case &c : cases) {
        Statement statement(db.database(), u"SELECT "_s + QString::fromUtf8(c.literal));
        ASSERT_TRUE(statement.step());
        EXPECT_EQ(statement.columnInteger(0), c.integer) << c.literal;
        EXPECT_EQ(statement.columnReal(0), c.real) << c.literal;
    }
}

TEST(OpenDatabase, ASecondConnectionReadsWhatTheFirstCommitted)
{
    test::ConnectedTestDatabase db;
    db.addCollection(u"Shared"_s);
    Database second;
    second.Open(db.path());
    Statement names(second, u"SELECT Name FROM Collection WHERE Name = 'SHARED' COLLATE UNICODE_NOCASE"_s);
    ASSERT_TRUE(names.step());
    EXPECT_EQ(names.column(0).toString(), u"Shared"_s);
}

TEST(OpenDatabase, OpeningAgainReplacesTheConnection)
{
    test::ConnectedTestDatabase first;
    first.addCollection(u"InFirst"_s);
    test::TestDatabase second;
    ASSERT_EQ(openFailure(first.session(), second.path()), "");
    EXPECT_EQ(first.session().DatabaseConnection.fileName(), second.path());
    Statement count(first.session().DatabaseConnection, u"SELECT count(*) FROM Collection"_s);
    ASSERT_TRUE(count.step());
    EXPECT_EQ(count.column(0).toInt(), 0);
}

TEST(Execute, RefusesWhatItCannotRunExactly)
{
    test::ConnectedTestDatabase db;
    Database &database = db.database();
    EXPECT_THROW(database.Execute(u"INSERT INTO Collection (Name) VALUES ('a'); DELETE FROM Collection"_s), Error);
    EXPECT_THROW(database.Execute(u"INSERT INTO Collection (Name) VALUES (?)"_s), Error);
    EXPECT_THROW(database.Execute(u"INSERT INTO Collection (Name) VALUES (?)"_s, {u"a"_s, u"b"_s}), Error);
    EXPECT_THROW(database.Execute(u"INSERT INTO Nowhere VALUES (1)"_s), Error);
    EXPECT_EQ(db.count("SELECT count(*) FROM Collection"), 0);
    EXPECT_EQ(database.Execute(u"UPDATE Collection SET Scanned = TRUE"_s), 0);
}

TEST(Execute, StoreErrorsKeepTheirCode)
{
    test::ConnectedTestDatabase db;
    try {
        db.database().Execute(u"INSERT INTO Folder (CollectionID, Path) VALUES (12345, '/x')"_s);
        FAIL() << "a folder of no collection was stored";
    } catch (const DatabaseError &e) {
        EXPECT_EQ(e.code() & 0xFF, 19); // SQLITE_CONSTRAINT
    }
}

TEST(CreateDatabase, NeverReplacesAnExistingFile)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Vexaris.db"_s);
    writeFile(path, "keep me");
    EXPECT_THROW(createDatabase(path, schemaSql()), Error);
    EXPECT_EQ(digest(path), QCryptographicHash::hash("keep me", QCryptographicHash::Sha256));
}

TEST(CreateDatabase, BrokenSchemaLeavesNoFile)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Vexaris.db"_s);
    EXPECT_THROW(createDatabase(path, "CREATE TABLE Collection (ID INTEGER); CREATE TABLE oops ("), Error);
    EXPECT_TRUE(QDir(folder.path()).entryList(QDir::Files).isEmpty());
}

TEST(BuildStep, MakesAMissingDatabaseAndNeverTouchesAnExistingOne)
{
    QTemporaryDir folder;
    const QString path = folder.filePath(u"Vexaris.db"_s);
    ASSERT_EQ(QProcess::execute(QStringLiteral(VEXARIS_MAKEDB), {test::schemaFile(), path}), 0);
    Session session;
    ASSERT_EQ(openFailure(session, path), "");
    session.DatabaseConnection.Execute(u"INSERT INTO Collection (Name) VALUES ('mine')"_s);
    session.DisconnectDatabase();

    const QByteArray before = digest(path);
    const QFileInfo info(path);
    const QDateTime modified = info.lastModified();
    ASSERT_EQ(QProcess::execute(QStringLiteral(VEXARIS_MAKEDB), {test::schemaFile(), path}), 0);
    EXPECT_EQ(digest(path), before);
    EXPECT_EQ(QFileInfo(path).lastModified(), modified);
}

} // namespace
