// The limits, the early-stop sum and the pair test with its edge cases: the figures come from the
// threshold table and from blobs whose sums can be checked by hand.
#include <array>
#include <climits>
#include <cstdint>
#include <ostream>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/error.h"
#include "imaging/difference.h"
#include "imaging/pairscan.h"

using namespace vexaris::imaging;

namespace {

// --- Limits and methods

struct LimitsCase
{
    int threshold;
    int32_t color;
    int32_t edge;
    int32_t average;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const LimitsCase &value, std::ostream *out)
{
    *out << "threshold " << value.threshold;
}

class LimitsOf : public testing::TestWithParam<LimitsCase>
{
};

TEST_P(LimitsOf, Threshold)
{
    const DifferenceLimits limits = ComputeLimits(GetParam().threshold);
    EXPECT_EQ(limits.ColorLimit, GetParam().color);
    EXPECT_EQ(limits.EdgeLimit, GetParam().edge);
    EXPECT_EQ(limits.AverageLimit, GetParam().average);
}

INSTANTIATE_TEST_SUITE_P(Difference, LimitsOf,
    testing::Values(LimitsCase {0, 0, 0, 0}, LimitsCase {5, 983040, 163840, 80}, LimitsCase {10, 1966080, 327680, 160},
        LimitsCase {20, 3932160, 655360, 320}, LimitsCase {100, 19660800, 3276800, 1600}),
    [](const auto &row) { return "Threshold" + std::to_string(row.param.threshold); });

TEST(Limits, ThresholdOutside0To100IsRefused)
{
    for (const int threshold : {-1, 101, 20000, INT_MIN})
        EXPECT_THROW(ComputeLimits(threshold), vexaris::Error) << threshold;
}

TEST(ComparisonMethod, NumbersOutside0To5AreRefused)
{
    EXPECT_EQ(ComparisonMethodFromInt(0), ComparisonMethod::FileProperties);
    EXPECT_EQ(ComparisonMethodFromInt(5), ComparisonMethod::AveragedColors);
    for (const int method : {-1, 6})
        EXPECT_THROW(ComparisonMethodFromInt(method), vexaris::Error) << method;
}

// --- The sum of squared differences, for each kernel this processor can run

struct Kernel
{
    std::string name;
    SumKernel sum;
};

void PrintTo(const Kernel &value, std::ostream *out)
{
    *out << value.name;
}

std::vector<Kernel> kernels()
{
    std::vector<Kernel> result {
        {"Portable", &SumOfSquaredDifferencesPortable}, {"Dispatched", &SumOfSquaredDifferences}};
    if (SumKernel avx2 = Avx2SumKernel())
        result.push_back({"Avx2", avx2});
    return result;
}

std::vector<Kernel> fastKernels()
{
    std::vector<Kernel> result = kernels();
    result.erase(result.begin()); // the portable reference
    return result;
}

class SumKernels : public testing::TestWithParam<Kernel>
{
protected:
    int32_t sum(int32_t limit, const std::vector<uint8_t> &a, const std::vector<uint8_t> &b) const
    {
        EXPECT_EQ(a.size(), b.size());
        return GetParam().sum(limit, a.data(), b.data(), a.size());
    }
};

TEST_P(SumKernels, HandCheckableSums)
{
    struct Case
    {
        const char *name;
        std::vector<uint8_t> a;
        std::vector<uint8_t> b;
        int32_t expected;
    };
    std::vector<uint8_t> oneByteApart(3072, 100);
    oneByteApart[3071] = 101;
    std::vector<uint8_t> farAtTheEnd(1024, 0);
    farAtTheEnd[1023] = 255;
    const std::vector<Case> cases {
        {"identical", std::vector<uint8_t>(3072, 77), std::vector<uint8_t>(3072, 77), 0},
        {"each byte one apart", std::vector<uint8_t>(3072, 10), std::vector<uint8_t>(3072, 11), 3072},
        {"b larger than a", std::vector<uint8_t>(1024, 200), std::vector<uint8_t>(1024, 190), 102400},
        {"last byte differs by one", std::vector<uint8_t>(3072, 100), oneByteApart, 1},
        {"last byte 0 against 255", std::vector<uint8_t>(1024, 0), farAtTheEnd, 65025},
        {"largest thumbnail sum", std::vector<uint8_t>(3072, 0), std::vector<uint8_t>(3072, 255), 199756800},
        {"length below one block", std::vector<uint8_t>(12, 3), std::vector<uint8_t>(12, 5), 48},
        {"length not a whole number of blocks", std::vector<uint8_t>(100, 9), std::vector<uint8_t>(100, 6), 900},
        {"empty", {}, {}, 0},
    };
    for (const Case &c : cases)
        EXPECT_EQ(sum(INT32_MAX, c.a, c.b), c.expected) << c.name;
}

TEST_P(SumKernels, SumExactlyAtTheLimitIsReturnedWhole)
{
    // Every byte 8 apart: 3072 × 64 = 196608, the colour limit of threshold 1.
    const std::vector<uint8_t> a(3072, 50);
    const std::vector<uint8_t> b(3072, 58);
    EXPECT_EQ(sum(196608, a, b), 196608);
    EXPECT_GT(sum(196607, a, b), 196607);
}

TEST_P(SumKernels, StopsEarlyOnceTheLimitIsPassed)
{
    const std::vector<uint8_t> a(3072, 0);
    const std::vector<uint8_t> b(3072, 255);
    const int32_t partial = sum(0, a, b);
    EXPECT_GT(partial, 0);
    EXPECT_LT(partial, 199756800);
}

// The kernels that stand in for the portable one must agree with it on every result.
class FastKernels : public SumKernels
{
};

TEST_P(FastKernels, AgreeWithThePortableKernelOnRandomBlobs)
{
    std::mt19937 random(12345);
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> noise(-6, 6);
    for (int round = 0; round < 300; ++round) {
        const size_t length = round % 3 == 0 ? 1024 : round % 3 == 1 ? 3072 : static_cast<size_t>(round);
        std::vector<uint8_t> a(length);
        std::vector<uint8_t> b(length);
        for (size_t i = 0; i < length; ++i) {
            a[i] = static_cast<uint8_t>(byte(random));
            // Half the rounds near-identical blobs, so that sums fall on both sides of the limit.
            b[i] = round % 2 ? static_cast<uint8_t>(std::clamp(a[i] + noise(random), 0, 255))
                             : static_cast<uint8_t>(byte(random));
        }
        const int32_t limit = round % 2 ? static_cast<int32_t>(length) * 12 : (round % 5) * 1966080;
        const int32_t expected = SumOfSquaredDifferencesPortable(limit, a.data(), b.data(), length);
        const int32_t actual = sum(limit, a, b);
        if (expected <= limit)
            ASSERT_EQ(actual, expected) << "round " << round;
        else
            ASSERT_GT(actual, limit) << "round " << round;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Difference, SumKernels, testing::ValuesIn(kernels()), [](const auto &row) { return row.param.name; });
INSTANTIATE_TEST_SUITE_P(
    Difference, FastKernels, testing::ValuesIn(fastKernels()), [](const auto &row) { return row.param.name; });

TEST(AverageColorsDifference, SumsAllTwelveBytes)
{
    const AverageColorsBytes a {10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 110, 120};
    AverageColorsBytes b = a;
    b[0] = 20; // 10²
    b[11] = 117; // 3²
    EXPECT_EQ(AverageColorsDifference(a.data(), b.data()), 109);
    EXPECT_EQ(AverageColorsDifference(a.data(), a.data()), 0);
}

// --- The pair test

// A picture record with its own blobs. Blobs left empty stay null in the view, so a test can
// show that a pair test rejects or accepts without reading them.
struct Picture
{
    int32_t id = 1;
    std::u16string name = u"a.jpg";
    int32_t size = 1000;
    double created = 45000.25;
    double modified = 45001.5;
    std::vector<uint8_t> thumbnail = std::vector<uint8_t>(3072, 100);
    std::vector<uint8_t> derivative = std::vector<uint8_t>(1024, 200);
    int32_t colorRank = 0;
    int32_t derivativeRank = 0;
    std::vector<uint8_t> averages = std::vector<uint8_t>(12, 50);

    PictureView view() const
    {
        const auto pointer = [](const std::vector<uint8_t> &bytes) { return bytes.empty() ? nullptr : bytes.data(); };
        return {id, name, size, created, modified,
            {pointer(thumbnail), pointer(derivative), colorRank, derivativeRank, pointer(averages)}};
    }
};

// A second picture with the same signature as the first but another file.
Picture otherFile(const Picture &first)
{
    Picture second = first;
    second.id = first.id + 1;
    second.name = u"b.jpg";
    second.size = first.size + 1;
    return second;
}

constexpr ComparisonMethod kAllMethods[]
    = {ComparisonMethod::FileProperties, ComparisonMethod::ColorImage, ComparisonMethod::Edges,
        ComparisonMethod::ColorAndEdges, ComparisonMethod::ColorOrEdges, ComparisonMethod::AveragedColors};

struct Outcome
{
    bool match;
    int32_t difference; // read only after a match
};

Outcome compare(const Picture &a, const Picture &b, ComparisonMethod method, int threshold)
{
    int32_t difference = -12345;
    const bool match = ComparePair(a.view(), b.view(), method, ComputeLimits(threshold), difference);
    return {match, match ? difference : -1};
}

std::string methodName(ComparisonMethod method)
{
    return "method " + std::to_string(static_cast<int>(method));
}

TEST(ComparePair, SameFilePropertiesMatchUnderEveryMethodWithDifferenceZero)
{
    Picture a;
    Picture b = a;
    b.id = 2;
    b.thumbnail.assign(3072, 0);
    b.derivative.assign(1024, 0);
    b.averages.assign(12, 255);
    b.colorRank = 90000000;
    b.derivativeRank = -90000000;
    for (const ComparisonMethod method : kAllMethods) {
        const Outcome outcome = compare(a, b, method, 0);
        EXPECT_TRUE(outcome.match) << methodName(method);
        EXPECT_EQ(outcome.difference, 0) << methodName(method);
    }
}

TEST(ComparePair, APictureNeverMatchesItsOwnRecord)
{
    const Picture a;
    for (const ComparisonMethod method : kAllMethods)
        EXPECT_FALSE(compare(a, a, method, 100).match) << methodName(method);
}

TEST(ComparePair, IdentityNeedsAllFourPropertiesEqual)
{
    const Picture a;
    struct Case
    {
        const char *name;
        Picture b;
    };
    std::vector<Case> cases(4, Case {"", a});
    cases[0].name = "name differs in case only";
    cases[0].b.name = u"A.jpg";
    cases[1].name = "size";
    cases[1].b.size += 1;
    cases[2].name = "created";
    cases[2].b.created += 1.0 / 86400;
    cases[3].name = "modified";
    cases[3].b.modified -= 1.0 / 86400;
    for (Case &c : cases) {
        c.b.id = 2;
        EXPECT_FALSE(compare(a, c.b, ComparisonMethod::FileProperties, 100).match) << c.name;
    }
}

TEST(ComparePair, FilePropertiesMethodIgnoresIdenticalSignatures)
{
    const Picture a;
    EXPECT_FALSE(compare(a, otherFile(a), ComparisonMethod::FileProperties, 100).match);
}

TEST(ComparePair, ThresholdZero)
{
    const Picture a;
    const Picture same = otherFile(a);
    Picture thumbnailByteApart = same;
    thumbnailByteApart.thumbnail[1500] += 1;
    Picture colorRankApart = same;
    colorRankApart.colorRank += 1;
    Picture averagesApart = same;
    averagesApart.averages[3] += 1;

    struct Case
    {
        const char *name;
        const Picture &b;
        ComparisonMethod method;
        Outcome expected;
    };
    const Case cases[] = {
        {"identical signatures, colour image", same, ComparisonMethod::ColorImage, {true, 0}},
        {"identical signatures, edges", same, ComparisonMethod::Edges, {true, 0}},
        {"identical signatures, colour and edges never match", same, ComparisonMethod::ColorAndEdges, {false, -1}},
        {"identical signatures, colour or edges", same, ComparisonMethod::ColorOrEdges, {true, 0}},
        {"identical signatures, averaged colours", same, ComparisonMethod::AveragedColors, {true, 0}},
        {"one thumbnail byte apart, colour image", thumbnailByteApart, ComparisonMethod::ColorImage, {false, -1}},
        {"one thumbnail byte apart, edge branch still holds", thumbnailByteApart, ComparisonMethod::ColorOrEdges,
            {true, 0}},
        {"colour rank apart, colour image", colorRankApart, ComparisonMethod::ColorImage, {false, -1}},
        {"colour rank apart, averaged colours", colorRankApart, ComparisonMethod::AveragedColors, {false, -1}},
        {"averages apart, averaged colours", averagesApart, ComparisonMethod::AveragedColors, {false, -1}},
    };
    for (const Case &c : cases) {
        const Outcome outcome = compare(a, c.b, c.method, 0);
        EXPECT_EQ(outcome.match, c.expected.match) << c.name;
        EXPECT_EQ(outcome.difference, c.expected.difference) << c.name;
    }
}

TEST(ComparePair, ThumbnailSumExactlyAtTheColourLimitMatches)
{
    // At threshold 1 the colour limit is 196608 = 3072 × 8²: every byte 8 apart is just inside.
    const Picture a;
    Picture atLimit = otherFile(a);
    atLimit.thumbnail.assign(3072, 108);
    Picture pastLimit = atLimit;
    pastLimit.thumbnail[0] = 109;
    // Method 4 reaches its colour branch only when the edge branch fails.
    Picture atLimitEdgesApart = atLimit;
    atLimitEdgesApart.derivativeRank = 10000000;

    EXPECT_TRUE(compare(a, atLimit, ComparisonMethod::ColorImage, 1).match);
    EXPECT_EQ(compare(a, atLimit, ComparisonMethod::ColorImage, 1).difference, 196608);
    EXPECT_FALSE(compare(a, pastLimit, ComparisonMethod::ColorImage, 1).match);
    EXPECT_TRUE(compare(a, atLimit, ComparisonMethod::ColorAndEdges, 1).match);
    EXPECT_EQ(compare(a, atLimit, ComparisonMethod::ColorAndEdges, 1).difference, 0);
    EXPECT_FALSE(compare(a, pastLimit, ComparisonMethod::ColorAndEdges, 1).match);
    EXPECT_TRUE(compare(a, atLimitEdgesApart, ComparisonMethod::ColorOrEdges, 1).match);
    EXPECT_EQ(compare(a, atLimitEdgesApart, ComparisonMethod::ColorOrEdges, 1).difference, 0);
    Picture pastLimitEdgesApart = pastLimit;
    pastLimitEdgesApart.derivativeRank = 10000000;
    EXPECT_FALSE(compare(a, pastLimitEdgesApart, ComparisonMethod::ColorOrEdges, 1).match);
}

TEST(ComparePair, ColourRankDistanceExactlyAtTheLimit)
{
    // Identical blobs; only the rank distance, 196608 = the colour limit at threshold 1, decides.
    const Picture a;
    Picture b = otherFile(a);
    b.colorRank = a.colorRank + 196608;
    b.derivativeRank = 10000000; // keeps method 4 off its edge branch

    struct Case
    {
        ComparisonMethod method;
        bool match;
    };
    const Case cases[] = {{ComparisonMethod::ColorImage, true}, {ComparisonMethod::AveragedColors, true},
        {ComparisonMethod::ColorOrEdges, false}};
    for (const Case &c : cases)
        EXPECT_EQ(compare(a, b, c.method, 1).match, c.match) << methodName(c.method);

    b.derivativeRank = 0;
    EXPECT_FALSE(compare(a, b, ComparisonMethod::ColorAndEdges, 1).match) << "edges pass, colour rank does not";
}

TEST(ComparePair, EdgeBranchOfMethod4MatchesWhateverTheColours)
{
    const Picture a;
    Picture b = otherFile(a);
    b.thumbnail.clear(); // must not be read
    b.colorRank = 90000000;
    const Outcome outcome = compare(a, b, ComparisonMethod::ColorOrEdges, 0);
    EXPECT_TRUE(outcome.match);
    EXPECT_EQ(outcome.difference, 0);
}

TEST(ComparePair, EdgeMeasures)
{
    // Threshold 1: edge limit 32768, which 512 bytes 8 apart give exactly.
    const Picture a;
    Picture atLimit = otherFile(a);
    std::fill(atLimit.derivative.begin(), atLimit.derivative.begin() + 512, uint8_t {208});
    Picture pastLimit = atLimit;
    pastLimit.derivative[1000] = 201;
    Picture rankAbove = otherFile(a);
    rankAbove.derivativeRank = 32769;
    Picture rankBelowWithinLimit = otherFile(a);
    rankBelowWithinLimit.derivativeRank = -32768;

    EXPECT_TRUE(compare(a, atLimit, ComparisonMethod::Edges, 1).match);
    EXPECT_EQ(compare(a, atLimit, ComparisonMethod::Edges, 1).difference, 32768);
    EXPECT_FALSE(compare(a, pastLimit, ComparisonMethod::Edges, 1).match);
    EXPECT_FALSE(compare(a, rankAbove, ComparisonMethod::Edges, 1).match);
    EXPECT_TRUE(compare(a, rankBelowWithinLimit, ComparisonMethod::Edges, 1).match) << "the distance is absolute";
}

TEST(ComparePair, AveragedColoursSumExactlyAtTheLimitMatches)
{
    // Threshold 1: average limit 16 = 4².
    const Picture a;
    Picture atLimit = otherFile(a);
    atLimit.averages[7] = 54;
    Picture pastLimit = atLimit;
    pastLimit.averages[0] = 51;
    atLimit.thumbnail.assign(3072, 0); // the thumbnails play no part
    EXPECT_TRUE(compare(a, atLimit, ComparisonMethod::AveragedColors, 1).match);
    EXPECT_EQ(compare(a, atLimit, ComparisonMethod::AveragedColors, 1).difference, 16);
    EXPECT_FALSE(compare(a, pastLimit, ComparisonMethod::AveragedColors, 1).match);
}

// The rank pre-tests come before any blob is read: with the blobs absent, a pair that fails its
// pre-test is rejected all the same.
TEST(ComparePair, RankPreTestsRejectBeforeReadingBlobs)
{
    const Picture a;
    Picture b = otherFile(a);
    b.thumbnail.clear();
    b.derivative.clear();
    b.averages.clear();
    b.colorRank = 196609;
    b.derivativeRank = 32769;
    for (const ComparisonMethod method : kAllMethods)
        EXPECT_FALSE(compare(a, b, method, 1).match) << methodName(method);
}

TEST(ComparePair, ColourAndEdgesTestsEdgesFirst)
{
    const Picture a;
    Picture b = otherFile(a);
    b.thumbnail.clear();
    b.derivative.assign(1024, 0); // far past the edge limit
    EXPECT_FALSE(compare(a, b, ComparisonMethod::ColorAndEdges, 100).match);
}

} // namespace

namespace vexaris::imaging {
namespace {

// The scan rejects a pair when the block sums' bound passes 16 times the limit; that is sound only
// if the bound never exceeds 16 times the blob sum. It meets it when every byte differs alike.
TEST(BlockBound, IsAtMostSixteenTimesTheSumAndMeetsItForAnEvenDifference)
{
    ThumbnailBytes a {};
    ThumbnailBytes b {};
    for (size_t i = 0; i < kThumbnailBytes; ++i) {
        a[i] = static_cast<uint8_t>(10 + (i * 37) % 200);
        b[i] = static_cast<uint8_t>(a[i] + (i % 3 == 2 ? 5 : 0)); // every value byte 5 higher
    }
    int16_t sumsA[PairScanner::kBlocks];
    int16_t sumsB[PairScanner::kBlocks];
    ValueBlockSums(a.data(), sumsA);
    ValueBlockSums(b.data(), sumsB);
    const int32_t sum = SumOfSquaredDifferencesPortable(INT32_MAX, a.data(), b.data(), kThumbnailBytes);
    EXPECT_EQ(sum, 1024 * 25);
    EXPECT_EQ(BlockBound(sumsA, sumsB), 16 * int64_t {sum});

    // Differences that cancel within a square leave the bound below the sum's share.
    for (size_t i = 2; i < kThumbnailBytes; i += 3)
        b[i] = static_cast<uint8_t>(a[i] + ((i / 3) % 2 == 0 ? 5 : -5));
    ValueBlockSums(b.data(), sumsB);
    EXPECT_EQ(BlockBound(sumsA, sumsB), 0);
    EXPECT_EQ(SumOfSquaredDifferencesPortable(INT32_MAX, a.data(), b.data(), kThumbnailBytes), 1024 * 25);
}

} // namespace
} // namespace vexaris::imaging
