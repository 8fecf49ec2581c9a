// The folder check list of the main window as the store fills it: each entry shows a folder's
// path, carries its Folder.ID and a check mark, and the entries stay in the store's folder order
// (a folder's subfolders follow it) however they are added or renamed.
#pragma once

#include <QList>
#include <QString>

#include "store/folderlist.h"

class QListWidget;
class QListWidgetItem;

namespace vexaris::ui {

class CollectionFolderList : public store::FolderCheckList
{
public:
    explicit CollectionFolderList(QListWidget *list);

    void clearFolders() override;
    void addFolder(const QString &path, int folderId) override;

    // Adds an unchecked entry at its place in the order and returns it.
    QListWidgetItem *insertEntry(const QString &path, int folderId);
    // Gives an entry a new path and moves it to its new place; selection and check mark stay.
    void renameEntry(QListWidgetItem *item, const QString &path);

    static QString path(const QListWidgetItem *item);
    static int folderId(const QListWidgetItem *item);

    // The Folder.IDs of the checked entries, in list order.
    QList<int> checkedFolderIds() const;

private:
    int insertionRow(const QString &path) const;

    QListWidget *m_list;
};

} // namespace vexaris::ui
