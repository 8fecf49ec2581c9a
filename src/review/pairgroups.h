// Pairs joined by a shared picture form a group: the connected components of the graph whose
// nodes are pictures and whose edges are pairs. A group of two pictures is one pair; a large group
// is often a chain of pictures that are each alike to the next but not to each other, which a
// person wants to see before a rule settles it.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include <QtGlobal>

#include "store/session.h"

namespace vexaris::review {

// One pair as an edge: its pictures by any dense numbering (the pair list's slots), and its
// Difference.
struct PairEdge
{
    uint32_t left = 0;
    uint32_t right = 0;
    int32_t difference = 0;
};

struct PairGroup
{
    int number = 0;
    int pairs = 0;
    int pictures = 0;
    int largestDifference = 0;
};

struct PairGrouping
{
    // The group of each pair, in the order the pairs were given. Groups are numbered from 1 in the
    // order of their first pair, so the group of the list's most alike pair is group 1.
    std::vector<int32_t> groupOf;
    // groups[n - 1] is group n.
    std::vector<PairGroup> groups;
};

// The groups of the pairs, whose pictures are numbered below nodeCount.
PairGrouping groupPairs(std::span<const PairEdge> pairs, size_t nodeCount);

// The group numbers in the order a person looks at them: most pairs first, then the largest
// Difference (a large, loose group above a large, tight one), then by number.
std::vector<int> groupsBySize(const PairGrouping &grouping);

struct PairTally
{
    qint64 pairs = 0;
    qint64 groups = 0;
};

// The collection's pairs and their groups, counted from the rows without reading the pairs' files
// or pictures.
PairTally countPairsAndGroups(store::Session &session, int collectionId);

} // namespace vexaris::review
