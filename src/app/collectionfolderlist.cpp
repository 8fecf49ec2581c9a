#include "app/collectionfolderlist.h"

#include <QListWidget>

namespace vexaris::ui {

static constexpr int kFolderIdRole = Qt::UserRole;

CollectionFolderList::CollectionFolderList(QListWidget *list)
    : m_list(list)
{
}

void CollectionFolderList::clearFolders()
{
    m_list->clear();
}

void CollectionFolderList::addFolder(const QString &path, int folderId)
{
    insertEntry(path, folderId);
}

int CollectionFolderList::insertionRow(const QString &path) const
{
    // After every entry that is not greater, so equal paths keep the order they were added in.
    int low = 0;
    int high = m_list->count();
    while (low < high) {
        const int middle = low + (high - low) / 2;
        if (store::folderPathLess(path, m_list->item(middle)->text()))
            high = middle;
        else
            low = middle + 1;
    }
    return low;
}

QListWidgetItem *CollectionFolderList::insertEntry(const QString &path, int folderId)
{
    auto *item = new QListWidgetItem(path);
    item->setFlags(Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable);
    item->setCheckState(Qt::Unchecked);
    item->setData(kFolderIdRole, folderId);
    m_list->insertItem(insertionRow(path), item);
    return item;
}

void CollectionFolderList::renameEntry(QListWidgetItem *item, const QString &newPath)
{
    const bool wasCurrent = m_list->currentItem() == item;
    m_list->takeItem(m_list->row(item));
    item->setText(newPath);
    m_list->insertItem(insertionRow(newPath), item);
    if (wasCurrent)
        m_list->setCurrentItem(item);
}

QString CollectionFolderList::path(const QListWidgetItem *item)
{
    return item->text();
}

int CollectionFolderList::folderId(const QListWidgetItem *item)
{
    return item->data(kFolderIdRole).toInt();
}

QList<int> CollectionFolderList::checkedFolderIds() const
{
    QList<int> ids;
    for (int row = 0; row < m_list->count(); ++row) {
        const QListWidgetItem *item = m_list->item(row);
        if (item->checkState() == Qt::Checked)
            ids.append(folderId(item));
    }
    return ids;
}

} // namespace vexaris::ui
