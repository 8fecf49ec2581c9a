#include "review/targetpath.h"

#include <sys/stat.h>

#include <QFile>
#include <QFileInfo>

namespace vexaris::review {

QString folderPart(const QString &path)
{
    return path.left(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString fileNamePart(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString withXBeforeExtension(const QString &fileName)
{
    const qsizetype dot = fileName.lastIndexOf(QLatin1Char('.'));
    if (dot < 0)
        return fileName + QLatin1Char('x');
    return fileName.left(dot) + QLatin1Char('x') + fileName.mid(dot);
}

bool pathIsTaken(const QString &path)
{
    const QFileInfo info(path);
    return info.exists() || info.isSymLink();
}

bool sameFile(const QString &first, const QString &second)
{
    // Device and inode: a symbolic link, a folder reached twice and a hard link all name one file.
    struct stat a
    {
    };
    struct stat b
    {
    };
    return ::stat(QFile::encodeName(first).constData(), &a) == 0
        && ::stat(QFile::encodeName(second).constData(), &b) == 0 && a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

QString freeTargetPath(const QString &victimPath, const QString &survivorPath)
{
    const QString folder = folderPart(victimPath);
    QString name = fileNamePart(survivorPath);
    // The given-up file's own name counts as free: it is in the Trash when the kept file arrives.
    // A name grown past what the file system allows reads as free; the operation then fails on
    // it with the system's message, so this loop always ends.
    while (folder + name != victimPath && pathIsTaken(folder + name))
        name = withXBeforeExtension(name);
    return folder + name;
}

} // namespace vexaris::review
