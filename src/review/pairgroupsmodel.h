// The overview's group panel: the groups of a PairTable, most pairs first and the loosest of equal
// size first, so that a chain of unrelated pictures joined by their likenesses stands out.
#pragma once

#include <vector>

#include <QAbstractTableModel>
#include <QStringList>

#include "review/pairtable.h"

namespace vexaris::ui {

class PairGroupsModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    enum Column { Group, Pairs, Pictures, LargestDifference, ColumnCount };
    static constexpr int kGroupRole = Qt::UserRole;

    explicit PairGroupsModel(QObject *parent = nullptr);

    // nullptr for none; called again after the table changed.
    void setTable(const review::PairTable *table);
    // The row of a group.
    int rowOfGroup(int group) const;

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    // The titles are set in English and translated with the window.
    bool setHeaderData(
        int section, Qt::Orientation orientation, const QVariant &value, int role = Qt::EditRole) override;

private:
    const review::PairTable *m_table = nullptr;
    std::vector<int> m_order; // group numbers
    std::vector<int> m_rowOfGroup; // by group number
    QStringList m_titles;
};

} // namespace vexaris::ui
