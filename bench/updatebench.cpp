// The thumbnail update run over a folder of generated photo-like JPEGs, against the time that
// libjpeg-turbo's djpeg needs to decode the same files at full size (the decode floor), and the
// time of a second run that finds nothing changed.
//
//   bench_update FOLDER [FILES]
//
// FOLDER receives the pictures (files already there from an earlier run are reused); FILES is
// 1000 unless given. Every fourth picture has 12 megapixels, the others 2.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <random>
#include <spawn.h>
#include <string>
#include <vector>

#include <jpeglib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "log/processinglog.h"
#include "runs/thumbnailrun.h"
#include "store/data.h"
#include "store/database.h"
#include "store/session.h"

extern char **environ;

using namespace vexaris;
using Clock = std::chrono::steady_clock;

namespace {

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

struct Size
{
    int width;
    int height;
};

Size sizeOf(int index)
{
    return index % 4 == 3 ? Size {4000, 3000} : Size {1632, 1224};
}

// Smooth light across the frame, a few soft-edged shapes and fine grain: the kind of content
// that gives JPEG files the size and decoding cost of photographs.
std::vector<unsigned char> photoLike(int index, Size size)
{
    std::mt19937 random(static_cast<unsigned>(index) * 7919u + 17u);
    std::uniform_real_distribution<float> unit(0.0f, 1.0f);
    float top[3], bottom[3];
    for (int c = 0; c < 3; ++c) {
        top[c] = 40 + 200 * unit(random);
        bottom[c] = 20 + 180 * unit(random);
    }
    struct Blob
    {
        float x, y, radius, colour[3];
    };
    std::vector<Blob> blobs(6);
    for (Blob &blob : blobs) {
        blob.x = unit(random) * size.width;
        blob.y = unit(random) * size.height;
        blob.radius = (0.05f + 0.25f * unit(random)) * size.height;
        for (float &c : blob.colour)
            c = 255 * unit(random);
    }
    std::vector<unsigned char> pixels(static_cast<size_t>(size.width) * size.height * 3);
    std::vector<float> line(static_cast<size_t>(size.width) * 3);
    uint32_t state = static_cast<uint32_t>(index) * 2654435761u + 1u;
    for (int y = 0; y < size.height; ++y) {
        const float t = float(y) / size.height;
        for (int x = 0; x < size.width; ++x) {
            for (int c = 0; c < 3; ++c)
                line[static_cast<size_t>(x) * 3 + c] = top[c] * (1 - t) + bottom[c] * t;
        }
        // Each shape only touches the columns its soft edge reaches on this row.
        for (const Blob &blob : blobs) {
            const float reach = 1.2f * blob.radius;
            const float dy = y - blob.y;
            if (std::fabs(dy) >= reach)
                continue;
            const float half = std::sqrt(reach * reach - dy * dy);
            const int from = std::max(0, static_cast<int>(blob.x - half));
            const int to = std::min(size.width - 1, static_cast<int>(blob.x + half));
            for (int x = from; x <= to; ++x) {
                const float dx = x - blob.x;
                const float d = std::sqrt(dx * dx + dy * dy) / blob.radius;
                const float weight = d < 0.8f ? 0.85f : d < 1.2f ? 0.85f * (1.2f - d) / 0.4f : 0.0f;
                for (int c = 0; c < 3; ++c) {
                    float &value = line[static_cast<size_t>(x) * 3 + c];
                    value = value * (1 - weight) + blob.colour[c] * weight;
                }
            }
        }
        unsigned char *row = pixels.data() + static_cast<size_t>(y) * size.width * 3;
        for (int x = 0; x < size.width; ++x) {
            // Sensor grain from a cheap generator: xorshift32.
            state ^= state << 13;
            state ^= state >> 17;
            state ^= state << 5;
            const int noise = static_cast<int>(state % 19) - 9;
            for (int c = 0; c < 3; ++c) {
                const int v = static_cast<int>(line[static_cast<size_t>(x) * 3 + c]) + noise;
                row[x * 3 + c] = static_cast<unsigned char>(v < 0 ? 0 : v > 255 ? 255 : v);
            }
        }
    }
    return pixels;
}

bool writeJpeg(const std::string &path, Size size, const std::vector<unsigned char> &pixels)
{
    FILE *file = std::fopen(path.c_str(), "wb");
    if (!file)
        return false;
    jpeg_compress_struct compress;
    jpeg_error_mgr errors;
    compress.err = jpeg_std_error(&errors);
    jpeg_create_compress(&compress);
    jpeg_stdio_dest(&compress, file);
    compress.image_width = static_cast<JDIMENSION>(size.width);
    compress.image_height = static_cast<JDIMENSION>(size.height);
    compress.input_components = 3;
    compress.in_color_space = JCS_RGB;
    jpeg_set_defaults(&compress);
    jpeg_set_quality(&compress, 88, TRUE);
    jpeg_start_compress(&compress, TRUE);
    while (compress.next_scanline < compress.image_height) {
        JSAMPROW row = const_cast<unsigned char *>(pixels.data())
            + static_cast<size_t>(compress.next_scanline) * static_cast<size_t>(size.width) * 3;
        jpeg_write_scanlines(&compress, &row, 1);
    }
    jpeg_finish_compress(&compress);
    jpeg_destroy_compress(&compress);
    return std::fclose(file) == 0;
}

// djpeg decodes at full size with its default, accurate settings; the output is thrown away.
bool decodeWithDjpeg(const std::string &path)
{
    const char *arguments[] = {"djpeg", "-outfile", "/dev/null", path.c_str(), nullptr};
    pid_t pid = 0;
    if (posix_spawnp(&pid, "djpeg", nullptr, nullptr, const_cast<char *const *>(arguments), environ) != 0)
        return false;
    int status = 0;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}

class SilentObserver : public runs::RunObserver
{
public:
    void progress(const runs::RunProgress &) override { }
    bool stopRequested() override { return false; }
    void handlePendingMessages() override { }
};

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_update FOLDER [FILES [THREADS]]\n");
        return 2;
    }
    const QString folder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath();
    const int fileCount = argc > 2 ? std::atoi(argv[2]) : 1000;
    QDir().mkpath(folder);

    std::vector<std::string> files;
    double megapixels = 0;
    int large = 0;
    const Clock::time_point generating = Clock::now();
    int generated = 0;
    for (int i = 0; i < fileCount; ++i) {
        const Size size = sizeOf(i);
        megapixels += size.width * double(size.height) / 1e6;
        large += size.width == 4000;
        char name[32];
        std::snprintf(name, sizeof name, "/photo-%04d.jpg", i);
        const std::string path = QFile::encodeName(folder).toStdString() + name;
        files.push_back(path);
        struct stat info;
        if (stat(path.c_str(), &info) == 0 && info.st_size > 0)
            continue;
        if (!writeJpeg(path, size, photoLike(i, size))) {
            std::fprintf(stderr, "cannot write %s\n", path.c_str());
            return 1;
        }
        ++generated;
    }
    std::printf("pictures: %d JPEGs (%d of 2 MP, %d of 12 MP), %.0f megapixels", fileCount, fileCount - large, large,
        megapixels);
    if (generated > 0)
        std::printf(", %d generated in %.1f s", generated, secondsSince(generating));
    std::printf("\n");

    // The decode floor, with the files as warm in the page cache as the run will find them.
    const Clock::time_point decoding = Clock::now();
    for (const std::string &path : files) {
        if (!decodeWithDjpeg(path)) {
            std::fprintf(stderr, "djpeg failed on %s\n", path.c_str());
            return 1;
        }
    }
    const double floorSeconds = secondsSince(decoding);
    std::printf("djpeg at full size (decode floor): %.2f s, %.1f files/s (includes starting djpeg once a file)\n",
        floorSeconds, fileCount / floorSeconds);

    // The same run with the pictures read on one thread and on several, each into a database of
    // its own; what they record is the same (the tests say so), only the time differs.
    std::vector<unsigned> threadCounts {1, 2};
    if (argc > 3)
        threadCounts = {static_cast<unsigned>(std::atoi(argv[3]))};
    for (const unsigned threads : threadCounts) {
        QTemporaryDir databaseFolder;
        const QString databaseFile = databaseFolder.filePath(QStringLiteral("Vexaris.db"));
        QFile schema(QStringLiteral(VEXARIS_SCHEMA_FILE));
        if (!schema.open(QIODevice::ReadOnly))
            return 1;
        store::createDatabase(databaseFile, schema.readAll());
        store::Session session;
        try {
            session.ConnectDatabase(databaseFile);
        } catch (const std::exception &e) {
            std::fprintf(stderr, "%s\n", e.what());
            return 1;
        }
        store::AddCollection(session, QStringLiteral("Bench"));
        store::FolderList folders;
        store::LoadCollection(session, QStringLiteral("Bench"), session.CurrentCollection, folders);
        store::AddFolder(session, session.CurrentCollection.ID, folder);

        log::ProcessingLog processingLog;
        SilentObserver observer;
        runs::ThumbnailRun run(session, processingLog, observer, threads);

        const Clock::time_point first = Clock::now();
        const runs::ThumbnailRunSummary summary = run.RunThumbnailUpdate();
        const double firstSeconds = secondsSince(first);
        std::printf("first update run, %u thread%s: %.2f s, %.1f files/s, %.2f x the decode floor (%d pictures read, "
                    "%d problems)\n",
            threads, threads == 1 ? "" : "s", firstSeconds, fileCount / firstSeconds, firstSeconds / floorSeconds,
            summary.picturesRead, summary.problems);

        const Clock::time_point second = Clock::now();
        const runs::ThumbnailRunSummary unchanged = run.RunThumbnailUpdate();
        const double secondSeconds = secondsSince(second);
        std::printf("second, unchanged run: %.3f s, %.1f %% of the first (%d pictures read)\n", secondSeconds,
            100 * secondSeconds / firstSeconds, unchanged.picturesRead);
    }

    // Every worker holds one decode at a time; the peak says what the largest pictures cost.
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    std::printf("peak memory: %.0f MB\n", usage.ru_maxrss / 1024.0);
    return 0;
}
