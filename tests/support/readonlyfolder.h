// A folder whose entries cannot be renamed or removed for as long as the object lives. Mode bits
// do not bind the superuser, so under root the folder is made immutable instead (ext4 and most
// Linux file systems); isValid() is false where neither works.
#pragma once

#include <linux/fs.h>

#include <fcntl.h>
#include <sys/ioctl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QString>

namespace vexaris::test {

class ReadOnlyFolder
{
public:
    explicit ReadOnlyFolder(const QString &path)
        : m_path(QFile::encodeName(path))
    {
        if (::geteuid() != 0) {
            m_valid = ::chmod(m_path.constData(), 0555) == 0;
            return;
        }
        m_valid = setImmutable(true);
    }
    ~ReadOnlyFolder()
    {
        if (!m_valid)
            return;
        if (::geteuid() != 0)
            ::chmod(m_path.constData(), 0755);
        else
            setImmutable(false);
    }
    ReadOnlyFolder(const ReadOnlyFolder &) = delete;
    ReadOnlyFolder &operator=(const ReadOnlyFolder &) = delete;

    bool isValid() const { return m_valid; }

private:
    bool setImmutable(bool on) const
    {
        const int fd = ::open(m_path.constData(), O_RDONLY | O_DIRECTORY);
        if (fd < 0)
            return false;
        int flags = 0;
        bool done = ::ioctl(fd, FS_IOC_GETFLAGS, &flags) == 0;
        if (done) {
            flags = on ? (flags | FS_IMMUTABLE_FL) : (flags & ~FS_IMMUTABLE_FL);
            done = ::ioctl(fd, FS_IOC_SETFLAGS, &flags) == 0;
        }
        ::close(fd);
        return done;
    }

    QByteArray m_path;
    bool m_valid = false;
};

} // namespace vexaris::test
