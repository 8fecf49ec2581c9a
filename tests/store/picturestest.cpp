// Loading a collection's pictures into memory, and the averaged colours of a thumbnail.
#include "store/pictures.h"

#include <gtest/gtest.h>

#include "imaging/imgutils.h"
#include "store/data.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::store;
using namespace Qt::Literals::StringLiterals;

namespace {

using Averages = std::array<uint8_t, kAverageColorsSize>;

// A thumbnail of one value everywhere, then the given 16 x 16 block's channel set to another.
QByteArray thumbnailWithBlock(uint8_t base, int blockRow, int blockColumn, int channel, uint8_t value)
{
    QByteArray bytes(static_cast<qsizetype>(kThumbnailSize), static_cast<char>(base));
    for (int y = 16 * blockRow; y < 16 * blockRow + 16; ++y) {
        for (int x = 16 * blockColumn; x < 16 * blockColumn + 16; ++x)
            bytes[y * 96 + x * 3 + channel] = static_cast<char>(value);
    }
    return bytes;
}

const uint8_t *bytesOf(const QByteArray &bytes)
{
    return reinterpret_cast<const uint8_t *>(bytes.constData());
}

TEST(AverageColors, KnownThumbnails)
{
    struct Case
    {
        const char *label;
        QByteArray thumbnail;
        Averages expected;
    };
    QByteArray halfBright = thumbnailWithBlock(0, 1, 1, 2, 0);
    // Every other row of the bottom-right block at 255 in channel 2: 128 of 256 bytes.
    for (int y = 16; y < 32; y += 2) {
        for (int x = 16; x < 32; ++x)
            halfBright[y * 96 + x * 3 + 2] = static_cast<char>(255);
    }
    QByteArray oneByte = thumbnailWithBlock(0, 0, 0, 0, 0);
    oneByte[0] = static_cast<char>(255); // 255 / 256 rounds down to 0
    QByteArray justEnough = thumbnailWithBlock(0, 0, 1, 1, 0);
    for (int y = 0; y < 16; ++y) // 16 bytes at 16 in the top-right block, channel 1: 256 / 256
        justEnough[y * 96 + 16 * 3 + 1] = 16;

    const Case cases[] = {
        {"uniform200", thumbnailWithBlock(200, 0, 0, 0, 200),
            Averages {200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200}},
        {"topLeftRed", thumbnailWithBlock(0, 0, 0, 0, 255), Averages {255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}},
        {"bottomLeftGreen", thumbnailWithBlock(10, 1, 0, 1, 250),
            Averages {10, 10, 10, 10, 10, 10, 10, 250, 10, 10, 10, 10}},
        {"topRightBlue", thumbnailWithBlock(0, 0, 1, 2, 77), Averages {0, 0, 0, 0, 0, 77, 0, 0, 0, 0, 0, 0}},
        {"halfOfABlock", halfBright, Averages {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 127}},
        {"oneByteRoundsDown", oneByte, Averages {}},
        {"exactlyOne", justEnough, Averages {0, 0, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0}},
    };
    for (const Case &c : cases)
        EXPECT_EQ(imaging::AverageColors(bytesOf(c.thumbnail)), c.expected) << c.label;
}

TEST(PictureArray, ResetMakesZeroedElementsAndSignatures)
{
    TPictureArray pictures;
    pictures.reset(2);
    pictures[1].ID = 5;
    pictures.thumbnail(1)[kThumbnailSize - 1] = 9;
    pictures.derivative(0)[0] = 3;
    pictures.reset(3);
    ASSERT_EQ(pictures.size(), 3u);
    for (size_t k = 0; k < 3; ++k) {
        EXPECT_EQ(pictures[k].ID, 0);
        EXPECT_EQ(pictures[k].AverageColors, Averages {});
        EXPECT_EQ(pictures.thumbnail(k)[kThumbnailSize - 1], 0);
        EXPECT_EQ(pictures.derivative(k)[0], 0);
    }
    // Signatures lie back to back, indexed like the records.
    EXPECT_EQ(pictures.thumbnail(2) - pictures.thumbnail(0), static_cast<std::ptrdiff_t>(2 * kThumbnailSize));
    EXPECT_EQ(pictures.derivative(1) - pictures.derivative(0), static_cast<std::ptrdiff_t>(kDerivativeSize));
}

class LoadPicturesTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        collection = db.addCollection(u"C"_s);
        other = db.addCollection(u"Other"_s);
        folderA = db.addFolder(collection, u"/a"_s);
        folderB = db.addFolder(collection, u"/b"_s);
        folderC = db.addFolder(collection, u"/c"_s);
        otherFolder = db.addFolder(other, u"/a"_s);
        db.session().CurrentCollection.ID = collection;
    }

    std::vector<int> loadedIds(const QList<int32_t> &folders)
    {
        LoadPictures(db.session(), pictures, folders, false);
        std::vector<int> ids;
        for (const TPictureRec &picture : pictures)
            ids.push_back(picture.ID);
        return ids;
    }

    test::ConnectedTestDatabase db;
    int collection = 0;
    int other = 0;
    int folderA = 0;
    int folderB = 0;
    int folderC = 0;
    int otherFolder = 0;
    TPictureArray pictures;
};

TEST_F(LoadPicturesTest, CollectionWithoutPicturesGivesAnEmptyArray)
{
    db.addPicture({.collectionId = other, .folderId = otherFolder});
    pictures.reset(4);
    LoadPictures(db.session(), pictures, {}, true);
    EXPECT_TRUE(pictures.empty());
}

TEST_F(LoadPicturesTest, PicturesComeInAscendingColorRankThenById)
{
    const int rank11 = db.addPicture({.collectionId = collection, .folderId = folderA, .colorRank = 11});
    const int rank10 = db.addPicture({.collectionId = collection, .folderId = folderB, .colorRank = 10});
    const int negative = db.addPicture({.collectionId = collection, .folderId = folderC, .colorRank = -4});
    const int rank10Again = db.addPicture({.collectionId = collection, .folderId = folderA, .colorRank = 10});
    db.addPicture({.collectionId = other, .folderId = otherFolder, .colorRank = 0});
    EXPECT_EQ(loadedIds({}), (std::vector<int> {negative, rank10, rank10Again, rank11}));
}

TEST_F(LoadPicturesTest, FolderFilterTakesOnlyTheChosenFolders)
{
    const int a = db.addPicture({.collectionId = collection, .folderId = folderA, .colorRank = 1});
    db.addPicture({.collectionId = collection, .folderId = folderB, .colorRank = 2});
    const int c = db.addPicture({.collectionId = collection, .folderId = folderC, .colorRank = 3});
    db.addPicture({.collectionId = other, .folderId = otherFolder, .colorRank = 1});
    EXPECT_EQ(loadedIds({folderC, folderA}), (std::vector<int> {a, c}));
    EXPECT_EQ(loadedIds({folderB}).size(), 1u);
    EXPECT_EQ(loadedIds({otherFolder}).size(), 0u); // another collection's folder
    EXPECT_EQ(loadedIds({99999}).size(), 0u);
}

TEST_F(LoadPicturesTest, EveryFieldIsReadFromItsColumn)
{
    QByteArray thumbnail(static_cast<qsizetype>(kThumbnailSize), '\0');
    QByteArray derivative(static_cast<qsizetype>(kDerivativeSize), '\0');
    for (qsizetype i = 0; i < thumbnail.size(); ++i)
        thumbnail[i] = static_cast<char>(i % 251);
    for (qsizetype i = 0; i < derivative.size(); ++i)
        derivative[i] = static_cast<char>(255 - i % 256);
    const int id = db.addPicture({.collectionId = collection,
        .folderId = folderA,
        .fileName = u"Bob's 100% ü.jpg"_s,
        .size = 2147483647,
        .created = 36526.25,
        .modified = 45000.5,
        .width = 4000,
        .height = 3000,
        .thumbnail = thumbnail,
        .derivative = derivative,
        .colorRank = -7,
        .derivativeRank = 123456,
        .old = true});
    LoadPictures(db.session(), pictures, {}, false);
    ASSERT_EQ(pictures.size(), 1u);
    const TPictureRec &p = pictures[0];
    EXPECT_EQ(p.ID, id);
    EXPECT_EQ(p.FileName, u"Bob's 100% ü.jpg"_s);
    EXPECT_EQ(p.Size, 2147483647);
    EXPECT_EQ(p.Created, 36526.25);
    EXPECT_EQ(p.Modified, 45000.5);
    EXPECT_EQ(p.Width, 4000);
    EXPECT_EQ(p.Height, 3000);
    EXPECT_EQ(p.ColorRank, -7);
    EXPECT_EQ(p.DerivativeRank, 123456);
    EXPECT_TRUE(p.Old);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pictures.thumbnail(0)), kThumbnailSize), thumbnail);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pictures.derivative(0)), kDerivativeSize), derivative);
}

TEST_F(LoadPicturesTest, AveragesAreFilledOnlyWhenAskedFor)
{
    db.addPicture({.collectionId = collection,
        .folderId = folderA,
        .thumbnail = thumbnailWithBlock(0, 0, 0, 0, 255),
        .colorRank = 1});
    db.addPicture({.collectionId = collection,
        .folderId = folderA,
        .thumbnail = QByteArray(static_cast<qsizetype>(kThumbnailSize), static_cast<char>(200)),
        .colorRank = 2});
    LoadPictures(db.session(), pictures, {}, false);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0].AverageColors, Averages {});
    EXPECT_EQ(pictures[1].AverageColors, Averages {});

    LoadPictures(db.session(), pictures, {}, true);
    EXPECT_EQ(pictures[0].AverageColors, (Averages {255, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0}));
    Averages all200;
    all200.fill(200);
    EXPECT_EQ(pictures[1].AverageColors, all200);
}

struct BadRow
{
    const char *label;
    const char *column;
    store::Value value;
};

class UnloadableRowTest : public LoadPicturesTest, public ::testing::WithParamInterface<BadRow>
{
};

// The rows around it still load, each into its own element, and the damaged one comes back with
// a reason naming the column.
TEST_P(UnloadableRowTest, IsLeftOutWithAReasonNamingTheColumn)
{
    const BadRow &c = GetParam();
    const QByteArray after(static_cast<qsizetype>(kThumbnailSize), '\x07');
    const int before
        = db.addPicture({.collectionId = collection, .folderId = folderA, .fileName = u"good.jpg"_s, .colorRank = 1});
    const int bad
        = db.addPicture({.collectionId = collection, .folderId = folderB, .fileName = u"bad.jpg"_s, .colorRank = 2});
    const int last
        = db.addPicture({.collectionId = collection, .folderId = folderA, .thumbnail = after, .colorRank = 3});
    db.database().Execute(u"UPDATE Picture SET %1 = ? WHERE ID = ?"_s.arg(QString::fromUtf8(c.column)), {c.value, bad});

    const std::vector<DamagedPicture> damaged = LoadPictures(db.session(), pictures, {}, true);
    ASSERT_EQ(pictures.size(), 2u);
    EXPECT_EQ(pictures[0].ID, before);
    EXPECT_EQ(pictures[1].ID, last);
    EXPECT_EQ(QByteArray(reinterpret_cast<const char *>(pictures.thumbnail(1)), kThumbnailSize), after);
    ASSERT_EQ(damaged.size(), 1u);
    EXPECT_EQ(damaged[0].ID, bad);
    EXPECT_EQ(damaged[0].FolderID, folderB);
    EXPECT_EQ(damaged[0].FileName, u"bad.jpg"_s);
    EXPECT_TRUE(damaged[0].reason.contains(QString::fromUtf8(c.column))) << damaged[0].reason.toStdString();
}

INSTANTIATE_TEST_SUITE_P(Rows, UnloadableRowTest,
    ::testing::Values(BadRow {"nullThumbnail", "Thumbnail", store::Value()},
        BadRow {"nullDerivative", "Derivative", store::Value()},
        BadRow {"shortThumbnail", "Thumbnail", store::Value::fromBlob(QByteArray(3071, 'x'))},
        BadRow {"longThumbnail", "Thumbnail", store::Value::fromBlob(QByteArray(3073, 'x'))},
        BadRow {"emptyThumbnail", "Thumbnail", store::Value::fromBlob(QByteArray())},
        BadRow {"shortDerivative", "Derivative", store::Value::fromBlob(QByteArray(12, 'x'))},
        BadRow {"nullSize", "Size", store::Value()}, BadRow {"nullWidth", "Width", store::Value()},
        BadRow {"nullHeight", "Height", store::Value()}, BadRow {"nullColorRank", "ColorRank", store::Value()},
        BadRow {"nullDerivativeRank", "DerivativeRank", store::Value()}, BadRow {"nullOld", "Old", store::Value()},
        BadRow {"sizeBeyond32Bits", "Size", store::Value(qint64(1) << 32)},
        BadRow {"textWidth", "Width", store::Value(u"wide"_s)}),
    [](const ::testing::TestParamInfo<BadRow> &row) { return std::string(row.param.label); });

TEST_F(LoadPicturesTest, MissingTimesAndNameReadAsZeroAndEmpty)
{
    const int id = db.addPicture({.collectionId = collection, .folderId = folderA});
    db.database().Execute(u"UPDATE Picture SET Created = NULL, Modified = NULL, FileName = NULL WHERE ID = ?"_s, {id});
    LoadPictures(db.session(), pictures, {}, false);
    ASSERT_EQ(pictures.size(), 1u);
    EXPECT_EQ(pictures[0].Created, 0.0);
    EXPECT_EQ(pictures[0].Modified, 0.0);
    EXPECT_TRUE(pictures[0].FileName.isEmpty());
}

} // namespace
