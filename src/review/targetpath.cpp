#include "review/targetpath.h"

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
    const QString canonical = QFileInfo(first).canonicalFilePath();
    return !canonical.isEmpty() && canonical == QFileInfo(second).canonicalFilePath();
}

QString freeTargetPath(const QString &victimPath, const QString &survivorPath)
{
    const QString folder = folderPart(victimPath);
    QString name = fileNamePart(survivorPath);
    // A name grown past what the file system allows reads as free; the operation then fails on
    // it with the system's message, so this loop always ends.
    while (pathIsTaken(folder + name))
        name = withXBeforeExtension(name);
    return folder + name;
}

} // namespace vexaris::review
