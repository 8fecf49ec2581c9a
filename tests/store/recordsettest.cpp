// The static recordset over a real database file: the operations the program's callers use.
#include "store/recordset.h"

#include <gtest/gtest.h>

#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::store;
using namespace Qt::Literals::StringLiterals;

namespace {

class RecordsetTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        collection = db.addCollection(u"C"_s);
        for (const char *path : {"/a", "/b", "/c", "/d"})
            ids.push_back(db.addFolder(collection, QString::fromUtf8(path)));
    }

    void openFolders(LockType lock = LockType::Optimistic)
    {
        rs.Open(db.database(), u"SELECT * FROM Folder WHERE CollectionID = ? ORDER BY ID"_s, lock, CommandType::Text,
            {collection});
    }

    QString currentPath() const { return rs.Field("Path").toString(); }

    test::ConnectedTestDatabase db;
    int collection = 0;
    std::vector<int> ids;
    Recordset rs;
};

TEST_F(RecordsetTest, WalksForwardAndBackWithPositions)
{
    openFolders(LockType::ReadOnly);
    EXPECT_EQ(rs.State(), 1);
    EXPECT_EQ(rs.RecordCount(), 4);
    EXPECT_FALSE(rs.Bof());
    EXPECT_FALSE(rs.Eof());
    EXPECT_EQ(rs.AbsolutePosition(), 1);
    QStringList seen;
    for (; !rs.Eof(); rs.MoveNext())
        seen.append(currentPath());
    EXPECT_EQ(seen, (QStringList {u"/a"_s, u"/b"_s, u"/c"_s, u"/d"_s}));
    EXPECT_EQ(rs.AbsolutePosition(), Recordset::kPositionEOF);
    EXPECT_THROW(rs.MoveNext(), Error);
    EXPECT_THROW(rs.Field("Path"), Error);

    rs.MoveLast();
    EXPECT_EQ(currentPath(), u"/d"_s);
    EXPECT_EQ(rs.AbsolutePosition(), 4);
    rs.MovePrevious();
    EXPECT_EQ(currentPath(), u"/c"_s);
    rs.MoveFirst();
    rs.MovePrevious();
    EXPECT_TRUE(rs.Bof());
    EXPECT_FALSE(rs.Eof());
    EXPECT_EQ(rs.AbsolutePosition(), Recordset::kPositionBOF);
    EXPECT_THROW(rs.MovePrevious(), Error);
}

TEST_F(RecordsetTest, MoveCountsFromTheFirstRow)
{
    openFolders(LockType::ReadOnly);
    rs.MoveLast();
    rs.Move(2);
    EXPECT_EQ(currentPath(), u"/c"_s);
    rs.Move(0);
    EXPECT_EQ(currentPath(), u"/a"_s);
    rs.Move(4);
    EXPECT_TRUE(rs.Eof());
    rs.SetAbsolutePosition(2);
    EXPECT_EQ(currentPath(), u"/b"_s);
    EXPECT_THROW(rs.SetAbsolutePosition(5), Error);
    EXPECT_THROW(rs.SetAbsolutePosition(0), Error);
}

TEST_F(RecordsetTest, EmptyResultIsAtBothEnds)
{
    rs.Open(db.database(), u"SELECT * FROM Folder WHERE CollectionID = 0"_s);
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_TRUE(rs.Bof());
    EXPECT_TRUE(rs.Eof());
    rs.MoveFirst();
    EXPECT_TRUE(rs.Eof());
    EXPECT_THROW(rs.Field(0), Error);
}

TEST_F(RecordsetTest, FieldsByNameIgnoreCaseAndByIndex)
{
    openFolders(LockType::ReadOnly);
    EXPECT_EQ(rs.Field("path").toString(), u"/a"_s);
    EXPECT_EQ(rs.Field(0).toInt(), ids[0]);
    EXPECT_EQ(rs.FieldName(2), u"Path"_s);
    EXPECT_THROW(rs.Field("NoSuchColumn"), Error);
}

TEST_F(RecordsetTest, ReadOnlyRefusesChanges)
{
    openFolders(LockType::ReadOnly);
    EXPECT_THROW(rs.SetField("Path", u"/x"_s), Error);
    EXPECT_THROW(rs.AddNew(), Error);
    EXPECT_THROW(rs.Delete(), Error);
}

TEST_F(RecordsetTest, QueryOverTwoTablesCannotBeOpenedForChanges)
{
    EXPECT_THROW(
        rs.Open(db.database(), u"SELECT f.ID, c.Name FROM Folder f JOIN Collection c ON c.ID = f.CollectionID"_s,
            LockType::Optimistic),
        Error);
    EXPECT_THROW(rs.Open(db.database(), u"SELECT Path FROM Folder"_s, LockType::Optimistic), Error);
    EXPECT_NO_THROW(rs.Open(db.database(),
        u"SELECT f.ID, c.Name FROM Folder f JOIN Collection c ON c.ID = f.CollectionID"_s, LockType::ReadOnly));
    EXPECT_EQ(rs.RecordCount(), 4);
}

TEST_F(RecordsetTest, UpdateWritesTheChangedFieldAtOnce)
{
    openFolders();
    rs.Move(1);
    rs.SetField("Path", u"/b'2"_s);
    EXPECT_EQ(rs.editMode(), EditMode::InProgress);
    EXPECT_EQ(currentPath(), u"/b'2"_s);
    EXPECT_EQ(db.count("SELECT count(*) FROM Folder WHERE Path = '/b''2'"), 0);
    rs.Update();
    EXPECT_EQ(rs.editMode(), EditMode::None);
    EXPECT_EQ(db.count("SELECT ID FROM Folder WHERE Path = '/b''2'"), ids[1]);
    EXPECT_EQ(currentPath(), u"/b'2"_s);
}

TEST_F(RecordsetTest, CancelUpdateKeepsTheStoredRow)
{
    openFolders();
    rs.SetField("Path", u"/changed"_s);
    rs.CancelUpdate();
    EXPECT_EQ(currentPath(), u"/a"_s);
    EXPECT_EQ(db.count("SELECT count(*) FROM Folder WHERE Path = '/changed'"), 0);
}

TEST_F(RecordsetTest, MovingAwayStoresAPendingChange)
{
    openFolders();
    rs.SetField("Path", u"/moved"_s);
    rs.MoveNext();
    EXPECT_EQ(db.count("SELECT ID FROM Folder WHERE Path = '/moved'"), ids[0]);
}

TEST_F(RecordsetTest, AddNewStoresOnUpdateWithDefaultsAndItsNewId)
{
    rs.Open(db.database(), u"SELECT * FROM Collection"_s, LockType::Optimistic);
    rs.AddNew();
    EXPECT_EQ(rs.editMode(), EditMode::Add);
    rs.SetField("Name", u"New"_s);
    EXPECT_EQ(db.count("SELECT count(*) FROM Collection"), 1);
    rs.Update();
    EXPECT_EQ(rs.RecordCount(), 2);
    EXPECT_EQ(rs.AbsolutePosition(), 2);
    EXPECT_GT(rs.Field("ID").toInt(), collection);
    EXPECT_EQ(rs.Field("Scanned").toInt(), 0); // the table's default came back with the row
    EXPECT_EQ(db.count("SELECT count(*) FROM Collection WHERE Name = 'New'"), 1);
}

TEST_F(RecordsetTest, CancelledAddNewWritesNothing)
{
    rs.Open(db.database(), u"Collection"_s, LockType::Optimistic, CommandType::Table);
    rs.AddNew();
    rs.SetField("Name", u"Never"_s);
    rs.CancelUpdate();
    EXPECT_EQ(rs.RecordCount(), 1);
    EXPECT_EQ(db.count("SELECT count(*) FROM Collection"), 1);
}

TEST_F(RecordsetTest, FailedUpdateLeavesTheRowPendingForCancel)
{
    rs.Open(db.database(), u"Folder"_s, LockType::Optimistic, CommandType::Table);
    rs.AddNew();
    rs.SetField("Path", u"/orphan"_s);
    rs.SetField("CollectionID", 999); // no such collection: the foreign key refuses it
    EXPECT_THROW(rs.Update(), Error);
    EXPECT_EQ(rs.editMode(), EditMode::Add);
    rs.CancelUpdate();
    EXPECT_EQ(db.count("SELECT count(*) FROM Folder"), 4);
}

TEST_F(RecordsetTest, AddNewWithListsStoresTheRowAtOnce)
{
    const int f = ids[0];
    const int a = db.addPicture({.collectionId = collection, .folderId = f});
    const int b = db.addPicture({.collectionId = collection, .folderId = f});
    rs.Open(db.database(), u"Duplicate"_s, LockType::Optimistic, CommandType::Table);
    rs.AddNew({u"Left_ID"_s, u"Right_ID"_s, u"Collection_ID"_s, u"Difference"_s}, {a, b, collection, 42});
    EXPECT_EQ(rs.editMode(), EditMode::None);
    EXPECT_EQ(db.count("SELECT Difference FROM Duplicate WHERE Left_ID = ? AND Right_ID = ?", {a, b}), 42);

    EXPECT_THROW(rs.AddNew({u"Left_ID"_s, u"Right_ID"_s, u"Collection_ID"_s}, {a, 9999, collection}), Error);
    EXPECT_EQ(rs.editMode(), EditMode::None);
    EXPECT_EQ(db.count("SELECT count(*) FROM Duplicate"), 1);
}

TEST_F(RecordsetTest, DeleteThenMoveNextLandsOnTheFollowingRow)
{
    openFolders();
    rs.Move(1);
    rs.Delete();
    EXPECT_THROW(rs.Field("Path"), Error);
    EXPECT_EQ(rs.RecordCount(), 3);
    rs.MoveNext();
    EXPECT_EQ(currentPath(), u"/c"_s);
    EXPECT_EQ(db.count("SELECT count(*) FROM Folder WHERE ID = ?", {ids[1]}), 0);

    rs.MoveLast();
    rs.Delete();
    rs.MoveNext();
    EXPECT_TRUE(rs.Eof());
    EXPECT_EQ(db.count("SELECT count(*) FROM Folder"), 2);
}

TEST_F(RecordsetTest, DeletingEveryRowInALoopLeavesNone)
{
    openFolders();
    while (!rs.Eof()) {
        rs.Delete();
        rs.MoveNext();
    }
    EXPECT_EQ(rs.RecordCount(), 0);
    EXPECT_EQ(db.count("SELECT count(*) FROM Folder"), 0);
}

TEST_F(RecordsetTest, FindSearchesForwardFromTheCurrentRow)
{
    openFolders();
    rs.MoveFirst();
    EXPECT_TRUE(rs.Find(u"ID=%1"_s.arg(ids[2])));
    EXPECT_EQ(currentPath(), u"/c"_s);
    EXPECT_FALSE(rs.Find(u"ID=%1"_s.arg(ids[0]))); // behind the current row
    EXPECT_TRUE(rs.Eof());
    rs.MoveFirst();
    EXPECT_TRUE(rs.Find(u"ID = %1"_s.arg(ids[0])));
    EXPECT_EQ(rs.AbsolutePosition(), 1);
    EXPECT_FALSE(rs.Find(u"ID=999999"_s));
    EXPECT_THROW(rs.Find(u"Path='/a'"_s), Error);
}

TEST_F(RecordsetTest, ClosedRecordsetRefusesEverything)
{
    openFolders();
    rs.Close();
    EXPECT_EQ(rs.State(), 0);
    EXPECT_THROW(rs.RecordCount(), Error);
    EXPECT_THROW(rs.Eof(), Error);
    EXPECT_THROW(rs.MoveNext(), Error);
    EXPECT_THROW(rs.Field(0), Error);
}

TEST_F(RecordsetTest, TableNamesAreNeverPastedIntoSql)
{
    EXPECT_THROW(rs.Open(db.database(), u"Folder; DROP TABLE Folder"_s, LockType::ReadOnly, CommandType::Table), Error);
    EXPECT_EQ(db.count("SELECT count(*) FROM Folder"), 4);
}

TEST_F(RecordsetTest, TheIdCannotBeWritten)
{
    openFolders();
    EXPECT_THROW(rs.SetField("ID", 77), Error);
}

} // namespace
