// A Trash of the test's own: HOME and XDG_DATA_HOME point into a temporary folder, so that
// Qt's freedesktop.org Trash lands there and the test can look at what it holds.
#pragma once

#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QString>
#include <QTemporaryDir>
#include <QUrl>

namespace vexaris::test {

class OwnTrash
{
public:
    OwnTrash()
        : m_oldHome(qgetenv("HOME"))
        , m_oldDataHome(qgetenv("XDG_DATA_HOME"))
    {
        QDir(m_dir.path()).mkpath(QStringLiteral("home"));
        QDir(m_dir.path()).mkpath(QStringLiteral("data"));
        qputenv("HOME", QFile::encodeName(m_dir.filePath(QStringLiteral("home"))));
        qputenv("XDG_DATA_HOME", QFile::encodeName(dataHome()));
    }
    ~OwnTrash()
    {
        restore("HOME", m_oldHome);
        restore("XDG_DATA_HOME", m_oldDataHome);
    }
    OwnTrash(const OwnTrash &) = delete;
    OwnTrash &operator=(const OwnTrash &) = delete;

    bool isValid() const { return m_dir.isValid(); }
    QString dataHome() const { return m_dir.filePath(QStringLiteral("data")); }
    QString trash() const { return dataHome() + QStringLiteral("/Trash"); }

    // The files the Trash holds, by their names there.
    QStringList files() const { return QDir(trash() + QStringLiteral("/files")).entryList(QDir::Files); }

    // The original path that the Trash would restore a recycled file to ("" when it has no
    // information file).
    QString originalPath(const QString &nameInTrash) const
    {
        const QByteArray encoded = infoValue(nameInTrash, "Path=");
        return encoded.isEmpty() ? QString() : QFile::decodeName(QByteArray::fromPercentEncoding(encoded));
    }
    bool hasDeletionDate(const QString &nameInTrash) const
    {
        return !infoValue(nameInTrash, "DeletionDate=").isEmpty();
    }

    // Puts a recycled file back where it came from, as the desktop's Trash would.
    bool restore(const QString &nameInTrash) const
    {
        const QString original = originalPath(nameInTrash);
        return !original.isEmpty() && QFile::rename(trash() + QStringLiteral("/files/") + nameInTrash, original)
            && QFile::remove(trash() + QStringLiteral("/info/") + nameInTrash + QStringLiteral(".trashinfo"));
    }

    // Makes the Trash impossible to create: a plain file stands where its folder would be.
    bool block() const
    {
        QFile blocker(trash());
        return blocker.open(QIODevice::WriteOnly);
    }

private:
    QByteArray infoValue(const QString &nameInTrash, const char *key) const
    {
        QFile info(trash() + QStringLiteral("/info/") + nameInTrash + QStringLiteral(".trashinfo"));
        if (!info.open(QIODevice::ReadOnly))
            return {};
        for (const QByteArray &line : info.readAll().split('\n')) {
            if (line.startsWith(key))
                return line.mid(qstrlen(key)).trimmed();
        }
        return {};
    }

    static void restore(const char *name, const QByteArray &value)
    {
        if (value.isNull())
            qunsetenv(name);
        else
            qputenv(name, value);
    }

    QTemporaryDir m_dir;
    QByteArray m_oldHome;
    QByteArray m_oldDataHome;
};

} // namespace vexaris::test
