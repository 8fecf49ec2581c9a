// Decoding within the memory budget: a request larger than the budget is refused at once, one
// that does not fit beside the others waits its turn, a reader that must wait holds nothing while
// it does, and a picture reduced as it is read gets the very cells of its whole bitmap.
#include <algorithm>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "common/error.h"
#include "imaging/cellreduction.h"
#include "imaging/imgutils.h"
#include "imaging/memorybudget.h"
#include "imaging/pictureloader.h"
#include "loader_testutil.h"

namespace vexaris::imaging::test {
namespace {

// Whether the condition comes true within a few seconds; it is checked without pause.
bool eventually(const std::function<bool()> &condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::yield();
    }
    return true;
}

TEST(MemoryBudget, MoreThanTheWholeBudgetIsRefusedAtOnceWithOneLine)
{
    MemoryBudget budget(1000);
    MemoryBudget::Lease held = budget.acquire(400);
    for (const auto &ask :
        std::vector<std::function<void()>> {[&] { budget.acquire(1001); }, [&] { held.grow(601); }}) {
        try {
            ask();
            ADD_FAILURE() << "not refused";
        } catch (const Error &refusal) {
            EXPECT_EQ(std::string(refusal.what()).find('\n'), std::string::npos) << refusal.what();
        }
    }
    EXPECT_EQ(budget.used(), 400u);
    EXPECT_EQ(budget.waiting(), 0u);
}

TEST(MemoryBudget, ARequestWaitsWhileOthersHoldTooMuchAndTheOthersWaitBehindIt)
{
    MemoryBudget budget(1000);
    budget.acquire(1000).release(); // alone, a request that fits never waits
    MemoryBudget::Lease first = budget.acquire(600);
    MemoryBudget::Lease large;
    MemoryBudget::Lease small;
    std::thread largeAsker([&] { large = budget.acquire(700); });
    ASSERT_TRUE(eventually([&] { return budget.waiting() == 1; }));
    // This one would fit beside the first, but the large one asked before it.
    std::thread smallAsker([&] { small = budget.acquire(100); });
    ASSERT_TRUE(eventually([&] { return budget.waiting() == 2; }));
    EXPECT_FALSE(first.grow(100)) << "taken past a waiting request";
    EXPECT_EQ(budget.used(), 600u);

    first.release();
    largeAsker.join();
    smallAsker.join();
    EXPECT_EQ(large.bytes(), 700u);
    EXPECT_EQ(small.bytes(), 100u);
    EXPECT_EQ(budget.used(), 800u);
}

// What the update run does with a file: its signature's cells, or the line it fails with.
std::string reducedAsRead(const std::filesystem::path &file, MemoryBudget &budget)
{
    try {
        Picture picture;
        CellReduction reduction;
        DecodePictureFile(file, picture, reduction, budget);
        CellBuffer cells;
        reduction.finish(cells);
        return std::string(cells.begin(), cells.end());
    } catch (const Error &error) {
        return error.what();
    }
}

// The same from the whole bitmap, the JPEG repair included, as the run did it before.
std::string reducedWhole(const std::filesystem::path &file)
{
    try {
        Picture picture;
        try {
            LoadPictureFile(file, picture);
        } catch (const Error &loadFailure) {
            StripJpegPrefix(file, loadFailure.what(), picture);
        }
        CellBuffer cells;
        ReduceToCells(PictureToBitmap(picture), cells);
        return std::string(cells.begin(), cells.end());
    } catch (const Error &error) {
        return error.what();
    }
}

TEST(DecodePictureFile, AReaderThatMustWaitForMemoryHoldsNothingMeanwhile)
{
    ScratchFolder folder;
    const std::filesystem::path file = folder / "photo.webp";
    std::filesystem::copy_file(fixture("photo-plasma.webp"), file);
    MemoryBudget budget(1 << 20);
    // The file's bytes fit beside this, its decoding does not.
    MemoryBudget::Lease other = budget.acquire(budget.limit() - std::filesystem::file_size(file));
    std::string result;
    std::thread reader([&] { result = reducedAsRead(file, budget); });
    EXPECT_TRUE(eventually([&] { return budget.waiting() == 1 && budget.used() == other.bytes(); }))
        << budget.used() << " bytes in use";

    other.release();
    reader.join();
    EXPECT_EQ(result, reducedWhole(file));
    EXPECT_EQ(budget.used(), 0u);
}

TEST(DecodePictureFile, ReadersSharingABudgetForOnePictureAtATimeAllFinish)
{
    const std::vector<std::string> names {"photo-plasma.webp", "photo-plasma.avif", "photo-plasma.heic",
        "photo-plasma.jxl", "photo-plasma-64x48.png", "quadrants-progressive.jpg"};
    std::vector<std::string> expected;
    for (const std::string &name : names)
        expected.push_back(reducedWhole(fixture(name)));
    // Less than two of the larger pictures' needs.
    MemoryBudget budget(40 << 20);
    std::vector<std::thread> readers;
    std::atomic<int> wrong {0};
    for (int t = 0; t < 4; ++t) {
        readers.emplace_back([&] {
            for (int round = 0; round < 3; ++round) {
                for (size_t i = 0; i < names.size(); ++i)
                    wrong += reducedAsRead(fixture(names[i]), budget) != expected[i];
            }
        });
    }
    for (std::thread &reader : readers)
        reader.join();
    EXPECT_EQ(wrong, 0);
    EXPECT_EQ(budget.used(), 0u);
}

std::vector<std::string> loaderFixtures()
{
    std::vector<std::string> names;
    for (const auto &entry : std::filesystem::directory_iterator(fixture("")))
        if (entry.path().extension() != ".sh" && entry.path().extension() != ".gz")
            names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
}

class EveryFixture : public ::testing::TestWithParam<std::string>
{
};

TEST_P(EveryFixture, ReducedAsItIsReadGivesTheCellsOfItsWholeBitmap)
{
    // Each way gets a copy of its own, since the JPEG repair rewrites the file.
    ScratchFolder folder;
    std::filesystem::copy_file(fixture(GetParam()), folder / ("a-" + GetParam()));
    std::filesystem::copy_file(fixture(GetParam()), folder / ("b-" + GetParam()));
    MemoryBudget budget(kDecodeBudgetBytes);
    EXPECT_EQ(reducedAsRead(folder / ("a-" + GetParam()), budget), reducedWhole(folder / ("b-" + GetParam())));
}

INSTANTIATE_TEST_SUITE_P(Loader, EveryFixture, ::testing::ValuesIn(loaderFixtures()), [](const auto &row) {
    std::string name = row.param;
    for (char &c : name)
        c = std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
    return name;
});

} // namespace
} // namespace vexaris::imaging::test
