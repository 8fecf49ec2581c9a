// The target name of a move or copy, checked against real folders.
#include "review/targetpath.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

using namespace vexaris::review;

namespace {

struct NameCase
{
    const char *name;
    const char *before;
    const char *after;
};

class WithXTest : public testing::TestWithParam<NameCase>
{
};

TEST_P(WithXTest, PutsXInFrontOfTheExtension)
{
    EXPECT_EQ(withXBeforeExtension(QString::fromUtf8(GetParam().before)), QString::fromUtf8(GetParam().after));
}

INSTANTIATE_TEST_SUITE_P(Names, WithXTest,
    testing::Values(NameCase {"Plain", "photo.jpg", "photox.jpg"}, NameCase {"Again", "photox.jpg", "photoxx.jpg"},
        NameCase {"NoExtension", "README", "READMEx"}, NameCase {"LastDotCounts", "archive.tar.gz", "archive.tarx.gz"},
        NameCase {"UpperCaseKept", "IMG_0001.JPG", "IMG_0001x.JPG"}, NameCase {"NonAscii", "été.png", "étéx.png"}),
    [](const testing::TestParamInfo<NameCase> &row) { return std::string(row.param.name); });

class FreeTargetPathTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("victims")));
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("survivors")));
    }
    QString victims(const char *name) const { return m_dir.filePath(QStringLiteral("victims/")) + QLatin1String(name); }
    QString survivors(const char *name) const
    {
        return m_dir.filePath(QStringLiteral("survivors/")) + QLatin1String(name);
    }
    static void touch(const QString &path)
    {
        QFile file(path);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }

    QTemporaryDir m_dir;
};

TEST_F(FreeTargetPathTest, TakenNamesGrowAnXEach)
{
    touch(victims("photo.jpg"));
    EXPECT_EQ(freeTargetPath(victims("other.jpg"), survivors("photo.jpg")), victims("photox.jpg"));
    touch(victims("photox.jpg"));
    EXPECT_EQ(freeTargetPath(victims("other.jpg"), survivors("photo.jpg")), victims("photoxx.jpg"));
}

TEST_F(FreeTargetPathTest, LetterCaseMakesAnotherName)
{
    touch(victims("PHOTO.JPG"));
    EXPECT_EQ(freeTargetPath(victims("other.jpg"), survivors("photo.jpg")), victims("photo.jpg"));
}

TEST_F(FreeTargetPathTest, DanglingLinkCountsAsTaken)
{
    ASSERT_TRUE(QFile::link(m_dir.filePath(QStringLiteral("nowhere")), victims("photo.jpg")));
    EXPECT_EQ(freeTargetPath(victims("other.jpg"), survivors("photo.jpg")), victims("photox.jpg"));
}

TEST_F(FreeTargetPathTest, SameFileThroughALinkedFolder)
{
    touch(victims("photo.jpg"));
    touch(survivors("photo.jpg"));
    ASSERT_TRUE(QFile::link(m_dir.filePath(QStringLiteral("victims")), m_dir.filePath(QStringLiteral("alias"))));
    EXPECT_TRUE(sameFile(victims("photo.jpg"), victims("photo.jpg")));
    EXPECT_TRUE(sameFile(victims("photo.jpg"), m_dir.filePath(QStringLiteral("alias/photo.jpg"))));
    EXPECT_FALSE(sameFile(victims("photo.jpg"), survivors("photo.jpg")));
    EXPECT_FALSE(sameFile(victims("missing.jpg"), victims("missing.jpg")));
}

TEST_F(FreeTargetPathTest, EndsWhenNamesGrowTooLong)
{
    // Every name up to the file system's limit is taken; the loop still ends, on a name the
    // operation will then refuse.
    const QString stem(240, QLatin1Char('a'));
    QString name = stem + QStringLiteral(".jpg");
    while (name.size() <= 255) {
        touch(victims("") + name);
        name = withXBeforeExtension(name);
    }
    const QString target = freeTargetPath(victims("other.jpg"), survivors("") + stem + QStringLiteral(".jpg"));
    EXPECT_GT(fileNamePart(target).size(), 255);
}

} // namespace
