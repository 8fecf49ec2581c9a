#include "store/runlock.h"

#include <cerrno>
#include <cstring>
#include <mutex>
#include <utility>
#include <vector>

#include <fcntl.h>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "store/database.h"

namespace vexaris::store {

namespace {

// Open-file-description locks belong to the open file, not to the process, so two runs within one
// process exclude each other too, and SQLite's process-owned locks neither meet them (their bytes
// lie apart) nor release them (an unlock by a process leaves another owner's locks alone).
// Process-owned POSIX locks serve where they are missing; they exclude other processes alike.
#ifdef F_OFD_SETLK
constexpr int kSetLock = F_OFD_SETLK;
#else
constexpr int kSetLock = F_SETLK;
#endif

// SQLite locks the bytes from 0x40000000 on: the pending byte, the reserved byte and 510 shared
// bytes after them. The run locks lie far above; a lock may lie beyond the end of the file.
constexpr off_t kFirstRunLockByte = off_t {1} << 40;

// Descriptors of database files whose run lock was given back. Closing any descriptor of a file
// drops every process-owned record lock the process holds on that file, SQLite's own among them,
// so a descriptor opened for a run lock is never closed: it waits here, unlocked, for the next
// lock of the same file. Those locks are per process, and so is this list.
class IdleDescriptors
{
public:
    int take(uint64_t device, uint64_t inode)
    {
        const std::lock_guard guard(m_mutex);
        for (auto entry = m_idle.begin(); entry != m_idle.end(); ++entry) {
            if (entry->device == device && entry->inode == inode) {
                const int fd = entry->fd;
                m_idle.erase(entry);
                return fd;
            }
        }
        return -1;
    }

    void put(uint64_t device, uint64_t inode, int fd)
    {
        const std::lock_guard guard(m_mutex);
        m_idle.push_back({device, inode, fd});
    }

private:
    struct Entry
    {
        uint64_t device;
        uint64_t inode;
        int fd;
    };
    std::mutex m_mutex;
    std::vector<Entry> m_idle;
};

IdleDescriptors &idleDescriptors()
{
    static IdleDescriptors descriptors;
    return descriptors;
}

struct flock runLockRange(short type, int32_t collectionId)
{
    struct flock range
    {
    };
    range.l_type = type;
    range.l_whence = SEEK_SET;
    range.l_start = kFirstRunLockByte + collectionId;
    range.l_len = 1;
    return range;
}

Error cannotLock(const QString &collectionName, int code)
{
    return Error(
        formatText(_("Cannot lock the collection %s: %s"), {collectionName.toStdString(), std::strerror(code)}));
}

} // namespace

CollectionRunLock::CollectionRunLock(const Database &database, int32_t collectionId, const QString &collectionName)
{
    if (!acquire(database, collectionId, collectionName))
        throw Error(formatText(_("The collection %s is being updated or scanned by another run; try again when "
                                 "that run has ended"),
            {collectionName.toStdString()}));
}

std::optional<CollectionRunLock> CollectionRunLock::tryLock(
    const Database &database, int32_t collectionId, const QString &collectionName)
{
    CollectionRunLock lock;
    if (!lock.acquire(database, collectionId, collectionName))
        return std::nullopt;
    return lock;
}

bool CollectionRunLock::acquire(const Database &database, int32_t collectionId, const QString &collectionName)
{
    // The file SQLite has open, by its full name, whatever name it was opened by.
    const char *file = sqlite3_db_filename(database.handle(), "main");
    struct stat info;
    if (!file || !*file)
        throw cannotLock(collectionName, ENOENT);
    if (::stat(file, &info) != 0)
        throw cannotLock(collectionName, errno);
    m_device = info.st_dev;
    m_inode = info.st_ino;
    m_fd = idleDescriptors().take(m_device, m_inode);
    if (m_fd < 0) {
        m_fd = ::open(file, O_RDWR | O_CLOEXEC);
        if (m_fd < 0)
            throw cannotLock(collectionName, errno);
        // The name may have passed to another file meanwhile: the descriptor is filed under its own.
        if (::fstat(m_fd, &info) == 0) {
            m_device = info.st_dev;
            m_inode = info.st_ino;
        }
    }
    struct flock range = runLockRange(F_WRLCK, collectionId);
    if (::fcntl(m_fd, kSetLock, &range) == 0) {
        m_collectionId = collectionId;
        return true;
    }
    const int code = errno;
    idleDescriptors().put(m_device, m_inode, m_fd);
    m_fd = -1;
    if (code == EAGAIN || code == EACCES)
        return false;
    throw cannotLock(collectionName, code);
}

void CollectionRunLock::release() noexcept
{
    if (m_fd < 0)
        return;
    struct flock range = runLockRange(F_UNLCK, m_collectionId);
    // A descriptor whose lock would not go is kept out of the list: its lock then lasts as long as
    // the process, which is still better than closing it.
    if (::fcntl(m_fd, kSetLock, &range) == 0)
        idleDescriptors().put(m_device, m_inode, m_fd);
    m_fd = -1;
}

CollectionRunLock::~CollectionRunLock()
{
    release();
}

CollectionRunLock::CollectionRunLock(CollectionRunLock &&other) noexcept
    : m_fd(std::exchange(other.m_fd, -1))
    , m_device(other.m_device)
    , m_inode(other.m_inode)
    , m_collectionId(other.m_collectionId)
{
}

CollectionRunLock &CollectionRunLock::operator=(CollectionRunLock &&other) noexcept
{
    if (this != &other) {
        release();
        m_fd = std::exchange(other.m_fd, -1);
        m_device = other.m_device;
        m_inode = other.m_inode;
        m_collectionId = other.m_collectionId;
    }
    return *this;
}

} // namespace vexaris::store
