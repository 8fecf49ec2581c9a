// One run at a time per collection, across processes: the desktop program and the command line
// share the database, and two runs of one collection would write two rows per file and scan
// half-written rows. The lock is an advisory record lock on the database file itself, one byte per
// collection ID far above the bytes SQLite locks: every name of the file (a symbolic or a hard
// link) reaches the same lock, any user who may write the database may take it, and no file of its
// own is made. It goes when the process ends, also by a crash or a kill, so a stale lock never
// blocks the user.
#pragma once

#include <cstdint>
#include <optional>

#include <QString>

namespace vexaris::store {

class Database;

class CollectionRunLock
{
public:
    // Takes the lock of the collection, or fails at once with one line naming it when another
    // run holds it (in this process or another one).
    CollectionRunLock(const Database &database, int32_t collectionId, const QString &collectionName);
    // The same, but empty instead of the failure when another run holds the lock; a database file
    // that cannot be locked at all still fails with one line.
    static std::optional<CollectionRunLock> tryLock(
        const Database &database, int32_t collectionId, const QString &collectionName);

    ~CollectionRunLock();
    CollectionRunLock(CollectionRunLock &&other) noexcept;
    CollectionRunLock &operator=(CollectionRunLock &&other) noexcept;
    CollectionRunLock(const CollectionRunLock &) = delete;
    CollectionRunLock &operator=(const CollectionRunLock &) = delete;

    int32_t collectionId() const { return m_collectionId; }

private:
    CollectionRunLock() = default;
    // False when another run holds the lock; other failures raise.
    bool acquire(const Database &database, int32_t collectionId, const QString &collectionName);
    void release() noexcept;

    int m_fd = -1;
    uint64_t m_device = 0;
    uint64_t m_inode = 0;
    int32_t m_collectionId = 0;
};

} // namespace vexaris::store
