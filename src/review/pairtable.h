// The pair list as the overview shows it: one entry per pair in list order with the group it
// belongs to, and the order of every column. An entry holds the pair's ID, its Difference and its
// pictures' slots in the list, never a copy of its row, so that hundreds of thousands of pairs are
// ordered and filtered in a fraction of a second.
#pragma once

#include <algorithm>
#include <cstdint>
#include <optional>
#include <vector>

#include <QCollator>

#include "review/pairgroups.h"
#include "review/pairlist.h"

namespace vexaris::review {

enum class PairColumn {
    Group,
    Difference,
    LeftName,
    LeftFolder,
    LeftSize,
    LeftPixels,
    LeftModified,
    RightName,
    RightFolder,
    RightSize,
    RightPixels,
    RightModified,
};

struct PairEntry
{
    qint64 id = 0;
    int32_t difference = 0;
    // The sides as the panes show them, the larger file left (see isSwapped).
    uint32_t left = 0;
    uint32_t right = 0;
    int32_t group = 0;
    bool swapped = false; // the shown left side is the stored right one
};

class PairTable
{
public:
    // The list must outlive the table; after it changes, refresh().
    explicit PairTable(const PairList &list);

    // Takes the list's pairs again, with their groups.
    void refresh();

    const PairList &list() const { return m_list; }
    size_t size() const { return m_entries.size(); }
    const PairEntry &entry(size_t index) const { return m_entries[index]; }
    const PairSide &leftOf(size_t index) const { return m_list.pictureAt(m_entries[index].left); }
    const PairSide &rightOf(size_t index) const { return m_list.pictureAt(m_entries[index].right); }
    const PairGrouping &grouping() const { return m_grouping; }
    // The pair's row as the list gives it (the stored sides), for a plan or a batch.
    PairRow rowOf(size_t index) const;
    // The entry of the pair with that ID.
    std::optional<size_t> indexOf(qint64 pairId) const;

    // Every entry, ordered by the column; pairs that compare equal keep their list order, in
    // either direction. Names and folders compare as the user's language sorts them, numbers
    // within them by their value; dimensions by pixels, then width.
    std::vector<uint32_t> order(PairColumn column, bool descending) const;

private:
    // A rank per picture slot, equal for equal texts.
    const std::vector<uint32_t> &nameRanks() const;
    const std::vector<uint32_t> &folderRanks() const;

    const PairList &m_list;
    std::vector<PairEntry> m_entries;
    std::vector<uint32_t> m_byId; // entry indexes by pair ID
    PairGrouping m_grouping;
    mutable std::vector<uint32_t> m_nameRanks;
    mutable std::vector<uint32_t> m_folderRanks;
};

// Names and folders as the user's language sorts them, numbers within them by their value
// ("IMG_2" before "IMG_10"), letter case second.
QCollator nameCollator();

// The indexes 0..keys.size()-1 ordered by their keys, ascending or descending; indexes of equal
// keys stay in their own order either way.
template <class Key> std::vector<uint32_t> orderByKeys(const std::vector<Key> &keys, bool descending)
{
    std::vector<uint32_t> order(keys.size());
    for (uint32_t i = 0; i < order.size(); ++i)
        order[i] = i;
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const Key &first = keys[a];
        const Key &second = keys[b];
        if (first < second)
            return !descending;
        if (second < first)
            return descending;
        return a < b;
    });
    return order;
}

} // namespace vexaris::review
