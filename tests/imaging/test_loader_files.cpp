// The loader's behaviour around the file itself: names and extensions, the size limits, the
// JPEG repair on disk, and files that are not pictures at all.
#include <string>
#include <vector>

#include <jerror.h>
#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include "common/error.h"
#include "imaging/pictureloader.h"
#include "loader_testutil.h"

namespace vexaris::imaging::test {
namespace {

std::string loadError(const std::filesystem::path &path)
{
    try {
        Picture picture;
        LoadPictureFile(path, picture);
    } catch (const Error &error) {
        return error.what();
    }
    return "(no error)";
}

// ---- Extensions --------------------------------------------------------------------------------

struct ExtensionCase
{
    const char *name;
    const char *fileName;
    const char *message;
};

std::ostream &operator<<(std::ostream &out, const ExtensionCase &c)
{
    return out << c.name;
}

class UnknownExtension : public ::testing::TestWithParam<ExtensionCase>
{
};

TEST_P(UnknownExtension, FailsWithTheExtensionAsWritten)
{
    ScratchFolder folder;
    writeBytes(folder / GetParam().fileName, readBytes(fixture("quadrants.png")));
    EXPECT_EQ(loadError(folder / GetParam().fileName), GetParam().message);
}

INSTANTIATE_TEST_SUITE_P(Names, UnknownExtension,
    ::testing::Values(ExtensionCase {"text_file", "readme.txt", "Unknown picture file extension (.txt)"},
        ExtensionCase {"no_dot_at_all", "README", "Unknown picture file extension (.)"},
        ExtensionCase {"letter_case_kept", "archive.tar.GZ", "Unknown picture file extension (.GZ)"},
        ExtensionCase {"only_the_last_dot_counts", "photo.png.old", "Unknown picture file extension (.old)"},
        ExtensionCase {"trailing_dot", "photo.", "Unknown picture file extension (.)"}),
    [](const ::testing::TestParamInfo<ExtensionCase> &row) { return std::string(row.param.name); });

TEST(LoaderExtensions, LetterCaseIsIgnored)
{
    ScratchFolder folder;
    for (const char *name : {"photo.JPG", "photo.jpg", "photo.Jpg"}) {
        std::filesystem::copy_file(fixture("quadrants.jpg"), folder / name);
        const Picture picture = LoadPictureFile(folder / name);
        EXPECT_EQ(picture.format, PictureFormat::Jpeg) << name;
        EXPECT_EQ(picture.width, 64) << name;
    }
    EXPECT_EQ(formatForExtension("gif"), PictureFormat::Gif);
    EXPECT_EQ(formatForExtension("GIF"), PictureFormat::Gif);
    EXPECT_EQ(formatForExtension("RGBA"), PictureFormat::Sgi);
    EXPECT_EQ(formatForExtension("jpg "), std::nullopt);
    EXPECT_EQ(formatForExtension(""), std::nullopt);
}

// A folder named like a picture must not make the extension of the file inside it.
TEST(LoaderExtensions, TakenFromTheFileNameOnly)
{
    EXPECT_EQ(pictureExtension("/pictures/2020.summer/README"), "");
    EXPECT_EQ(pictureExtension("/pictures/summer/beach.JPEG"), "JPEG");
}

// ---- The two-step JPEG reader ----------------------------------------------------------------

TEST(LoaderJpeg, HeaderErrorCarriesTheDecoderMessageNumber)
{
    ScratchFolder folder;
    std::vector<uint8_t> bytes(100, 0x20);
    const auto jpeg = readBytes(fixture("quadrants.jpg"));
    bytes.insert(bytes.end(), jpeg.begin(), jpeg.end());
    writeBytes(folder / "photo.jpg", bytes);
    EXPECT_EQ(loadError(folder / "photo.jpg"), "JPEG error #" + std::to_string(JERR_NO_SOI));
}

TEST(LoaderJpeg, DamageBehindAValidHeaderFailsOnlyWhenDecoding)
{
    // A later scan of a progressive file names a component the frame does not have: the
    // header is fine, the decoding is not.
    auto bytes = readBytes(fixture("quadrants-progressive.jpg"));
    std::vector<size_t> scans;
    for (size_t i = 0; i + 1 < bytes.size(); ++i) {
        if (bytes[i] == 0xFF && bytes[i + 1] == 0xDA)
            scans.push_back(i);
    }
    ASSERT_GE(scans.size(), 2u);
    bytes[scans[1] + 5] = 0x09; // first component selector of the second scan
    ScratchFolder folder;
    writeBytes(folder / "damaged.jpg", bytes);

    Picture picture;
    ASSERT_NO_THROW(LoadPictureFile(folder / "damaged.jpg", picture));
    EXPECT_EQ(picture.width, 64);
    Bitmap bitmap;
    try {
        PictureToBitmap(picture, bitmap);
        FAIL() << "decoding succeeded";
    } catch (const Error &error) {
        EXPECT_EQ(std::string(error.what()), "JPEG error #" + std::to_string(JERR_BAD_COMPONENT_ID));
    }
}

TEST(LoaderJpeg, TruncatedDataIsDecodedAsFarAsItGoes)
{
    // Cut in the middle of the compressed data, behind the headers: the decoder warns and fills
    // in the rest, and warnings are not failures.
    const auto bytes = readBytes(fixture("quadrants.jpg"));
    size_t scan = 0;
    while (scan + 1 < bytes.size() && !(bytes[scan] == 0xFF && bytes[scan + 1] == 0xDA))
        ++scan;
    ASSERT_LT(scan + 40, bytes.size());
    ScratchFolder folder;
    writeBytes(folder / "cut.jpg", std::vector<uint8_t>(bytes.begin(), bytes.begin() + (scan + bytes.size()) / 2));
    const Bitmap bitmap = PictureToBitmap(LoadPictureFile(folder / "cut.jpg"));
    EXPECT_EQ(bitmap.width(), 64);
    EXPECT_TRUE(near(pixelAt(bitmap, 16, 12), {255, 0, 0}, 12));
}

// A run keeps one picture for every file: after a failed load it must not hand on the
// previous file's pixels as if they were this file's.
TEST(LoaderHolders, FailedLoadLeavesNoPictureBehind)
{
    ScratchFolder folder;
    writeBytes(folder / "broken.jpg", std::vector<uint8_t>(64, 0x20));
    writeBytes(folder / "broken.gif", std::vector<uint8_t>(64, 0x20));
    for (const char *broken : {"broken.jpg", "broken.gif", "unknown.xyz"}) {
        Picture picture;
        LoadPictureFile(fixture("quadrants.jpg"), picture);
        EXPECT_THROW(LoadPictureFile(folder / broken, picture), Error) << broken;
        EXPECT_EQ(picture.width, 0) << broken;
        Bitmap bitmap;
        EXPECT_THROW(PictureToBitmap(picture, bitmap), Error) << broken;
    }
}

// ---- The smallest side ----------------------------------------------------------------------

TEST(LoaderMinimumSide, ThirtyOneByFiveHundredIsRejected)
{
    const Picture picture = LoadPictureFile(fixture("narrow-31x500.png"));
    ASSERT_EQ(picture.width, 31);
    ASSERT_EQ(picture.height, 500);
    try {
        checkMinPictureSide(picture.width, picture.height);
        FAIL() << "accepted";
    } catch (const Error &error) {
        EXPECT_EQ(std::string(error.what()), "Image is less than 32 pixels wide or high.");
    }
    EXPECT_THROW(checkMinPictureSide(500, 31), Error);
    EXPECT_THROW(checkMinPictureSide(0, 0), Error);
}

TEST(LoaderMinimumSide, ThirtyTwoByThirtyTwoIsAccepted)
{
    const Picture picture = LoadPictureFile(fixture("square-32x32.png"));
    EXPECT_NO_THROW(checkMinPictureSide(picture.width, picture.height));
    EXPECT_EQ(PictureToBitmap(picture).width(), 32);
}

// ---- Recognised, never converted ------------------------------------------------------------

TEST(LoaderUnconvertible, IconIsRecognisedButCannotBeConverted)
{
    const Picture picture = LoadPictureFile(fixture("icon-48.ico"));
    EXPECT_EQ(picture.format, PictureFormat::Icon);
    EXPECT_EQ(picture.width, 48);
    EXPECT_EQ(picture.height, 48);
    EXPECT_NO_THROW(checkMinPictureSide(picture.width, picture.height));
    Bitmap bitmap;
    EXPECT_THROW(PictureToBitmap(picture, bitmap), Error);
}

TEST(LoaderUnconvertible, MetafilesAreRecognisedButCannotBeConverted)
{
    ScratchFolder folder;
    // A placeable metafile framing 1440 × 720 units at 1440 units an inch: 96 × 48 at 96 dpi.
    ByteWriter wmf;
    wmf.u32(0x9AC6CDD7).u16(0).u16(0).u16(0).u16(1440).u16(720).u16(1440).u32(0).u16(0);
    wmf.u16(1).u16(9).u16(0x300).u32(3).u16(0).u32(0).u16(0).u32(3).u16(0); // header, then the end record
    writeBytes(folder / "drawing.wmf", wmf.bytes);
    // An enhanced metafile whose bounds run from (0, 0) to (99, 49), both included.
    ByteWriter emf;
    emf.u32(1).u32(88).u32(0).u32(0).u32(99).u32(49).zeros(16).text(" EMF").zeros(44);
    writeBytes(folder / "drawing.EMF", emf.bytes);

    const Picture wmfPicture = LoadPictureFile(folder / "drawing.wmf");
    EXPECT_EQ(wmfPicture.width, 96);
    EXPECT_EQ(wmfPicture.height, 48);
    const Picture emfPicture = LoadPictureFile(folder / "drawing.EMF");
    EXPECT_EQ(emfPicture.width, 100);
    EXPECT_EQ(emfPicture.height, 50);
    Bitmap bitmap;
    EXPECT_THROW(PictureToBitmap(wmfPicture, bitmap), Error);
    EXPECT_THROW(PictureToBitmap(emfPicture, bitmap), Error);

    // A plain metafile states no size: it fails at once.
    writeBytes(folder / "plain.wmf", std::vector<uint8_t>(wmf.bytes.begin() + 22, wmf.bytes.end()));
    EXPECT_EQ(loadError(folder / "plain.wmf"), "Metafiles cannot be converted to a bitmap");
}

// ---- Files that are not regular files -------------------------------------------------------

TEST(LoaderFileKinds, OnlyRegularFilesAreOpened)
{
    ScratchFolder folder;
    ASSERT_EQ(::mkfifo((folder / "pipe.png").c_str(), 0600), 0);
    std::filesystem::create_directory(folder / "folder.jpg");
    std::filesystem::create_symlink("/dev/zero", folder / "zero.gif");
    // Each would block or never end if it were read.
    EXPECT_EQ(loadError(folder / "pipe.png"), "Not a regular file");
    EXPECT_EQ(loadError(folder / "folder.jpg"), "Not a regular file");
    EXPECT_EQ(loadError(folder / "zero.gif"), "Not a regular file");
    EXPECT_NE(loadError(folder / "missing.png").find("No such file"), std::string::npos);
}

TEST(LoaderFileKinds, SymbolicLinkToAPictureIsRead)
{
    ScratchFolder folder;
    std::filesystem::create_symlink(fixture("quadrants.png"), folder / "link.png");
    EXPECT_EQ(LoadPictureFile(folder / "link.png").width, 64);
}

// ---- The JPEG repair ------------------------------------------------------------------------

class JpegRepair : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_jpeg = readBytes(fixture("quadrants.jpg"));
        m_damaged.assign(100, 0);
        for (size_t i = 0; i < m_damaged.size(); ++i)
            m_damaged[i] = static_cast<uint8_t>(i * 7 + 1); // never FF D8
        m_damaged.insert(m_damaged.end(), m_jpeg.begin(), m_jpeg.end());
    }

    // What the update run does: load, and repair when the load failed.
    Picture loadOrRepair(const std::filesystem::path &path)
    {
        Picture picture;
        try {
            LoadPictureFile(path, picture);
        } catch (const Error &error) {
            StripJpegPrefix(path, error.what(), picture);
        }
        return picture;
    }

    ScratchFolder m_folder;
    std::vector<uint8_t> m_jpeg;
    std::vector<uint8_t> m_damaged;
};

TEST_F(JpegRepair, StripsTheBytesInFrontOfTheJpegData)
{
    const auto path = m_folder / "photo.jpg";
    writeBytes(path, m_damaged);
    ::chmod(path.c_str(), 0640);
    EXPECT_THROW(LoadPictureFile(path), Error);

    const Picture picture = loadOrRepair(path);
    EXPECT_EQ(picture.width, 64);
    EXPECT_EQ(picture.height, 48);
    const auto repaired = readBytes(path);
    EXPECT_EQ(repaired.size(), m_damaged.size() - 100);
    EXPECT_EQ(repaired, m_jpeg);
    EXPECT_TRUE(near(pixelAt(PictureToBitmap(picture), 48, 12), {0, 255, 0}, 12));
    // Nothing is left beside the picture, and its permission bits are kept.
    EXPECT_EQ(m_folder.names(), std::vector<std::string> {"photo.jpg"});
    EXPECT_EQ(std::filesystem::status(path).permissions(),
        std::filesystem::perms::owner_read | std::filesystem::perms::owner_write | std::filesystem::perms::group_read);
}

TEST_F(JpegRepair, NoStartMarkerLeavesTheFileUnchanged)
{
    const auto path = m_folder / "x.jpg";
    const std::vector<uint8_t> bytes(m_damaged.begin(), m_damaged.begin() + 100);
    writeBytes(path, bytes);
    try {
        loadOrRepair(path);
        FAIL() << "repaired";
    } catch (const Error &error) {
        EXPECT_EQ(std::string(error.what()), "Invalid JPEG file");
    }
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_EQ(m_folder.names(), std::vector<std::string> {"x.jpg"});
}

TEST_F(JpegRepair, FilesShorterThanTwoBytesHaveNoStartMarker)
{
    for (const std::vector<uint8_t> &bytes : {std::vector<uint8_t> {}, std::vector<uint8_t> {0xFF}}) {
        writeBytes(m_folder / "tiny.jpe", bytes);
        EXPECT_THROW(loadOrRepair(m_folder / "tiny.jpe"), Error);
        EXPECT_EQ(readBytes(m_folder / "tiny.jpe"), bytes);
    }
}

TEST_F(JpegRepair, FailedDecodingOfTheCopyLeavesTheFileUnchanged)
{
    // The first FF D8 lies in the garbage; the copy from there is not a JPEG file either.
    std::vector<uint8_t> bytes = m_damaged;
    bytes[10] = 0xFF;
    bytes[11] = 0xD8;
    bytes[12] = 0x00;
    const auto path = m_folder / "photo.JPEG";
    writeBytes(path, bytes);
    EXPECT_THROW(loadOrRepair(path), Error);
    EXPECT_EQ(readBytes(path), bytes);
    EXPECT_EQ(m_folder.names(), std::vector<std::string> {"photo.JPEG"});
}

TEST_F(JpegRepair, OtherExtensionsAreNeverTouched)
{
    for (const char *name : {"photo.jfif", "truncated.png", "photo.gif"}) {
        const auto path = m_folder / name;
        writeBytes(path, m_damaged);
        std::string first;
        try {
            LoadPictureFile(path);
        } catch (const Error &error) {
            first = error.what();
        }
        ASSERT_FALSE(first.empty()) << name;
        try {
            StripJpegPrefix(path, first);
            FAIL() << name << " repaired";
        } catch (const Error &error) {
            EXPECT_EQ(std::string(error.what()), first) << name;
        }
        EXPECT_EQ(readBytes(path), m_damaged) << name;
    }
}

TEST_F(JpegRepair, BrokenPngIsNotRepaired)
{
    const auto path = m_folder / "broken.png";
    std::filesystem::copy_file(fixture("truncated.png"), path);
    const std::string first = loadError(path);
    EXPECT_EQ(first.rfind("PNG error: ", 0), 0u) << first;
    try {
        StripJpegPrefix(path, first);
        FAIL() << "repaired";
    } catch (const Error &error) {
        EXPECT_EQ(std::string(error.what()), first);
    }
    EXPECT_EQ(readBytes(path), readBytes(fixture("truncated.png")));
}

TEST_F(JpegRepair, ExistingBackupNameIsLeftAlone)
{
    const auto path = m_folder / "photo.jpg";
    writeBytes(path, m_damaged);
    const std::vector<uint8_t> backup {'k', 'e', 'e', 'p'};
    writeBytes(m_folder / "photo.jpg.BAK", backup);
    EXPECT_EQ(loadOrRepair(path).width, 64);
    EXPECT_EQ(readBytes(path), m_jpeg);
    EXPECT_EQ(readBytes(m_folder / "photo.jpg.BAK"), backup);
}

TEST_F(JpegRepair, LinkedPictureIsRepairedAndTheLinkKept)
{
    std::filesystem::create_directory(m_folder / "real");
    writeBytes(m_folder / "real" / "photo.jpg", m_damaged);
    std::filesystem::create_symlink(m_folder / "real" / "photo.jpg", m_folder / "link.jpg");
    EXPECT_EQ(loadOrRepair(m_folder / "link.jpg").width, 64);
    EXPECT_TRUE(std::filesystem::is_symlink(m_folder / "link.jpg"));
    EXPECT_EQ(readBytes(m_folder / "real" / "photo.jpg"), m_jpeg);
}

TEST_F(JpegRepair, UnwritableFolderIsReadFromMemoryAndLosesNothing)
{
    if (::geteuid() == 0)
        GTEST_SKIP() << "the superuser writes into any folder (the update run's tests cover it)";
    std::filesystem::create_directory(m_folder / "locked");
    const auto path = m_folder / "locked" / "photo.jpg";
    writeBytes(path, m_damaged);
    ::chmod((m_folder / "locked").c_str(), 0555);
    Picture picture;
    const vexaris::imaging::JpegRepair repair = StripJpegPrefix(path, "not a JPEG at its start", picture);
    ::chmod((m_folder / "locked").c_str(), 0755);
    EXPECT_FALSE(repair.repairedOnDisk);
    EXPECT_NE(repair.failure.find("Cannot create the repaired file"), std::string::npos) << repair.failure;
    EXPECT_EQ(picture.width, 64);
    EXPECT_EQ(readBytes(path), m_damaged);
}

} // namespace
} // namespace vexaris::imaging::test
