// Which database file the programs use without --db, the user's own copy of the delivered one,
// and reading a file whose folder cannot be written.
#include "store/databaselocation.h"

#include <optional>
#include <thread>
#include <vector>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "common/error.h"
#include "store/database.h"
#include "support/readonlyfolder.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::store;
using namespace Qt::Literals::StringLiterals;

namespace {

using Place = DatabaseLocation::Place;

QByteArray contents(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// A program folder and a user's data folder, each in a temporary folder of its own.
class DatabaseLocationTest : public ::testing::Test
{
protected:
    QString delivered() const { return QDir(program.path()).filePath(u"Vexaris.db"_s); }
    QString userFile() const { return QDir(userData.path()).filePath(u"vexaris/Vexaris.db"_s); }

    void deliver(QFileDevice::Permissions permissions)
    {
        ASSERT_TRUE(QFile::copy(source.path(), delivered()));
        ASSERT_TRUE(QFile::setPermissions(delivered(), permissions));
    }

    test::TestDatabase source;
    QTemporaryDir program;
    QTemporaryDir userData;
};

TEST_F(DatabaseLocationTest, TheProgramFolderOnlyWhereItsFileAndFolderCanBeWritten)
{
    constexpr auto kWritable = QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ReadGroup;
    constexpr auto kReadOnly = QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther;
    const struct
    {
        const char *name;
        bool delivered;
        QFileDevice::Permissions permissions;
        bool folderReadOnly;
        Place place;
    } cases[] = {
        {"a writable file in a writable folder", true, kWritable, false, Place::ProgramFolder},
        {"no file", false, kWritable, false, Place::UserFolder},
        // As a package delivers it: read-only for everyone, root included.
        {"a file delivered read-only", true, kReadOnly, false, Place::UserFolder},
        // SQLite keeps its -wal and -shm files beside the database.
        {"a writable file in a folder that cannot be written", true, kWritable, true, Place::UserFolder},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        QFile::remove(delivered());
        if (c.delivered)
            deliver(c.permissions);
        std::optional<test::ReadOnlyFolder> locked;
        if (c.folderReadOnly) {
            locked.emplace(program.path());
            if (!locked->isValid())
                continue;
        }
        const DatabaseLocation location = locateDatabase(program.path(), userData.path());
        EXPECT_EQ(location.place, c.place);
        EXPECT_EQ(location.file, c.place == Place::ProgramFolder ? delivered() : userFile());
        EXPECT_EQ(location.delivered, delivered());
        // Choosing makes nothing.
        EXPECT_TRUE(QDir(userData.path()).isEmpty());
    }
}

TEST_F(DatabaseLocationTest, StartsAtOnceMakeOneCopyOfTheDeliveredFileWhichLaterStartsKeep)
{
    deliver(QFileDevice::ReadOwner | QFileDevice::ReadGroup | QFileDevice::ReadOther);
    const DatabaseLocation location = locateDatabase(program.path(), userData.path());
    std::vector<std::thread> starts;
    std::vector<QString> files(8);
    for (size_t i = 0; i < files.size(); ++i)
        starts.emplace_back([&, i] { files[i] = provideDatabase(location); });
    for (std::thread &start : starts)
        start.join();
    EXPECT_EQ(files, std::vector<QString>(files.size(), userFile()));
    EXPECT_EQ(QDir(QFileInfo(userFile()).path()).entryList(QDir::Files | QDir::Hidden), QStringList {u"Vexaris.db"_s});
    EXPECT_EQ(contents(userFile()), contents(delivered()));

    {
        Database database;
        database.Open(userFile());
        database.Execute(u"INSERT INTO Collection (Name) VALUES ('Mine')"_s);
    }
    const QByteArray mine = contents(userFile());
    ASSERT_EQ(provideDatabase(location), userFile());
    EXPECT_EQ(contents(userFile()), mine);
}

TEST_F(DatabaseLocationTest, WithoutAnyDatabaseTheErrorNamesBothFiles)
{
    const DatabaseLocation location = locateDatabase(program.path(), userData.path());
    try {
        provideDatabase(location);
        FAIL() << "a database came from nowhere";
    } catch (const Error &e) {
        EXPECT_NE(std::string(e.what()).find(userFile().toStdString()), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(delivered().toStdString()), std::string::npos) << e.what();
    }
    EXPECT_TRUE(QDir(userData.path()).isEmpty());
}

TEST(ReadOnlyOpen, ReadsAFileWhoseFolderCannotBeWrittenAndWritesNothing)
{
    test::ConnectedTestDatabase db;
    db.addCollection(u"Family"_s);
    db.session().DisconnectDatabase();
    const QByteArray before = contents(db.path());
    const test::ReadOnlyFolder locked(db.folder());
    if (!locked.isValid())
        GTEST_SKIP() << "the folder cannot be made read-only here";

    Database writer;
    EXPECT_THROW(writer.Open(db.path()), DatabaseError);
    Database reader;
    reader.Open(db.path(), OpenMode::ReadOnly);
    Statement names(reader, u"SELECT Name FROM Collection"_s);
    ASSERT_TRUE(names.step());
    EXPECT_EQ(names.column(0).toString(), u"Family"_s);
    EXPECT_THROW(reader.Execute(u"DELETE FROM Collection"_s), DatabaseError);
    EXPECT_EQ(contents(db.path()), before);
}

TEST(ReadOnlyOpen, AFileOfTheFirstFormatIsBroughtUpToDateFirst)
{
    const test::TestDatabase folder;
    const QString file = folder.folder() + u"/first.db"_s;
    ASSERT_TRUE(QFile::copy(QStringLiteral(VEXARIS_TEST_DATA "/store/schema1-two-collections.db"), file));
    QFile::setPermissions(file, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    Database reader;
    reader.Open(file, OpenMode::ReadOnly);
    Statement journal(reader, u"SELECT count(*) FROM Resolution"_s);
    ASSERT_TRUE(journal.step());
    EXPECT_EQ(journal.column(0).toInt(), 0);
}

} // namespace
