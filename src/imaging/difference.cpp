// The pair test runs up to N·(N−1)/2 times per scan, so it rejects on the integer ranks before it
// reads a blob, and the blob sums stop as soon as the limit is passed. The sum has an AVX2
// kernel chosen at run time; the portable one stays for other processors and as its reference.
#include "imaging/difference.h"

#include <cassert>
#include <cstdlib>
#include <string>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define VEXARIS_HAVE_AVX2_KERNEL 1
#endif

#include "common/error.h"
#include "i18n/translate.h"

namespace vexaris::imaging {

namespace {

// The limit is looked at once per block: often enough that a clearly different pair stops
// early, rarely enough that the check costs little beside the arithmetic.
constexpr size_t kCheckBlock = 64;

int32_t tailSum(const uint8_t *blobA, const uint8_t *blobB, size_t begin, size_t end)
{
    int32_t sum = 0;
    for (size_t i = begin; i < end; ++i) {
        const int32_t d = int32_t {blobA[i]} - int32_t {blobB[i]};
        sum += d * d;
    }
    return sum;
}

// A fixed trip count lets the compiler vectorise the block with the base instruction set.
int32_t blockSum(const uint8_t *blobA, const uint8_t *blobB)
{
    int32_t sum = 0;
    for (size_t i = 0; i < kCheckBlock; ++i) {
        const int32_t d = int32_t {blobA[i]} - int32_t {blobB[i]};
        sum += d * d;
    }
    return sum;
}

#ifdef VEXARIS_HAVE_AVX2_KERNEL
__attribute__((target("avx2"))) inline int32_t horizontalSum(__m256i lanes)
{
    __m128i sum = _mm_add_epi32(_mm256_castsi256_si128(lanes), _mm256_extracti128_si256(lanes, 1));
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0x4E)); // swap the 64-bit halves
    sum = _mm_add_epi32(sum, _mm_shuffle_epi32(sum, 0xB1)); // swap neighbouring lanes
    return _mm_cvtsi128_si32(sum);
}

// Squares of 32 byte differences added into eight 32-bit lanes. |a − b| comes from two
// saturating subtractions; widened to 16 bits, madd squares and pairs them without overflow
// (2 × 255² fits a lane).
__attribute__((target("avx2"))) inline __m256i addSquaredDifferences(
    __m256i total, const uint8_t *blobA, const uint8_t *blobB)
{
    const __m256i a = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(blobA));
    const __m256i b = _mm256_loadu_si256(reinterpret_cast<const __m256i *>(blobB));
    const __m256i diff = _mm256_or_si256(_mm256_subs_epu8(a, b), _mm256_subs_epu8(b, a));
    const __m256i zero = _mm256_setzero_si256();
    const __m256i low = _mm256_unpacklo_epi8(diff, zero);
    const __m256i high = _mm256_unpackhi_epi8(diff, zero);
    total = _mm256_add_epi32(total, _mm256_madd_epi16(low, low));
    return _mm256_add_epi32(total, _mm256_madd_epi16(high, high));
}

__attribute__((target("avx2"))) int32_t sumAvx2(
    int32_t limit, const uint8_t *blobA, const uint8_t *blobB, size_t length)
{
    assert(length <= kMaxSumLength);
    __m256i total = _mm256_setzero_si256();
    size_t i = 0;
    for (; i + kCheckBlock <= length; i += kCheckBlock) {
        total = addSquaredDifferences(total, blobA + i, blobB + i);
        total = addSquaredDifferences(total, blobA + i + 32, blobB + i + 32);
        const int32_t sum = horizontalSum(total);
        if (sum > limit)
            return sum;
    }
    return horizontalSum(total) + tailSum(blobA, blobB, i, length);
}
#endif

} // namespace

ComparisonMethod ComparisonMethodFromInt(int method)
{
    if (method < 0 || method > static_cast<int>(ComparisonMethod::AveragedColors))
        throw Error(formatText(_("Unknown comparison method %d"), {std::to_string(method)}));
    return static_cast<ComparisonMethod>(method);
}

DifferenceLimits ComputeLimits(int threshold)
{
    if (threshold < 0 || threshold > 100)
        throw Error(formatText(_("The threshold must lie between 0 and 100, not %d"), {std::to_string(threshold)}));
    return {threshold * 196608, threshold * 32768, threshold * 16};
}

int32_t SumOfSquaredDifferencesPortable(int32_t limit, const uint8_t *blobA, const uint8_t *blobB, size_t length)
{
    assert(length <= kMaxSumLength);
    int32_t sum = 0;
    size_t i = 0;
    for (; i + kCheckBlock <= length; i += kCheckBlock) {
        sum += blockSum(blobA + i, blobB + i);
        if (sum > limit)
            return sum;
    }
    return sum + tailSum(blobA, blobB, i, length);
}

SumKernel Avx2SumKernel()
{
#ifdef VEXARIS_HAVE_AVX2_KERNEL
    __builtin_cpu_init();
    if (__builtin_cpu_supports("avx2"))
        return &sumAvx2;
#endif
    return nullptr;
}

SumKernel ChosenSumKernel()
{
    static const SumKernel kernel = [] {
        const SumKernel avx2 = Avx2SumKernel();
        return avx2 ? avx2 : &SumOfSquaredDifferencesPortable;
    }();
    return kernel;
}

int32_t SumOfSquaredDifferences(int32_t limit, const uint8_t *blobA, const uint8_t *blobB, size_t length)
{
    return ChosenSumKernel()(limit, blobA, blobB, length);
}

int32_t AverageColorsDifference(const uint8_t *averagesA, const uint8_t *averagesB)
{
    return tailSum(averagesA, averagesB, 0, kAverageColorsBytes);
}

bool ComparePair(const PictureView &a, const PictureView &b, ComparisonMethod method, const DifferenceLimits &limits,
    int32_t &LastDifference)
{
    return ComparePair(a, b, method, limits, LastDifference, ChosenSumKernel());
}

bool ComparePair(const PictureView &a, const PictureView &b, ComparisonMethod method, const DifferenceLimits &limits,
    int32_t &LastDifference, SumKernel sum)
{
    if (a.ID == b.ID)
        return false;
    // Equal name, size and times are taken for the same file, a match whatever the method. The
    // numbers are compared first because they differ far more often and cost less.
    if (a.Size == b.Size && a.Created == b.Created && a.Modified == b.Modified && a.FileName == b.FileName) {
        LastDifference = 0;
        return true;
    }
    if (method == ComparisonMethod::FileProperties)
        return false;

    const SignatureView &left = a.Signature;
    const SignatureView &right = b.Signature;
    // Ranks read back from a database are not trusted to stay within the range a signature can
    // give; in 64 bits their distance cannot overflow.
    const int64_t dC = int64_t {right.ColorRank} - int64_t {left.ColorRank};
    const int64_t dE = std::abs(int64_t {right.DerivativeRank} - int64_t {left.DerivativeRank});
    const auto thumbnailSum = [&] { return sum(limits.ColorLimit, left.Thumbnail, right.Thumbnail, kThumbnailBytes); };
    const auto derivativeSum
        = [&] { return sum(limits.EdgeLimit, left.Derivative, right.Derivative, kDerivativeBytes); };

    switch (method) {
    case ComparisonMethod::FileProperties:
        return false;
    case ComparisonMethod::ColorImage: {
        if (dC > limits.ColorLimit)
            return false;
        LastDifference = thumbnailSum();
        return LastDifference <= limits.ColorLimit;
    }
    case ComparisonMethod::Edges: {
        if (dE > limits.EdgeLimit)
            return false;
        LastDifference = derivativeSum();
        return LastDifference <= limits.EdgeLimit;
    }
    case ComparisonMethod::ColorAndEdges:
        LastDifference = 0;
        return dE <= limits.EdgeLimit && derivativeSum() <= limits.EdgeLimit && dC < limits.ColorLimit
            && thumbnailSum() <= limits.ColorLimit;
    case ComparisonMethod::ColorOrEdges:
        LastDifference = 0;
        if (dE <= limits.EdgeLimit && derivativeSum() <= limits.EdgeLimit)
            return true;
        return dC < limits.ColorLimit && thumbnailSum() <= limits.ColorLimit;
    case ComparisonMethod::AveragedColors: {
        if (dC > limits.ColorLimit)
            return false;
        assert(left.AverageColors && right.AverageColors);
        LastDifference = AverageColorsDifference(left.AverageColors, right.AverageColors);
        return LastDifference <= limits.AverageLimit;
    }
    }
    return false;
}

} // namespace vexaris::imaging
