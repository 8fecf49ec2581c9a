// The core of the pairs overview on a real database: groups of pairs joined by a picture, the
// filter, the order of every column with its ties, the histogram's bins, and the colours of the
// small pictures drawn from stored thumbnails.
#include <map>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "review/pairfilter.h"
#include "review/pairgroups.h"
#include "review/pairtable.h"
#include "review/pairthumbnail.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::review;
using namespace Qt::Literals::StringLiterals;

namespace {

// Seven pictures in four folders ("/photos old" only begins like "/photos") and five pairs named
// by letters. In list order, by Difference: A 1, C 3, B 5, D 8, E 12. A, B and E join IMG_2,
// IMG_10 and img_3 into one group; C and D are groups of their own.
class OverviewTest : public testing::Test
{
protected:
    void SetUp() override
    {
        collection = db.addCollection(u"Holiday"_s);
        const int photos = db.addFolder(collection, u"/photos"_s);
        const int year = db.addFolder(collection, u"/photos/2005"_s);
        const int backup = db.addFolder(collection, u"/backup"_s);
        const int old = db.addFolder(collection, u"/photos old"_s);
        const auto picture = [&](const QString &name, int folder, qint64 size, int width, int height) {
            return db.addPicture({.collectionId = collection,
                .folderId = folder,
                .fileName = name,
                .size = size,
                .width = width,
                .height = height});
        };
        const int p1 = picture(u"IMG_2.jpg"_s, photos, 3000, 4000, 3000);
        const int p2 = picture(u"IMG_10.jpg"_s, backup, 2000, 2000, 1500);
        const int p3 = picture(u"img_3.png"_s, year, 2500, 4000, 3000);
        const int p4 = picture(u"scan.png"_s, backup, 1000, 800, 600);
        const int p5 = picture(u"scan copy.gif"_s, old, 1000, 800, 600);
        const int p6 = picture(u"a.jpg"_s, photos, 500, 640, 480);
        const int p7 = picture(u"b.jpg"_s, photos, 400, 640, 480);
        const std::pair<char, std::tuple<int, int, int>> pairs[]
            = {{'A', {p1, p2, 1}}, {'B', {p2, p3, 5}}, {'C', {p4, p5, 3}}, {'D', {p6, p7, 8}}, {'E', {p1, p3, 12}}};
        for (const auto &[letter, pair] : pairs) {
            db.addPair(collection, std::get<0>(pair), std::get<1>(pair), std::get<2>(pair));
            letters[db.database().lastInsertId()] = letter;
        }
        list.read(db.session(), collection);
    }

    // The pairs of the entries, by their letters.
    std::string lettersOf(const PairTable &table, const std::vector<uint32_t> &entries)
    {
        std::string text;
        for (const uint32_t entry : entries)
            text += letters.at(table.entry(entry).id);
        return text;
    }

    test::ConnectedTestDatabase db;
    int collection = 0;
    std::map<qint64, char> letters;
    PairList list;
};

TEST_F(OverviewTest, PairsSharingAPictureFormOneGroupNumberedInListOrder)
{
    const PairTable table(list);
    std::string groups;
    for (size_t i = 0; i < table.size(); ++i)
        groups += letters.at(table.entry(i).id) + std::to_string(table.entry(i).group) + ' ';
    EXPECT_EQ(groups, "A1 C2 B1 D3 E1 ");
    const std::vector<PairGroup> &found = table.grouping().groups;
    ASSERT_EQ(found.size(), 3u);
    EXPECT_EQ(found[0].pairs, 3);
    EXPECT_EQ(found[0].pictures, 3);
    EXPECT_EQ(found[0].largestDifference, 12);
    EXPECT_EQ(found[2].pictures, 2);
    EXPECT_EQ(found[2].largestDifference, 8);
    // Most pairs first; of groups as large, the loosest first.
    EXPECT_EQ(groupsBySize(table.grouping()), (std::vector<int> {1, 3, 2}));

    const PairTally tally = countPairsAndGroups(db.session(), collection);
    EXPECT_EQ(tally.pairs, 5);
    EXPECT_EQ(tally.groups, 3);
}

TEST_F(OverviewTest, AChainOfPairsIsOneGroupHoweverItIsRecorded)
{
    // A ring of three pictures, a square of four and a pair of a picture with itself, shuffled.
    const std::vector<PairEdge> edges
        = {{5, 6, 0}, {0, 1, 4}, {3, 0, 1}, {2, 3, 9}, {7, 5, 2}, {1, 2, 3}, {6, 7, 5}, {4, 4, 0}};
    const PairGrouping grouping = groupPairs(edges, 8);
    EXPECT_EQ(grouping.groupOf, (std::vector<int32_t> {1, 2, 2, 2, 1, 2, 1, 3}));
    ASSERT_EQ(grouping.groups.size(), 3u);
    EXPECT_EQ(grouping.groups[1].pairs, 4);
    EXPECT_EQ(grouping.groups[1].pictures, 4);
    EXPECT_EQ(grouping.groups[1].largestDifference, 9);
    EXPECT_EQ(grouping.groups[2].pictures, 1);
}

struct FilterCase
{
    const char *name;
    PairFilter filter;
    const char *shown;
};

class OverviewFilterTest : public OverviewTest, public testing::WithParamInterface<FilterCase>
{
};

TEST_P(OverviewFilterTest, ShowsThePairsThatPassInTheOrderGiven)
{
    const PairTable table(list);
    const std::vector<uint32_t> order = table.order(PairColumn::Difference, false);
    const FilteredPairs filtered = filterEntries(table, order, GetParam().filter, makeBins(0, 12, 80));
    EXPECT_EQ(lettersOf(table, filtered.shown), GetParam().shown);
}

const PairFilter kAnything;

INSTANTIATE_TEST_SUITE_P(Filters, OverviewFilterTest,
    testing::Values(FilterCase {"Everything", kAnything, "ACBDE"},
        FilterCase {"Interval", {.minDifference = 3, .maxDifference = 8}, "CBD"},
        FilterCase {"FolderEitherSideOrBelowNotASibling", {.folder = u"/photos"_s}, "ABDE"},
        FilterCase {"FolderWithADelimiter", {.folder = u"/photos/2005/"_s}, "BE"},
        FilterCase {"SameFolder", {.relation = FolderRelation::Same}, "D"},
        FilterCase {"DifferentFolders", {.relation = FolderRelation::Different}, "ACBE"},
        FilterCase {"FormatEitherSide", {.format = u"png"_s}, "CBE"}, FilterCase {"Group", {.group = 1}, "ABE"},
        FilterCase {"GroupAndInterval", {.maxDifference = 5, .group = 1}, "AB"}),
    [](const testing::TestParamInfo<FilterCase> &row) { return std::string(row.param.name); });

TEST_F(OverviewTest, TheHistogramCountsEveryConditionButTheInterval)
{
    const PairTable table(list);
    const DifferenceBins bins = makeBins(0, 12, 4);
    EXPECT_EQ(bins.width, 4);
    EXPECT_EQ(bins.count, 4);
    const FilteredPairs filtered = filterEntries(
        table, table.order(PairColumn::Difference, false), {.minDifference = 5, .maxDifference = 5, .group = 1}, bins);
    EXPECT_EQ(lettersOf(table, filtered.shown), "B");
    // Group 1's Differences 1, 5 and 12 in the bins 0-3, 4-7, 8-11, 12-15.
    EXPECT_EQ(filtered.binCounts, (std::vector<qint64> {1, 1, 0, 1}));
}

TEST(DifferenceBinsTest, WholeWidthsOverTheRangeAndValuesClampedToThem)
{
    const DifferenceBins narrow = makeBins(0, 30, 80);
    EXPECT_EQ(narrow.width, 1);
    EXPECT_EQ(narrow.count, 31);
    const DifferenceBins wide = makeBins(100, 299, 80);
    EXPECT_EQ(wide.width, 3);
    EXPECT_EQ(wide.count, 67);
    EXPECT_EQ(wide.binOf(100), 0);
    EXPECT_EQ(wide.binOf(105), 1);
    EXPECT_EQ(wide.binOf(299), 66);
    EXPECT_EQ(wide.binOf(50), 0);
    EXPECT_EQ(wide.lastOf(66), 300);
    EXPECT_EQ(makeBins(7, 7, 80).count, 1);
}

struct OrderCase
{
    const char *name;
    PairColumn column;
    bool descending;
    const char *order;
};

class OverviewOrderTest : public OverviewTest, public testing::WithParamInterface<OrderCase>
{
};

TEST_P(OverviewOrderTest, OrdersByTheColumnTiesInListOrderEitherWay)
{
    const PairTable table(list);
    EXPECT_EQ(lettersOf(table, table.order(GetParam().column, GetParam().descending)), GetParam().order);
}

// The left side is the larger file (of equal sizes the stored left one): A IMG_2, C scan.png,
// B img_3, D a.jpg, E IMG_2; on the right A IMG_10, C scan copy.gif, B IMG_10, D b.jpg, E img_3.
INSTANTIATE_TEST_SUITE_P(Columns, OverviewOrderTest,
    testing::Values(OrderCase {"Difference", PairColumn::Difference, false, "ACBDE"},
        OrderCase {"DifferenceDescending", PairColumn::Difference, true, "EDBCA"},
        OrderCase {"Group", PairColumn::Group, false, "ABECD"},
        OrderCase {"LeftNameLetterCaseSecond", PairColumn::LeftName, false, "DAEBC"},
        OrderCase {"LeftNameDescendingTiesStillInListOrder", PairColumn::LeftName, true, "CBAED"},
        OrderCase {"RightNameNumbersByValue", PairColumn::RightName, false, "DEABC"},
        OrderCase {"LeftFolder", PairColumn::LeftFolder, false, "CADEB"},
        OrderCase {"LeftPixels", PairColumn::LeftPixels, false, "DCABE"},
        OrderCase {"RightSizeDescending", PairColumn::RightSize, true, "EABCD"}),
    [](const testing::TestParamInfo<OrderCase> &row) { return std::string(row.param.name); });

TEST_F(OverviewTest, AnEntryGivesBackItsStoredRowAndIsFoundByItsPair)
{
    const PairTable table(list);
    for (size_t i = 0; i < table.size(); ++i) {
        const PairRow row = table.rowOf(i);
        const std::optional<PairRow> stored = list.row(table.entry(i).id);
        ASSERT_TRUE(stored);
        EXPECT_EQ(row.left.pictureId, stored->left.pictureId);
        EXPECT_EQ(row.right.pictureId, stored->right.pictureId);
        EXPECT_EQ(leftShown(row).pictureId, table.leftOf(i).pictureId);
        EXPECT_EQ(table.indexOf(row.id), i);
    }
    EXPECT_FALSE(table.indexOf(-1));
}

struct ColourCase
{
    const char *name;
    std::array<uint8_t, 3> stored; // hue 0..63, saturation 0..63, value
    std::array<int, 3> rgb; // as a picture read in colour bytes shows it
};

class ThumbnailColourTest : public testing::TestWithParam<ColourCase>
{
};

// The cells of the signature's worked examples ((255, 0, 255), (200, 100, 150), (10, 200, 50) in
// the order the colour bytes are kept, blue first), as the thumbnail keeps them.
TEST_P(ThumbnailColourTest, StoredCellsComeBackNearTheirColours)
{
    const ColourCase &c = GetParam();
    QByteArray thumbnail(kThumbnailBytes, '\0');
    for (qsizetype cell = 0; cell < kThumbnailBytes; cell += 3) {
        for (int i = 0; i < 3; ++i)
            thumbnail[cell + i] = static_cast<char>(c.stored[static_cast<size_t>(i)]);
    }
    const auto colours = thumbnailColors(thumbnail, false);
    const auto palette = thumbnailColors(thumbnail, true);
    for (size_t i = 0; i < 3; ++i) {
        // A hue kept in 64 steps is off by up to a twelfth of the cell's spread.
        EXPECT_NEAR(colours[colours.size() - 3 + i], c.rgb[i], 12) << i;
        EXPECT_EQ(palette[i], colours[2 - i]);
    }
}

INSTANTIATE_TEST_SUITE_P(Cells, ThumbnailColourTest,
    testing::Values(ColourCase {"Magenta", {53, 63, 255}, {255, 0, 255}},
        ColourCase {"Lilac", {58, 31, 200}, {150, 100, 200}}, ColourCase {"Green", {23, 60, 200}, {50, 200, 10}},
        ColourCase {"WhiteStaysGrey", {0, 0, 255}, {255, 255, 255}}),
    [](const testing::TestParamInfo<ColourCase> &row) { return std::string(row.param.name); });

TEST_F(OverviewTest, AThumbnailIsReadOnlyWhenItIsOne)
{
    const int folder = db.addFolder(collection, u"/more"_s);
    const int whole = db.addPicture({.collectionId = collection, .folderId = folder});
    const int cut = db.addPicture({.collectionId = collection, .folderId = folder, .thumbnail = QByteArray(100, 'x')});
    ThumbnailReader reader(db.database());
    EXPECT_EQ(reader.read(whole).size(), kThumbnailBytes);
    EXPECT_TRUE(reader.read(cut).isEmpty());
    EXPECT_TRUE(reader.read(-5).isEmpty());
}

} // namespace
