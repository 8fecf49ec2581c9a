#include "store/foldertree.h"

#include <set>
#include <utility>

#include <sys/stat.h>

#include <QDir>
#include <QFile>

#include "store/data.h"

namespace vexaris::store {

namespace {

using FolderKey = std::pair<dev_t, ino_t>;

void addTree(const QString &path, FolderCheckList &folders, std::set<FolderKey> &entered)
{
    const QString last = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
    if (last == QLatin1String(".") || last == QLatin1String(".."))
        return;

    struct stat info
    {
    };
    const bool isFolder = ::stat(QFile::encodeName(path).constData(), &info) == 0 && S_ISDIR(info.st_mode);
    if (isFolder && !entered.insert({info.st_dev, info.st_ino}).second)
        return;

    folders.addFolder(path, AddFolder(CurrentCollection.ID, path));
    if (!isFolder)
        return;

    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    // Without QDir::Hidden the names beginning with "." stay out; without Files, System and
    // Drives only folders are listed.
    const QStringList names = QDir(path).entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &name : names)
        addTree(prefix + name, folders, entered);
}

} // namespace

void AddFolderTree(const QString &path, FolderCheckList &folders)
{
    std::set<FolderKey> entered;
    addTree(path, folders, entered);
}

} // namespace vexaris::store
