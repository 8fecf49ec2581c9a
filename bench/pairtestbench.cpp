// Pair tests per second under methods 1 to 5, for random and for near-identical signatures, with
// the blob sums made by each kernel in turn: the AVX2 kernel (when the processor has one), the
// portable block kernel, and a plain per-byte loop that checks the limit after every byte. Every
// kernel must give the same answer on every pair; the program fails when one does not.
//
// Usage: bench_pairtest [PICTURES [THRESHOLD]]   (defaults 640 and 10)
#include <algorithm>
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "imaging/difference.h"
#include "imaging/imgutils.h"

using namespace vexaris::imaging;

namespace {

int32_t sumPerByte(int32_t limit, const uint8_t *blobA, const uint8_t *blobB, size_t length)
{
    int32_t sum = 0;
    for (size_t i = 0; i < length; ++i) {
        const int32_t d = int32_t {blobA[i]} - int32_t {blobB[i]};
        sum += d * d;
        if (sum > limit)
            return sum;
    }
    return sum;
}

struct StoredPicture
{
    ThumbnailBytes thumbnail {};
    DerivativeBytes derivative {};
    AverageColorsBytes averages {};
};

// Thumbnails with hue and saturation in 0..63 and value in 0..255, as stored signatures have.
void randomise(StoredPicture &picture, std::mt19937 &random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    for (size_t i = 0; i < picture.thumbnail.size(); ++i)
        picture.thumbnail[i] = static_cast<uint8_t>(i % 3 == 2 ? byte(random) : byte(random) / 4);
    for (uint8_t &value : picture.derivative)
        value = static_cast<uint8_t>(byte(random));
}

// A copy of base with every byte moved by at most 2, as re-encoding a picture does.
void nudge(StoredPicture &picture, const StoredPicture &base, std::mt19937 &random)
{
    std::uniform_int_distribution<int> noise(-2, 2);
    for (size_t i = 0; i < picture.thumbnail.size(); ++i)
        picture.thumbnail[i]
            = static_cast<uint8_t>(std::clamp(base.thumbnail[i] + noise(random), 0, i % 3 == 2 ? 255 : 63));
    for (size_t i = 0; i < picture.derivative.size(); ++i)
        picture.derivative[i] = static_cast<uint8_t>(std::clamp(base.derivative[i] + noise(random), 0, 255));
}

struct Scenario
{
    const char *name;
    std::vector<StoredPicture> pictures;
    std::vector<PictureView> views;
};

Scenario makeScenario(const char *name, size_t count, bool nearIdentical)
{
    std::mt19937 random(20261208);
    Scenario scenario {name, std::vector<StoredPicture>(count), {}};
    for (size_t i = 0; i < count; ++i) {
        if (nearIdentical && i > 0)
            nudge(scenario.pictures[i], scenario.pictures[0], random);
        else
            randomise(scenario.pictures[i], random);
        scenario.pictures[i].averages = AverageColors(scenario.pictures[i].thumbnail.data());
    }
    scenario.views.resize(count);
    for (size_t i = 0; i < count; ++i) {
        const StoredPicture &picture = scenario.pictures[i];
        PictureView &view = scenario.views[i];
        view.ID = static_cast<int32_t>(i + 1);
        view.Size = static_cast<int32_t>(i + 1); // never the same file
        view.Signature = {picture.thumbnail.data(), picture.derivative.data(),
            SquareSum(picture.thumbnail.data(), picture.thumbnail.size()),
            SquareSum(picture.derivative.data(), picture.derivative.size()), picture.averages.data()};
    }
    // The scan walks its pictures in ascending ColorRank order.
    std::sort(scenario.views.begin(), scenario.views.end(),
        [](const PictureView &a, const PictureView &b) { return a.Signature.ColorRank < b.Signature.ColorRank; });
    return scenario;
}

struct Kernel
{
    const char *name;
    SumKernel sum;
};

struct Run
{
    double seconds = 0;
    uint64_t pairs = 0;
    uint64_t matches = 0;
    std::vector<int32_t> results; // per pair: the difference of a match, or −1
};

Run runAllPairsOnce(const Scenario &scenario, ComparisonMethod method, const DifferenceLimits &limits, SumKernel sum)
{
    Run run;
    const size_t count = scenario.views.size();
    run.results.reserve(count * (count - 1) / 2);
    const auto start = std::chrono::steady_clock::now();
    for (size_t a = 0; a < count; ++a) {
        for (size_t b = a + 1; b < count; ++b) {
            int32_t difference = 0;
            const bool match = ComparePair(scenario.views[a], scenario.views[b], method, limits, difference, sum);
            run.results.push_back(match ? difference : -1);
            run.matches += match ? 1 : 0;
        }
    }
    run.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    run.pairs = run.results.size();
    return run;
}

// The best of three runs: the machine may be busy with other work for part of one.
Run runAllPairs(const Scenario &scenario, ComparisonMethod method, const DifferenceLimits &limits, SumKernel sum)
{
    Run best = runAllPairsOnce(scenario, method, limits, sum);
    for (int round = 0; round < 2; ++round) {
        Run run = runAllPairsOnce(scenario, method, limits, sum);
        if (run.seconds < best.seconds)
            best = std::move(run);
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    const size_t count = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 640;
    const int threshold = argc > 2 ? std::atoi(argv[2]) : 10;
    if (count < 2 || threshold < 0 || threshold > 100) {
        std::fprintf(stderr, "usage: %s [PICTURES >= 2 [THRESHOLD 0..100]]\n", argv[0]);
        return 2;
    }
    const DifferenceLimits limits = ComputeLimits(threshold);

    std::vector<Kernel> kernels;
    if (SumKernel avx2 = Avx2SumKernel())
        kernels.push_back({"avx2", avx2});
    else
        std::printf("(this processor has no AVX2: its column is left out)\n");
    kernels.push_back({"portable", &SumOfSquaredDifferencesPortable});
    kernels.push_back({"per-byte", &sumPerByte});

    const Scenario scenarios[] = {makeScenario("random", count, false), makeScenario("near-identical", count, true)};
    std::printf(
        "%zu pictures, %zu pairs per run, threshold %d, best of 3 runs\n", count, count * (count - 1) / 2, threshold);
    std::printf("(method 5 sums only the 12 averaged-colour bytes, with no kernel: its columns should agree)\n");
    std::printf("%-15s %-7s %9s", "signatures", "method", "matches");
    for (const Kernel &kernel : kernels)
        std::printf(" %14s", (std::string(kernel.name) + " pairs/s").c_str());
    std::printf(" %12s\n", "first/last");

    int disagreements = 0;
    for (const Scenario &scenario : scenarios) {
        for (int methodNumber = 1; methodNumber <= 5; ++methodNumber) {
            const ComparisonMethod method = ComparisonMethodFromInt(methodNumber);
            std::vector<Run> runs;
            for (const Kernel &kernel : kernels)
                runs.push_back(runAllPairs(scenario, method, limits, kernel.sum));
            std::printf(
                "%-15s %-7d %9llu", scenario.name, methodNumber, static_cast<unsigned long long>(runs.front().matches));
            for (const Run &run : runs)
                std::printf(" %14.0f", static_cast<double>(run.pairs) / run.seconds);
            std::printf(" %11.1fx\n", runs.back().seconds / runs.front().seconds);
            for (size_t k = 1; k < runs.size(); ++k) {
                if (runs[k].results != runs.front().results) {
                    std::printf("  DISAGREEMENT: %s and %s differ under method %d\n", kernels.front().name,
                        kernels[k].name, methodNumber);
                    ++disagreements;
                }
            }
        }
    }

    // The sums alone, on the thumbnail pairs of each scenario at the colour limit.
    std::printf("\nthumbnail sums alone (colour limit %d)\n", limits.ColorLimit);
    for (const Scenario &scenario : scenarios) {
        std::printf("%-15s", scenario.name);
        std::vector<double> seconds;
        std::vector<int64_t> checksums;
        for (const Kernel &kernel : kernels) {
            int64_t checksum = 0;
            double best = 0;
            for (int round = 0; round < 3; ++round) {
                checksum = 0;
                const auto start = std::chrono::steady_clock::now();
                for (size_t a = 0; a + 1 < scenario.views.size(); ++a)
                    for (size_t b = a + 1; b < scenario.views.size(); ++b)
                        checksum += std::min(limits.ColorLimit + 1,
                            kernel.sum(limits.ColorLimit, scenario.views[a].Signature.Thumbnail,
                                scenario.views[b].Signature.Thumbnail, kThumbnailBytes));
                const double elapsed = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
                best = round == 0 ? elapsed : std::min(best, elapsed);
            }
            seconds.push_back(best);
            checksums.push_back(checksum);
            std::printf(" %s %.1f M sums/s (checksum %lld)", kernel.name,
                static_cast<double>(count * (count - 1) / 2) / best / 1e6, static_cast<long long>(checksum));
        }
        std::printf("  per-byte/first %.1fx\n", seconds.back() / seconds.front());
        if (std::count(checksums.begin(), checksums.end(), checksums.front()) != std::ssize(checksums)) {
            std::printf("  DISAGREEMENT: the kernels' thumbnail sums differ\n");
            ++disagreements;
        }
    }

    if (disagreements) {
        std::printf("%d disagreements between kernels\n", disagreements);
        return 1;
    }
    std::printf("all kernels agree on every pair\n");
    return 0;
}
