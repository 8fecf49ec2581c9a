// The signature's worked figures: every value here is a stored-format fact that earlier
// signatures depend on, so a change that alters one of them breaks comparisons with old rows.
#include <array>
#include <cstdint>
#include <functional>
#include <ostream>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "common/error.h"
#include "imaging/bitmap.h"
#include "imaging/imgutils.h"

using namespace vexaris::imaging;

namespace {

struct Rgb
{
    uint8_t red;
    uint8_t green;
    uint8_t blue;
};

constexpr Rgb kBlack {0, 0, 0};
constexpr Rgb kWhite {255, 255, 255};
constexpr Rgb kRed {255, 0, 0};
constexpr Rgb kBlue {0, 0, 255};

using ColourAt = std::function<Rgb(int x, int y)>;

Bitmap rgbBitmap(int width, int height, const ColourAt &colourAt)
{
    Bitmap bitmap;
    bitmap.allocate(width, height, Layout::Rgb24);
    for (int y = 0; y < height; ++y) {
        uint8_t *pixel = bitmap.row(y);
        for (int x = 0; x < width; ++x, pixel += 3) {
            const Rgb colour = colourAt(x, y);
            pixel[0] = colour.blue;
            pixel[1] = colour.green;
            pixel[2] = colour.red;
        }
    }
    return bitmap;
}

// The same picture with a palette: one entry per distinct colour in order of first appearance.
Bitmap paletteBitmap(int width, int height, const ColourAt &colourAt)
{
    Bitmap bitmap;
    bitmap.allocate(width, height, Layout::Palette8);
    int used = 0;
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const Rgb colour = colourAt(x, y);
            int index = 0;
            while (index < used
                && (bitmap.palette[index].red != colour.red || bitmap.palette[index].green != colour.green
                    || bitmap.palette[index].blue != colour.blue))
                ++index;
            if (index == used) {
                EXPECT_LT(used, 256);
                bitmap.palette[used++] = {colour.red, colour.green, colour.blue};
            }
            bitmap.row(y)[x] = static_cast<uint8_t>(index);
        }
    }
    return bitmap;
}

Bitmap makeBitmap(Layout layout, int width, int height, const ColourAt &colourAt)
{
    return layout == Layout::Rgb24 ? rgbBitmap(width, height, colourAt) : paletteBitmap(width, height, colourAt);
}

std::string layoutName(Layout layout)
{
    return layout == Layout::Rgb24 ? "Rgb24" : "Palette8";
}

std::array<int, 3> cellAt(const CellBuffer &cells, int r, int c)
{
    const size_t offset = static_cast<size_t>(r) * 96 + static_cast<size_t>(c) * 3;
    return {cells[offset], cells[offset + 1], cells[offset + 2]};
}

int edgeAt(const EdgeBuffer &edges, int r, int c)
{
    return edges[static_cast<size_t>(r) * 32 + static_cast<size_t>(c)];
}

bool onBorder(int r, int c)
{
    return r == 0 || r == 31 || c == 0 || c == 31;
}

// --- A picture of one colour: the same signature at any size, in any colour, in either layout.

struct UniformCase
{
    std::string name;
    Layout layout;
    int width;
    int height;
    Rgb colour;
};

// Names the case in test listings instead of dumping its bytes.
void PrintTo(const UniformCase &value, std::ostream *out)
{
    *out << value.name;
}

class UniformPicture : public testing::TestWithParam<UniformCase>
{
};

TEST_P(UniformPicture, GivesTheFlatSignature)
{
    const UniformCase &param = GetParam();
    const Signature signature
        = ComputeSignature(makeBitmap(param.layout, param.width, param.height, [&](int, int) { return param.colour; }));
    for (int r = 0; r < 32; ++r) {
        for (int c = 0; c < 32; ++c) {
            ASSERT_EQ(cellAt(signature.Thumbnail, r, c), (std::array<int, 3> {0, 0, 255})) << r << "," << c;
            ASSERT_EQ(edgeAt(signature.Derivative, r, c), onBorder(r, c) ? 0 : 255) << r << "," << c;
        }
    }
    EXPECT_EQ(signature.ColorRank, -523264);
    EXPECT_EQ(signature.DerivativeRank, -459900);
}

INSTANTIATE_TEST_SUITE_P(Signature, UniformPicture,
    testing::Values(UniformCase {"Black32x32", Layout::Rgb24, 32, 32, kBlack},
        UniformCase {"White33x32", Layout::Rgb24, 33, 32, kWhite},
        UniformCase {"Olive100x37", Layout::Rgb24, 100, 37, {128, 128, 0}},
        UniformCase {"Grey640x480", Layout::Rgb24, 640, 480, {77, 77, 77}},
        UniformCase {"PaletteTeal45x300", Layout::Palette8, 45, 300, {0, 128, 128}},
        UniformCase {"PaletteBlack32x32", Layout::Palette8, 32, 32, kBlack}),
    [](const auto &row) { return row.param.name; });

// --- Two halves: the exact thumbnail, edge image and ranks.

class HalvesPicture : public testing::TestWithParam<Layout>
{
};

TEST_P(HalvesPicture, BlackAndWhite)
{
    const Signature signature
        = ComputeSignature(makeBitmap(GetParam(), 64, 64, [](int x, int) { return x < 32 ? kBlack : kWhite; }));
    for (int r = 0; r < 32; ++r) {
        for (int c = 0; c < 32; ++c) {
            ASSERT_EQ(cellAt(signature.Thumbnail, r, c), (std::array<int, 3> {0, 0, c < 16 ? 128 : 255}))
                << r << "," << c;
            const int expectedEdge = onBorder(r, c) ? 0 : (c == 15 || c == 16) ? 122 : 255;
            ASSERT_EQ(edgeAt(signature.Derivative, r, c), expectedEdge) << r << "," << c;
        }
    }
    EXPECT_EQ(signature.ColorRank, 8126976);
    EXPECT_EQ(signature.DerivativeRank, 463800);
}

// Both layouts must give the same cells: a picture saved once with a palette and once in true
// colour is a duplicate, and hue-rotated thumbnails would hide it from the colour methods.
TEST_P(HalvesPicture, RedAndBlueGiveTheSameHuesInEitherLayout)
{
    const Signature signature
        = ComputeSignature(makeBitmap(GetParam(), 64, 64, [](int x, int) { return x < 32 ? kRed : kBlue; }));
    for (int r = 0; r < 32; ++r)
        for (int c = 0; c < 32; ++c)
            ASSERT_EQ(cellAt(signature.Thumbnail, r, c), (std::array<int, 3> {c < 16 ? 31 : 10, 31, 255}))
                << r << "," << c;
    EXPECT_EQ(signature.ColorRank, 1004032);
    EXPECT_EQ(signature.DerivativeRank, -789240);
}

INSTANTIATE_TEST_SUITE_P(Signature, HalvesPicture, testing::Values(Layout::Rgb24, Layout::Palette8),
    [](const auto &row) { return layoutName(row.param); });

// --- ReduceToCells: which source pixels land in which cell, and the byte order.

TEST(ReduceToCells, PictureOf32x32GivesOnePixelPerCellInBlueGreenRedOrder)
{
    const ColourAt colourAt = [](int x, int y) {
        return Rgb {static_cast<uint8_t>(x), static_cast<uint8_t>(y), static_cast<uint8_t>(100 + x)};
    };
    CellBuffer cells {};
    ReduceToCells(rgbBitmap(32, 32, colourAt), cells);
    EXPECT_EQ(cellAt(cells, 0, 0), (std::array<int, 3> {100, 0, 0}));
    EXPECT_EQ(cellAt(cells, 5, 7), (std::array<int, 3> {107, 5, 7}));
    EXPECT_EQ(cellAt(cells, 31, 31), (std::array<int, 3> {131, 31, 31}));
}

TEST(ReduceToCells, PaletteEntriesLandInTheSameBytesAsTrueColour)
{
    Bitmap bitmap;
    bitmap.allocate(32, 32, Layout::Palette8);
    bitmap.palette[7] = {200, 100, 50}; // red, green, blue
    std::fill(bitmap.data(), bitmap.data() + 32 * 32, uint8_t {7});
    CellBuffer cells {};
    ReduceToCells(bitmap, cells);
    EXPECT_EQ(cellAt(cells, 0, 0), (std::array<int, 3> {50, 100, 200}));
    EXPECT_EQ(cellAt(cells, 31, 31), (std::array<int, 3> {50, 100, 200}));
}

TEST(ReduceToCells, LastColumnOfA33PixelWidePictureCoversTwoColumns)
{
    // Blue byte = 10 in source column 31 and 13 in column 32; 23 / 2 rounds down to 11.
    const ColourAt colourAt = [](int x, int) {
        return Rgb {0, 0, static_cast<uint8_t>(x == 32 ? 13 : x == 31 ? 10 : x)};
    };
    CellBuffer cells {};
    ReduceToCells(rgbBitmap(33, 32, colourAt), cells);
    for (int c = 0; c < 31; ++c)
        EXPECT_EQ(cellAt(cells, 3, c)[0], c) << c;
    EXPECT_EQ(cellAt(cells, 3, 31)[0], 11);
}

TEST(ReduceToCells, UnevenRowBlocksAverageAndRoundDown)
{
    // 40 rows over 32 cells: cell row 0 covers rows 0..0, cell row 1 rows 1..1, cell row 3 rows
    // 3..4 (3·40/32 = 3, 4·40/32 = 5). Green 255 on odd rows and 0 on even rows.
    const ColourAt colourAt = [](int, int y) { return Rgb {0, static_cast<uint8_t>(y % 2 ? 255 : 0), 0}; };
    CellBuffer cells {};
    ReduceToCells(rgbBitmap(32, 40, colourAt), cells);
    EXPECT_EQ(cellAt(cells, 0, 0)[1], 0);
    EXPECT_EQ(cellAt(cells, 1, 0)[1], 255);
    EXPECT_EQ(cellAt(cells, 3, 0)[1], 127);
}

TEST(ReduceToCells, RejectsPicturesBelow32PixelsASide)
{
    for (const auto &[width, height] : {std::pair {31, 32}, std::pair {32, 31}, std::pair {0, 0}}) {
        Bitmap bitmap;
        bitmap.allocate(width, height, Layout::Rgb24);
        CellBuffer cells {};
        EXPECT_THROW(ReduceToCells(bitmap, cells), vexaris::Error) << width << "x" << height;
    }
}

// --- EqualizeChannel

TEST(EqualizeChannel, MapsEachValueToItsCumulativeShareAndLeavesOtherBytesAlone)
{
    // Byte 1 takes 10, 20, 30 and 40 in 256 cells each: cumulative counts 256, 512, 768, 1024.
    CellBuffer cells {};
    for (size_t cell = 0; cell < 1024; ++cell) {
        cells[cell * 3] = 7;
        cells[cell * 3 + 1] = static_cast<uint8_t>(10 * (1 + cell % 4));
        cells[cell * 3 + 2] = 9;
    }
    EqualizeChannel(cells, 1);
    for (size_t cell = 0; cell < 1024; ++cell) {
        const int expected[] = {64, 128, 192, 255};
        ASSERT_EQ(cells[cell * 3 + 1], expected[cell % 4]) << cell;
        ASSERT_EQ(cells[cell * 3], 7);
        ASSERT_EQ(cells[cell * 3 + 2], 9);
    }
}

// --- CellsToHsv

struct HsvCase
{
    std::string name;
    std::array<uint8_t, 3> cell;
    std::array<int, 3> hsv;
};

void PrintTo(const HsvCase &value, std::ostream *out)
{
    *out << value.name;
}

class CellsToHsvCase : public testing::TestWithParam<HsvCase>
{
};

TEST_P(CellsToHsvCase, GivesTheWorkedFigures)
{
    CellBuffer cells {};
    for (size_t cell = 0; cell < 1024; ++cell)
        std::copy(GetParam().cell.begin(), GetParam().cell.end(), cells.begin() + static_cast<ptrdiff_t>(cell * 3));
    CellsToHsv(cells);
    EXPECT_EQ(cellAt(cells, 0, 0), GetParam().hsv);
    EXPECT_EQ(cellAt(cells, 31, 31), GetParam().hsv);
}

INSTANTIATE_TEST_SUITE_P(Signature, CellsToHsvCase,
    testing::Values(HsvCase {"NegativeHueWrapsBy255", {255, 0, 255}, {213, 255, 255}},
        HsvCase {"FirstByteLargest", {200, 100, 150}, {234, 127, 200}},
        HsvCase {"SecondByteLargest", {10, 200, 50}, {94, 242, 200}},
        HsvCase {"ThirdByteLargest", {0, 0, 255}, {170, 255, 255}},
        HsvCase {"SmallNegativeHueTruncatesToZero", {255, 0, 1}, {0, 255, 255}},
        HsvCase {"GreyHasNoHueNorSaturation", {90, 90, 90}, {0, 0, 90}}, HsvCase {"Black", {0, 0, 0}, {0, 0, 0}}),
    [](const auto &row) { return row.param.name; });

// --- SquareSum: squares wrap like 16-bit signed values.

struct SquareSumCase
{
    std::string name;
    std::vector<uint8_t> bytes;
    int32_t sum;
};

void PrintTo(const SquareSumCase &value, std::ostream *out)
{
    *out << value.name;
}

class SquareSumOf : public testing::TestWithParam<SquareSumCase>
{
};

TEST_P(SquareSumOf, Bytes)
{
    EXPECT_EQ(SquareSum(GetParam().bytes.data(), GetParam().bytes.size()), GetParam().sum);
}

INSTANTIATE_TEST_SUITE_P(Signature, SquareSumOf,
    testing::Values(SquareSumCase {"Empty", {}, 0}, SquareSumCase {"ZeroBytes1024", std::vector<uint8_t>(1024, 0), 0},
        SquareSumCase {"Bytes255x1024", std::vector<uint8_t>(1024, 255), -523264},
        SquareSumCase {"LargestPositiveSquare181", {181}, 32761},
        SquareSumCase {"FirstWrappedSquare182", {182}, -32412}, SquareSumCase {"Square200", {200}, -25536},
        SquareSumCase {"Square255", {255}, -511}, SquareSumCase {"Mixed", {3, 4, 255}, 9 + 16 - 511}),
    [](const auto &row) { return row.param.name; });

// --- AverageColors

TEST(AverageColors, UniformThumbnailGivesTheSameValueEverywhere)
{
    ThumbnailBytes thumbnail {};
    thumbnail.fill(200);
    const AverageColorsBytes averages = AverageColors(thumbnail.data());
    for (size_t i = 0; i < averages.size(); ++i)
        EXPECT_EQ(averages[i], 200) << i;
}

struct BlockCase
{
    std::string name;
    int blockRow;
    int blockColumn;
    int channel;
    size_t index;
};

void PrintTo(const BlockCase &value, std::ostream *out)
{
    *out << value.name;
}

class AverageColorsBlock : public testing::TestWithParam<BlockCase>
{
};

TEST_P(AverageColorsBlock, LandsAtItsIndexOnly)
{
    const BlockCase &param = GetParam();
    ThumbnailBytes thumbnail {};
    for (int y = 16 * param.blockRow; y < 16 * param.blockRow + 16; ++y)
        for (int x = 16 * param.blockColumn; x < 16 * param.blockColumn + 16; ++x)
            thumbnail[static_cast<size_t>(y * 96 + x * 3 + param.channel)] = 255;
    const AverageColorsBytes averages = AverageColors(thumbnail.data());
    for (size_t i = 0; i < averages.size(); ++i)
        EXPECT_EQ(averages[i], i == param.index ? 255 : 0) << i;
}

INSTANTIATE_TEST_SUITE_P(Signature, AverageColorsBlock,
    testing::Values(BlockCase {"TopLeftChannel0", 0, 0, 0, 0}, BlockCase {"TopRightChannel1", 0, 1, 1, 4},
        BlockCase {"BottomLeftChannel2", 1, 0, 2, 8}, BlockCase {"BottomRightChannel2", 1, 1, 2, 11}),
    [](const auto &row) { return row.param.name; });

TEST(AverageColors, RoundsDown)
{
    // 255 of the 256 cells of the top-left block hold 1: 255 / 256 rounds down to 0.
    ThumbnailBytes thumbnail {};
    for (int y = 0; y < 16; ++y)
        for (int x = 0; x < 16; ++x)
            thumbnail[static_cast<size_t>(y * 96 + x * 3)] = (x == 0 && y == 0) ? 0 : 1;
    EXPECT_EQ(AverageColors(thumbnail.data())[0], 0);
}

} // namespace
