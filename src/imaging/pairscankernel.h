// What the two builds of the scan's inner loop share: the tables a PairScanner prepares, read by
// a portable loop and by one compiled for AVX2 (pairscanloop.inc in two translation units).
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/pairscan.h"

namespace vexaris::imaging::detail {

constexpr size_t kAveragesStride = 16;

struct ScanTables
{
    const ScanInput *pictures = nullptr;
    size_t count = 0;
    ComparisonMethod method = ComparisonMethod::FileProperties;
    DifferenceLimits limits;
    bool skipOldPairs = false;
    SumKernel sum = nullptr;
    const int32_t *id = nullptr;
    const int32_t *colorRank = nullptr;
    const int32_t *derivativeRank = nullptr;
    const int32_t *size = nullptr;
    const uint8_t *old = nullptr;
    const int16_t *colorBlocks = nullptr;
    const int16_t *edgeBlocks = nullptr;
    const uint8_t *averages = nullptr; // kAveragesStride bytes per picture, for the averaged colours
    const uint32_t *rightEnd = nullptr; // per left picture: the index after its last right picture
};

using ScanLeftsFunction = void (*)(const ScanTables &tables, size_t leftBegin, size_t leftEnd,
    std::vector<PairMatch> &matches, std::span<int64_t> tested);

void scanLeftsPortable(const ScanTables &tables, size_t leftBegin, size_t leftEnd, std::vector<PairMatch> &matches,
    std::span<int64_t> tested);
#ifdef VEXARIS_HAVE_PAIRSCAN_AVX2
void scanLeftsAvx2(const ScanTables &tables, size_t leftBegin, size_t leftEnd, std::vector<PairMatch> &matches,
    std::span<int64_t> tested);
#endif

} // namespace vexaris::imaging::detail
