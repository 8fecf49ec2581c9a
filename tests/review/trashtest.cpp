// The Trash on real files: the home Trash of a test's own, and volumes mounted in a mount namespace
// private to the test's process (skipped where the process may not make one).
#include "review/trash.h"

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sched.h>

#include <sys/mount.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QSet>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "support/printers.h"
#include "trashfixture.h"

using namespace vexaris::review;

namespace {

struct MountCase
{
    const char *name;
    const char *extraLines; // after a root and /home
    const char *path;
    int mountId;
};

class MountLookupTest : public testing::TestWithParam<MountCase>
{
};

TEST_P(MountLookupTest, FindsTheMountThePathResolvesTo)
{
    // Listed as the kernel may list them: a child before its parent, the root's parent outside.
    const QByteArray table = QByteArray("22 26 0:6 / /dev rw - devtmpfs udev rw\n"
                                        "26 1 8:1 / / rw - ext4 /dev/sda1 rw\n"
                                        "27 26 8:2 / /home rw shared:2 - ext4 /dev/sda2 rw\n")
        + GetParam().extraLines;
    const std::optional<MountEntry> mount = mountOf(parseMountInfo(table), QString::fromUtf8(GetParam().path));
    EXPECT_EQ(mount.value_or(MountEntry {}).id, GetParam().mountId);
}

INSTANTIATE_TEST_SUITE_P(Tables, MountLookupTest,
    testing::Values(MountCase {"Root", "", "/etc/fstab", 26}, MountCase {"Home", "", "/home/ann/a.jpg", 27},
        MountCase {"OnlyWholeFolderNamesMatch", "", "/homework/a.jpg", 26},
        MountCase {"Nested", "40 27 8:3 / /home/ann/usb rw - vfat /dev/sdb1 rw\n", "/home/ann/usb/a.jpg", 40},
        MountCase {"BindMount", "41 27 8:2 /ann/pictures /home/ann/bound rw - ext4 /dev/sda2 rw\n",
            "/home/ann/bound/a.jpg", 41},
        MountCase {"HiddenByALaterMountAtTheSamePlace",
            "42 26 8:4 / /media/card rw - vfat /dev/sdc1 rw\n43 42 0:40 / /media/card rw - tmpfs none rw\n",
            "/media/card/a.jpg", 43},
        MountCase {"StackedListedTopFirst",
            "43 42 0:40 / /media/card rw - tmpfs none rw\n42 26 8:4 / /media/card rw - vfat /dev/sdc1 rw\n",
            "/media/card/a.jpg", 43},
        MountCase {"HiddenByALaterMountAbove",
            "44 26 8:4 / /mnt/a rw - vfat /dev/sdc1 rw\n45 26 0:41 / /mnt rw - tmpfs none rw\n", "/mnt/a/b.jpg", 45},
        MountCase {"EscapedBlanks", "46 26 8:5 / /media/My\\040Card\\134x rw - vfat /dev/sdd1 rw\n",
            "/media/My Card\\x/a.jpg", 46}),
    [](const testing::TestParamInfo<MountCase> &row) { return std::string(row.param.name); });

TEST(TrashPathTest, EscapesAllButUnreservedCharactersAndSlashes)
{
    EXPECT_EQ(encodeTrashPath(QString::fromUtf8("/a b/été%#?.jpg")), QByteArray("/a%20b/%C3%A9t%C3%A9%25%23%3F.jpg"));
    EXPECT_EQ(encodeTrashPath(QStringLiteral("/x/(1)!*'~-_.jpg")), QByteArray("/x/(1)!*'~-_.jpg"));
}

QByteArray infoValue(const TrashSlot &slot, const QByteArray &key)
{
    QFile info(slot.infoPath);
    for (const QByteArray &line : info.open(QIODevice::ReadOnly) ? info.readAll().split('\n') : QList<QByteArray>())
        if (line.startsWith(key + '='))
            return line.mid(key.size() + 1);
    return {};
}

mode_t modeOf(const QString &path)
{
    struct stat status
    {
    };
    return ::stat(QFile::encodeName(path).constData(), &status) == 0 ? status.st_mode & 07777 : 0;
}

class TrashTest : public testing::Test
{
protected:
    void SetUp() override { ASSERT_TRUE(m_own.isValid() && m_dir.isValid()); }
    QString file(const QString &relative, const QByteArray &bytes = "picture")
    {
        const QString path = QDir(m_dir.path()).filePath(relative);
        QDir().mkpath(QFileInfo(path).path());
        QFile out(path);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly) && out.write(bytes) == bytes.size());
        return path;
    }
    // Slot and put in one, as the review does.
    TrashSlot trashed(const QString &path)
    {
        const TrashSlotResult result = m_trash.slotFor(path);
        QString message;
        EXPECT_FALSE(result.slot.isNull()) << result.message.toStdString();
        EXPECT_TRUE(m_trash.put(path, result.slot, message)) << message.toStdString();
        return result.slot;
    }

    vexaris::test::OwnTrash m_own;
    QTemporaryDir m_dir;
    Trash m_trash;
};

TEST_F(TrashTest, FreshAccountGetsAPrivateHomeTrashWithAbsolutePaths)
{
    const QString dataHome = m_own.dataHome() + QStringLiteral("/not/yet");
    qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome));
    const QString path = file(QStringLiteral("a b/photo.jpg"));
    const TrashSlot slot = trashed(path);

    EXPECT_EQ(slot.filesPath, dataHome + QStringLiteral("/Trash/files/photo.jpg"));
    for (const char *folder : {"/Trash", "/Trash/files", "/Trash/info"})
        EXPECT_EQ(modeOf(dataHome + QLatin1String(folder)), mode_t(0700)) << folder;
    EXPECT_FALSE(QFile::exists(path));
    EXPECT_EQ(infoValue(slot, "Path"), encodeTrashPath(path));
    const QDateTime deleted = QDateTime::fromString(QString::fromLatin1(infoValue(slot, "DeletionDate")), Qt::ISODate);
    EXPECT_LE(std::abs(deleted.secsTo(QDateTime::currentDateTime())), 60) << infoValue(slot, "DeletionDate").data();
    EXPECT_TRUE(m_trash.holds(TrashSlot::fromInfoPath(slot.infoPath), path));
    EXPECT_FALSE(m_trash.holds(slot, file(QStringLiteral("other/photo.jpg"))));
}

TEST_F(TrashTest, SlotsOfOneNameAreDistinctAndFree)
{
    // Taken before: an entry in files/ without information, and information without an entry.
    trashed(file(QStringLiteral("0/photo.jpg")));
    const QString trash = m_own.trash();
    QFile::rename(trash + QStringLiteral("/info/photo.jpg.trashinfo"), trash + QStringLiteral("/info/x.trashinfo"));
    QFile::copy(trash + QStringLiteral("/info/x.trashinfo"), trash + QStringLiteral("/info/photo.2.jpg.trashinfo"));

    // A batch picks every slot before it moves a file.
    Trash batch;
    QSet<QString> names;
    QStringList paths;
    for (int folder = 1; folder <= 4; ++folder)
        paths << file(QString::number(folder) + QStringLiteral("/photo.jpg"));
    paths << file(QStringLiteral("long/") + QString(250, QLatin1Char('n')) + QStringLiteral(".jpg"));
    std::vector<TrashSlot> chosen;
    for (const QString &path : paths) {
        chosen.push_back(batch.slotFor(path).slot);
        const QString name = QFileInfo(chosen.back().filesPath).fileName();
        names.insert(name);
        EXPECT_TRUE(name.endsWith(QStringLiteral(".jpg"))) << name.toStdString();
        EXPECT_FALSE(QFile::exists(chosen.back().filesPath) || QFile::exists(chosen.back().infoPath));
    }
    EXPECT_EQ(names.size(), paths.size());
    QString message;
    for (std::size_t i = 0; i < chosen.size(); ++i)
        EXPECT_TRUE(batch.put(paths[int(i)], chosen[i], message)) << message.toStdString();
}

TEST_F(TrashTest, PutNeverReplacesAnEntryThatArrivedAfterTheSlotWasChosen)
{
    const QString path = file(QStringLiteral("photo.jpg"));
    const TrashSlot slot = m_trash.slotFor(path).slot;
    file(QStringLiteral("stranger.jpg"), "stranger");
    ASSERT_TRUE(QFile::rename(m_dir.filePath(QStringLiteral("stranger.jpg")), slot.filesPath));

    QString message;
    EXPECT_FALSE(m_trash.put(path, slot, message));
    EXPECT_TRUE(message.contains(path) && !message.contains(QLatin1Char('\n'))) << message.toStdString();
    EXPECT_TRUE(QFile::exists(path));
    EXPECT_FALSE(QFile::exists(slot.infoPath));
}

TEST_F(TrashTest, DiscardTakesBackOnlyAnInformationFileWhoseFileNeverArrived)
{
    const QString path = file(QStringLiteral("photo.jpg"));
    const TrashSlot arrived = trashed(file(QStringLiteral("kept.jpg")));
    m_trash.discard(arrived, m_dir.filePath(QStringLiteral("kept.jpg")));
    EXPECT_TRUE(m_trash.holds(arrived, m_dir.filePath(QStringLiteral("kept.jpg"))));

    // The crash: the information file is written, the file is still where it was.
    const TrashSlot slot = trashed(path);
    ASSERT_TRUE(QFile::rename(slot.filesPath, path));
    m_trash.discard(slot, m_dir.filePath(QStringLiteral("another.jpg")));
    EXPECT_TRUE(QFile::exists(slot.infoPath));
    m_trash.discard(TrashSlot::fromInfoPath(slot.infoPath), path);
    EXPECT_FALSE(QFile::exists(slot.infoPath));
    EXPECT_TRUE(QFile::exists(path));
}

// Volumes mounted in a mount namespace of the test process's own.
class VolumeTrashTest : public TrashTest
{
protected:
    void SetUp() override
    {
        TrashTest::SetUp();
        if (::geteuid() != 0)
            GTEST_SKIP() << "mounting needs root";
        if (::unshare(CLONE_NEWNS) != 0 || ::mount(nullptr, "/", nullptr, MS_REC | MS_PRIVATE, nullptr) != 0)
            GTEST_SKIP() << "no private mount namespace: " << std::strerror(errno);
    }
    void TearDown() override
    {
        for (auto it = m_mounts.rbegin(); it != m_mounts.rend(); ++it)
            ::umount2(it->constData(), MNT_DETACH);
    }
    QString mounted(const QString &relative, const char *type, const QString &source = {}, unsigned long flags = 0,
        const char *options = nullptr)
    {
        const QString point = m_dir.filePath(relative);
        QDir().mkpath(point);
        const QByteArray from = QFile::encodeName(source);
        EXPECT_EQ(::mount(from.isEmpty() ? "none" : from.constData(), QFile::encodeName(point).constData(), type, flags,
                      options),
            0)
            << std::strerror(errno);
        m_mounts << QFile::encodeName(point);
        return point;
    }
    QString volume(const char *options = "size=1m") { return mounted(QStringLiteral("vol"), "tmpfs", {}, 0, options); }
    const QString m_userTrash = QStringLiteral("/.Trash-") + QString::number(::getuid());
    QList<QByteArray> m_mounts;
};

struct SharedTrashCase
{
    const char *name;
    mode_t mode; // of $topdir/.Trash; 0: none
    bool symbolicLink;
    bool perUserFolder; // $topdir/.Trash/$uid rather than $topdir/.Trash-$uid
};

class SharedTrashTest : public VolumeTrashTest, public testing::WithParamInterface<SharedTrashCase>
{
};

TEST_P(SharedTrashTest, VolumeTrashIsChosenAsTheChecksSay)
{
    const QString top = volume();
    const SharedTrashCase &row = GetParam();
    const QString shared = top + (row.symbolicLink ? QStringLiteral("/real") : QStringLiteral("/.Trash"));
    if (row.mode != 0) {
        ASSERT_TRUE(QDir().mkdir(shared) && ::chmod(QFile::encodeName(shared).constData(), row.mode) == 0);
    }
    if (row.symbolicLink) {
        ASSERT_TRUE(QFile::link(shared, top + QStringLiteral("/.Trash")));
    }
    const QString path = file(top + QStringLiteral("/sub/a b.jpg"));

    const TrashSlot slot = trashed(path);
    const QString folder
        = row.perUserFolder ? top + QStringLiteral("/.Trash/") + QString::number(::getuid()) : top + m_userTrash;
    EXPECT_EQ(slot.filesPath, folder + QStringLiteral("/files/a b.jpg"));
    EXPECT_EQ(modeOf(folder), mode_t(0700));
    EXPECT_EQ(infoValue(slot, "Path"), QByteArray("sub/a%20b.jpg"));
    EXPECT_TRUE(m_trash.holds(slot, path));
}

INSTANTIATE_TEST_SUITE_P(SharedTrash, SharedTrashTest,
    testing::Values(SharedTrashCase {"None", 0, false, false}, SharedTrashCase {"Sticky", 01777, false, true},
        SharedTrashCase {"NotSticky", 0777, false, false}, SharedTrashCase {"StickyLink", 01777, true, false}),
    [](const testing::TestParamInfo<SharedTrashCase> &row) { return std::string(row.param.name); });

TEST_F(VolumeTrashTest, BindMountHasATrashOfItsOwn)
{
    // The bind mount and the home Trash share one file system, yet a rename between them fails.
    file(QStringLiteral("src/a.jpg"));
    const QString bound = mounted(QStringLiteral("bound"), nullptr, m_dir.filePath(QStringLiteral("src")), MS_BIND);
    const TrashSlot slot = trashed(bound + QStringLiteral("/a.jpg"));
    EXPECT_EQ(slot.infoPath, bound + m_userTrash + QStringLiteral("/info/a.jpg.trashinfo"));
    EXPECT_TRUE(m_trash.holds(TrashSlot::fromInfoPath(slot.infoPath), bound + QStringLiteral("/a.jpg")));
}

TEST_F(VolumeTrashTest, ReadOnlyOrFullVolumeFailsWithOneLineAndKeepsTheFile)
{
    const QString top = volume("size=64k");
    const QString path = file(top + QStringLiteral("/a.jpg"));
    const TrashSlot slot = m_trash.slotFor(path).slot;
    ASSERT_FALSE(slot.isNull());
    QFile filler(top + QStringLiteral("/filler"));
    ASSERT_TRUE(filler.open(QIODevice::WriteOnly | QIODevice::Unbuffered));
    while (filler.write(QByteArray(4096, 'x')) > 0) { }
    filler.close();

    QString message;
    EXPECT_FALSE(m_trash.put(path, slot, message));
    EXPECT_TRUE(message.contains(path) && !message.contains(QLatin1Char('\n'))) << message.toStdString();
    EXPECT_FALSE(QFile::exists(slot.infoPath));

    mounted(QStringLiteral("vol"), nullptr, top, MS_BIND);
    mounted(QStringLiteral("vol"), nullptr, {}, MS_REMOUNT | MS_BIND | MS_RDONLY);
    const TrashSlotResult readOnly = m_trash.slotFor(path);
    EXPECT_TRUE(readOnly.slot.isNull());
    EXPECT_TRUE(readOnly.message.contains(top) && !readOnly.message.contains(QLatin1Char('\n')))
        << readOnly.message.toStdString();
    EXPECT_FALSE(m_trash.put(path, slot, message));
    EXPECT_TRUE(QFile::exists(path) && !QFile::exists(slot.infoPath));
}

} // namespace
