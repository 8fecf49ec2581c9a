// Every row of the extension table, read from files that other programs wrote, must come out at
// the right size, in the expected layout and with the right colours in the right places.
#include <string>
#include <vector>

#include <zlib.h>

#include <gtest/gtest.h>

#include "common/error.h"
#include "imaging/difference.h"
#include "imaging/imgutils.h"
#include "imaging/pictureloader.h"
#include "loader_testutil.h"

namespace vexaris::imaging::test {
namespace {

struct Probe
{
    int x;
    int y;
    Rgb colour;
};

constexpr Rgb kRed {255, 0, 0};
constexpr Rgb kGreen {0, 255, 0};
constexpr Rgb kBlue {0, 0, 255};
constexpr Rgb kWhite {255, 255, 255};
constexpr Rgb kBlack {0, 0, 0};
constexpr Rgb kMagenta {255, 0, 255};

// The 64 × 48 test picture: red, green / blue, white.
const std::vector<Probe> kQuadrants = {{16, 12, kRed}, {48, 12, kGreen}, {16, 36, kBlue}, {48, 36, kWhite},
    {0, 0, kRed}, {63, 0, kGreen}, {0, 47, kBlue}, {63, 47, kWhite}};
// Black left half, white right half.
const std::vector<Probe> kHalfBlack = {{0, 0, kBlack}, {31, 47, kBlack}, {32, 0, kWhite}, {63, 47, kWhite}};
// The quadrants turned a quarter, to 48 × 64: anticlockwise green, white / red, blue; clockwise
// blue, red / white, green.
const std::vector<Probe> kTurnedAnticlockwise = {{12, 16, kGreen}, {36, 16, kWhite}, {12, 48, kRed}, {36, 48, kBlue}};
const std::vector<Probe> kTurnedClockwise = {{12, 16, kBlue}, {36, 16, kRed}, {12, 48, kWhite}, {36, 48, kGreen}};
// Green all over: the first of a green and a magenta picture.
const std::vector<Probe> kFirstGreen = {{0, 0, kGreen}, {32, 24, kGreen}, {63, 47, kGreen}};
// Black at the top to white at the bottom, in 48 rows.
const std::vector<Probe> kGreyRamp = {{10, 0, kBlack}, {10, 47, kWhite}, {10, 24, {130, 130, 130}}};

struct FormatCase
{
    const char *name;
    const char *fixture;
    const char *fileName; // the name the fixture is given on disk: the extension picks the reader
    int width;
    int height;
    Layout layout;
    const std::vector<Probe> *probes;
    int tolerance;
};

std::ostream &operator<<(std::ostream &out, const FormatCase &c)
{
    return out << c.name;
}

const FormatCase kCases[] = {
    {"bmp", "quadrants.bmp", "photo.bmp", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"dib", "quadrants.bmp", "photo.dib", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"rle_is_a_run_length_bitmap", "quadrants-rle8.bmp", "photo.rle", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"jpg", "quadrants.jpg", "photo.jpg", 64, 48, Layout::Rgb24, &kQuadrants, 12},
    {"jpeg_progressive", "quadrants-progressive.jpg", "photo.jpeg", 64, 48, Layout::Rgb24, &kQuadrants, 12},
    {"jpe_cmyk", "quadrants-cmyk.jpg", "photo.jpe", 64, 48, Layout::Rgb24, &kQuadrants, 16},
    {"jfif", "quadrants.jpg", "photo.jfif", 64, 48, Layout::Rgb24, &kQuadrants, 12},
    {"jpeg_greyscale_gives_grey_palette", "grey.jpg", "grey.jpg", 64, 48, Layout::Palette8, &kGreyRamp, 6},
    {"gif", "quadrants.gif", "photo.gif", 64, 48, Layout::Palette8, &kQuadrants, 0},
    {"gif_interlaced", "quadrants-interlaced.gif", "photo.gif", 64, 48, Layout::Palette8, &kQuadrants, 0},
    {"png", "quadrants.png", "photo.png", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"png_interlaced", "quadrants-interlaced.png", "photo.png", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"png_colour_16bit", "quadrants-16bit.png", "photo.png", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"png_palette_4bit", "quadrants-palette4.png", "photo.png", 64, 48, Layout::Palette8, &kQuadrants, 0},
    {"png_grey_16bit", "grey-16bit.png", "photo.png", 64, 48, Layout::Palette8, &kGreyRamp, 1},
    {"png_bilevel_1bit", "bilevel-1bit.png", "photo.png", 64, 48, Layout::Palette8, &kHalfBlack, 0},
    {"tif", "quadrants.tif", "photo.tif", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"tiff", "quadrants.tif", "photo.tiff", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"tiff_first_of_two_pages", "tiff-two-pages.tif", "photo.tif", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"fax_group3", "fax-group3.tif", "page.fax", 64, 48, Layout::Palette8, &kHalfBlack, 0},
    {"fax_group4", "fax-group4.tif", "page.tif", 64, 48, Layout::Palette8, &kHalfBlack, 0},
    {"tga", "quadrants.tga", "photo.tga", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"win_is_targa", "quadrants-rle.tga", "photo.win", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"vst_is_targa", "quadrants.tga", "photo.vst", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"vda_is_targa", "quadrants-rle.tga", "photo.vda", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"icb_is_targa", "quadrants.tga", "photo.icb", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"pcx", "quadrants.pcx", "photo.pcx", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"pcc_is_pcx", "quadrants.pcx", "photo.pcc", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"scr_is_pcx", "quadrants.pcx", "photo.scr", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"psd", "quadrants.psd", "photo.psd", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"pdd_is_photoshop", "quadrants.psd", "photo.pdd", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"sgi", "quadrants.sgi", "photo.sgi", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"rgb_is_sgi", "quadrants.sgi", "photo.rgb", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"rgba_is_sgi", "quadrants.sgi", "photo.rgba", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"bw_is_grey_sgi", "grey.bw", "photo.bw", 64, 48, Layout::Rgb24, &kGreyRamp, 1},
    {"ppm", "quadrants.ppm", "photo.ppm", 64, 48, Layout::Rgb24, &kQuadrants, 0},
    {"pgm", "grey.pgm", "photo.pgm", 64, 48, Layout::Rgb24, &kGreyRamp, 1},
    {"pbm", "bilevel.pbm", "photo.pbm", 64, 48, Layout::Rgb24, &kHalfBlack, 0},
    {"heic", "quadrants.heic", "photo.heic", 64, 48, Layout::Rgb24, &kQuadrants, 4},
    {"heif", "quadrants.heic", "photo.heif", 64, 48, Layout::Rgb24, &kQuadrants, 4},
    {"hif", "quadrants.heic", "photo.HIF", 64, 48, Layout::Rgb24, &kQuadrants, 4},
    {"heif_grey", "grey.heic", "grey.heic", 64, 48, Layout::Palette8, &kGreyRamp, 6},
    {"heif_10bit", "quadrants-10bit.heic", "photo.heic", 64, 48, Layout::Rgb24, &kQuadrants, 4},
    {"heif_turned_as_the_file_says", "heif-av1-turned-90-anticlockwise.heif", "photo.heif", 48, 64, Layout::Rgb24,
        &kTurnedAnticlockwise, 4},
    {"heif_primary_of_two_images", "heif-two-images.heic", "photo.heic", 64, 48, Layout::Rgb24, &kFirstGreen, 4},
    {"webp", "quadrants.webp", "photo.webp", 64, 48, Layout::Rgb24, &kQuadrants, 4},
    {"webp_first_frame", "webp-two-frames.webp", "photo.webp", 64, 48, Layout::Rgb24, &kFirstGreen, 0},
    {"avif", "quadrants.avif", "photo.avif", 64, 48, Layout::Rgb24, &kQuadrants, 4},
    {"avif_grey", "grey.avif", "grey.avif", 64, 48, Layout::Palette8, &kGreyRamp, 6},
    {"avif_12bit", "quadrants-12bit.avif", "photo.avif", 64, 48, Layout::Rgb24, &kQuadrants, 4},
    {"avif_rotation_left_to_the_caller", "heif-av1-turned-90-anticlockwise.heif", "photo.avif", 64, 48, Layout::Rgb24,
        &kQuadrants, 4},
    {"avif_first_frame", "avif-two-frames.avif", "photo.avif", 64, 48, Layout::Rgb24, &kFirstGreen, 4},
    {"jxl", "quadrants.jxl", "photo.jxl", 64, 48, Layout::Rgb24, &kQuadrants, 4},
    {"jxl_grey", "grey.jxl", "grey.jxl", 64, 48, Layout::Palette8, &kGreyRamp, 6},
    {"jxl_16bit", "quadrants-16bit.jxl", "photo.jxl", 64, 48, Layout::Rgb24, &kQuadrants, 4},
    {"jxl_turned_upright", "jxl-turned-90-clockwise.jxl", "photo.jxl", 48, 64, Layout::Rgb24, &kTurnedClockwise, 4},
    {"jxl_first_frame", "jxl-two-frames.jxl", "photo.jxl", 64, 48, Layout::Rgb24, &kFirstGreen, 0},
};

class LoaderFormats : public ::testing::TestWithParam<FormatCase>
{
};

TEST_P(LoaderFormats, DecodesToRightSizeLayoutAndPixels)
{
    const FormatCase &c = GetParam();
    ScratchFolder folder;
    std::filesystem::copy_file(fixture(c.fixture), folder / c.fileName);

    Picture picture;
    LoadPictureFile(folder / c.fileName, picture);
    EXPECT_EQ(picture.width, c.width);
    EXPECT_EQ(picture.height, c.height);

    Bitmap bitmap;
    PictureToBitmap(picture, bitmap);
    ASSERT_EQ(bitmap.width(), c.width);
    ASSERT_EQ(bitmap.height(), c.height);
    EXPECT_EQ(bitmap.layout(), c.layout);
    for (const Probe &probe : *c.probes) {
        const Rgb got = pixelAt(bitmap, probe.x, probe.y);
        EXPECT_TRUE(near(got, probe.colour, c.tolerance))
            << "at (" << probe.x << ", " << probe.y << "): " << describe(got) << ", expected "
            << describe(probe.colour);
    }
}

INSTANTIATE_TEST_SUITE_P(EveryTableRow, LoaderFormats, ::testing::ValuesIn(kCases),
    [](const ::testing::TestParamInfo<FormatCase> &row) { return std::string(row.param.name); });

TEST(LoaderGif, FirstFrameOnly)
{
    Picture picture;
    LoadPictureFile(fixture("gif-two-frames.gif"), picture);
    const Bitmap bitmap = PictureToBitmap(picture);
    ASSERT_EQ(bitmap.width(), 40);
    EXPECT_TRUE(near(pixelAt(bitmap, 20, 20), kGreen, 0)) << describe(pixelAt(bitmap, 20, 20));
    EXPECT_FALSE(near(pixelAt(bitmap, 20, 20), kMagenta, 0));
}

TEST(LoaderGif, SmallFrameIsDrawnOnTheLogicalScreen)
{
    Picture picture;
    LoadPictureFile(fixture("gif-frame-smaller-than-screen.gif"), picture);
    EXPECT_EQ(picture.width, 64);
    EXPECT_EQ(picture.height, 48);
    const Bitmap bitmap = PictureToBitmap(picture);
    ASSERT_EQ(bitmap.width(), 64);
    ASSERT_EQ(bitmap.height(), 48);
    // The 20 × 10 red frame sits at (30, 20); the screen around it shows the background
    // colour, entry 1 of the global colour table (black).
    EXPECT_TRUE(near(pixelAt(bitmap, 30, 20), kRed, 0));
    EXPECT_TRUE(near(pixelAt(bitmap, 49, 29), kRed, 0));
    for (const auto &[x, y] : std::vector<std::pair<int, int>> {{29, 20}, {50, 29}, {30, 19}, {30, 30}, {0, 0}}) {
        EXPECT_TRUE(near(pixelAt(bitmap, x, y), kBlack, 0))
            << "at (" << x << ", " << y << "): " << describe(pixelAt(bitmap, x, y));
    }
}

// Alpha in each of its PNG forms (an alpha channel with colour, with grey, and tRNS entries of a
// palette) and in the other formats that carry it. The transparent top left shows white; opaque
// parts keep their colour.
TEST(LoaderPng, TransparentPartsShowWhite)
{
    struct Case
    {
        const char *fixture;
        Layout layout;
        Rgb bottomLeft;
    };
    for (const Case &c : {Case {"quadrants-transparent-top-left.png", Layout::Rgb24, kBlue},
             Case {"grey-alpha-transparent-top-left.png", Layout::Palette8, {18, 18, 18}},
             Case {"quadrants-palette-transparent-top-left.png", Layout::Palette8, kBlue},
             Case {"quadrants-transparent-top-left.heic", Layout::Rgb24, kBlue},
             Case {"quadrants-transparent-top-left.webp", Layout::Rgb24, kBlue},
             Case {"quadrants-transparent-top-left.avif", Layout::Rgb24, kBlue},
             Case {"quadrants-transparent-top-left.jxl", Layout::Rgb24, kBlue}}) {
        const Bitmap bitmap = PictureToBitmap(LoadPictureFile(fixture(c.fixture)));
        EXPECT_EQ(bitmap.layout(), c.layout) << c.fixture;
        EXPECT_TRUE(near(pixelAt(bitmap, 16, 12), kWhite, 0)) << c.fixture << describe(pixelAt(bitmap, 16, 12));
        EXPECT_TRUE(near(pixelAt(bitmap, 48, 36), kWhite, 0)) << c.fixture;
        EXPECT_TRUE(near(pixelAt(bitmap, 16, 36), c.bottomLeft, 4)) << c.fixture << describe(pixelAt(bitmap, 16, 36));
    }
}

// One picture written by each format's own encoder: a lossy copy is a duplicate of the PNG it was
// made from under the colour method at threshold 5, and a lossless one has its very signature.
TEST(LoaderSignatures, EncodedCopiesOfAPngAreFoundAsItsDuplicates)
{
    const Signature png = ComputeSignature(PictureToBitmap(LoadPictureFile(fixture("photo-plasma-64x48.png"))));
    const PictureView original {1, u"photo-plasma-64x48.png", 3994, 45000.0, 45000.0, png.view()};
    for (const char *name : {"photo-plasma.heic", "photo-plasma.webp", "photo-plasma.avif", "photo-plasma.jxl"}) {
        const Signature copy = ComputeSignature(PictureToBitmap(LoadPictureFile(fixture(name))));
        const PictureView encoded {2, u"copy", 500, 45001.0, 45001.0, copy.view()};
        const bool lowerFirst = png.ColorRank <= copy.ColorRank;
        int32_t difference = -1;
        EXPECT_TRUE(ComparePair(lowerFirst ? original : encoded, lowerFirst ? encoded : original,
            ComparisonMethod::ColorImage, ComputeLimits(5), difference))
            << name;
    }
    const Signature lossless
        = ComputeSignature(PictureToBitmap(LoadPictureFile(fixture("photo-plasma-lossless.webp"))));
    EXPECT_EQ(lossless.Thumbnail, png.Thumbnail);
    EXPECT_EQ(lossless.Derivative, png.Derivative);
    EXPECT_EQ(lossless.ColorRank, png.ColorRank);
    EXPECT_EQ(lossless.DerivativeRank, png.DerivativeRank);
}

// Stored from the bottom up, the file's first row is the picture's last; the picture is also
// wide enough that it is converted in several bands of rows.
TEST(LoaderTiff, BottomUpRowsComeOutTopDown)
{
    const Bitmap bitmap = PictureToBitmap(LoadPictureFile(fixture("tiff-bottom-up-4096x300.tif")));
    ASSERT_EQ(bitmap.width(), 4096);
    ASSERT_EQ(bitmap.height(), 300);
    const std::vector<Probe> probes = {{1024, 0, kBlue}, {3072, 0, kWhite}, {1024, 149, kBlue}, {1024, 150, kRed},
        {3072, 299, kGreen}, {0, 299, kRed}, {4095, 0, kWhite}};
    for (const Probe &probe : probes) {
        const Rgb got = pixelAt(bitmap, probe.x, probe.y);
        EXPECT_TRUE(near(got, probe.colour, 0)) << "at (" << probe.x << ", " << probe.y << "): " << describe(got);
    }
}

// Rgb24 stores blue first; a reader that wrote red first would swap red and blue everywhere.
TEST(LoaderLayout, Rgb24BytesAreBlueGreenRed)
{
    const Bitmap bitmap = PictureToBitmap(LoadPictureFile(fixture("quadrants.png")));
    ASSERT_EQ(bitmap.layout(), Layout::Rgb24);
    const uint8_t *red = bitmap.row(12) + 16 * 3;
    EXPECT_EQ(red[0], 0);
    EXPECT_EQ(red[1], 0);
    EXPECT_EQ(red[2], 255);
}

TEST(LoaderPhotoCd, ReadAtTheBaseResolution)
{
    ScratchFolder folder;
    const auto path = folder / "scan.pcd";
    {
        gzFile in = gzopen(fixture("quadrants.pcd.gz").c_str(), "rb");
        ASSERT_NE(in, nullptr);
        std::vector<uint8_t> bytes;
        uint8_t buffer[65536];
        int got = 0;
        while ((got = gzread(in, buffer, sizeof buffer)) > 0)
            bytes.insert(bytes.end(), buffer, buffer + got);
        gzclose(in);
        writeBytes(path, bytes);
    }
    const Bitmap bitmap = PictureToBitmap(LoadPictureFile(path));
    EXPECT_EQ(bitmap.width(), 768);
    EXPECT_EQ(bitmap.height(), 512);
    EXPECT_EQ(bitmap.layout(), Layout::Rgb24);
    // Photo-CD keeps colour in a lossy YCC form: the quadrants come back close, not exact.
    const std::vector<Probe> probes = {{192, 128, kRed}, {576, 128, kGreen}, {192, 384, kBlue}, {576, 384, kWhite}};
    for (const Probe &probe : probes) {
        const Rgb got = pixelAt(bitmap, probe.x, probe.y);
        EXPECT_TRUE(near(got, probe.colour, 64)) << "at (" << probe.x << ", " << probe.y << "): " << describe(got);
    }
}

// The bitmap a run keeps serves pictures of every size and layout in turn.
TEST(LoaderHolders, OnePictureAndOneBitmapServeEveryFile)
{
    Picture picture;
    Bitmap bitmap;
    for (const char *name : {"quadrants.jpg", "grey.jpg", "quadrants.gif", "gif-two-frames.gif", "quadrants.png"}) {
        LoadPictureFile(fixture(name), picture);
        PictureToBitmap(picture, bitmap);
        EXPECT_EQ(bitmap.width(), picture.width) << name;
        EXPECT_EQ(bitmap.height(), picture.height) << name;
    }
    EXPECT_TRUE(near(pixelAt(bitmap, 48, 36), kWhite, 0));
}

} // namespace
} // namespace vexaris::imaging::test
