#include "review/pairgroupsmodel.h"

#include <QLocale>

#include "i18n/qtranslate.h"
#include "ui/componenttranslation.h"

namespace vexaris::ui {

PairGroupsModel::PairGroupsModel(QObject *parent)
    : QAbstractTableModel(parent)
{
    for (const char *title : {N_("Group"), N_("Pairs"), N_("Pictures"), N_("Largest Difference")})
        m_titles << i18n::english(title);
}

void PairGroupsModel::setTable(const review::PairTable *table)
{
    beginResetModel();
    m_table = table;
    m_order = table ? review::groupsBySize(table->grouping()) : std::vector<int>();
    m_rowOfGroup.assign(m_order.size() + 1, -1);
    for (size_t row = 0; row < m_order.size(); ++row)
        m_rowOfGroup[static_cast<size_t>(m_order[row])] = static_cast<int>(row);
    endResetModel();
}

int PairGroupsModel::rowOfGroup(int group) const
{
    return group > 0 && static_cast<size_t>(group) < m_rowOfGroup.size() ? m_rowOfGroup[static_cast<size_t>(group)]
                                                                         : -1;
}

int PairGroupsModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_order.size());
}

int PairGroupsModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant PairGroupsModel::data(const QModelIndex &index, int role) const
{
    if (!m_table || !index.isValid() || index.row() >= rowCount())
        return {};
    const int number = m_order[static_cast<size_t>(index.row())];
    if (role == kGroupRole)
        return number;
    if (role == Qt::TextAlignmentRole)
        return QVariant(Qt::AlignRight | Qt::AlignVCenter);
    if (role != Qt::DisplayRole)
        return {};
    const review::PairGroup &group = m_table->grouping().groups[static_cast<size_t>(number - 1)];
    const QLocale locale;
    switch (index.column()) {
    case Group:
        return locale.toString(number);
    case Pairs:
        return locale.toString(group.pairs);
    case Pictures:
        return locale.toString(group.pictures);
    case LargestDifference:
        return locale.toString(group.largestDifference);
    }
    return {};
}

QVariant PairGroupsModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < ColumnCount)
        return m_titles[section];
    return QAbstractTableModel::headerData(section, orientation, role);
}

bool PairGroupsModel::setHeaderData(int section, Qt::Orientation orientation, const QVariant &value, int role)
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section >= ColumnCount)
        return false;
    m_titles[section] = value.toString();
    emit headerDataChanged(orientation, section, section);
    return true;
}

} // namespace vexaris::ui
