// The run lock taken and given back again and again in one process, on a file SQLite holds open.
#include "store/runlock.h"

#include <filesystem>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>

#include <gtest/gtest.h>

#include "support/testdatabase.h"

using namespace vexaris;

namespace {

// Whether another process meets a lock on SQLite's shared bytes (0x40000002, 510 bytes on).
bool sqliteLockSeenFromAnotherProcess(const QString &file)
{
    const QByteArray name = QFile::encodeName(file);
    const pid_t child = ::fork();
    if (child == 0) {
        struct flock probe
        {
            .l_type = F_WRLCK, .l_whence = SEEK_SET, .l_start = 0x40000002, .l_len = 510, .l_pid = 0
        };
        const int fd = ::open(name.constData(), O_RDWR);
        ::_exit(fd >= 0 && ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(RunLock, TakenAgainAndAgainKeepsSqlitesLocksAndItsDescriptorCount)
{
    test::ConnectedTestDatabase db;
    const int id = db.addCollection(QStringLiteral("Holiday"));
    store::Statement reading(db.database(), QStringLiteral("SELECT Name FROM Collection"));
    ASSERT_TRUE(reading.step()); // a read transaction: SQLite holds a shared lock on the file
    ASSERT_TRUE(sqliteLockSeenFromAnotherProcess(db.path()));

    const auto round = [&] {
        const auto lock = store::CollectionRunLock::tryLock(db.database(), id, QStringLiteral("Holiday"));
        ASSERT_TRUE(lock.has_value());
        EXPECT_FALSE(store::CollectionRunLock::tryLock(db.database(), id, QStringLiteral("Holiday")));
        EXPECT_TRUE(store::CollectionRunLock::tryLock(db.database(), id + 1, QStringLiteral("Other")));
    };
    const auto descriptors = [] { return std::distance(std::filesystem::directory_iterator("/proc/self/fd"), {}); };
    round(); // opens the descriptors the later rounds reuse
    const auto before = descriptors();
    for (int k = 0; k < 20; ++k)
        round();
    EXPECT_EQ(descriptors(), before);
    EXPECT_TRUE(sqliteLockSeenFromAnotherProcess(db.path()));
}

} // namespace
