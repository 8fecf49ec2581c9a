// The duplicate scan run on a database of PICTURES signatures (default 10,000), under every
// comparison method at thresholds 5, 10 and 20. For each it prints the pair tests made, their rate
// in the reference loop pair by pair and in the scan's loop on one thread and on every core (the
// three must find the same pairs, or the program fails), and the time of the whole run on every
// core. Given a METHOD and THRESHOLD it times only the whole run of that one, and prints the
// process's peak memory: for the largest collections.
//
// Usage: bench_scan [PICTURES [METHOD THRESHOLD]]
#include <algorithm>
#include <array>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <tuple>
#include <vector>

#include <sys/resource.h>

#include <QFile>
#include <QTemporaryDir>

#include "common/error.h"
#include "imaging/bitmap.h"
#include "imaging/difference.h"
#include "imaging/imgutils.h"
#include "log/processinglog.h"
#include "runs/duplicatescan.h"
#include "store/data.h"
#include "store/database.h"
#include "store/pictures.h"
#include "store/session.h"

using namespace vexaris;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kSide = 64;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class QuietObserver : public runs::RunObserver
{
public:
    void progress(const runs::RunProgress &) override { }
    bool stopRequested() override { return false; }
    void handlePendingMessages() override { }
};

// A small synthetic photo: a vertical gradient between two colours with a few coloured boxes and
// a fine texture.
struct Scene
{
    std::array<int, 6> background {}; // top and bottom colour
    std::array<std::array<int, 7>, 6> boxes {}; // left, top, right, bottom, blue, green, red
    uint32_t texture = 0; // seed of the scene's own fine texture, which copies keep
};

// -24..24, the same for the same seed and pixel.
int textureAt(uint32_t seed, int x, int y, int k)
{
    uint32_t h = seed ^ (static_cast<uint32_t>(x) * 73856093u) ^ (static_cast<uint32_t>(y) * 19349663u)
        ^ (static_cast<uint32_t>(k) * 83492791u);
    h ^= h >> 13;
    h *= 0x5bd1e995u;
    h ^= h >> 15;
    return static_cast<int>(h % 49) - 24;
}

Scene randomScene(std::mt19937 &random)
{
    std::uniform_int_distribution<int> byte(0, 255);
    std::uniform_int_distribution<int> position(0, kSide - 1);
    Scene scene;
    for (int &value : scene.background)
        value = byte(random);
    scene.texture = static_cast<uint32_t>(random());
    for (auto &box : scene.boxes) {
        const int x0 = position(random);
        const int y0 = position(random);
        box = {x0, y0, std::min(kSide, x0 + 8 + position(random) / 2), std::min(kSide, y0 + 8 + position(random) / 2),
            byte(random), byte(random), byte(random)};
    }
    return scene;
}

// Renders the scene with every pixel moved by brightness and a little noise, as a re-encoded or
// slightly corrected copy would be.
void render(const Scene &scene, int brightness, int noise, std::mt19937 &random, imaging::Bitmap &bitmap)
{
    std::uniform_int_distribution<int> jitter(-noise, noise);
    bitmap.allocate(kSide, kSide, imaging::Layout::Rgb24);
    for (int y = 0; y < kSide; ++y) {
        uint8_t *row = bitmap.row(y);
        for (int x = 0; x < kSide; ++x) {
            for (int k = 0; k < 3; ++k) {
                int value = scene.background[k] + (scene.background[3 + k] - scene.background[k]) * y / kSide;
                for (const auto &box : scene.boxes) {
                    if (x >= box[0] && x < box[2] && y >= box[1] && y < box[3])
                        value = box[4 + k];
                }
                value += textureAt(scene.texture, x, y, k) + brightness + jitter(random);
                row[x * 3 + k] = static_cast<uint8_t>(std::clamp(value, 0, 255));
            }
        }
    }
}

// One picture in ten is a slightly changed copy of an earlier one, so that every method finds
// pairs; the others are scenes of their own.
void fillDatabase(store::Database &database, int collection, int folder, int count)
{
    std::mt19937 random(20261208);
    std::uniform_int_distribution<int> shift(-6, 6);
    std::vector<Scene> scenes;
    scenes.reserve(static_cast<size_t>(count));
    imaging::Bitmap bitmap;

    database.Execute(QStringLiteral("BEGIN"));
    store::Statement insert(database,
        QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, "
                       "Height, Thumbnail, Derivative, ColorRank, DerivativeRank, Old) "
                       "VALUES (?, ?, ?, ?, ?, ?, 640, 480, ?, ?, ?, ?, 0)"));
    for (int i = 0; i < count; ++i) {
        if (i % 10 == 9) {
            scenes.push_back(scenes[static_cast<size_t>(random()) % scenes.size()]);
            render(scenes.back(), shift(random), 3, random, bitmap);
        } else {
            scenes.push_back(randomScene(random));
            render(scenes.back(), 0, 0, random, bitmap);
        }
        const imaging::Signature signature = imaging::ComputeSignature(bitmap);
        insert.reset();
        insert.bindAll(
            {collection, folder, QStringLiteral("picture%1.jpg").arg(i), 100000 + i, 40000.0 + i, 41000.0 + i,
                store::Value::fromBlob(
                    QByteArray(reinterpret_cast<const char *>(signature.Thumbnail.data()), imaging::kThumbnailBytes)),
                store::Value::fromBlob(
                    QByteArray(reinterpret_cast<const char *>(signature.Derivative.data()), imaging::kDerivativeBytes)),
                signature.ColorRank, signature.DerivativeRank});
        insert.run();
    }
    database.Execute(QStringLiteral("COMMIT"));
}

void forgetScans(store::Database &database)
{
    database.Execute(QStringLiteral("UPDATE Collection SET Scanned = 0, LastLeft_ID = NULL, ScanProgress = 0"));
    database.Execute(QStringLiteral("DELETE FROM Duplicate"));
    database.Execute(QStringLiteral("UPDATE Picture SET Old = 0"));
}

// The statement the run executes after every left picture, count times, each committed on its own.
double resumePointSeconds(store::Database &database, int collection, int count)
{
    store::Statement save(
        database, QStringLiteral("UPDATE Collection SET LastLeft_ID = ?, ScanProgress = ? WHERE ID = ?"));
    const auto start = Clock::now();
    for (int i = 0; i < count; ++i) {
        save.reset();
        save.bindAll({i + 1, i, collection});
        save.run();
    }
    const double seconds = secondsSince(start);
    database.Execute(QStringLiteral("UPDATE Collection SET LastLeft_ID = NULL, ScanProgress = 0"));
    return seconds;
}

// The peak of the process's resident memory so far, in megabytes.
double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

struct LoopFigures
{
    int64_t tested = 0;
    int64_t matches = 0;
    double seconds = 0;
    std::vector<std::tuple<size_t, size_t, int32_t>> found;
};

// One pass of a pair loop over the loaded pictures, noting every match.
template <typename Loop> LoopFigures timeLoop(Loop loop)
{
    LoopFigures figures;
    const auto start = Clock::now();
    figures.tested = loop([&](size_t a, size_t b, int32_t difference) {
        ++figures.matches;
        figures.found.emplace_back(a, b, difference);
    });
    figures.seconds = secondsSince(start);
    return figures;
}

double rate(const LoopFigures &figures)
{
    return figures.seconds > 0 ? static_cast<double>(figures.tested) / figures.seconds / 1e6 : 0.0;
}

runs::ScanSummary wholeRun(store::Session &session, int method, int threshold, unsigned threads, double &seconds)
{
    QuietObserver observer;
    log::ProcessingLog processingLog;
    runs::ScanParameters parameters;
    parameters.collectionName = QStringLiteral("Bench");
    parameters.method = method;
    parameters.threshold = threshold;
    parameters.threads = threads;
    forgetScans(session.DatabaseConnection);
    const auto start = Clock::now();
    const runs::ScanSummary summary = runs::DuplicateScan(session, processingLog, observer).run(parameters);
    seconds = secondsSince(start);
    return summary;
}

} // namespace

int main(int argc, char *argv[])
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 10000;
    // Only one method and threshold, as the whole run on every core: for the largest collections.
    const bool single = argc > 3;
    const int onlyMethod = single ? std::atoi(argv[2]) : 0;
    const int onlyThreshold = single ? std::atoi(argv[3]) : 0;
    if (count < 2 || (argc != 2 && argc != 1 && argc != 4)) {
        std::fprintf(stderr, "Usage: bench_scan [PICTURES [METHOD THRESHOLD]]   (at least 2 pictures)\n");
        return 2;
    }
    // Each figure as soon as it is measured, also when the output goes to a file.
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    try {
        QTemporaryDir folder;
        const QString file = folder.filePath(QStringLiteral("Vexaris.db"));
        QFile schema(QStringLiteral(VEXARIS_SCHEMA_FILE));
        if (!folder.isValid() || !schema.open(QIODevice::ReadOnly))
            throw Error("cannot prepare the benchmark database");
        store::createDatabase(file, schema.readAll());
        store::Session session;
        session.ConnectDatabase(file);
        store::Database &database = session.DatabaseConnection;
        database.Execute(QStringLiteral("INSERT INTO Collection (Name) VALUES ('Bench')"));
        const int collection = static_cast<int>(database.lastInsertId());
        database.Execute(QStringLiteral("INSERT INTO Folder (CollectionID, Path) VALUES (?, '/bench')"), {collection});
        const int folderId = static_cast<int>(database.lastInsertId());
        fillDatabase(database, collection, folderId, count);
        const unsigned cores = runs::defaultThreadCount();

        if (single) {
            double seconds = 0;
            const runs::ScanSummary summary = wholeRun(session, onlyMethod, onlyThreshold, cores, seconds);
            std::printf("%d pictures, method %d, threshold %d, %u threads: %lld pair tests, %d pairs recorded in "
                        "%.1f s (%.1f M pair tests/s, %.1f M/s per thread); peak memory %.0f MB\n",
                count, onlyMethod, onlyThreshold, cores, static_cast<long long>(summary.pairsTested),
                summary.pairsWritten, seconds, summary.pairsTested / seconds / 1e6,
                summary.pairsTested / seconds / 1e6 / cores, peakMegabytes());
            return 0;
        }

        const double saving = resumePointSeconds(database, collection, count);
        std::printf("%d pictures. Saving the resume point after every left picture: %.3f s (%.1f us each)\n\n", count,
            saving, saving * 1e6 / count);
        std::printf("Pair tests per second (millions) in the pair loop: the reference loop pair by pair, the loop on "
                    "one thread, on %u threads, and the ratio of the last two; then the whole run on %u threads.\n",
            cores, cores);
        std::printf("%-6s %-9s %12s %8s %10s %10s %10s %8s %10s\n", "method", "threshold", "pair tests", "pairs",
            "one by one", "1 thread", "threads", "ratio", "whole s");

        for (int method = 0; method <= 5; ++method) {
            for (const int threshold : {5, 10, 20}) {
                const auto kind = imaging::ComparisonMethodFromInt(method);
                const imaging::DifferenceLimits limits = imaging::ComputeLimits(threshold);

                forgetScans(database);
                session.CurrentCollection.ID = collection;
                store::TPictureArray pictures;
                store::LoadPictures(session, pictures, {}, kind == imaging::ComparisonMethod::AveragedColors);
                const std::vector<runs::ScanPicture> loaded = runs::ScanPicturesOf(pictures);
                const auto always = [](size_t) { return true; };
                const LoopFigures reference = timeLoop([&](const runs::MatchSink &sink) {
                    return runs::ScanPairsOneByOne(loaded, 0, kind, limits, true, sink, always);
                });
                const LoopFigures one = timeLoop([&](const runs::MatchSink &sink) {
                    return runs::ScanPairs(loaded, 0, kind, limits, true, sink, always, 1);
                });
                const LoopFigures all = timeLoop([&](const runs::MatchSink &sink) {
                    return runs::ScanPairs(loaded, 0, kind, limits, true, sink, always, cores);
                });
                if (one.tested != reference.tested || one.found != reference.found || all.tested != reference.tested
                    || all.found != reference.found)
                    throw Error("the loops disagree");

                double whole = 0;
                const runs::ScanSummary summary = wholeRun(session, method, threshold, cores, whole);
                if (summary.pairsTested != reference.tested || summary.pairsWritten != reference.matches)
                    throw Error("the run and the pair loop disagree");

                std::printf("%-6d %-9d %12lld %8lld %10.1f %10.1f %10.1f %8.2f %10.2f\n", method, threshold,
                    static_cast<long long>(reference.tested), static_cast<long long>(reference.matches),
                    rate(reference), rate(one), rate(all), one.seconds > 0 ? one.seconds / all.seconds : 0.0, whole);
            }
        }
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_scan: %s\n", e.what());
        return 1;
    }
    return 0;
}
