// The folder check list as the core sees it: entries of a folder's path and its Folder.ID, each
// starting unchecked. The main window's list widget implements FolderCheckList; FolderList is a
// plain one for the command line and the tests.
#pragma once

#include <vector>

#include <QString>

namespace vexaris::store {

class FolderCheckList
{
public:
    virtual ~FolderCheckList() = default;
    virtual void clearFolders() = 0;
    // Adds an unchecked entry.
    virtual void addFolder(const QString &path, int folderId) = 0;
};

// The order of the folder list: by path without regard to letter case, so that a folder's
// subfolders follow it; paths equal but for case in their exact order.
bool folderPathLess(const QString &a, const QString &b);

// Whether path is root itself or a folder below it: root followed by a delimiter begins path
// (root alone when it already ends with one, as "/" does). Exact comparison, as the file system.
bool inFolderTree(const QString &path, const QString &root);

struct FolderEntry
{
    QString path;
    int id = 0;
    bool checked = false;
};

// Keeps its entries in folderPathLess order, whatever order they are added in.
class FolderList : public FolderCheckList
{
public:
    void clearFolders() override;
    void addFolder(const QString &path, int folderId) override;
    const std::vector<FolderEntry> &entries() const { return m_entries; }

private:
    std::vector<FolderEntry> m_entries;
};

} // namespace vexaris::store
