// One run at a time per collection, across processes: the desktop program and the command line
// share the database, and two runs of one collection would write two rows per file and scan
// half-written rows. The lock is an advisory record lock on a file beside the database, one byte
// per collection ID, held by the open file: another process sees it at once, and it goes when the
// process ends, also by a crash or a kill, so a stale lock never blocks the user.
#pragma once

#include <cstdint>

#include <QString>

namespace vexaris::store {

class Database;

class CollectionRunLock
{
public:
    // Takes the lock of the collection, or fails at once with one line naming it when another
    // run holds it (in this process or another one).
    CollectionRunLock(const Database &database, int32_t collectionId, const QString &collectionName);
    ~CollectionRunLock();
    CollectionRunLock(const CollectionRunLock &) = delete;
    CollectionRunLock &operator=(const CollectionRunLock &) = delete;

    // The lock file of a database file.
    static QString lockFileOf(const QString &databaseFile);

private:
    int m_fd = -1;
};

} // namespace vexaris::store
