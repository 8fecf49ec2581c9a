#include "review/pairfilter.h"

#include <algorithm>

namespace vexaris::review {

bool isInFolder(const QString &path, const QString &folder)
{
    if (folder == QLatin1String("/"))
        return path.startsWith(u'/');
    const QString bare = folder.endsWith(u'/') ? folder.chopped(1) : folder;
    return path.startsWith(bare) && (path.size() == bare.size() || path[bare.size()] == u'/');
}

PairFilterCheck::PairFilterCheck(const PairFilter &filter, const PairTable &table)
    : m_filter(filter)
    , m_table(table)
{
    if (!filter.format.isEmpty())
        m_ofFormat.assign(table.list().pictureSlots(), -1);
}

bool PairFilterCheck::inFolder(const PairSide &side)
{
    const auto found = m_inFolder.constFind(side.folderId);
    if (found != m_inFolder.constEnd())
        return *found;
    const bool in = isInFolder(side.folderPath, m_filter.folder);
    // A side without a folder row has no ID to remember it by.
    if (side.folderId != 0)
        m_inFolder.insert(side.folderId, in);
    return in;
}

bool PairFilterCheck::ofFormat(uint32_t slot)
{
    int8_t &known = m_ofFormat[slot];
    if (known < 0)
        known = formatOf(m_table.list().pictureAt(slot).fileName) == m_filter.format ? 1 : 0;
    return known == 1;
}

bool PairFilterCheck::passesBesidesDifference(size_t index)
{
    const PairEntry &entry = m_table.entry(index);
    if (m_filter.group != 0 && entry.group != m_filter.group)
        return false;
    const PairSide &left = m_table.leftOf(index);
    const PairSide &right = m_table.rightOf(index);
    if (m_filter.relation != FolderRelation::Any) {
        const bool same
            = (left.folderId != 0 && left.folderId == right.folderId) || left.folderPath == right.folderPath;
        if (same != (m_filter.relation == FolderRelation::Same))
            return false;
    }
    if (!m_filter.folder.isEmpty() && !inFolder(left) && !inFolder(right))
        return false;
    if (!m_filter.format.isEmpty() && !ofFormat(entry.left) && !ofFormat(entry.right))
        return false;
    return true;
}

bool PairFilterCheck::passes(size_t index)
{
    const int difference = m_table.entry(index).difference;
    return difference >= m_filter.minDifference && difference <= m_filter.maxDifference
        && passesBesidesDifference(index);
}

int DifferenceBins::binOf(int difference) const
{
    if (count == 0)
        return 0;
    const qint64 bin = (qint64(difference) - lowest) / width;
    return static_cast<int>(std::clamp<qint64>(bin, 0, count - 1));
}

DifferenceBins makeBins(int lowest, int highest, int maxBins)
{
    if (highest < lowest)
        highest = lowest;
    const qint64 span = qint64(highest) - lowest + 1;
    const qint64 width = std::max<qint64>(1, (span + maxBins - 1) / maxBins);
    return {lowest, static_cast<int>(width), static_cast<int>((span + width - 1) / width)};
}

FilteredPairs filterEntries(
    const PairTable &table, const std::vector<uint32_t> &order, const PairFilter &filter, const DifferenceBins &bins)
{
    PairFilterCheck check(filter, table);
    FilteredPairs result;
    result.shown.reserve(order.size());
    result.binCounts.assign(static_cast<size_t>(bins.count), 0);
    for (const uint32_t index : order) {
        if (!check.passesBesidesDifference(index))
            continue;
        const int difference = table.entry(index).difference;
        if (bins.count > 0)
            ++result.binCounts[static_cast<size_t>(bins.binOf(difference))];
        if (difference >= filter.minDifference && difference <= filter.maxDifference)
            result.shown.push_back(index);
    }
    return result;
}

} // namespace vexaris::review
