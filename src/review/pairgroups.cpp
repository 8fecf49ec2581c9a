#include "review/pairgroups.h"

#include <algorithm>
#include <numeric>

#include <QHash>

#include "store/database.h"

namespace vexaris::review {

namespace {

// Disjoint sets with union by size and path halving: near-constant time per pair, however long
// a chain of pictures grows.
class DisjointSets
{
public:
    explicit DisjointSets(size_t count)
        : m_parent(count)
        , m_size(count, 1)
    {
        std::iota(m_parent.begin(), m_parent.end(), uint32_t(0));
    }

    uint32_t find(uint32_t node)
    {
        while (m_parent[node] != node) {
            m_parent[node] = m_parent[m_parent[node]];
            node = m_parent[node];
        }
        return node;
    }

    // Whether the two were apart before.
    bool join(uint32_t a, uint32_t b)
    {
        a = find(a);
        b = find(b);
        if (a == b)
            return false;
        if (m_size[a] < m_size[b])
            std::swap(a, b);
        m_parent[b] = a;
        m_size[a] += m_size[b];
        return true;
    }

private:
    std::vector<uint32_t> m_parent;
    std::vector<uint32_t> m_size;
};

} // namespace

PairGrouping groupPairs(std::span<const PairEdge> pairs, size_t nodeCount)
{
    DisjointSets sets(nodeCount);
    for (const PairEdge &pair : pairs)
        sets.join(pair.left, pair.right);

    PairGrouping grouping;
    grouping.groupOf.resize(pairs.size());
    // A root's group number, and the last group that counted each picture.
    std::vector<int32_t> numberOfRoot(nodeCount, 0);
    std::vector<int32_t> countedIn(nodeCount, 0);
    for (size_t i = 0; i < pairs.size(); ++i) {
        const PairEdge &pair = pairs[i];
        int32_t &number = numberOfRoot[sets.find(pair.left)];
        if (number == 0) {
            grouping.groups.push_back({});
            number = static_cast<int32_t>(grouping.groups.size());
            grouping.groups.back().number = number;
        }
        grouping.groupOf[i] = number;
        PairGroup &group = grouping.groups[static_cast<size_t>(number - 1)];
        if (group.pairs == 0 || pair.difference > group.largestDifference)
            group.largestDifference = pair.difference;
        ++group.pairs;
        for (const uint32_t picture : {pair.left, pair.right}) {
            if (countedIn[picture] != number) {
                countedIn[picture] = number;
                ++group.pictures;
            }
        }
    }
    return grouping;
}

std::vector<int> groupsBySize(const PairGrouping &grouping)
{
    std::vector<int> order(grouping.groups.size());
    std::iota(order.begin(), order.end(), 1);
    std::sort(order.begin(), order.end(), [&](int a, int b) {
        const PairGroup &first = grouping.groups[static_cast<size_t>(a - 1)];
        const PairGroup &second = grouping.groups[static_cast<size_t>(b - 1)];
        if (first.pairs != second.pairs)
            return first.pairs > second.pairs;
        if (first.largestDifference != second.largestDifference)
            return first.largestDifference > second.largestDifference;
        return a < b;
    });
    return order;
}

PairTally countPairsAndGroups(store::Session &session, int collectionId)
{
    store::Statement rows(
        session.DatabaseConnection, QStringLiteral("SELECT Left_ID, Right_ID FROM Duplicate WHERE Collection_ID = ?"));
    rows.bind(0, collectionId);
    // Picture IDs numbered densely as they come, so that the sets need no more room than pictures.
    QHash<qint64, uint32_t> nodes;
    std::vector<PairEdge> pairs;
    const auto node = [&](const store::Value &id) {
        const qint64 key = id.isNumeric() ? id.toInt64() : 0;
        const auto found = nodes.constFind(key);
        if (found != nodes.constEnd())
            return *found;
        return *nodes.insert(key, static_cast<uint32_t>(nodes.size()));
    };
    while (rows.step())
        pairs.push_back({node(rows.column(0)), node(rows.column(1)), 0});
    DisjointSets sets(static_cast<size_t>(nodes.size()));
    qint64 groups = static_cast<qint64>(nodes.size());
    for (const PairEdge &pair : pairs) {
        if (sets.join(pair.left, pair.right))
            --groups;
    }
    // Every picture numbered here is named by a pair, so each component is a group.
    return {static_cast<qint64>(pairs.size()), groups};
}

} // namespace vexaris::review
