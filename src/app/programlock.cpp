#include "app/programlock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>

namespace vexaris::ui {

ProgramLock::ProgramLock(const QString &folder)
    : m_fileName(QDir(folder).filePath(QStringLiteral("Vexaris.lock")))
{
    m_fd = ::open(QFile::encodeName(m_fileName).constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (m_fd < 0)
        return;
    // Non-blocking: a second copy of the program must not wait for the first to end.
    m_held = ::flock(m_fd, LOCK_EX | LOCK_NB) == 0;
}

ProgramLock::~ProgramLock()
{
    // Closing the descriptor releases the lock; the file stays for the next start.
    if (m_fd >= 0)
        ::close(m_fd);
}

QString ProgramLock::defaultFolder()
{
    return QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
}

} // namespace vexaris::ui
