// Files moved to the Trash per second on the local disk (FILES small files, default 2,000, in a
// temporary folder inside FOLDER, default the current one, whose home Trash is beside them):
// review::Trash's slotFor + put, one synced information file per file; then, to choose a batch
// step by, the same steps with the information files of a batch written first and synced after
// (one by one, or with their file system at once) before their files move.
//
// Usage: bench_trash [FILES] [FOLDER]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <vector>

#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "review/trash.h"

using namespace vexaris;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kBatch = 500;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

QStringList makeFiles(const QString &folder, int count)
{
    QDir().mkpath(folder);
    const QByteArray bytes(2048, 'p');
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        paths << folder + QStringLiteral("/photo%1.jpg").arg(i);
        QFile out(paths.back());
        if (!out.open(QIODevice::WriteOnly) || out.write(bytes) != bytes.size())
            return {};
    }
    ::sync(); // the files themselves are not what is measured
    return paths;
}

// The steps as the review takes them: a slot, then put, file by file.
bool oneByOne(const QStringList &paths)
{
    review::Trash trash;
    QString message;
    for (const QString &path : paths) {
        const review::TrashSlotResult slot = trash.slotFor(path);
        if (slot.slot.isNull() || !trash.put(path, slot.slot, message)) {
            std::fprintf(stderr, "bench_trash: %s%s\n", qPrintable(slot.message), qPrintable(message));
            return false;
        }
    }
    return true;
}

// The alternatives: per batch, every slot and information file first, then the information files
// synced (each with fdatasync, or their whole file system with one syncfs), then the renames.
bool batched(const QStringList &paths, bool wholeFileSystem)
{
    review::Trash trash;
    for (qsizetype first = 0; first < paths.size(); first += kBatch) {
        std::vector<std::pair<QString, review::TrashSlot>> batch;
        std::vector<int> open;
        for (qsizetype i = first; i < std::min(paths.size(), first + kBatch); ++i) {
            const review::TrashSlotResult slot = trash.slotFor(paths[i]);
            if (slot.slot.isNull())
                return false;
            const int fd = ::open(QFile::encodeName(slot.slot.infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL, 0600);
            const QByteArray info
                = "[Trash Info]\nPath=" + review::encodeTrashPath(paths[i]) + "\nDeletionDate=2026-01-01T00:00:00\n";
            if (fd < 0 || ::write(fd, info.constData(), info.size()) != info.size())
                return false;
            batch.emplace_back(paths[i], slot.slot);
            open.push_back(fd);
        }
        if (wholeFileSystem && ::syncfs(open.front()) != 0)
            return false;
        for (const int fd : open) {
            if ((!wholeFileSystem && ::fdatasync(fd) != 0) || ::close(fd) != 0)
                return false;
        }
        for (const auto &[path, slot] : batch) {
            if (::rename(QFile::encodeName(path).constData(), QFile::encodeName(slot.filesPath).constData()) != 0)
                return false;
        }
    }
    return true;
}

bool batchedEach(const QStringList &paths)
{
    return batched(paths, false);
}

bool batchedTogether(const QStringList &paths)
{
    return batched(paths, true);
}

} // namespace

int main(int argc, char *argv[])
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 2000;
    const QString where = argc > 2 ? QFile::decodeName(argv[2]) : QDir::currentPath();
    if (count < 1) {
        std::fprintf(stderr, "Usage: bench_trash [FILES] [FOLDER]   (at least 1 file)\n");
        return 2;
    }
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QTemporaryDir folder(where + QStringLiteral("/trash-bench-XXXXXX"));
    if (!folder.isValid()) {
        std::fprintf(stderr, "bench_trash: no temporary folder in %s\n", qPrintable(where));
        return 1;
    }
    // The home Trash beside the files: one mount, the case of a picture folder in the home folder.
    qputenv("XDG_DATA_HOME", QFile::encodeName(folder.filePath(QStringLiteral("data"))));

    std::printf("%d files of 2 KiB in %s\n", count, qPrintable(folder.path()));
    std::printf("%-52s %10s %10s\n", "", "seconds", "files/s");
    const struct
    {
        const char *name;
        bool (*run)(const QStringList &);
    } ways[] = {{"slotFor + put (one fdatasync per file)", oneByOne},
        {"batches of 500: written, then fdatasync each", batchedEach},
        {"batches of 500: written, then one syncfs", batchedTogether}};
    int round = 0;
    for (const auto &way : ways) {
        const QStringList paths = makeFiles(folder.filePath(QStringLiteral("pictures%1").arg(++round)), count);
        const auto start = Clock::now();
        if (paths.isEmpty() || !way.run(paths)) {
            std::fprintf(stderr, "bench_trash: %s failed\n", way.name);
            return 1;
        }
        const double seconds = secondsSince(start);
        std::printf("%-52s %10.2f %10.0f\n", way.name, seconds, count / seconds);
    }
    return 0;
}
