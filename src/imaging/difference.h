// Decides whether two pictures are duplicates under a comparison method and threshold, and how
// different a matching pair is. Works on signature data already in memory; never opens a file.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

#include "imaging/signature.h"

namespace vexaris::imaging {

// The values are stored in the settings and with a finished scan: never renumber them.
enum class ComparisonMethod {
    FileProperties = 0,
    ColorImage = 1,
    Edges = 2,
    ColorAndEdges = 3,
    ColorOrEdges = 4,
    AveragedColors = 5,
};

// Throws vexaris::Error for a number that names no method.
ComparisonMethod ComparisonMethodFromInt(int method);

// What the pair test reads of one picture record. FileName holds the stored name as UTF-16, so a
// record that keeps it in a QString can point here without converting
// (QStringView(name).utf16(), name.size()).
struct PictureView
{
    int32_t ID = 0;
    std::u16string_view FileName;
    int32_t Size = 0;
    double Created = 0;
    double Modified = 0;
    SignatureView Signature;
};

// The three limits a threshold turns into; derived once per scan run.
struct DifferenceLimits
{
    int32_t ColorLimit = 0;
    int32_t EdgeLimit = 0;
    int32_t AverageLimit = 0;
};

// Throws vexaris::Error for a threshold outside 0..100, whose limits would not fit 32 bits.
DifferenceLimits ComputeLimits(int threshold);

// The longest blob the sum accepts: 32768 bytes of 255² still fit a signed 32-bit sum.
constexpr size_t kMaxSumLength = 32768;

// Sum of (a − b)² over length bytes. The limit is checked every 64 bytes and the summation
// stops once the running sum exceeds it, so a result is the exact sum whenever it is at most
// the limit, and some value above the limit otherwise: only "result ≤ limit" may be relied on.
// Uses the AVX2 kernel when the processor has it.
int32_t SumOfSquaredDifferences(int32_t limit, const uint8_t *blobA, const uint8_t *blobB, size_t length);

// The kernels behind SumOfSquaredDifferences, for tests and benchmarks that compare them.
using SumKernel = int32_t (*)(int32_t limit, const uint8_t *blobA, const uint8_t *blobB, size_t length);
int32_t SumOfSquaredDifferencesPortable(int32_t limit, const uint8_t *blobA, const uint8_t *blobB, size_t length);
// Null when the processor (or the build's target) has no AVX2.
SumKernel Avx2SumKernel();
// The kernel SumOfSquaredDifferences runs: AVX2 when there is one, else the portable one.
SumKernel ChosenSumKernel();

// The complete sum of (a − b)² over two 12-byte averaged-colour blocks; no early stop.
int32_t AverageColorsDifference(const uint8_t *averagesA, const uint8_t *averagesB);

// The pair test. a is the picture earlier in ascending ColorRank order, so its rank is not above
// b's. On a match LastDifference holds the difference to record for the pair (smaller means more
// alike); after a call without a match its content means nothing. AverageColors must be filled
// in both views when the method is AveragedColors.
bool ComparePair(const PictureView &a, const PictureView &b, ComparisonMethod method, const DifferenceLimits &limits,
    int32_t &LastDifference);

// The same with the blob sums made by a given kernel, for comparing kernels on whole pair tests.
bool ComparePair(const PictureView &a, const PictureView &b, ComparisonMethod method, const DifferenceLimits &limits,
    int32_t &LastDifference, SumKernel sum);

} // namespace vexaris::imaging
