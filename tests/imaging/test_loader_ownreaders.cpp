// The readers of our own (Paint Shop Pro, Autodesk Animator cel) on files built byte by byte,
// and table rows for which no program at hand writes a file: Dr. Halo and the binary EPS with a
// TIFF preview.
#include <string>
#include <vector>

#include <zlib.h>

#include <gtest/gtest.h>

#include "common/error.h"
#include "imaging/pictureloader.h"
#include "loader_testutil.h"

namespace vexaris::imaging::test {
namespace {

constexpr Rgb kRed {255, 0, 0};
constexpr Rgb kGreen {0, 255, 0};
constexpr Rgb kWhite {255, 255, 255};
constexpr Rgb kBlack {0, 0, 0};

Bitmap decode(const char *extension, const std::vector<uint8_t> &bytes)
{
    Picture picture;
    LoadPictureData(extension, bytes.data(), bytes.size(), picture);
    Bitmap bitmap;
    PictureToBitmap(picture, bitmap);
    EXPECT_EQ(bitmap.width(), picture.width);
    EXPECT_EQ(bitmap.height(), picture.height);
    return bitmap;
}

std::string decodeError(const char *extension, const std::vector<uint8_t> &bytes)
{
    try {
        decode(extension, bytes);
    } catch (const Error &error) {
        return error.what();
    }
    return "(no error)";
}

std::vector<uint8_t> head(std::vector<uint8_t> bytes, size_t size)
{
    bytes.resize(std::min(size, bytes.size()));
    return bytes;
}

// ---- Paint Shop Pro -------------------------------------------------------------------------

enum class PspCompression { None = 0, RunLength = 1, Deflate = 2 };

std::vector<uint8_t> compress(PspCompression compression, const std::vector<uint8_t> &raw)
{
    if (compression == PspCompression::None)
        return raw;
    if (compression == PspCompression::Deflate) {
        uLongf size = compressBound(static_cast<uLong>(raw.size()));
        std::vector<uint8_t> out(size);
        compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()), 9);
        out.resize(size);
        return out;
    }
    // Runs of equal bytes as (128 + n, byte), everything else as literal groups (n, bytes...).
    std::vector<uint8_t> out;
    size_t i = 0;
    while (i < raw.size()) {
        size_t run = 1;
        while (i + run < raw.size() && raw[i + run] == raw[i] && run < 127)
            ++run;
        if (run >= 3) {
            out.push_back(static_cast<uint8_t>(128 + run));
            out.push_back(raw[i]);
            i += run;
        } else {
            const size_t n = std::min<size_t>(run, raw.size() - i);
            out.push_back(static_cast<uint8_t>(n));
            out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(i),
                raw.begin() + static_cast<std::ptrdiff_t>(i + n));
            i += n;
        }
    }
    return out;
}

struct PspChannel
{
    uint16_t bitmapKind; // 0 image, 1 transparency mask
    uint16_t channelKind; // 0 composite, 1 red, 2 green, 3 blue
    std::vector<uint8_t> rows; // uncompressed
};

struct PspLayer
{
    int32_t left, top, right, bottom;
    std::vector<PspChannel> channels;
    uint8_t type = 1; // raster (version 4 and later)
    uint8_t opacity = 255;
    bool visible = true;
};

struct PspFile
{
    uint16_t major = 5;
    int32_t width = 40;
    int32_t height = 34;
    uint16_t depth = 24;
    PspCompression compression = PspCompression::None;
    std::vector<PaletteEntry> palette; // written when not empty
    std::vector<PspLayer> layers;
    bool greyscale = false;
};

void block(ByteWriter &out, const PspFile &file, uint16_t id, const std::vector<uint8_t> &content, size_t fixed = 0)
{
    out.text(std::string("~BK\0", 4)).u16(id);
    if (file.major == 3)
        out.u32(static_cast<uint32_t>(fixed));
    out.u32(static_cast<uint32_t>(content.size())).append(content);
}

std::vector<uint8_t> buildPsp(const PspFile &file)
{
    const bool v3 = file.major == 3;
    ByteWriter out;
    out.text("Paint Shop Pro Image File\n\x1a").zeros(5).u16(file.major).u16(0);

    ByteWriter attributes;
    if (!v3)
        attributes.u32(46);
    attributes.u32(static_cast<uint32_t>(file.width)).u32(static_cast<uint32_t>(file.height)).zeros(8).u8(0);
    attributes.u16(static_cast<unsigned>(file.compression))
        .u16(file.depth)
        .u16(1)
        .u32(1u << std::min(file.depth, uint16_t(24)));
    attributes.u8(file.greyscale).u32(0).u32(0).u16(static_cast<unsigned>(file.layers.size()));
    if (!v3)
        attributes.u32(1);
    block(out, file, 0, attributes.bytes, attributes.size());

    if (!file.palette.empty()) {
        ByteWriter palette;
        if (!v3)
            palette.u32(8);
        palette.u32(static_cast<uint32_t>(file.palette.size()));
        for (const PaletteEntry &entry : file.palette)
            palette.u8(entry.blue).u8(entry.green).u8(entry.red).u8(0);
        block(out, file, 2, palette.bytes, palette.size());
    }

    ByteWriter bank;
    for (const PspLayer &layer : file.layers) {
        ByteWriter info;
        const auto rect = [&info](int32_t l, int32_t t, int32_t r, int32_t b) {
            info.u32(static_cast<uint32_t>(l)).u32(static_cast<uint32_t>(t));
            info.u32(static_cast<uint32_t>(r)).u32(static_cast<uint32_t>(b));
        };
        if (v3) {
            info.text("Background").zeros(256 - 10).u8(0);
        } else {
            info.u32(0).u16(10).text("Background").u8(layer.type);
        }
        rect(layer.left, layer.top, layer.right, layer.bottom);
        rect(layer.left, layer.top, layer.right, layer.bottom);
        info.u8(layer.opacity).u8(0).u8(layer.visible ? 1 : 0).u8(0).u8(0);
        rect(0, 0, 0, 0);
        rect(0, 0, 0, 0);
        info.u8(0).u8(0).u8(0).u16(0);
        if (v3)
            info.zeros(40).u16(1).u16(static_cast<unsigned>(layer.channels.size()));
        else
            info.patch32(0, static_cast<uint32_t>(info.size()));
        const size_t fixed = info.size();
        if (!v3)
            info.u32(8).u16(1).u16(static_cast<unsigned>(layer.channels.size()));
        for (const PspChannel &channel : layer.channels) {
            const std::vector<uint8_t> data = compress(file.compression, channel.rows);
            ByteWriter content;
            if (!v3)
                content.u32(16);
            content.u32(static_cast<uint32_t>(data.size())).u32(static_cast<uint32_t>(channel.rows.size()));
            content.u16(channel.bitmapKind).u16(channel.channelKind);
            const size_t channelFixed = content.size();
            content.append(data);
            block(info, file, 5, content.bytes, channelFixed);
        }
        block(bank, file, 4, info.bytes, fixed);
    }
    block(out, file, 3, bank.bytes, 0);
    return out.bytes;
}

// A channel whose left `split` columns hold `left` and the rest `right`, rows `stride` apart.
std::vector<uint8_t> halves(int width, int height, int split, uint8_t left, uint8_t right, size_t stride = 0)
{
    if (stride == 0)
        stride = static_cast<size_t>(width);
    std::vector<uint8_t> rows(stride * static_cast<size_t>(height), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x)
            rows[static_cast<size_t>(y) * stride + static_cast<size_t>(x)] = x < split ? left : right;
    }
    return rows;
}

// Red on the left half, green on the right, as one layer covering the picture.
PspLayer redGreenLayer(int32_t left, int32_t top, int32_t right, int32_t bottom, size_t stride = 0)
{
    const int w = right - left;
    const int h = bottom - top;
    return {left, top, right, bottom,
        {{0, 1, halves(w, h, w / 2, 255, 0, stride)}, {0, 2, halves(w, h, w / 2, 0, 255, stride)},
            {0, 3, halves(w, h, w / 2, 0, 0, stride)}}};
}

struct PspCompressionCase
{
    const char *name;
    PspCompression compression;
    uint16_t major;
};

std::ostream &operator<<(std::ostream &out, const PspCompressionCase &c)
{
    return out << c.name;
}

class PaintShopProColour : public ::testing::TestWithParam<PspCompressionCase>
{
};

TEST_P(PaintShopProColour, DecodesTheLayerInEveryCompressionAndVersion)
{
    PspFile file;
    file.major = GetParam().major;
    file.compression = GetParam().compression;
    file.layers = {redGreenLayer(0, 0, 40, 34)};
    const Bitmap bitmap = decode("psp", buildPsp(file));
    ASSERT_EQ(bitmap.width(), 40);
    ASSERT_EQ(bitmap.height(), 34);
    EXPECT_EQ(bitmap.layout(), Layout::Rgb24);
    EXPECT_TRUE(near(pixelAt(bitmap, 0, 0), kRed, 0)) << describe(pixelAt(bitmap, 0, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 19, 33), kRed, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 20, 0), kGreen, 0)) << describe(pixelAt(bitmap, 20, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 39, 33), kGreen, 0));
}

INSTANTIATE_TEST_SUITE_P(Compressions, PaintShopProColour,
    ::testing::Values(PspCompressionCase {"uncompressed", PspCompression::None, 5},
        PspCompressionCase {"run_length", PspCompression::RunLength, 5},
        PspCompressionCase {"deflate", PspCompression::Deflate, 5},
        PspCompressionCase {"version3_uncompressed", PspCompression::None, 3},
        PspCompressionCase {"version3_deflate", PspCompression::Deflate, 3},
        PspCompressionCase {"version4_run_length", PspCompression::RunLength, 4}),
    [](const ::testing::TestParamInfo<PspCompressionCase> &row) { return std::string(row.param.name); });

TEST(PaintShopPro, RowsPaddedToFourBytes)
{
    PspFile file;
    file.width = 41;
    file.layers = {redGreenLayer(0, 0, 41, 34, 44)};
    const Bitmap bitmap = decode("psp", buildPsp(file));
    // Had the padding been read as pixels, every row after the first would slide left.
    EXPECT_TRUE(near(pixelAt(bitmap, 19, 33), kRed, 0)) << describe(pixelAt(bitmap, 19, 33));
    EXPECT_TRUE(near(pixelAt(bitmap, 20, 33), kGreen, 0)) << describe(pixelAt(bitmap, 20, 33));
    EXPECT_TRUE(near(pixelAt(bitmap, 40, 33), kGreen, 0));
}

TEST(PaintShopPro, LayerSmallerThanThePictureLeavesWhiteAround)
{
    PspFile file;
    file.layers = {redGreenLayer(10, 5, 30, 25)};
    const Bitmap bitmap = decode("psp", buildPsp(file));
    EXPECT_TRUE(near(pixelAt(bitmap, 9, 5), kWhite, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 10, 5), kRed, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 29, 24), kGreen, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 30, 24), kWhite, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 29, 25), kWhite, 0));
}

TEST(PaintShopPro, LayersAreStackedWithMaskAndOpacity)
{
    PspFile file;
    PspLayer top = redGreenLayer(0, 0, 40, 34);
    // Fully green on top, transparent on its left half, and at half opacity.
    top.channels = {{0, 1, halves(40, 34, 20, 0, 0)}, {0, 2, halves(40, 34, 20, 255, 255)},
        {0, 3, halves(40, 34, 20, 0, 0)}, {1, 0, halves(40, 34, 20, 0, 255)}};
    top.opacity = 128;
    PspLayer hidden = redGreenLayer(0, 0, 40, 34);
    hidden.visible = false;
    hidden.channels[0].rows.assign(40 * 34, 0);
    PspLayer vector = hidden;
    vector.visible = true;
    vector.type = 3;
    file.layers = {redGreenLayer(0, 0, 40, 34), top, hidden, vector};
    const Bitmap bitmap = decode("psp", buildPsp(file));
    EXPECT_TRUE(near(pixelAt(bitmap, 5, 5), kRed, 0)) << describe(pixelAt(bitmap, 5, 5));
    EXPECT_TRUE(near(pixelAt(bitmap, 30, 5), kGreen, 0)) << describe(pixelAt(bitmap, 30, 5));
    // Red under half-opaque green: (255, 0, 0) and (0, 255, 0) in equal parts, near enough.
    PspFile over;
    PspLayer half = top;
    half.channels[3].rows.assign(40 * 34, 255);
    over.layers = {redGreenLayer(0, 0, 40, 34), half};
    const Bitmap blended = decode("psp", buildPsp(over));
    EXPECT_TRUE(near(pixelAt(blended, 5, 5), {127, 128, 0}, 1)) << describe(pixelAt(blended, 5, 5));
}

TEST(PaintShopPro, PalettedPicturesKeepTheirPalette)
{
    PspFile file;
    file.depth = 8;
    file.palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}};
    file.layers = {{0, 0, 40, 34, {{0, 0, halves(40, 34, 20, 1, 2)}}}};
    const Bitmap bitmap = decode("psp", buildPsp(file));
    EXPECT_EQ(bitmap.layout(), Layout::Palette8);
    EXPECT_EQ(bitmap.row(0)[0], 1);
    EXPECT_TRUE(near(pixelAt(bitmap, 0, 33), kRed, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 39, 0), kGreen, 0));
}

TEST(PaintShopPro, PackedPixelsAreUnpackedLeftmostFirst)
{
    PspFile file;
    file.depth = 4;
    file.compression = PspCompression::RunLength;
    file.palette = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}};
    // 40 pixels of 4 bits: bytes 0x12 repeat, so even columns are 1 (red), odd ones 2 (green).
    file.layers = {{0, 0, 40, 34, {{0, 0, std::vector<uint8_t>(20 * 34, 0x12)}}}};
    const Bitmap bitmap = decode("psp", buildPsp(file));
    EXPECT_TRUE(near(pixelAt(bitmap, 0, 0), kRed, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 1, 0), kGreen, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 38, 33), kRed, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 39, 33), kGreen, 0));

    PspFile bilevel;
    bilevel.depth = 1;
    // 40 pixels of 1 bit in 5 bytes, padded to 8: 0xF0 then zeros gives four white pixels.
    std::vector<uint8_t> rows(8 * 34, 0);
    for (size_t y = 0; y < 34; ++y)
        rows[y * 8] = 0xF0;
    bilevel.layers = {{0, 0, 40, 34, {{0, 0, rows}}}};
    const Bitmap bits = decode("psp", buildPsp(bilevel));
    EXPECT_TRUE(near(pixelAt(bits, 3, 10), kWhite, 0));
    EXPECT_TRUE(near(pixelAt(bits, 4, 10), kBlack, 0));
}

struct BrokenCase
{
    const char *name;
    std::vector<uint8_t> bytes;
    const char *message; // a part of the message
};

std::ostream &operator<<(std::ostream &out, const BrokenCase &c)
{
    return out << c.name;
}

std::vector<BrokenCase> brokenPspFiles()
{
    PspFile good;
    good.layers = {redGreenLayer(0, 0, 40, 34)};
    const std::vector<uint8_t> bytes = buildPsp(good);
    std::vector<BrokenCase> cases;
    auto wrongSignature = bytes;
    wrongSignature[0] = 'Q';
    cases.push_back({"wrong_signature", wrongSignature, "Not a Paint Shop Pro file"});
    cases.push_back({"cut_in_half", std::vector<uint8_t>(bytes.begin(), bytes.begin() + bytes.size() / 2),
        "Paint Shop Pro file is truncated"});
    cases.push_back({"header_only", std::vector<uint8_t>(bytes.begin(), bytes.begin() + 36), "holds no picture"});
    PspFile deep = good;
    deep.depth = 16;
    cases.push_back({"sixteen_bit_depth", buildPsp(deep), "colour depth"});
    PspFile huge = good;
    huge.width = 100000;
    huge.height = 100000;
    cases.push_back({"huge_declared_size", buildPsp(huge), "too large"});
    PspFile older = good;
    older.major = 2;
    cases.push_back({"version_too_old", buildPsp(older), "version"});
    // A channel that claims more data than its rows need.
    PspFile lying = good;
    lying.layers[0].channels[0].rows.resize(40 * 34 * 8);
    cases.push_back({"channel_longer_than_its_rows", buildPsp(lying), "damaged"});
    PspFile shortChannel = good;
    shortChannel.layers[0].channels[1].rows.resize(40 * 10);
    cases.push_back({"channel_shorter_than_its_rows", buildPsp(shortChannel), "damaged"});
    PspFile runs = good;
    runs.compression = PspCompression::RunLength;
    auto cutRuns = buildPsp(runs);
    // The red channel's run-length data ends after its first run.
    const std::vector<uint8_t> marker {0x80 + 20, 255};
    auto at = std::search(cutRuns.begin(), cutRuns.end(), marker.begin(), marker.end());
    if (at != cutRuns.end())
        *(at + 2) = 0; // a literal group of zero bytes over and over never fills the row
    cases.push_back({"run_length_never_fills", cutRuns, "damaged"});
    auto badBlock = bytes;
    badBlock[36] = 'X';
    cases.push_back({"bad_block_marker", badBlock, "damaged"});
    return cases;
}

class PaintShopProBroken : public ::testing::TestWithParam<BrokenCase>
{
};

TEST_P(PaintShopProBroken, FailsWithAMessage)
{
    const std::string message = decodeError("psp", GetParam().bytes);
    EXPECT_NE(message.find(GetParam().message), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(Files, PaintShopProBroken, ::testing::ValuesIn(brokenPspFiles()),
    [](const ::testing::TestParamInfo<BrokenCase> &row) { return std::string(row.param.name); });

// ---- Autodesk Animator cel ------------------------------------------------------------------

std::vector<uint8_t> buildCel(
    uint16_t width, uint16_t height, uint8_t paletteScale, uint8_t bits = 8, size_t pixelBytes = SIZE_MAX)
{
    ByteWriter out;
    out.u16(0x9119).u16(width).u16(height).u16(0).u16(0).u8(bits).u8(0).u32(uint32_t(width) * height).zeros(16);
    // Entry 1 full red, entry 2 full green, in the palette's own scale.
    out.u8(0).u8(0).u8(0).u8(paletteScale).u8(0).u8(0).u8(0).u8(paletteScale).u8(0).zeros(768 - 9);
    const size_t count = std::min<size_t>(pixelBytes, size_t(width) * height);
    for (size_t i = 0; i < count; ++i)
        out.u8((i % width) < width / 2u ? 1 : 2);
    return out.bytes;
}

TEST(AnimatorCel, SixBitPaletteIsScaledToFullRange)
{
    for (const char *extension : {"cel", "PIC"}) {
        const Bitmap bitmap = decode(extension, buildCel(40, 33, 63));
        ASSERT_EQ(bitmap.width(), 40);
        ASSERT_EQ(bitmap.height(), 33);
        EXPECT_EQ(bitmap.layout(), Layout::Palette8);
        EXPECT_TRUE(near(pixelAt(bitmap, 0, 0), kRed, 0)) << extension << describe(pixelAt(bitmap, 0, 0));
        EXPECT_TRUE(near(pixelAt(bitmap, 39, 32), kGreen, 0)) << extension;
    }
}

TEST(AnimatorCel, EightBitPaletteIsTakenAsItIs)
{
    const Bitmap bitmap = decode("cel", buildCel(40, 33, 200));
    EXPECT_TRUE(near(pixelAt(bitmap, 0, 0), {200, 0, 0}, 0)) << describe(pixelAt(bitmap, 0, 0));
}

class AnimatorCelBroken : public ::testing::TestWithParam<BrokenCase>
{
};

TEST_P(AnimatorCelBroken, FailsWithAMessage)
{
    const std::string message = decodeError("cel", GetParam().bytes);
    EXPECT_NE(message.find(GetParam().message), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(Files, AnimatorCelBroken,
    ::testing::Values(BrokenCase {"wrong_magic", std::vector<uint8_t>(900, 0), "Not an Autodesk Animator cel"},
        BrokenCase {"four_bits_a_pixel", buildCel(40, 33, 63, 4), "Unsupported"},
        BrokenCase {"pixels_cut_short", buildCel(40, 33, 63, 8, 40 * 20), "truncated"},
        BrokenCase {"palette_cut_short", head(buildCel(40, 33, 63), 100), "truncated"},
        BrokenCase {"empty", {}, "Not an Autodesk Animator cel"},
        BrokenCase {"no_pixels", buildCel(0, 33, 63), "no pixels"}),
    [](const ::testing::TestParamInfo<BrokenCase> &row) { return std::string(row.param.name); });

// ---- Formats read by ImageMagick from files built here ---------------------------------------

// A Dr. Halo cut: width, height, a reserved word, then each line's byte count and its runs.
std::vector<uint8_t> buildCut(int width, int height)
{
    ByteWriter out;
    out.u16(static_cast<unsigned>(width)).u16(static_cast<unsigned>(height)).u16(0);
    for (int y = 0; y < height; ++y) {
        // The left half index 0, the right half index 1.
        out.u16(5).u8(0x80 | static_cast<unsigned>(width / 2)).u8(0);
        out.u8(0x80 | static_cast<unsigned>(width - width / 2)).u8(1).u8(0);
    }
    return out.bytes;
}

TEST(DrHalo, ReadThroughItsNamedCoder)
{
    const Bitmap bitmap = decode("cut", buildCut(40, 34));
    ASSERT_EQ(bitmap.width(), 40);
    ASSERT_EQ(bitmap.height(), 34);
    const Rgb left = pixelAt(bitmap, 0, 0);
    const Rgb right = pixelAt(bitmap, 39, 33);
    // Without a palette file the indices are shades of grey, darker for lower ones.
    EXPECT_TRUE(near(left, kBlack, 0)) << describe(left);
    EXPECT_GT(right.red, left.red) << describe(right);
    EXPECT_EQ(right.red, right.blue);
}

// A coder named by the table is used even when the content says otherwise.
TEST(NamedCoder, ContentNeverChoosesTheReader)
{
    const auto png = readBytes(fixture("quadrants.png"));
    for (const char *extension : {"tga", "bmp", "pcx", "rle", "rgb", "sgi", "psd", "pcd"})
        EXPECT_THROW(decode(extension, png), Error) << extension;
}

// ---- Binary EPS with a TIFF preview ---------------------------------------------------------

std::vector<uint8_t> buildEps(const std::vector<uint8_t> &tiff, uint32_t tiffOffset = 0)
{
    const std::string postscript = "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 64 48\n";
    ByteWriter out;
    out.u8(0xC5).u8(0xD0).u8(0xD3).u8(0xC6);
    out.u32(30).u32(static_cast<uint32_t>(postscript.size())).u32(0).u32(0);
    out.u32(tiffOffset ? tiffOffset : static_cast<uint32_t>(30 + postscript.size()));
    out.u32(static_cast<uint32_t>(tiff.size())).u16(0xFFFF);
    out.text(postscript).append(tiff);
    return out.bytes;
}

TEST(Eps, OnlyTheTiffPreviewIsRead)
{
    const Bitmap bitmap = decode("eps", buildEps(readBytes(fixture("quadrants.tif"))));
    ASSERT_EQ(bitmap.width(), 64);
    ASSERT_EQ(bitmap.height(), 48);
    EXPECT_TRUE(near(pixelAt(bitmap, 16, 12), kRed, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 48, 36), kWhite, 0));
}

class EpsBroken : public ::testing::TestWithParam<BrokenCase>
{
};

TEST_P(EpsBroken, FailsWithAMessage)
{
    const std::string message = decodeError("eps", GetParam().bytes);
    EXPECT_NE(message.find(GetParam().message), std::string::npos) << message;
}

INSTANTIATE_TEST_SUITE_P(Files, EpsBroken,
    ::testing::Values(
        BrokenCase {"plain_postscript", {'%', '!', 'P', 'S', '-', 'A', 'd', 'o', 'b', 'e'}, "Not a binary EPS"},
        BrokenCase {"no_preview", buildEps({}), "no TIFF preview"},
        BrokenCase {"preview_beyond_the_end", buildEps(std::vector<uint8_t>(100, 1), 4000), "outside the file"},
        BrokenCase {"preview_not_a_tiff", buildEps(std::vector<uint8_t>(100, 1)), "TIFF error"}),
    [](const ::testing::TestParamInfo<BrokenCase> &row) { return std::string(row.param.name); });

} // namespace
} // namespace vexaris::imaging::test
