// The scan's fast pair loop, on one thread and on several, against the reference loop made pair by
// pair with ComparePair: the same pairs, differences and counts for every method and threshold,
// over signatures of real pictures and of slightly changed copies of them.
#include <filesystem>
#include <random>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "imaging/imgutils.h"
#include "imaging/pictureloader.h"
#include "runs/duplicatescan.h"

using namespace vexaris;
using imaging::ComparisonMethod;

namespace {

struct Pictures
{
    std::vector<imaging::Signature> signatures;
    std::vector<std::u16string> names;
    std::vector<imaging::AverageColorsBytes> averages;
    std::vector<runs::ScanPicture> scan;
};

// Every picture of the test data that loads, each followed by copies brightened, darkened and
// noisier by a few steps (near duplicates at every threshold), some of them with the original's
// name, size and times (the same file, listed twice). More pictures than one block of the fast
// loop holds, so that its blocks are joined as well.
const Pictures &pictures()
{
    static const Pictures all = [] {
        Pictures made;
        std::mt19937 random(20261208);
        std::vector<imaging::Bitmap> bitmaps;
        for (const auto &entry : std::filesystem::recursive_directory_iterator(VEXARIS_TEST_DATA)) {
            if (!entry.is_regular_file())
                continue;
            try {
                imaging::Bitmap bitmap = imaging::PictureToBitmap(imaging::LoadPictureFile(entry.path()));
                if (bitmap.width() >= imaging::MinPictureSide && bitmap.height() >= imaging::MinPictureSide)
                    bitmaps.push_back(std::move(bitmap));
            } catch (const std::exception &) {
                // Not a picture, or one made to fail.
            }
        }
        std::uniform_int_distribution<int> step(-12, 12);
        int serial = 0;
        while (made.signatures.size() < 1200) {
            for (const imaging::Bitmap &original : bitmaps) {
                imaging::Bitmap copy = original;
                const int shift = step(random);
                std::uniform_int_distribution<int> noise(-serial % 7, serial % 7);
                for (int y = 0; y < copy.height(); ++y) {
                    uint8_t *row = copy.row(y);
                    for (size_t x = 0; x < copy.stride(); ++x)
                        row[x] = static_cast<uint8_t>(std::clamp(row[x] + shift + noise(random), 0, 255));
                }
                if (copy.layout() == imaging::Layout::Palette8) {
                    for (imaging::PaletteEntry &entry : copy.palette)
                        entry.red = static_cast<uint8_t>(std::clamp(entry.red + shift, 0, 255));
                }
                made.signatures.push_back(imaging::ComputeSignature(serial % 5 == 0 ? original : copy));
                made.names.push_back(u"picture" + std::u16string(1, static_cast<char16_t>(u'a' + serial % 3)));
                ++serial;
            }
        }
        std::vector<size_t> order(made.signatures.size());
        for (size_t k = 0; k < order.size(); ++k)
            order[k] = k;
        std::sort(order.begin(), order.end(),
            [&](size_t a, size_t b) { return made.signatures[a].ColorRank < made.signatures[b].ColorRank; });
        made.averages.resize(order.size());
        made.scan.resize(order.size());
        std::bernoulli_distribution old(0.5);
        for (size_t k = 0; k < order.size(); ++k) {
            const imaging::Signature &signature = made.signatures[order[k]];
            made.averages[k] = imaging::AverageColors(signature.Thumbnail.data());
            runs::ScanPicture &picture = made.scan[k];
            picture.view.ID = static_cast<int32_t>(order[k] + 1);
            picture.view.FileName = made.names[order[k]];
            // One in four shares size and times with its neighbour in the list it was made from,
            // so that equal names make the same file.
            picture.view.Size = static_cast<int32_t>(1000 + order[k] / 4 * 4);
            picture.view.Created = 40000.0 + static_cast<double>(order[k] / 4);
            picture.view.Modified = picture.view.Created;
            picture.view.Signature = signature.view();
            picture.view.Signature.AverageColors = made.averages[k].data();
            picture.old = old(random);
        }
        return made;
    }();
    return all;
}

using Found = std::vector<std::tuple<size_t, size_t, int32_t>>;

struct LoopRun
{
    int64_t tested = 0;
    Found found;
    size_t lastLeft = 0;
};

// stopAfter: the left pictures after which the loop is told to stop (0: never).
template <typename Loop> LoopRun run(Loop loop, size_t stopAfter)
{
    LoopRun result;
    size_t lefts = 0;
    result.tested = loop([&](size_t a, size_t b, int32_t d) { result.found.emplace_back(a, b, d); },
        [&](size_t a) {
            result.lastLeft = a;
            return stopAfter == 0 || ++lefts < stopAfter;
        });
    return result;
}

struct LoopCase
{
    int method;
    int threshold;
};

class PairLoop : public ::testing::TestWithParam<LoopCase>
{
};

TEST_P(PairLoop, FindsWhatThePairByPairLoopFindsOnOneThreadAndOnSeveral)
{
    const std::vector<runs::ScanPicture> &scan = pictures().scan;
    const ComparisonMethod method = imaging::ComparisonMethodFromInt(GetParam().method);
    const imaging::DifferenceLimits limits = imaging::ComputeLimits(GetParam().threshold);
    struct Variant
    {
        bool skipOld;
        size_t start;
        size_t stopAfter;
    };
    for (const Variant variant : {Variant {false, 0, 0}, Variant {true, 0, 0}, Variant {true, 37, 700}}) {
        const LoopRun reference = run(
            [&](const runs::MatchSink &sink, const runs::LeftFinished &after) {
                return runs::ScanPairsOneByOne(scan, variant.start, method, limits, variant.skipOld, sink, after);
            },
            variant.stopAfter);
        for (const unsigned threads : {1u, 2u, 3u}) {
            const LoopRun fast = run(
                [&](const runs::MatchSink &sink, const runs::LeftFinished &after) {
                    return runs::ScanPairs(scan, variant.start, method, limits, variant.skipOld, sink, after, threads);
                },
                variant.stopAfter);
            const std::string label = "threads " + std::to_string(threads) + ", skip old "
                + std::to_string(variant.skipOld) + ", start " + std::to_string(variant.start);
            EXPECT_EQ(fast.tested, reference.tested) << label;
            EXPECT_EQ(fast.lastLeft, reference.lastLeft) << label;
            EXPECT_EQ(fast.found, reference.found) << label;
        }
        // The set must not be trivial: every method but the file properties finds near pairs at
        // the higher thresholds, and the same file listed twice is found by every method.
        if (!variant.skipOld && variant.start == 0 && GetParam().threshold >= 10) {
            EXPECT_GT(reference.found.size(), 10u);
        }
    }
}

INSTANTIATE_TEST_SUITE_P(MethodsAndThresholds, PairLoop, ::testing::ValuesIn([] {
    std::vector<LoopCase> cases;
    for (int method = 0; method <= 5; ++method) {
        for (const int threshold : {0, 5, 10, 20})
            cases.push_back({method, threshold});
    }
    return cases;
}()),
    [](const ::testing::TestParamInfo<LoopCase> &row) {
        return "Method" + std::to_string(row.param.method) + "Threshold" + std::to_string(row.param.threshold);
    });

} // namespace
