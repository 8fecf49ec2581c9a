// Broken and hostile files: whatever their bytes, the loader answers with a vexaris::Error of
// one line or a consistent picture, and a header that declares a huge picture fails before
// anything is allocated from it.
#include <cstdio>
#include <cstring>
#include <functional>
#include <random>
#include <string>
#include <vector>

#include <sys/resource.h>
#include <unistd.h>
#include <zlib.h>

#include <gtest/gtest.h>

#include "common/error.h"
#include "imaging/pictureloader.h"
#include "loader_testutil.h"

namespace vexaris::imaging::test {
namespace {

// Loads and converts; returns the error text, or "" when the picture came through whole.
std::string tryDecode(const std::string &extension, const std::vector<uint8_t> &bytes)
{
    try {
        Picture picture;
        LoadPictureData(extension, bytes.data(), bytes.size(), picture);
        Bitmap bitmap;
        PictureToBitmap(picture, bitmap);
        if (bitmap.width() != picture.width || bitmap.height() != picture.height || bitmap.width() <= 0)
            return "(inconsistent picture)";
        return "";
    } catch (const Error &error) {
        const std::string text = error.what();
        return text.empty() ? "(empty message)" : text;
    }
}

void putBe32(std::vector<uint8_t> &bytes, size_t at, uint32_t value)
{
    for (int i = 0; i < 4; ++i)
        bytes[at + static_cast<size_t>(i)] = static_cast<uint8_t>(value >> (24 - 8 * i));
}

void putLe16(std::vector<uint8_t> &bytes, size_t at, unsigned value)
{
    bytes[at] = static_cast<uint8_t>(value);
    bytes[at + 1] = static_cast<uint8_t>(value >> 8);
}

void putBe16(std::vector<uint8_t> &bytes, size_t at, unsigned value)
{
    bytes[at] = static_cast<uint8_t>(value >> 8);
    bytes[at + 1] = static_cast<uint8_t>(value);
}

size_t find(const std::vector<uint8_t> &bytes, std::initializer_list<uint8_t> pattern)
{
    const auto at = std::search(bytes.begin(), bytes.end(), pattern.begin(), pattern.end());
    return static_cast<size_t>(at - bytes.begin());
}

// Sets ImageWidth and ImageLength of the first directory of a little-endian TIFF file.
std::vector<uint8_t> tiffWithSize(std::vector<uint8_t> bytes, uint32_t width, uint32_t height)
{
    const auto le16 = [&](size_t at) { return unsigned(bytes[at] | bytes[at + 1] << 8); };
    const size_t directory = bytes[4] | bytes[5] << 8 | bytes[6] << 16 | size_t(bytes[7]) << 24;
    for (unsigned i = 0; i < le16(directory); ++i) {
        const size_t entry = directory + 2 + 12 * i;
        const unsigned tag = le16(entry);
        if (tag != 256 && tag != 257)
            continue;
        const uint32_t value = tag == 256 ? width : height;
        putLe16(bytes, entry + 2, 4); // LONG
        putLe16(bytes, entry + 4, 1);
        putLe16(bytes, entry + 6, 0);
        putLe16(bytes, entry + 8, value & 0xFFFF);
        putLe16(bytes, entry + 10, value >> 16);
    }
    return bytes;
}

// Sets the size in every "ispe" box of a HEIF or AVIF file (image spatial extents).
std::vector<uint8_t> ispeWithSize(std::vector<uint8_t> bytes, uint32_t width, uint32_t height)
{
    const std::string type = "ispe";
    for (auto at = bytes.begin(); (at = std::search(at, bytes.end(), type.begin(), type.end())) != bytes.end(); ++at) {
        const auto offset = static_cast<size_t>(at - bytes.begin());
        putBe32(bytes, offset + 8, width);
        putBe32(bytes, offset + 12, height);
    }
    return bytes;
}

// A JPEG XL codestream whose size header is replaced by one of side × side pixels. The header
// is a bit field (least significant bit first); the file's own is the short form of 9 bits.
std::vector<uint8_t> jxlWithSquareSize(const std::vector<uint8_t> &original, uint32_t side)
{
    std::vector<bool> bits;
    const auto put = [&](uint32_t value, int count) {
        for (int i = 0; i < count; ++i)
            bits.push_back((value >> i & 1) != 0);
    };
    // Not small; height as 18 bits (selector 2); aspect ratio 1, so the width is the height.
    put(0, 1);
    put(2, 2);
    put(side - 1, 18);
    put(1, 3);
    for (size_t bit = 2 * 8 + 9; bit < original.size() * 8; ++bit)
        bits.push_back((original[bit / 8] >> (bit % 8) & 1) != 0);
    std::vector<uint8_t> bytes {0xFF, 0x0A};
    bytes.resize(2 + (bits.size() + 7) / 8, 0);
    for (size_t i = 0; i < bits.size(); ++i)
        bytes[2 + i / 8] |= static_cast<uint8_t>(bits[i] ? 1u << (i % 8) : 0u);
    return bytes;
}

struct HostileCase
{
    const char *name;
    const char *extension;
    std::vector<uint8_t> bytes;
};

std::ostream &operator<<(std::ostream &out, const HostileCase &c)
{
    return out << c.name;
}

std::vector<HostileCase> hugeHeaders()
{
    std::vector<HostileCase> cases;
    {
        auto png = readBytes(fixture("quadrants.png"));
        putBe32(png, 16, 100000);
        putBe32(png, 20, 100000);
        putBe32(png, 29, static_cast<uint32_t>(crc32(0, png.data() + 12, 17)));
        cases.push_back({"png", "png", png});
    }
    {
        auto jpeg = readBytes(fixture("quadrants.jpg"));
        const size_t frame = find(jpeg, {0xFF, 0xC0});
        putBe16(jpeg, frame + 5, 60000);
        putBe16(jpeg, frame + 7, 60000);
        cases.push_back({"jpeg", "jpg", jpeg});
    }
    {
        auto gif = readBytes(fixture("quadrants.gif"));
        putLe16(gif, 6, 65535);
        putLe16(gif, 8, 65535);
        cases.push_back({"gif_screen", "gif", gif});
    }
    cases.push_back({"tiff", "tif", tiffWithSize(readBytes(fixture("quadrants.tif")), 100000, 100000)});
    {
        auto bmp = readBytes(fixture("quadrants.bmp"));
        for (size_t at : {18u, 22u}) {
            putLe16(bmp, at, 0x86A0); // 100000
            putLe16(bmp, at + 2, 0x0001);
        }
        cases.push_back({"bmp", "bmp", bmp});
    }
    {
        auto psd = readBytes(fixture("quadrants.psd"));
        putBe32(psd, 14, 300000);
        putBe32(psd, 18, 300000);
        cases.push_back({"psd", "psd", psd});
    }
    {
        auto tga = readBytes(fixture("quadrants.tga"));
        putLe16(tga, 12, 65535);
        putLe16(tga, 14, 65535);
        cases.push_back({"tga", "tga", tga});
    }
    {
        auto pcx = readBytes(fixture("quadrants.pcx"));
        putLe16(pcx, 8, 65534);
        putLe16(pcx, 10, 65534);
        cases.push_back({"pcx", "pcx", pcx});
    }
    {
        auto sgi = readBytes(fixture("quadrants.sgi"));
        putBe16(sgi, 6, 65535);
        putBe16(sgi, 8, 65535);
        cases.push_back({"sgi", "sgi", sgi});
    }
    {
        const std::string header = "P6\n200000 200000\n255\n";
        std::vector<uint8_t> ppm(header.begin(), header.end());
        ppm.resize(ppm.size() + 300, 0x80);
        cases.push_back({"ppm", "ppm", ppm});
    }
    {
        ByteWriter cel;
        cel.u16(0x9119).u16(65535).u16(65535).u16(0).u16(0).u8(8).u8(0).u32(0).zeros(16).zeros(768).zeros(64);
        cases.push_back({"cel", "cel", cel.bytes});
    }
    cases.push_back({"heif", "heic", ispeWithSize(readBytes(fixture("quadrants.heic")), 100000, 100000)});
    cases.push_back({"avif", "avif", ispeWithSize(readBytes(fixture("quadrants.avif")), 100000, 100000)});
    {
        // The lossy frame header's 14-bit sides, at their largest.
        auto webp = readBytes(fixture("quadrants.webp"));
        putLe16(webp, 26, 0x3FFF);
        putLe16(webp, 28, 0x3FFF);
        cases.push_back({"webp", "webp", webp});
    }
    cases.push_back({"jxl", "jxl", jxlWithSquareSize(readBytes(fixture("quadrants.jxl")), 100000)});
    return cases;
}

class HugeHeader : public ::testing::TestWithParam<HostileCase>
{
};

TEST_P(HugeHeader, FailsWithoutTakingTheMemory)
{
    const std::string message = tryDecode(GetParam().extension, GetParam().bytes);
    EXPECT_FALSE(message.empty()) << "a picture of that size was decoded";
    EXPECT_EQ(message.find('\n'), std::string::npos) << message;
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    EXPECT_LT(usage.ru_maxrss, 1024L * 1024) << "KiB at peak";
}

INSTANTIATE_TEST_SUITE_P(Formats, HugeHeader, ::testing::ValuesIn(hugeHeaders()),
    [](const ::testing::TestParamInfo<HostileCase> &row) { return std::string(row.param.name); });

TEST(HugeHeader, OurOwnLimitSpeaksPlainly)
{
    EXPECT_NE(tryDecode("png", hugeHeaders()[0].bytes).find("too large"), std::string::npos);
    EXPECT_NE(tryDecode("jpg", hugeHeaders()[1].bytes).find("too large"), std::string::npos);
}

struct FixtureCase
{
    const char *fixture;
    const char *extension;
    // A Photoshop file keeps its picture twice, in the layers and merged at the end: cut in the
    // merged copy, it may still be read whole from the layers. A file of two pictures cut in the
    // second still holds the first whole.
    bool wholeInFirstHalf = false;
};

std::ostream &operator<<(std::ostream &out, const FixtureCase &c)
{
    return out << c.fixture;
}

std::string caseName(const ::testing::TestParamInfo<FixtureCase> &row)
{
    std::string name = row.param.fixture;
    for (char &c : name) {
        if (!std::isalnum(static_cast<unsigned char>(c)))
            c = '_';
    }
    return name;
}

const FixtureCase kFixtures[] = {
    {"quadrants.bmp", "bmp"},
    {"quadrants-rle8.bmp", "rle"},
    {"quadrants.gif", "gif"},
    {"quadrants-interlaced.gif", "gif"},
    {"quadrants.png", "png"},
    {"quadrants-interlaced.png", "png"},
    {"quadrants-transparent-top-left.png", "png"},
    {"quadrants.tif", "tif"},
    {"fax-group3.tif", "fax"},
    {"fax-group4.tif", "tif"},
    {"quadrants.tga", "tga"},
    {"quadrants-rle.tga", "vst"},
    {"quadrants.pcx", "pcx"},
    {"quadrants.psd", "psd", true},
    {"quadrants.sgi", "sgi"},
    {"quadrants.ppm", "ppm"},
    {"grey.pgm", "pgm"},
    {"bilevel.pbm", "pbm"},
    {"quadrants.heic", "heic"},
    {"heif-two-images.heic", "heic"},
    {"quadrants.webp", "webp"},
    {"quadrants-transparent-top-left.webp", "webp"},
    {"webp-two-frames.webp", "webp"},
    {"quadrants.avif", "avif"},
    {"avif-two-frames.avif", "avif"},
    {"quadrants.jxl", "jxl"},
    {"jxl-two-frames.jxl", "jxl", true},
};

class Truncated : public ::testing::TestWithParam<FixtureCase>
{
};

// A file cut short is not the picture it was: it fails, wherever the cut falls.
TEST_P(Truncated, FailsWithAMessage)
{
    const auto bytes = readBytes(fixture(GetParam().fixture));
    for (const size_t size :
        {size_t(0), size_t(1), size_t(8), bytes.size() / 4, bytes.size() / 2, bytes.size() * 3 / 4}) {
        if (GetParam().wholeInFirstHalf && size > bytes.size() / 2)
            continue;
        const std::vector<uint8_t> cut(bytes.begin(), bytes.begin() + static_cast<std::ptrdiff_t>(size));
        EXPECT_FALSE(tryDecode(GetParam().extension, cut).empty()) << "cut to " << size << " of " << bytes.size();
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Truncated, ::testing::ValuesIn(kFixtures), caseName);

class Corrupted : public ::testing::TestWithParam<FixtureCase>
{
};

// Bytes overwritten at random (the same ones on every run): each attempt ends in a picture or
// a one-line error, never in a crash or another kind of exception.
TEST_P(Corrupted, EndsInAPictureOrAnError)
{
    const auto bytes = readBytes(fixture(GetParam().fixture));
    std::mt19937 random(12345);
    for (int attempt = 0; attempt < 60; ++attempt) {
        auto damaged = bytes;
        const int flips = 1 + attempt % 8;
        for (int i = 0; i < flips; ++i)
            damaged[random() % damaged.size()] = static_cast<uint8_t>(random());
        const std::string result = tryDecode(GetParam().extension, damaged);
        EXPECT_NE(result, "(inconsistent picture)") << "attempt " << attempt;
        EXPECT_NE(result, "(empty message)") << "attempt " << attempt;
    }
}

INSTANTIATE_TEST_SUITE_P(Fixtures, Corrupted, ::testing::ValuesIn(kFixtures), caseName);

// What a call writes on standard error: file descriptor 2 points at a file of ours meanwhile.
std::string standardErrorOf(const std::function<void()> &call)
{
    std::fflush(stderr);
    const int saved = dup(2);
    FILE *capture = std::tmpfile();
    dup2(fileno(capture), 2);
    call();
    std::fflush(stderr);
    dup2(saved, 2);
    close(saved);
    std::rewind(capture);
    std::string written;
    for (int c; (c = std::fgetc(capture)) != EOF;)
        written += static_cast<char>(c);
    std::fclose(capture);
    return written;
}

// The decoders have their own words for a damaged stream; the one line of ours is all there is.
TEST(Corrupted, DamagedCodedDataWritesNothingOnStandardError)
{
    const auto avif = readBytes(fixture("quadrants.avif"));
    const auto jxl = readBytes(fixture("quadrants.jxl"));
    const struct
    {
        const char *extension;
        const std::vector<uint8_t> &bytes;
        size_t data; // where the coded picture begins
    } files[] = {{"avif", avif, find(avif, {'m', 'd', 'a', 't'}) + 4}, {"jxl", jxl, 20}};
    for (const auto &file : files) {
        for (size_t at = file.data; at < file.data + 6; ++at) {
            auto damaged = file.bytes;
            damaged[at] ^= 0x5A;
            std::string result;
            EXPECT_EQ(standardErrorOf([&] { result = tryDecode(file.extension, damaged); }), "")
                << file.extension << ", byte " << at;
            EXPECT_FALSE(result.empty()) << file.extension << ", byte " << at;
        }
    }
}

TEST(Corrupted, JpegDataDamageIsSteppedOver)
{
    auto bytes = readBytes(fixture("quadrants.jpg"));
    const size_t scan = find(bytes, {0xFF, 0xDA});
    std::mt19937 random(99);
    for (int attempt = 0; attempt < 60; ++attempt) {
        auto damaged = bytes;
        damaged[scan + 20 + random() % (bytes.size() - scan - 22)] = static_cast<uint8_t>(random());
        EXPECT_NE(tryDecode("jpg", damaged), "(inconsistent picture)");
    }
}

} // namespace
} // namespace vexaris::imaging::test
