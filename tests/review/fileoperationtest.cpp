// The real file operations against a Trash of the test's own.
#include "review/fileoperation.h"

#include <sys/stat.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStorageInfo>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/readonlyfolder.h"
#include "trashfixture.h"

using namespace vexaris::review;

namespace {

class RecordingProgress : public FileOperationProgress
{
public:
    void advanced(qint64 bytesDone, qint64 bytesTotal) override
    {
        ++calls;
        lastDone = bytesDone;
        lastTotal = bytesTotal;
    }
    int calls = 0;
    qint64 lastDone = -1;
    qint64 lastTotal = -1;
};

class FileOperationTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(m_trash.isValid());
        ASSERT_TRUE(m_dir.isValid());
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("a")));
        ASSERT_TRUE(QDir(m_dir.path()).mkpath(QStringLiteral("b")));
    }
    QString path(const char *relative) const { return m_dir.filePath(QLatin1String(relative)); }
    static void write(const QString &file, const QByteArray &bytes)
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        ASSERT_EQ(out.write(bytes), bytes.size());
    }
    static QByteArray read(const QString &file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray();
    }

    vexaris::test::OwnTrash m_trash;
    // A slot first, as a resolution chooses it before anything moves.
    FileOperationResult recycle(const QString &file)
    {
        const TrashSlotResult slot = m_operation.trashSlot(file);
        if (slot.slot.isNull())
            return {false, slot.message};
        return m_operation.recycle(file, slot.slot);
    }

    QTemporaryDir m_dir;
    QtFileOperation m_operation;
    RecordingProgress m_progress;
};

TEST_F(FileOperationTest, RecycledFileCanBeRestored)
{
    write(path("a/photo one.jpg"), "victim");
    const FileOperationResult result = recycle(path("a/photo one.jpg"));
    ASSERT_TRUE(result.succeeded) << result.message.toStdString();
    EXPECT_FALSE(QFile::exists(path("a/photo one.jpg")));
    ASSERT_EQ(m_trash.files(), QStringList {QStringLiteral("photo one.jpg")});
    EXPECT_EQ(m_trash.originalPath(QStringLiteral("photo one.jpg")), path("a/photo one.jpg"));
    EXPECT_TRUE(m_trash.hasDeletionDate(QStringLiteral("photo one.jpg")));

    ASSERT_TRUE(m_trash.restore(QStringLiteral("photo one.jpg")));
    EXPECT_EQ(read(path("a/photo one.jpg")), QByteArray("victim"));
}

TEST_F(FileOperationTest, TwoFilesOfOneNameBothStayInTheTrash)
{
    write(path("a/photo.jpg"), "first");
    write(path("b/photo.jpg"), "second");
    ASSERT_TRUE(recycle(path("a/photo.jpg")).succeeded);
    ASSERT_TRUE(recycle(path("b/photo.jpg")).succeeded);
    const QStringList files = m_trash.files();
    ASSERT_EQ(files.size(), 2);
    QStringList origins;
    for (const QString &file : files)
        origins << m_trash.originalPath(file);
    origins.sort();
    EXPECT_EQ(origins, (QStringList {path("a/photo.jpg"), path("b/photo.jpg")}));
}

TEST_F(FileOperationTest, RecycleFailuresChangeNothing)
{
    const FileOperationResult missing = recycle(path("a/missing.jpg"));
    EXPECT_FALSE(missing.succeeded);
    EXPECT_TRUE(missing.message.contains(path("a/missing.jpg"))) << missing.message.toStdString();

    write(path("a/photo.jpg"), "victim");
    ASSERT_TRUE(m_trash.block());
    const FileOperationResult noTrash = recycle(path("a/photo.jpg"));
    EXPECT_FALSE(noTrash.succeeded);
    EXPECT_FALSE(noTrash.message.isEmpty());
    EXPECT_EQ(read(path("a/photo.jpg")), QByteArray("victim"));
    // Nothing is left behind where a Trash-less move might have put it.
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("files")));
    EXPECT_FALSE(QFileInfo::exists(QStringLiteral("info")));
}

TEST_F(FileOperationTest, RecycleFromReadOnlyFolderFails)
{
    write(path("a/photo.jpg"), "victim");
    FileOperationResult result;
    {
        const vexaris::test::ReadOnlyFolder readOnly(path("a"));
        if (!readOnly.isValid())
            GTEST_SKIP() << "this file system cannot make a folder read-only";
        result = recycle(path("a/photo.jpg"));
    }
    EXPECT_FALSE(result.succeeded);
    EXPECT_TRUE(result.message.contains(path("a/photo.jpg"))) << result.message.toStdString();
    EXPECT_EQ(read(path("a/photo.jpg")), QByteArray("victim"));
    EXPECT_TRUE(m_trash.files().isEmpty());
}

TEST_F(FileOperationTest, MoveRenamesWithinAFileSystem)
{
    write(path("b/photo.jpg"), "survivor");
    const FileOperationResult result = m_operation.move(path("b/photo.jpg"), path("a/photo.jpg"), m_progress);
    ASSERT_TRUE(result.succeeded) << result.message.toStdString();
    EXPECT_FALSE(QFile::exists(path("b/photo.jpg")));
    EXPECT_EQ(read(path("a/photo.jpg")), QByteArray("survivor"));
}

TEST_F(FileOperationTest, MoveAndCopyNeverReplaceAFile)
{
    write(path("b/photo.jpg"), "survivor");
    write(path("a/photo.jpg"), "appeared meanwhile");
    const FileOperationResult moved = m_operation.move(path("b/photo.jpg"), path("a/photo.jpg"), m_progress);
    EXPECT_FALSE(moved.succeeded);
    EXPECT_TRUE(moved.message.contains(path("a/photo.jpg"))) << moved.message.toStdString();
    const FileOperationResult copied = m_operation.copy(path("b/photo.jpg"), path("a/photo.jpg"), m_progress);
    EXPECT_FALSE(copied.succeeded);
    EXPECT_EQ(read(path("a/photo.jpg")), QByteArray("appeared meanwhile"));
    EXPECT_EQ(read(path("b/photo.jpg")), QByteArray("survivor"));
}

TEST_F(FileOperationTest, MoveOfAMissingFileFails)
{
    const FileOperationResult result = m_operation.move(path("b/gone.jpg"), path("a/gone.jpg"), m_progress);
    EXPECT_FALSE(result.succeeded);
    EXPECT_FALSE(QFile::exists(path("a/gone.jpg")));
}

TEST_F(FileOperationTest, CopyKeepsBytesTimeAndPermissions)
{
    // Three and a half chunks, so that the progress is told more than once.
    QByteArray bytes(3 * (1 << 20) + (1 << 19), '\0');
    for (qsizetype i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    write(path("b/big.tif"), bytes);
    const QDateTime stamp = QDateTime(QDate(2004, 5, 6), QTime(7, 8, 9), Qt::UTC);
    {
        QFile file(path("b/big.tif"));
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(stamp, QFileDevice::FileModificationTime));
    }
    ASSERT_EQ(::chmod(QFile::encodeName(path("b/big.tif")).constData(), 0640), 0);

    const FileOperationResult result = m_operation.copy(path("b/big.tif"), path("a/big.tif"), m_progress);
    ASSERT_TRUE(result.succeeded) << result.message.toStdString();
    EXPECT_EQ(read(path("a/big.tif")), bytes);
    EXPECT_EQ(read(path("b/big.tif")), bytes);
    EXPECT_EQ(QFileInfo(path("a/big.tif")).lastModified().toUTC(), stamp);
    EXPECT_EQ(QFileInfo(path("a/big.tif")).permissions(), QFileInfo(path("b/big.tif")).permissions());
    EXPECT_GE(m_progress.calls, 4);
    EXPECT_EQ(m_progress.lastDone, bytes.size());
    EXPECT_EQ(m_progress.lastTotal, bytes.size());
}

TEST_F(FileOperationTest, MoveToAnotherFileSystemCopiesThenRemoves)
{
    // /dev/shm is a memory file system on Linux: a rename from there fails with EXDEV.
    QTemporaryDir other(QStringLiteral("/dev/shm/vexaris-review-XXXXXX"));
    if (!other.isValid() || QStorageInfo(other.path()).device() == QStorageInfo(m_dir.path()).device())
        GTEST_SKIP() << "no second file system to move across";
    const QString source = other.filePath(QStringLiteral("photo.jpg"));
    write(source, "across");
    const FileOperationResult result = m_operation.move(source, path("a/photo.jpg"), m_progress);
    ASSERT_TRUE(result.succeeded) << result.message.toStdString();
    EXPECT_FALSE(QFile::exists(source));
    EXPECT_EQ(read(path("a/photo.jpg")), QByteArray("across"));
    EXPECT_EQ(m_progress.lastDone, 6);
}

} // namespace
