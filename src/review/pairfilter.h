// Which pairs the overview shows: an interval of Differences, a folder that either side is in (or
// below), pairs within one folder or across two, a format that either side has, one group. The
// window holds the controls; the rules are here.
#pragma once

#include <climits>
#include <cstdint>
#include <vector>

#include <QHash>
#include <QString>

#include "review/pairtable.h"
#include "review/rule.h"

namespace vexaris::review {

struct PairFilter
{
    int minDifference = INT_MIN;
    int maxDifference = INT_MAX;
    QString folder {}; // "" for any
    FolderRelation relation = FolderRelation::Any;
    QString format {}; // lower case, without the dot; "" for any
    int group = 0; // 0 for any

    bool operator==(const PairFilter &) const = default;
};

// The filter over one table, with what it works out once per folder and picture kept between
// entries.
class PairFilterCheck
{
public:
    PairFilterCheck(const PairFilter &filter, const PairTable &table);

    bool passes(size_t index);
    // Every condition but the interval of Differences: what the histogram counts.
    bool passesBesidesDifference(size_t index);

private:
    bool inFolder(const PairSide &side);
    bool ofFormat(uint32_t slot);

    PairFilter m_filter;
    QString m_folder; // without a trailing delimiter
    const PairTable &m_table;
    QHash<int, bool> m_inFolder; // by folder ID
    std::vector<int8_t> m_ofFormat; // by slot: -1 not yet known
};

// Bins of equal width over a range of Differences, as the histogram shows them.
struct DifferenceBins
{
    int lowest = 0;
    int width = 1;
    int count = 0;

    // The bin of a Difference, clamped to the bins.
    int binOf(int difference) const;
    int firstOf(int bin) const { return lowest + bin * width; }
    int lastOf(int bin) const { return lowest + (bin + 1) * width - 1; }
};

// At most maxBins bins of a whole width over lowest..highest.
DifferenceBins makeBins(int lowest, int highest, int maxBins);

struct FilteredPairs
{
    std::vector<uint32_t> shown; // the entries that pass, in the order given
    std::vector<qint64> binCounts; // of the entries that pass every condition but the interval
};

// One pass over the entries in the given order.
FilteredPairs filterEntries(
    const PairTable &table, const std::vector<uint32_t> &order, const PairFilter &filter, const DifferenceBins &bins);

// Whether the folder path is the folder itself or below it.
bool isInFolder(const QString &path, const QString &folder);

} // namespace vexaris::review
