// Collections, folders and single pictures on a real database file.
#include "store/data.h"

#include <gtest/gtest.h>

#include "common/error.h"
#include "store/connection.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::store;
using namespace Qt::Literals::StringLiterals;

namespace {

class DataTest : public ::testing::Test
{
protected:
    QStringList folderPaths(int collectionId)
    {
        QStringList paths;
        Statement rows(db.database(), u"SELECT Path FROM Folder WHERE CollectionID = ? ORDER BY ID"_s);
        rows.bindAll({collectionId});
        while (rows.step())
            paths.append(rows.column(0).toString());
        return paths;
    }

    test::ConnectedTestDatabase db;
};

TEST_F(DataTest, ListCollectionsGivesNamesInTableOrderAndSkipsNull)
{
    QStringList names {u"stale entry"_s};
    ListCollections(db.session(), names);
    EXPECT_TRUE(names.isEmpty());

    db.addCollection(u"Zebra"_s);
    db.database().Execute(u"INSERT INTO Collection (Name) VALUES (NULL)"_s);
    db.addCollection(u"apple"_s);
    db.addCollection(u"Zebra"_s);
    ListCollections(db.session(), names);
    EXPECT_EQ(names, (QStringList {u"Zebra"_s, u"apple"_s, u"Zebra"_s}));
}

TEST_F(DataTest, NewCollectionReadsBackUnscannedWithZeroCounters)
{
    AddCollection(db.session(), u"  Trips "_s);
    FolderList folders;
    TCollectionRec record;
    record.LastLeft_ID = 99;
    record.ScanProgress = 99;
    record.Scanned = true;
    ASSERT_TRUE(LoadCollection(db.session(), u"  Trips "_s, record, folders));
    EXPECT_GT(record.ID, 0);
    EXPECT_EQ(record.Name, u"  Trips "_s); // stored as typed, not trimmed
    EXPECT_FALSE(record.Scanned);
    EXPECT_EQ(record.LastLeft_ID, 0);
    EXPECT_EQ(record.ScanProgress, 0);
    EXPECT_EQ(record.LastMethod, 0);
    EXPECT_EQ(record.LastTolerance, 0);
    EXPECT_TRUE(folders.entries().empty());
}

TEST_F(DataTest, LoadCollectionOfUnknownNameKeepsEverythingButTheId)
{
    const int id = db.addCollection(u"Known"_s);
    FolderList folders;
    folders.addFolder(u"/left/over"_s, 5);
    TCollectionRec record {id, u"Typed"_s, 3, true, 4, 2, 50};
    EXPECT_FALSE(LoadCollection(db.session(), u"Unknown"_s, record, folders));
    EXPECT_EQ(record.ID, 0);
    EXPECT_EQ(record.Name, u"Typed"_s);
    EXPECT_EQ(record.LastLeft_ID, 3);
    EXPECT_TRUE(record.Scanned);
    EXPECT_EQ(record.ScanProgress, 4);
    EXPECT_EQ(record.LastMethod, 2);
    EXPECT_EQ(record.LastTolerance, 50);
    ASSERT_EQ(folders.entries().size(), 1u);
    EXPECT_EQ(folders.entries()[0].path, u"/left/over"_s);
}

TEST_F(DataTest, LoadCollectionReadsTheStoredScanState)
{
    const int id = db.addCollection(u"Scanned"_s);
    db.database().Execute(u"UPDATE Collection SET Scanned = TRUE, LastLeft_ID = 17, ScanProgress = 8, "
                          "LastMethod = 5, LastTolerance = 93 WHERE ID = ?"_s,
        {id});
    FolderList folders;
    TCollectionRec record;
    ASSERT_TRUE(LoadCollection(db.session(), u"Scanned"_s, record, folders));
    EXPECT_EQ(record.ID, id);
    EXPECT_TRUE(record.Scanned);
    EXPECT_EQ(record.LastLeft_ID, 17);
    EXPECT_EQ(record.ScanProgress, 8);
    EXPECT_EQ(record.LastMethod, 5);
    EXPECT_EQ(record.LastTolerance, 93);
}

struct NameCase
{
    const char *label;
    QString stored;
    QString typed;
    bool found;
};

class CollectionNameTest : public DataTest, public ::testing::WithParamInterface<NameCase>
{
};

TEST_P(CollectionNameTest, LookupIgnoresLetterCaseOnly)
{
    const NameCase &c = GetParam();
    const int id = db.addCollection(c.stored);
    FolderList folders;
    TCollectionRec record;
    EXPECT_EQ(LoadCollection(db.session(), c.typed, record, folders), c.found);
    if (c.found) {
        EXPECT_EQ(record.ID, id);
        EXPECT_EQ(record.Name, c.stored); // the name as stored, not as typed
    }
}

INSTANTIATE_TEST_SUITE_P(Names, CollectionNameTest,
    ::testing::Values(NameCase {"same", u"Holiday"_s, u"Holiday"_s, true},
        NameCase {"otherCase", u"Holiday"_s, u"hOLIDAY"_s, true},
        NameCase {"umlautCase", u"Ärger über Öl"_s, u"ärger ÜBER öl"_s, true},
        NameCase {"greekCase", u"Σπίτι"_s, u"σπίτι"_s, true},
        NameCase {"trailingBlank", u"Holiday"_s, u"Holiday "_s, false},
        NameCase {"prefixOnly", u"Holiday"_s, u"Holi"_s, false},
        NameCase {"apostrophe", u"Bob's pictures"_s, u"BOB'S PICTURES"_s, true},
        NameCase {"percentIsNoWildcard", u"100% real"_s, u"100% rea_"_s, false},
        NameCase {"percentLiteral", u"100% real_x"_s, u"100% REAL_X"_s, true},
        NameCase {"sqlText", u"x'); DROP TABLE Folder; --"_s, u"x'); drop table folder; --"_s, true}),
    [](const ::testing::TestParamInfo<NameCase> &row) { return std::string(row.param.label); });

TEST_F(DataTest, FirstOfTwoCollectionsWithOneNameDecides)
{
    const int first = db.addCollection(u"Twins"_s);
    db.addCollection(u"TWINS"_s);
    FolderList folders;
    TCollectionRec record;
    ASSERT_TRUE(LoadCollection(db.session(), u"twins"_s, record, folders));
    EXPECT_EQ(record.ID, first);
    EXPECT_EQ(record.Name, u"Twins"_s);
}

TEST_F(DataTest, LoadCollectionListsItsOwnFoldersUncheckedWithTheirIds)
{
    const int id = db.addCollection(u"Pics"_s);
    const int other = db.addCollection(u"Other"_s);
    const int b = db.addFolder(id, u"/pics/A/B"_s);
    const int pics = db.addFolder(id, u"/pics"_s);
    db.addFolder(other, u"/elsewhere"_s);
    const int a = db.addFolder(id, u"/pics/A"_s);

    FolderList folders;
    folders.addFolder(u"/from/before"_s, 1);
    TCollectionRec record;
    ASSERT_TRUE(LoadCollection(db.session(), u"Pics"_s, record, folders));
    ASSERT_EQ(folders.entries().size(), 3u);
    const std::vector<std::pair<QString, int>> expected {{u"/pics"_s, pics}, {u"/pics/A"_s, a}, {u"/pics/A/B"_s, b}};
    for (size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(folders.entries()[i].path, expected[i].first);
        EXPECT_EQ(folders.entries()[i].id, expected[i].second);
        EXPECT_FALSE(folders.entries()[i].checked);
    }
}

TEST_F(DataTest, AddFolderReturnsEachNewRowsIdAndAllowsTheSamePathTwice)
{
    const int id = db.addCollection(u"C"_s);
    const int first = AddFolder(db.session(), id, u"/p/Bob's 50% _x_"_s);
    const int second = AddFolder(db.session(), id, u"/p/Bob's 50% _x_"_s);
    EXPECT_GT(first, 0);
    EXPECT_GT(second, first);
    EXPECT_EQ(folderPaths(id), (QStringList {u"/p/Bob's 50% _x_"_s, u"/p/Bob's 50% _x_"_s}));
}

TEST_F(DataTest, AddFolderToMissingCollectionIsRefused)
{
    EXPECT_THROW(AddFolder(db.session(), 4711, u"/p"_s), Error);
    EXPECT_EQ(db.count("SELECT count(*) FROM Folder"), 0);
}

TEST_F(DataTest, RemoveFolderTakesExactlyThatPathOfThatCollection)
{
    const int id = db.addCollection(u"C"_s);
    const int other = db.addCollection(u"D"_s);
    db.addFolder(id, u"/p/Bob's"_s);
    db.addFolder(id, u"/p/Bob's"_s);
    db.addFolder(id, u"/p/bob's"_s);
    db.addFolder(id, u"/p/Bob's/sub"_s);
    db.addFolder(other, u"/p/Bob's"_s);
    EXPECT_EQ(RemoveFolder(db.session(), id, u"/p/Bob's"_s), 2);
    EXPECT_EQ(folderPaths(id), (QStringList {u"/p/bob's"_s, u"/p/Bob's/sub"_s}));
    EXPECT_EQ(folderPaths(other), (QStringList {u"/p/Bob's"_s}));
    EXPECT_EQ(RemoveFolder(db.session(), id, u"/not/stored"_s), 0);
}

struct TreeCase
{
    const char *label;
    QString root;
    QStringList stored;
    QStringList kept;
};

class RemoveFolderTreeTest : public DataTest, public ::testing::WithParamInterface<TreeCase>
{
};

TEST_P(RemoveFolderTreeTest, RemovesTheFolderAndWhatLiesBelowIt)
{
    const TreeCase &c = GetParam();
    const int id = db.addCollection(u"C"_s);
    const int other = db.addCollection(u"D"_s);
    for (const QString &path : c.stored) {
        db.addFolder(id, path);
        db.addFolder(other, path);
    }
    const int removed = RemoveFolderTree(db.session(), id, c.root);
    EXPECT_EQ(folderPaths(id), c.kept);
    EXPECT_EQ(removed, c.stored.size() - c.kept.size());
    EXPECT_EQ(folderPaths(other), c.stored);
}

INSTANTIATE_TEST_SUITE_P(Trees, RemoveFolderTreeTest,
    ::testing::Values(TreeCase {"siblingsWithSamePrefixStay", u"/photos"_s,
                          {u"/photos"_s, u"/photos/2005"_s, u"/photos/2005/May"_s, u"/photos old"_s, u"/photos2"_s},
                          {u"/photos old"_s, u"/photos2"_s}},
        TreeCase {"rootTakesAll", u"/"_s, {u"/a"_s, u"/b/c"_s, u"/"_s}, {}},
        TreeCase {"otherCaseStays", u"/Photos"_s, {u"/Photos/x"_s, u"/photos/x"_s, u"/PHOTOS"_s},
            {u"/photos/x"_s, u"/PHOTOS"_s}},
        TreeCase {"percentIsLiteral", u"/p/50%"_s, {u"/p/50%"_s, u"/p/50%/a"_s, u"/p/50x"_s, u"/p/50x/a"_s},
            {u"/p/50x"_s, u"/p/50x/a"_s}},
        TreeCase {"underscoreIsLiteral", u"/p/a_b"_s, {u"/p/a_b/c"_s, u"/p/axb/c"_s}, {u"/p/axb/c"_s}},
        TreeCase {"backslashIsLiteral", u"/p/a\\b"_s, {u"/p/a\\b/c"_s, u"/p/a\\\\b/c"_s, u"/p/ab/c"_s},
            {u"/p/a\\\\b/c"_s, u"/p/ab/c"_s}},
        TreeCase {"trailingDelimiterKeepsFolderItself", u"/p/"_s, {u"/p"_s, u"/p/q"_s}, {u"/p"_s}},
        TreeCase {"apostrophe", u"/Bob's"_s, {u"/Bob's"_s, u"/Bob's/x"_s, u"/Bobs/x"_s}, {u"/Bobs/x"_s}},
        TreeCase {"nothingStored", u"/none"_s, {u"/some"_s}, {u"/some"_s}}),
    [](const ::testing::TestParamInfo<TreeCase> &row) { return std::string(row.param.label); });

TEST_F(DataTest, DeletingAFolderTakesItsPicturesAndTheirPairs)
{
    const int id = db.addCollection(u"C"_s);
    const int gone = db.addFolder(id, u"/gone"_s);
    const int kept = db.addFolder(id, u"/kept"_s);
    const int a = db.addPicture({.collectionId = id, .folderId = gone});
    const int b = db.addPicture({.collectionId = id, .folderId = kept});
    const int c = db.addPicture({.collectionId = id, .folderId = kept});
    db.addPair(id, a, b, 1);
    db.addPair(id, c, a, 2);
    db.addPair(id, b, c, 3);

    RemoveFolder(db.session(), id, u"/gone"_s);
    EXPECT_EQ(db.count("SELECT count(*) FROM Picture WHERE FolderID = ?", {gone}), 0);
    EXPECT_EQ(db.count("SELECT count(*) FROM Picture"), 2);
    EXPECT_EQ(db.count("SELECT count(*) FROM Duplicate WHERE Left_ID = ? OR Right_ID = ?", {a, a}), 0);
    EXPECT_EQ(db.count("SELECT count(*) FROM Duplicate"), 1);
}

TEST_F(DataTest, DeleteCollectionTakesEverythingOfItAndNothingElse)
{
    const int id = db.addCollection(u"Gone"_s);
    const int other = db.addCollection(u"Kept"_s);
    const int f = db.addFolder(id, u"/x"_s);
    const int g = db.addFolder(other, u"/x"_s);
    const int a = db.addPicture({.collectionId = id, .folderId = f});
    const int b = db.addPicture({.collectionId = id, .folderId = f});
    const int c = db.addPicture({.collectionId = other, .folderId = g});
    const int d = db.addPicture({.collectionId = other, .folderId = g});
    db.addPair(id, a, b, 1);
    db.addPair(other, c, d, 1);

    DeleteCollection(db.session(), id);
    QStringList names;
    ListCollections(db.session(), names);
    EXPECT_EQ(names, QStringList {u"Kept"_s});
    EXPECT_EQ(db.count("SELECT count(*) FROM Folder"), 1);
    EXPECT_EQ(db.count("SELECT count(*) FROM Picture WHERE CollectionID = ?", {id}), 0);
    EXPECT_EQ(db.count("SELECT count(*) FROM Picture"), 2);
    EXPECT_EQ(db.count("SELECT count(*) FROM Duplicate"), 1);
}

TEST_F(DataTest, DeletedCollectionKeysAreNotReused)
{
    AddCollection(db.session(), u"A"_s);
    const int first = static_cast<int>(db.database().lastInsertId());
    DeleteCollection(db.session(), first);
    AddCollection(db.session(), u"A"_s);
    EXPECT_GT(db.database().lastInsertId(), first);
}

TEST_F(DataTest, ResetScanStateActsOnTheCurrentCollectionOnly)
{
    for (const bool deletePairs : {false, true}) {
        SCOPED_TRACE(deletePairs ? "with pairs" : "without pairs");
        const int id = db.addCollection(u"Current"_s);
        const int other = db.addCollection(u"Other"_s);
        const char *scanned = "UPDATE Collection SET Scanned = TRUE, LastLeft_ID = 9, ScanProgress = 4, "
                              "LastMethod = 3, LastTolerance = 80";
        db.database().Execute(QString::fromUtf8(scanned));
        const int f = db.addFolder(id, u"/f"_s);
        const int g = db.addFolder(other, u"/g"_s);
        const int a = db.addPicture({.collectionId = id, .folderId = f});
        const int b = db.addPicture({.collectionId = id, .folderId = f});
        const int c = db.addPicture({.collectionId = other, .folderId = g});
        const int d = db.addPicture({.collectionId = other, .folderId = g});
        db.addPair(id, a, b, 1);
        db.addPair(other, c, d, 1);

        db.session().CurrentCollection.ID = id;
        db.session().CurrentCollection.Scanned = true;
        ResetScanState(db.session(), deletePairs);
        EXPECT_TRUE(db.session().CurrentCollection.Scanned); // memory waits for the next load

        FolderList folders;
        TCollectionRec record;
        ASSERT_TRUE(LoadCollection(db.session(), u"Current"_s, record, folders));
        EXPECT_FALSE(record.Scanned);
        EXPECT_EQ(record.LastLeft_ID, 0);
        EXPECT_EQ(db.count("SELECT count(*) FROM Collection WHERE ID = ? AND LastLeft_ID IS NULL", {id}), 1);
        EXPECT_EQ(record.ScanProgress, 0);
        EXPECT_EQ(record.LastMethod, 3);
        EXPECT_EQ(record.LastTolerance, 80);
        EXPECT_EQ(db.count("SELECT count(*) FROM Duplicate WHERE Collection_ID = ?", {id}), deletePairs ? 0 : 1);
        EXPECT_EQ(db.count("SELECT count(*) FROM Duplicate WHERE Collection_ID = ?", {other}), 1);
        EXPECT_EQ(db.count("SELECT Scanned FROM Collection WHERE ID = ?", {other}), 1);

        DeleteCollection(db.session(), id);
        DeleteCollection(db.session(), other);
    }
}

TEST_F(DataTest, DeletePictureTakesPairsOnBothSides)
{
    const int id = db.addCollection(u"C"_s);
    const int f = db.addFolder(id, u"/f"_s);
    const int a = db.addPicture({.collectionId = id, .folderId = f});
    const int b = db.addPicture({.collectionId = id, .folderId = f});
    const int c = db.addPicture({.collectionId = id, .folderId = f});
    db.addPair(id, b, a, 1);
    db.addPair(id, c, b, 2);
    db.addPair(id, a, c, 3);

    DeletePicture(db.session(), b);
    EXPECT_EQ(db.count("SELECT count(*) FROM Picture WHERE ID = ?", {b}), 0);
    EXPECT_EQ(db.count("SELECT count(*) FROM Duplicate"), 1);
    EXPECT_EQ(db.count("SELECT Left_ID FROM Duplicate"), a);
    EXPECT_NO_THROW(DeletePicture(db.session(), b)); // gone already: nothing to do
}

TEST_F(DataTest, MovePictureChangesNameAndFolderOnly)
{
    const int id = db.addCollection(u"C"_s);
    const int from = db.addFolder(id, u"/from"_s);
    const int to = db.addFolder(id, u"/to/Bob's"_s);
    const int picture
        = db.addPicture({.collectionId = id, .folderId = from, .fileName = u"a.jpg"_s, .size = 1234, .colorRank = 77});

    MovePicture(db.session(), picture, to, u"/to/Bob's/a (2) 100%.jpg"_s);
    Statement row(db.database(), u"SELECT FileName, FolderID, Size, ColorRank FROM Picture WHERE ID = ?"_s);
    row.bindAll({picture});
    ASSERT_TRUE(row.step());
    EXPECT_EQ(row.column(0).toString(), u"a (2) 100%.jpg"_s);
    EXPECT_EQ(row.column(1).toInt(), to);
    EXPECT_EQ(row.column(2).toInt(), 1234);
    EXPECT_EQ(row.column(3).toInt(), 77);
    EXPECT_NO_THROW(MovePicture(db.session(), picture + 100, to, u"/to/x.jpg"_s));
}

TEST_F(DataTest, OperationsOnAClosedConnectionRaiseErrors)
{
    db.session().DisconnectDatabase();
    QStringList names;
    FolderList folders;
    TCollectionRec record;
    EXPECT_THROW(ListCollections(db.session(), names), Error);
    EXPECT_THROW(AddCollection(db.session(), u"x"_s), Error);
    EXPECT_THROW(LoadCollection(db.session(), u"x"_s, record, folders), Error);
    EXPECT_THROW(AddFolder(db.session(), 1, u"/x"_s), Error);
}

TEST(FolderTreeRule, InFolderTree)
{
    struct Case
    {
        QString path;
        QString root;
        bool inside;
    };
    const Case cases[] = {
        {u"/photos"_s, u"/photos"_s, true},
        {u"/photos/2005"_s, u"/photos"_s, true},
        {u"/photos old"_s, u"/photos"_s, false},
        {u"/photos2"_s, u"/photos"_s, false},
        {u"/Photos/2005"_s, u"/photos"_s, false},
        {u"/anything"_s, u"/"_s, true},
        {u"/p/q"_s, u"/p/"_s, true},
        {u"/p"_s, u"/p/"_s, false},
    };
    for (const Case &c : cases)
        EXPECT_EQ(inFolderTree(c.path, c.root), c.inside) << c.path.toStdString() << " in " << c.root.toStdString();
}

TEST(FolderListOrder, SortsByPathIgnoringCaseWhateverTheInsertOrder)
{
    FolderList folders;
    folders.addFolder(u"/b"_s, 1);
    folders.addFolder(u"/A/z"_s, 2);
    folders.addFolder(u"/a"_s, 3);
    folders.addFolder(u"/B/c"_s, 4);
    folders.addFolder(u"/a"_s, 5);
    std::vector<std::pair<QString, int>> got;
    for (const FolderEntry &entry : folders.entries())
        got.emplace_back(entry.path, entry.id);
    const std::vector<std::pair<QString, int>> expected {
        {u"/a"_s, 3}, {u"/a"_s, 5}, {u"/A/z"_s, 2}, {u"/b"_s, 1}, {u"/B/c"_s, 4}};
    EXPECT_EQ(got, expected);
}

TEST(CollectionName, OnlyANameThatCanBeTypedBackIsTaken)
{
    const struct
    {
        QString name;
        const char *error; // nullptr: taken
    } cases[] = {
        {u"Family pictures"_s, nullptr},
        {u"Ärger im Büro"_s, nullptr},
        {u""_s, "The collection name is empty"},
        {u"   "_s, "The collection name is empty"},
        {u" Family"_s, "The collection name \" Family\" begins or ends with a blank"},
        {u"Family\t"_s, "The collection name \"Family\t\" begins or ends with a blank"},
        {u"Fam\nily"_s, "The collection name \"Fam\nily\" holds a control character"},
    };
    for (const auto &c : cases) {
        try {
            checkCollectionName(c.name);
            EXPECT_EQ(c.error, nullptr) << c.name.toStdString();
        } catch (const Error &e) {
            EXPECT_STREQ(e.what(), c.error ? c.error : "(taken)");
        }
    }
}

} // namespace
