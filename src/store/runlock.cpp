#include "store/runlock.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <unistd.h>

#include <QFile>

#include "common/error.h"
#include "i18n/translate.h"
#include "store/database.h"

namespace vexaris::store {

namespace {

// Open-file-description locks belong to the open file, not to the process, so two runs within one
// process exclude each other too, and closing some other descriptor of the file releases nothing.
// Process-owned POSIX locks serve where they are missing; they exclude other processes alike.
#ifdef F_OFD_SETLK
constexpr int kSetLock = F_OFD_SETLK;
#else
constexpr int kSetLock = F_SETLK;
#endif

} // namespace

QString CollectionRunLock::lockFileOf(const QString &databaseFile)
{
    return databaseFile + QStringLiteral("-runs");
}

CollectionRunLock::CollectionRunLock(const Database &database, int32_t collectionId, const QString &collectionName)
{
    const QByteArray name = QFile::encodeName(lockFileOf(database.fileName()));
    m_fd = ::open(name.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
    if (m_fd < 0)
        throw Error(formatText(_("Cannot open the lock file %s: %s"), {name.toStdString(), std::strerror(errno)}));
    struct flock lock
    {
    };
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    lock.l_start = collectionId;
    lock.l_len = 1;
    if (::fcntl(m_fd, kSetLock, &lock) == 0)
        return;
    const int code = errno;
    ::close(m_fd);
    m_fd = -1;
    if (code == EAGAIN || code == EACCES)
        throw Error(formatText(_("The collection %s is being updated or scanned by another run; try again when "
                                 "that run has ended"),
            {collectionName.toStdString()}));
    throw Error(
        formatText(_("Cannot lock the collection %s: %s"), {collectionName.toStdString(), std::strerror(code)}));
}

CollectionRunLock::~CollectionRunLock()
{
    if (m_fd >= 0)
        ::close(m_fd);
}

} // namespace vexaris::store
