// The pair test of a whole scan, made for speed: the same decisions and differences as
// ComparePair, pair for pair, but over pictures prepared once for the run.
//
// Most pairs of a scan are clearly different, and telling so need not read their blobs. Each
// picture keeps the sums of its value bytes (and of its edge bytes) over 64 squares of 4 × 4
// cells; for any set of n bytes (Σd)² ≤ n·Σd², so the block sums of two pictures give a lower
// bound of their blob sum. When that bound is already above the limit the blob sum would be too,
// and the pair is rejected from 128 bytes per picture instead of 3072 (or 1024). Every other pair
// goes on to the blob sum with its early stop, so what matches, and with what difference, is
// exactly what ComparePair says.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "imaging/difference.h"

namespace vexaris::imaging {

namespace detail {
struct ScanTables;
}

// One picture of the scan as the pair test sees it, and whether it is Old.
struct ScanInput
{
    PictureView view;
    bool old = false;
};

struct PairMatch
{
    uint32_t a = 0; // the left picture's index
    uint32_t b = 0; // the right picture's index, after a
    int32_t difference = 0;
};

class PairScanner
{
public:
    // Number of block sums per picture: 8 × 8 squares of 4 × 4 cells.
    static constexpr size_t kBlocks = 64;

    // The pictures in ascending ColorRank order; the views' buffers must outlive the scanner.
    // With skipOldPairs, pairs of two Old pictures are not tested (nor counted).
    PairScanner(std::span<const ScanInput> pictures, ComparisonMethod method, const DifferenceLimits &limits,
        bool skipOldPairs);

    size_t size() const { return m_count; }

    // Tests the pairs of the left pictures leftBegin..leftEnd−1, each with every later picture
    // (up to the first one too far in ColorRank for the methods that stop there). Appends the
    // matches in the order the reference loop finds them (by left, then by right picture) and adds
    // the number of pairs tested for each left picture to tested[left − leftBegin].
    void scanLefts(size_t leftBegin, size_t leftEnd, std::vector<PairMatch> &matches, std::span<int64_t> tested) const;

private:
    // The index after the last right picture that the left picture a tests.
    size_t rightEnd(size_t a) const;
    detail::ScanTables tables() const;

    std::span<const ScanInput> m_pictures;
    size_t m_count = 0;
    ComparisonMethod m_method;
    DifferenceLimits m_limits;
    bool m_skipOldPairs;
    bool m_rankBound;
    SumKernel m_sum;
    // Per picture, in scan order: what the inner loop reads for every pair, side by side.
    std::vector<int32_t> m_id;
    std::vector<int32_t> m_colorRank;
    std::vector<int32_t> m_derivativeRank;
    std::vector<int32_t> m_size;
    std::vector<uint8_t> m_old;
    std::vector<int16_t> m_colorBlocks; // kBlocks per picture, sums of 16 value bytes
    std::vector<int16_t> m_edgeBlocks; // kBlocks per picture, sums of 16 edge bytes
    std::vector<uint8_t> m_averages;
    std::vector<uint32_t> m_rightEnd;
};

// The sums of the 16 value bytes (or edge bytes) of each 4 × 4 square, in the order the bound
// reads them. For tests of the bound.
void ValueBlockSums(const uint8_t *thumbnail, int16_t *sums);
void EdgeBlockSums(const uint8_t *derivative, int16_t *sums);
// Σ over the blocks of (sum of a − sum of b)²: at most 16 times the blob sum of the two pictures'
// bytes that the blocks cover.
int64_t BlockBound(const int16_t *sumsA, const int16_t *sumsB);

} // namespace vexaris::imaging
