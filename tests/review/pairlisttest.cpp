// The typed pair list on a real database: its order and rows, the anchor pair chosen from it, and
// its changes in place, which must leave it as a fresh read of the changed rows would.
#include "review/pairlist.h"

#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "store/data.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::review;
using namespace Qt::Literals::StringLiterals;

namespace {

class PairListTest : public testing::Test
{
protected:
    void SetUp() override
    {
        collection = db.addCollection(u"Holiday"_s);
        folder = db.addFolder(collection, u"/pics"_s);
    }

    int picture(const QString &name, qint64 size = 1000)
    {
        return db.addPicture({.collectionId = collection, .folderId = folder, .fileName = name, .size = size});
    }

    // Pictures 1..n of the collection, and pairs of them given by their numbers, in list order.
    void makeList(int pictures, const std::vector<std::pair<int, int>> &pairs)
    {
        for (int i = 1; i <= pictures; ++i)
            ids.push_back(picture(u"p%1.png"_s.arg(i)));
        int difference = 0;
        for (const auto &[left, right] : pairs)
            db.addPair(collection, ids[left - 1], ids[right - 1], difference++);
        list.read(db.session(), collection);
    }

    // Every row of a list as text, in its order.
    static QStringList rowsOf(const PairList &pairs)
    {
        QStringList rows;
        for (int position = 1; position <= pairs.count(); ++position) {
            const PairRow row = pairs.rowAt(position);
            rows << u"%1 %2 %3:%4/%5 %6:%7/%8"_s.arg(row.id)
                        .arg(row.difference)
                        .arg(row.left.pictureId)
                        .arg(row.left.folderPath, row.left.fileName)
                        .arg(row.right.pictureId)
                        .arg(row.right.folderPath, row.right.fileName);
        }
        return rows;
    }

    test::ConnectedTestDatabase db;
    int collection = 0;
    int folder = 0;
    std::vector<int> ids;
    PairList list;
};

TEST_F(PairListTest, ListsTheCollectionsPairsMostAlikeFirstTiesInTheOrderRecorded)
{
    const int big = picture(u"big.jpg"_s, 5000);
    const int small = picture(u"small.jpg"_s, 3000);
    const int third = picture(u"third.jpg"_s, 4000);
    const int otherCollection = db.addCollection(u"Other"_s);
    const int otherFolder = db.addFolder(otherCollection, u"/elsewhere"_s);
    const int stranger = db.addPicture({.collectionId = otherCollection, .folderId = otherFolder});
    const int stranger2 = db.addPicture({.collectionId = otherCollection, .folderId = otherFolder});
    db.addPair(collection, big, third, 9);
    db.addPair(collection, small, third, 2);
    db.addPair(collection, big, small, 2);
    db.addPair(otherCollection, stranger, stranger2, 0);

    EXPECT_EQ(countPairs(db.database(), collection), 3);
    list.read(db.session(), collection);
    ASSERT_EQ(list.count(), 3);
    const PairRow first = list.rowAt(1);
    EXPECT_EQ(first.collectionId, collection);
    EXPECT_EQ(first.left.pictureId, small);
    EXPECT_EQ(first.right.pictureId, third);
    EXPECT_EQ(first.right.fileName, u"third.jpg"_s);
    EXPECT_EQ(first.right.folderPath, u"/pics"_s);
    EXPECT_EQ(first.right.size, 4000);
    // The pane that shows the larger file, whichever side it is stored on.
    EXPECT_EQ(leftShown(first).pictureId, third);
    EXPECT_EQ(list.rowAt(2).left.pictureId, big);
    EXPECT_EQ(list.rowAt(3).difference, 9);
    EXPECT_EQ(list.positionOf(first.id), 1);
    EXPECT_EQ(list.pairBetween(third, small), first.id);
    EXPECT_FALSE(list.pairBetween(stranger, stranger2));
}

TEST_F(PairListTest, APairWithoutItsPictureRowIsListedWithThatSideEmpty)
{
    const int kept = picture(u"kept.jpg"_s);
    const int gone = picture(u"gone.jpg"_s);
    db.addPair(collection, kept, gone, 1);
    // As a file of an old format could hold it: the row gone, its pair not.
    db.database().Execute(u"PRAGMA foreign_keys = OFF"_s);
    db.database().Execute(u"DELETE FROM Picture WHERE ID = ?"_s, {gone});
    list.read(db.session(), collection);
    ASSERT_EQ(list.count(), 1);
    EXPECT_EQ(list.rowAt(1).left.fileName, u"kept.jpg"_s);
    EXPECT_EQ(list.rowAt(1).right.pictureId, 0);
    EXPECT_TRUE(list.rowAt(1).right.fileName.isEmpty());
}

struct AnchorCase
{
    const char *name;
    std::vector<std::pair<int, int>> pairs; // by picture number, in list order
    int shown; // 1-based position of the shown pair
    int victim; // picture number
    int expectedRow; // 1-based; 0: none
};

class NearestWithoutTest : public PairListTest, public testing::WithParamInterface<AnchorCase>
{
};

TEST_P(NearestWithoutTest, NearestPairWithoutThePicture)
{
    const AnchorCase &c = GetParam();
    makeList(9, c.pairs);
    const std::optional<qint64> anchor = list.nearestWithout(c.shown, ids[c.victim - 1]);
    if (c.expectedRow == 0) {
        EXPECT_FALSE(anchor);
        return;
    }
    ASSERT_TRUE(anchor);
    EXPECT_EQ(list.positionOf(*anchor), c.expectedRow);
}

INSTANTIATE_TEST_SUITE_P(Lists, NearestWithoutTest,
    testing::Values(AnchorCase {"OnlyPair", {{1, 2}}, 1, 1, 0},
        AnchorCase {"NextPairWhenTheShownOneGoes", {{1, 2}, {3, 4}, {5, 6}}, 1, 1, 2},
        AnchorCase {"SkipsEveryFollowingPairOfTheVictim", {{1, 2}, {1, 3}, {4, 1}, {5, 6}}, 1, 1, 4},
        AnchorCase {"PairsBeforeTheShownOneAreNotLookedAtFirst", {{7, 8}, {1, 2}, {1, 3}, {5, 6}}, 2, 1, 4},
        AnchorCase {"LastEarlierPairWhenNoneFollows", {{5, 6}, {7, 8}, {1, 2}, {3, 1}}, 3, 1, 2},
        AnchorCase {"FirstPairWhenEveryPairHasTheVictim", {{1, 2}, {3, 1}, {1, 4}}, 2, 1, 1},
        AnchorCase {"ShownPairItselfWhenWithoutTheVictim", {{1, 2}, {3, 4}}, 2, 9, 2}),
    [](const testing::TestParamInfo<AnchorCase> &row) { return std::string(row.param.name); });

// Random pictures leave, pairs are forgotten and pictures move, through the store and in the
// list alike; after every change the list reads as the store's rows read afresh.
TEST_F(PairListTest, ChangesInPlaceLeaveTheListAsAFreshReadWould)
{
    const int otherFolder = db.addFolder(collection, u"/other"_s);
    std::mt19937 random(7);
    for (int i = 0; i < 40; ++i)
        ids.push_back(picture(u"p%1.png"_s.arg(i), 1000 + i % 7));
    for (int n = 0; n < 200; ++n) {
        const int left = static_cast<int>(random() % ids.size());
        int right = static_cast<int>(random() % (ids.size() - 1));
        right += right >= left ? 1 : 0;
        db.addPair(collection, ids[static_cast<size_t>(left)], ids[static_cast<size_t>(right)],
            static_cast<int>(random() % 6));
    }
    list.read(db.session(), collection);
    for (int step = 0; step < 60 && list.count() > 0; ++step) {
        const PairRow row = list.rowAt(1 + static_cast<int>(random() % static_cast<unsigned>(list.count())));
        switch (random() % 3) {
        case 0:
            store::DeletePicture(db.session(), row.right.pictureId);
            list.removePicture(row.right.pictureId);
            break;
        case 1:
            store::ForgetPair(db.session(), row.left.pictureId, row.right.pictureId);
            list.removePairsOf(row.left.pictureId, row.right.pictureId);
            break;
        default: {
            const QString name = u"moved%1.png"_s.arg(step);
            store::MovePicture(db.session(), row.left.pictureId, otherFolder, u"/other/"_s + name);
            list.movePicture(row.left.pictureId, otherFolder, u"/other"_s, name);
        }
        }
        PairList fresh;
        fresh.read(db.session(), collection);
        ASSERT_EQ(rowsOf(list), rowsOf(fresh)) << "after step " << step;
    }
}

} // namespace
