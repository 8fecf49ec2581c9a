// The run lock within one process: taken and given back again and again on a database that SQLite
// holds open, it neither costs a descriptor each time nor drops SQLite's own locks on the file.
#include "store/runlock.h"

#include <filesystem>

#include <fcntl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QFile>

#include <gtest/gtest.h>

#include "store/database.h"
#include "support/testdatabase.h"

using namespace vexaris;

namespace {

size_t openDescriptors()
{
    const std::filesystem::directory_iterator entries("/proc/self/fd");
    return static_cast<size_t>(std::distance(begin(entries), end(entries)));
}

// Whether another process sees a lock over SQLite's shared bytes (0x40000002, 510 bytes on).
bool sqliteLockSeenFromAnotherProcess(const QString &file)
{
    const QByteArray name = QFile::encodeName(file);
    const pid_t child = ::fork();
    if (child == 0) {
        const int fd = ::open(name.constData(), O_RDWR);
        struct flock probe
        {
        };
        probe.l_type = F_WRLCK;
        probe.l_whence = SEEK_SET;
        probe.l_start = 0x40000002;
        probe.l_len = 510;
        ::_exit(fd >= 0 && ::fcntl(fd, F_GETLK, &probe) == 0 && probe.l_type != F_UNLCK ? 0 : 1);
    }
    int status = 0;
    return child > 0 && ::waitpid(child, &status, 0) == child && WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

TEST(RunLock, TakenAgainAndAgainKeepsSqlitesLocksAndItsDescriptorCount)
{
    test::ConnectedTestDatabase db;
    const int collection = db.addCollection(QStringLiteral("Holiday"));
    store::Statement reading(db.database(), QStringLiteral("SELECT Name FROM Collection"));
    ASSERT_TRUE(reading.step()); // a read transaction: SQLite holds a shared lock on the file
    ASSERT_TRUE(sqliteLockSeenFromAnotherProcess(db.path()));

    const auto round = [&] {
        const std::optional<store::CollectionRunLock> lock
            = store::CollectionRunLock::tryLock(db.database(), collection, QStringLiteral("Holiday"));
        ASSERT_TRUE(lock.has_value());
        EXPECT_FALSE(store::CollectionRunLock::tryLock(db.database(), collection, QStringLiteral("Holiday")));
        EXPECT_TRUE(store::CollectionRunLock::tryLock(db.database(), collection + 1, QStringLiteral("Other")));
    };
    round(); // opens the descriptors the later rounds reuse
    const size_t descriptors = openDescriptors();
    for (int k = 0; k < 20; ++k)
        round();
    EXPECT_EQ(openDescriptors(), descriptors);
    EXPECT_TRUE(sqliteLockSeenFromAnotherProcess(db.path()));
}

} // namespace
