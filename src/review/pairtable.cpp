#include "review/pairtable.h"

#include <utility>

#include <QHash>

namespace vexaris::review {

namespace {

// Ranks of texts in the collator's order. A sort key per distinct text makes each comparison a
// plain comparison of bytes, which is what lets a hundred thousand names be ranked at once.
std::vector<uint32_t> rankTexts(const std::vector<QString> &texts)
{
    const QCollator collator = nameCollator();
    QHash<QString, uint32_t> distinct;
    std::vector<uint32_t> textOf(texts.size());
    for (size_t i = 0; i < texts.size(); ++i) {
        const auto found = distinct.constFind(texts[i]);
        textOf[i] = found != distinct.constEnd() ? *found
                                                 : *distinct.insert(texts[i], static_cast<uint32_t>(distinct.size()));
    }
    std::vector<std::pair<QCollatorSortKey, QString>> keys;
    keys.reserve(static_cast<size_t>(distinct.size()));
    std::vector<QString> byNumber(static_cast<size_t>(distinct.size()));
    for (auto it = distinct.constBegin(); it != distinct.constEnd(); ++it)
        byNumber[it.value()] = it.key();
    std::vector<uint32_t> order(byNumber.size());
    for (uint32_t i = 0; i < order.size(); ++i) {
        order[i] = i;
        keys.emplace_back(collator.sortKey(byNumber[i]), byNumber[i]);
    }
    std::sort(order.begin(), order.end(), [&](uint32_t a, uint32_t b) {
        const int byKey = keys[a].first.compare(keys[b].first);
        if (byKey != 0)
            return byKey < 0;
        // Texts the language holds equal still get an order of their own, the same every time.
        return keys[a].second < keys[b].second;
    });
    std::vector<uint32_t> rankOfText(order.size());
    for (uint32_t rank = 0; rank < order.size(); ++rank)
        rankOfText[order[rank]] = rank;
    std::vector<uint32_t> ranks(texts.size());
    for (size_t i = 0; i < texts.size(); ++i)
        ranks[i] = rankOfText[textOf[i]];
    return ranks;
}

} // namespace

QCollator nameCollator()
{
    // The C locale collates by code points: capitals before small letters, "IMG_10" before
    // "IMG_2". Whoever runs the program in it still means the common order of names.
    const QLocale locale;
    QCollator collator(locale.language() == QLocale::C ? QLocale(QLocale::English) : locale);
    collator.setNumericMode(true);
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return collator;
}

PairTable::PairTable(const PairList &list)
    : m_list(list)
{
    refresh();
}

void PairTable::refresh()
{
    m_entries.clear();
    m_entries.reserve(static_cast<size_t>(m_list.count()));
    m_list.visit([this](qint64 id, int difference, uint32_t left, uint32_t right) {
        const bool swapped = m_list.pictureAt(left).size < m_list.pictureAt(right).size;
        m_entries.push_back({id, difference, swapped ? right : left, swapped ? left : right, 0, swapped});
    });

    std::vector<PairEdge> edges;
    edges.reserve(m_entries.size());
    for (const PairEntry &entry : m_entries)
        edges.push_back({entry.left, entry.right, entry.difference});
    m_grouping = groupPairs(edges, m_list.pictureSlots());
    for (size_t i = 0; i < m_entries.size(); ++i)
        m_entries[i].group = m_grouping.groupOf[i];

    std::vector<qint64> ids(m_entries.size());
    for (size_t i = 0; i < m_entries.size(); ++i)
        ids[i] = m_entries[i].id;
    m_byId = orderByKeys(ids, false);
}

PairRow PairTable::rowOf(size_t index) const
{
    const PairEntry &entry = m_entries[index];
    const PairSide &shownLeft = m_list.pictureAt(entry.left);
    const PairSide &shownRight = m_list.pictureAt(entry.right);
    return {entry.id, m_list.collectionId(), entry.swapped ? shownRight : shownLeft,
        entry.swapped ? shownLeft : shownRight, entry.difference};
}

std::optional<size_t> PairTable::indexOf(qint64 pairId) const
{
    const auto found = std::lower_bound(
        m_byId.begin(), m_byId.end(), pairId, [&](uint32_t index, qint64 id) { return m_entries[index].id < id; });
    if (found == m_byId.end() || m_entries[*found].id != pairId)
        return std::nullopt;
    return *found;
}

const std::vector<uint32_t> &PairTable::nameRanks() const
{
    if (m_nameRanks.size() != m_list.pictureSlots()) {
        std::vector<QString> names(m_list.pictureSlots());
        for (uint32_t slot = 0; slot < names.size(); ++slot)
            names[slot] = m_list.pictureAt(slot).fileName;
        m_nameRanks = rankTexts(names);
    }
    return m_nameRanks;
}

const std::vector<uint32_t> &PairTable::folderRanks() const
{
    if (m_folderRanks.size() != m_list.pictureSlots()) {
        std::vector<QString> folders(m_list.pictureSlots());
        for (uint32_t slot = 0; slot < folders.size(); ++slot)
            folders[slot] = m_list.pictureAt(slot).folderPath;
        m_folderRanks = rankTexts(folders);
    }
    return m_folderRanks;
}

std::vector<uint32_t> PairTable::order(PairColumn column, bool descending) const
{
    const auto bySide = [&](auto key) {
        const bool left = column <= PairColumn::LeftModified;
        using Key = decltype(key(m_list.pictureAt(0), uint32_t(0)));
        std::vector<Key> keys(m_entries.size());
        for (size_t i = 0; i < m_entries.size(); ++i) {
            const uint32_t slot = left ? m_entries[i].left : m_entries[i].right;
            keys[i] = key(m_list.pictureAt(slot), slot);
        }
        return orderByKeys(keys, descending);
    };
    switch (column) {
    case PairColumn::Group: {
        std::vector<int32_t> keys(m_entries.size());
        for (size_t i = 0; i < m_entries.size(); ++i)
            keys[i] = m_entries[i].group;
        return orderByKeys(keys, descending);
    }
    case PairColumn::Difference: {
        std::vector<int32_t> keys(m_entries.size());
        for (size_t i = 0; i < m_entries.size(); ++i)
            keys[i] = m_entries[i].difference;
        return orderByKeys(keys, descending);
    }
    case PairColumn::LeftName:
    case PairColumn::RightName: {
        const std::vector<uint32_t> &ranks = nameRanks();
        return bySide([&](const PairSide &, uint32_t slot) { return ranks[slot]; });
    }
    case PairColumn::LeftFolder:
    case PairColumn::RightFolder: {
        const std::vector<uint32_t> &ranks = folderRanks();
        return bySide([&](const PairSide &, uint32_t slot) { return ranks[slot]; });
    }
    case PairColumn::LeftSize:
    case PairColumn::RightSize:
        return bySide([](const PairSide &side, uint32_t) { return side.size; });
    case PairColumn::LeftPixels:
    case PairColumn::RightPixels:
        return bySide([](const PairSide &side, uint32_t) {
            return std::pair<qint64, int>(qint64(side.width) * side.height, side.width);
        });
    case PairColumn::LeftModified:
    case PairColumn::RightModified:
        return bySide([](const PairSide &side, uint32_t) { return side.modified; });
    }
    return orderByKeys(std::vector<int>(m_entries.size()), descending);
}

} // namespace vexaris::review
