#include "imaging/pairscan.h"

#include <algorithm>
#include <cassert>

#include "imaging/pairscankernel.h"

namespace vexaris::imaging {

namespace {

// Methods 1, 3 and 5 reject every pair whose ColorRank distance exceeds ColorLimit; in ascending
// ColorRank order, once one right picture is that far, every later one is too.
bool stopsAtColorLimit(ComparisonMethod method)
{
    return method == ComparisonMethod::ColorImage || method == ComparisonMethod::ColorAndEdges
        || method == ComparisonMethod::AveragedColors;
}

bool readsThumbnails(ComparisonMethod method)
{
    return method == ComparisonMethod::ColorImage || method == ComparisonMethod::ColorAndEdges
        || method == ComparisonMethod::ColorOrEdges;
}

bool readsDerivatives(ComparisonMethod method)
{
    return method == ComparisonMethod::Edges || method == ComparisonMethod::ColorAndEdges
        || method == ComparisonMethod::ColorOrEdges;
}

// Sums of the 16 bytes of each 4 × 4 square of a 32 × 32 plane whose byte (row, column) lies at
// base + row·rowStride + column·step.
void squareSums(const uint8_t *base, size_t rowStride, size_t step, int16_t *sums)
{
    for (int squareRow = 0; squareRow < 8; ++squareRow) {
        for (int squareColumn = 0; squareColumn < 8; ++squareColumn) {
            int sum = 0;
            for (int row = 4 * squareRow; row < 4 * squareRow + 4; ++row) {
                for (int column = 4 * squareColumn; column < 4 * squareColumn + 4; ++column)
                    sum += base[static_cast<size_t>(row) * rowStride + static_cast<size_t>(column) * step];
            }
            sums[squareRow * 8 + squareColumn] = static_cast<int16_t>(sum);
        }
    }
}

detail::ScanLeftsFunction chosenKernel()
{
#ifdef VEXARIS_HAVE_PAIRSCAN_AVX2
    if (Avx2SumKernel())
        return &detail::scanLeftsAvx2;
#endif
    return &detail::scanLeftsPortable;
}

} // namespace

void ValueBlockSums(const uint8_t *thumbnail, int16_t *sums)
{
    // Byte 2 of each cell is its value, the byte that varies most between pictures.
    squareSums(thumbnail + 2, kThumbnailRowBytes, 3, sums);
}

void EdgeBlockSums(const uint8_t *derivative, int16_t *sums)
{
    squareSums(derivative, kCellSide, 1, sums);
}

int64_t BlockBound(const int16_t *sumsA, const int16_t *sumsB)
{
    int64_t total = 0;
    for (size_t k = 0; k < PairScanner::kBlocks; ++k) {
        const int64_t d = int64_t {sumsA[k]} - int64_t {sumsB[k]};
        total += d * d;
    }
    return total;
}

PairScanner::PairScanner(
    std::span<const ScanInput> pictures, ComparisonMethod method, const DifferenceLimits &limits, bool skipOldPairs)
    : m_pictures(pictures)
    , m_count(pictures.size())
    , m_method(method)
    , m_limits(limits)
    , m_skipOldPairs(skipOldPairs)
    , m_rankBound(stopsAtColorLimit(method))
    , m_sum(ChosenSumKernel())
{
    m_id.resize(m_count);
    m_colorRank.resize(m_count);
    m_derivativeRank.resize(m_count);
    m_size.resize(m_count);
    m_old.resize(m_count);
    for (size_t k = 0; k < m_count; ++k) {
        const PictureView &view = pictures[k].view;
        m_id[k] = view.ID;
        m_colorRank[k] = view.Signature.ColorRank;
        m_derivativeRank[k] = view.Signature.DerivativeRank;
        m_size[k] = view.Size;
        m_old[k] = pictures[k].old ? 1 : 0;
    }
    if (readsThumbnails(method)) {
        m_colorBlocks.resize(m_count * kBlocks);
        for (size_t k = 0; k < m_count; ++k)
            ValueBlockSums(pictures[k].view.Signature.Thumbnail, m_colorBlocks.data() + k * kBlocks);
    }
    if (readsDerivatives(method)) {
        m_edgeBlocks.resize(m_count * kBlocks);
        for (size_t k = 0; k < m_count; ++k)
            EdgeBlockSums(pictures[k].view.Signature.Derivative, m_edgeBlocks.data() + k * kBlocks);
    }
    if (method == ComparisonMethod::AveragedColors) {
        m_averages.resize(m_count * detail::kAveragesStride);
        for (size_t k = 0; k < m_count; ++k)
            std::copy_n(pictures[k].view.Signature.AverageColors, kAverageColorsBytes,
                m_averages.data() + k * detail::kAveragesStride);
    }
    m_rightEnd.resize(m_count);
    for (size_t a = 0; a < m_count; ++a)
        m_rightEnd[a] = static_cast<uint32_t>(rightEnd(a));
}

size_t PairScanner::rightEnd(size_t a) const
{
    if (!m_rankBound)
        return m_count;
    // The reference loop tests the first picture beyond the bound too (the identity test may still
    // match it) and stops after it.
    const int64_t bound = int64_t {m_colorRank[a]} + m_limits.ColorLimit;
    const auto first = std::upper_bound(m_colorRank.begin() + static_cast<std::ptrdiff_t>(a) + 1, m_colorRank.end(),
        bound, [](int64_t value, int32_t rank) { return value < int64_t {rank}; });
    const size_t index = static_cast<size_t>(first - m_colorRank.begin());
    return std::min(index + 1, m_count);
}

detail::ScanTables PairScanner::tables() const
{
    detail::ScanTables t;
    t.pictures = m_pictures.data();
    t.count = m_count;
    t.method = m_method;
    t.limits = m_limits;
    t.skipOldPairs = m_skipOldPairs;
    t.sum = m_sum;
    t.id = m_id.data();
    t.colorRank = m_colorRank.data();
    t.derivativeRank = m_derivativeRank.data();
    t.size = m_size.data();
    t.old = m_old.data();
    t.colorBlocks = m_colorBlocks.empty() ? nullptr : m_colorBlocks.data();
    t.edgeBlocks = m_edgeBlocks.empty() ? nullptr : m_edgeBlocks.data();
    t.averages = m_averages.empty() ? nullptr : m_averages.data();
    t.rightEnd = m_rightEnd.data();
    return t;
}

void PairScanner::scanLefts(
    size_t leftBegin, size_t leftEnd, std::vector<PairMatch> &matches, std::span<int64_t> tested) const
{
    assert(leftBegin <= leftEnd && leftEnd <= m_count && tested.size() >= leftEnd - leftBegin);
    static const detail::ScanLeftsFunction kernel = chosenKernel();
    kernel(tables(), leftBegin, leftEnd, matches, tested);
}

} // namespace vexaris::imaging
