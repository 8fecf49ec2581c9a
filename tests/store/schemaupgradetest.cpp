// Files of the first format, as the program wrote them until now, are brought to the current one
// when opened; afterwards the standard sqlite3 client can vacuum, dump, restore and query them.
#include <sqlite3.h>

#include <QCryptographicHash>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "store/database.h"
#include "store/schemanames.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::store;
using namespace Qt::Literals::StringLiterals;

namespace {

// Two collections with folders, pictures and pairs, "Ärger im Büro" among the names, and a
// second row of one file with a pair of its own, as two update runs at once used to leave.
const QString kSchema1 = QStringLiteral(VEXARIS_TEST_DATA "/store/schema1-two-collections.db");
constexpr int kSecondRowOfAFile = 6;

// Reads and writes without the program's collation, as any other tool does.
class RawFile
{
public:
    explicit RawFile(const QString &path)
    {
        EXPECT_EQ(
            sqlite3_open_v2(QFile::encodeName(path).constData(), &m_handle, SQLITE_OPEN_READWRITE, nullptr), SQLITE_OK);
    }
    ~RawFile() { sqlite3_close_v2(m_handle); }
    RawFile(const RawFile &) = delete;
    RawFile &operator=(const RawFile &) = delete;

    void execute(const char *sql)
    {
        ASSERT_EQ(sqlite3_exec(m_handle, sql, nullptr, nullptr, nullptr), SQLITE_OK) << sql;
    }

    // Every row of the query, its columns joined by tabs (blobs by their length and hash).
    QStringList rows(const char *sql)
    {
        sqlite3_stmt *statement = nullptr;
        EXPECT_EQ(sqlite3_prepare_v2(m_handle, sql, -1, &statement, nullptr), SQLITE_OK) << sql;
        QStringList result;
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            QStringList columns;
            for (int i = 0; i < sqlite3_column_count(statement); ++i) {
                if (sqlite3_column_type(statement, i) == SQLITE_BLOB) {
                    const QByteArray bytes(static_cast<const char *>(sqlite3_column_blob(statement, i)),
                        sqlite3_column_bytes(statement, i));
                    columns.append(
                        QString::fromLatin1(QCryptographicHash::hash(bytes, QCryptographicHash::Md5).toHex()));
                } else {
                    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, i));
                    columns.append(text ? QString::fromUtf8(text) : u"NULL"_s);
                }
            }
            result.append(columns.join(u'\t'));
        }
        sqlite3_finalize(statement);
        return result;
    }

private:
    sqlite3 *m_handle = nullptr;
};

QByteArray digest(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QCryptographicHash::hash(file.readAll(), QCryptographicHash::Sha256)
                                          : QByteArray();
}

struct Sqlite3Result
{
    int status = -1;
    QString out;
    QString err;
};

Sqlite3Result sqlite3Client(const QStringList &arguments, const QByteArray &input = {})
{
    QProcess process;
    process.start(u"sqlite3"_s, arguments);
    if (!process.waitForStarted())
        return {};
    process.write(input);
    process.closeWriteChannel();
    process.waitForFinished(60000);
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()).trimmed(),
        QString::fromUtf8(process.readAllStandardError()).trimmed()};
}

class SchemaUpgradeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(QFile::copy(kSchema1, m_path));
        QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    }

    QTemporaryDir m_folder;
    QString m_path = m_folder.filePath(u"Vexaris.db"_s);
};

const char *const kTables[] = {
    "SELECT * FROM Collection ORDER BY ID",
    "SELECT * FROM Folder ORDER BY ID",
    "SELECT * FROM Picture ORDER BY ID",
    "SELECT * FROM Duplicate ORDER BY ID",
};

TEST_F(SchemaUpgradeTest, KeepsEveryRowAndKeyAndTheStandardClientCanThenVacuumDumpRestoreAndQuery)
{
    QStringList before[4];
    {
        RawFile raw(m_path);
        ASSERT_EQ(raw.rows("PRAGMA user_version"), QStringList {u"1"_s});
        // A key given once is never given again, also after the upgrade has copied the table.
        raw.execute("DELETE FROM Collection WHERE ID = 4");
        // What a user may have added with other tools stays.
        raw.execute("CREATE VIEW CollectionNames AS SELECT Name FROM Collection");
        raw.execute("CREATE TRIGGER Stamp AFTER UPDATE OF Scanned ON Collection BEGIN SELECT 1; END");
        for (int t = 0; t < 4; ++t)
            before[t] = raw.rows(kTables[t]);
    }

    Database database;
    database.Open(m_path);
    database.Execute(u"INSERT INTO Collection (Name) VALUES ('New')"_s);
    EXPECT_EQ(database.lastInsertId(), 5);
    database.Execute(u"DELETE FROM Collection WHERE ID = 5"_s);
    database.Close();

    RawFile raw(m_path);
    EXPECT_EQ(raw.rows("PRAGMA user_version"), QStringList {QString::number(kSchemaVersion)});
    EXPECT_EQ(raw.rows(kTables[0]), before[0]);
    EXPECT_EQ(raw.rows(kTables[1]), before[1]);
    // The second row of a file goes with its pair; everything else stays as it was.
    const QString second = QString::number(kSecondRowOfAFile) + u'\t';
    QStringList pictures = before[2];
    pictures.removeIf([&](const QString &row) { return row.startsWith(second); });
    EXPECT_EQ(pictures.size(), before[2].size() - 1);
    EXPECT_EQ(raw.rows(kTables[2]), pictures);
    QStringList pairs = before[3];
    pairs.removeIf([](const QString &row) { return row.endsWith(u"\t6\t7631600"_s); });
    EXPECT_EQ(pairs.size(), before[3].size() - 1);
    EXPECT_EQ(raw.rows(kTables[3]), pairs);
    EXPECT_EQ(raw.rows("SELECT name FROM sqlite_master WHERE name IN ('CollectionNames', 'Stamp') ORDER BY name"),
        (QStringList {u"CollectionNames"_s, u"Stamp"_s}));
    // The journal of resolutions and the remembered not-a-match pairs came with the upgrade, empty.
    EXPECT_EQ(raw.rows("SELECT name FROM sqlite_master WHERE type = 'table' AND name IN ('Resolution', "
                       "'ResolvedPicture', 'ResolvedPair', 'RememberedNotAMatch') ORDER BY name"),
        (QStringList {u"RememberedNotAMatch"_s, u"Resolution"_s, u"ResolvedPair"_s, u"ResolvedPicture"_s}));
    EXPECT_EQ(raw.rows("SELECT (SELECT COUNT(*) FROM Resolution) + (SELECT COUNT(*) FROM RememberedNotAMatch)"),
        QStringList {u"0"_s});
    // The tables and indexes now read as those of a new file.
    test::TestDatabase fresh;
    const auto shape = [](RawFile &file) {
        QStringList objects = file.rows("SELECT type, name, tbl_name, sql FROM sqlite_master "
                                        "WHERE type IN ('table', 'index') ORDER BY type, name");
        for (QString &object : objects)
            object.remove(QRegularExpression(u"[\\s\"]"_s));
        return objects;
    };
    RawFile freshRaw(fresh.path());
    EXPECT_EQ(shape(raw), shape(freshRaw));

    const Sqlite3Result query = sqlite3Client({m_path, u"SELECT ID FROM Collection WHERE Name = 'Ärger im Büro'"_s});
    EXPECT_EQ(query.status, 0) << query.err.toStdString();
    EXPECT_EQ(query.out, u"2"_s);
    const Sqlite3Result vacuum = sqlite3Client({m_path, u"VACUUM"_s});
    EXPECT_EQ(vacuum.status, 0) << vacuum.err.toStdString();
    const Sqlite3Result dump = sqlite3Client({m_path, u".dump"_s});
    ASSERT_EQ(dump.status, 0) << dump.err.toStdString();
    const QString restored = m_folder.filePath(u"restored.db"_s);
    const Sqlite3Result restore = sqlite3Client({restored}, dump.out.toUtf8());
    EXPECT_EQ(restore.status, 0) << restore.err.toStdString();
    EXPECT_TRUE(restore.err.isEmpty()) << restore.err.toStdString();

    // A dump keeps no user_version; the program still takes the restored file as its own.
    Database reopened;
    reopened.Open(restored);
    reopened.Close();
    RawFile restoredRaw(restored);
    EXPECT_EQ(restoredRaw.rows("PRAGMA user_version"), QStringList {QString::number(kSchemaVersion)});
    for (int t = 0; t < 4; ++t)
        EXPECT_EQ(restoredRaw.rows(kTables[t]), raw.rows(kTables[t])) << kTables[t];
}

TEST_F(SchemaUpgradeTest, AFailedUpgradeLeavesTheFileAsItWasAndSaysSoInOneLine)
{
    {
        RawFile raw(m_path);
        // The user's own trigger refuses the removal of the second row's pair.
        raw.execute("CREATE TRIGGER KeepPairs BEFORE DELETE ON Duplicate BEGIN SELECT RAISE(ABORT, 'pairs are kept'); "
                    "END");
    }
    const QByteArray before = digest(m_path);
    Database database;
    try {
        database.Open(m_path);
        FAIL() << "the upgrade went through";
    } catch (const DatabaseError &e) {
        const std::string message = e.what();
        EXPECT_NE(message.find("left unchanged"), std::string::npos) << message;
        EXPECT_NE(message.find("pairs are kept"), std::string::npos) << message;
        EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    }
    EXPECT_FALSE(database.isOpen());
    EXPECT_EQ(digest(m_path), before);
    EXPECT_EQ(RawFile(m_path).rows("PRAGMA user_version"), QStringList {u"1"_s});
}

TEST(SchemaVersion, AFileOfALaterFormatIsRefusedUntouched)
{
    test::TestDatabase file;
    RawFile(file.path())
        .execute(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion + 1).toUtf8().constData());
    const QByteArray before = digest(file.path());
    Database database;
    try {
        database.Open(file.path());
        FAIL() << "a later format was opened";
    } catch (const DatabaseError &e) {
        EXPECT_NE(std::string(e.what()).find("later version"), std::string::npos) << e.what();
    }
    EXPECT_EQ(digest(file.path()), before);
}

TEST(SchemaVersion, AFileOfTheCurrentFormatWithoutTheJournalGetsItsTables)
{
    test::TestDatabase file;
    RawFile(file.path())
        .execute("DROP TABLE ResolvedPair; DROP TABLE ResolvedPicture; DROP TABLE Resolution; "
                 "DROP TABLE RememberedNotAMatch");
    Database database;
    database.Open(file.path());
    Statement tables(database,
        u"SELECT count(*) FROM sqlite_master WHERE type = 'table' AND name IN ('Resolution', 'ResolvedPicture', "
        "'ResolvedPair', 'RememberedNotAMatch')"_s);
    ASSERT_TRUE(tables.step());
    EXPECT_EQ(tables.column(0).toInt(), 4);
}

} // namespace
