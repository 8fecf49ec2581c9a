// The pair query on a real database, and the anchor pair chosen from the list.
#include "review/pairlist.h"

#include <vector>

#include <gtest/gtest.h>

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
        openPairList(list, db.database(), collection);
    }

    AnchorPair pair(int left, int right) const { return {collection, ids[left - 1], ids[right - 1]}; }

    test::ConnectedTestDatabase db;
    int collection = 0;
    int folder = 0;
    std::vector<int> ids;
    store::Recordset list;
};

TEST_F(PairListTest, ListsTheCollectionsPairsMostAlikeFirst)
{
    const int big = picture(u"big.jpg"_s, 5000);
    const int small = picture(u"small.jpg"_s, 3000);
    const int third = picture(u"third.jpg"_s, 4000);
    const int otherCollection = db.addCollection(u"Other"_s);
    const int otherFolder = db.addFolder(otherCollection, u"/elsewhere"_s);
    const int stranger = db.addPicture({.collectionId = otherCollection, .folderId = otherFolder});
    const int stranger2 = db.addPicture({.collectionId = otherCollection, .folderId = otherFolder});
    db.addPair(collection, big, third, 9);
    db.addPair(collection, big, small, 2);
    db.addPair(otherCollection, stranger, stranger2, 0);

    EXPECT_EQ(countPairs(db.database(), collection), 2);
    EXPECT_EQ(countPairs(db.database(), otherCollection), 1);
    EXPECT_EQ(countPairs(db.database(), 0), 0);

    openPairList(list, db.database(), collection);
    ASSERT_EQ(list.RecordCount(), 2);
    EXPECT_EQ(list.AbsolutePosition(), 1);
    EXPECT_EQ(list.Field(u"CID").toInt(), collection);
    EXPECT_EQ(list.Field(u"LPID").toInt(), big);
    EXPECT_EQ(list.Field(u"RPID").toInt(), small);
    EXPECT_EQ(list.Field(u"LFID").toInt(), folder);
    EXPECT_EQ(sideField(list, 'L', "Name").toString(), u"big.jpg"_s);
    EXPECT_EQ(sideField(list, 'R', "Name").toString(), u"small.jpg"_s);
    EXPECT_EQ(sideField(list, 'R', "Path").toString(), u"/pics"_s);
    EXPECT_EQ(sideField(list, 'R', "Size").toInt64(), 3000); // through the bracketed [Size]
    EXPECT_TRUE(sideField(list, 'L', "Colors").isNull()); // Noise, never written
    list.MoveNext();
    EXPECT_EQ(list.Field(u"RPID").toInt(), third);
}

struct AnchorCase
{
    const char *name;
    std::vector<std::pair<int, int>> pairs; // by picture number, in list order
    int shown; // 1-based row the cursor is on; 0: after the last row
    int victim; // picture number
    int expectedRow; // 1-based; 0: the triple of zeros
};

class PickAnchorPairTest : public PairListTest, public testing::WithParamInterface<AnchorCase>
{
};

TEST_P(PickAnchorPairTest, NearestPairWithoutThePicture)
{
    const AnchorCase &c = GetParam();
    makeList(9, c.pairs);
    if (c.shown == 0) {
        list.MoveLast();
        list.MoveNext();
    } else {
        list.Move(c.shown - 1);
    }
    const AnchorPair anchor = PickAnchorPair(list, ids[c.victim - 1]);
    if (c.expectedRow == 0) {
        EXPECT_EQ(anchor, AnchorPair {});
        return;
    }
    const auto &[left, right] = c.pairs[static_cast<size_t>(c.expectedRow - 1)];
    EXPECT_EQ(anchor, pair(left, right));
    EXPECT_EQ(list.AbsolutePosition(), c.expectedRow);
}

INSTANTIATE_TEST_SUITE_P(Lists, PickAnchorPairTest,
    testing::Values(AnchorCase {"OnlyPair", {{1, 2}}, 1, 1, 0},
        AnchorCase {"NextPairWhenTheShownOneGoes", {{1, 2}, {3, 4}, {5, 6}}, 1, 1, 2},
        AnchorCase {"SkipsEveryFollowingPairOfTheVictim", {{1, 2}, {1, 3}, {4, 1}, {5, 6}}, 1, 1, 4},
        AnchorCase {"PairsBeforeTheShownOneAreNotLookedAtFirst", {{7, 8}, {1, 2}, {1, 3}, {5, 6}}, 2, 1, 4},
        AnchorCase {"LastEarlierPairWhenNoneFollows", {{5, 6}, {7, 8}, {1, 2}, {3, 1}}, 3, 1, 2},
        AnchorCase {"FirstPairWhenEveryPairHasTheVictim", {{1, 2}, {3, 1}, {1, 4}}, 2, 1, 1},
        AnchorCase {"ShownPairItselfWhenWithoutTheVictim", {{1, 2}, {3, 4}}, 2, 9, 2},
        AnchorCase {"AfterTheLastRowStepsBack", {{5, 6}, {1, 2}}, 0, 1, 1}),
    [](const testing::TestParamInfo<AnchorCase> &row) { return std::string(row.param.name); });

TEST_F(PairListTest, MoveToPairFindsTheTripleOrEndsAfterTheLastRow)
{
    makeList(6, {{1, 2}, {3, 4}, {5, 6}});
    EXPECT_TRUE(moveToPair(list, pair(3, 4)));
    EXPECT_EQ(list.AbsolutePosition(), 2);
    EXPECT_TRUE(moveToPair(list, ids[4], ids[5]));
    EXPECT_EQ(list.AbsolutePosition(), 3);
    EXPECT_FALSE(moveToPair(list, pair(4, 3)));
    EXPECT_TRUE(list.Eof());
    EXPECT_FALSE(moveToPair(list, AnchorPair {}));
}

} // namespace
