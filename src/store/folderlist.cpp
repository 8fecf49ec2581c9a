#include "store/folderlist.h"

#include <algorithm>

namespace vexaris::store {

bool folderPathLess(const QString &a, const QString &b)
{
    const int folded = QString::compare(a, b, Qt::CaseInsensitive);
    if (folded != 0)
        return folded < 0;
    return QString::compare(a, b, Qt::CaseSensitive) < 0;
}

bool inFolderTree(const QString &path, const QString &root)
{
    if (path == root)
        return true;
    if (root.isEmpty())
        return false;
    if (root.endsWith(QLatin1Char('/')))
        return path.startsWith(root);
    return path.size() > root.size() && path.startsWith(root) && path[root.size()] == QLatin1Char('/');
}

void FolderList::clearFolders()
{
    m_entries.clear();
}

void FolderList::addFolder(const QString &path, int folderId)
{
    // After the entries of equal path, so that rows of one path keep the order they came in.
    const auto place = std::upper_bound(m_entries.begin(), m_entries.end(), path,
        [](const QString &value, const FolderEntry &entry) { return folderPathLess(value, entry.path); });
    m_entries.insert(place, FolderEntry {path, folderId, false});
}

} // namespace vexaris::store
