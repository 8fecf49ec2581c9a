// The review core at scale: a database of 100,000 pictures with PAIRS pairs (default 300,000),
// then the time and the heap it takes to open the pair list, to step to the next pair, and to
// make one resolution (Not a match, and a real file to a Trash of the bench's own) up to the
// next pair being ready to show. With a second argument the database is kept at that path, so
// that bench/review.sh can time `vexaris-cli pairs` on it.
//
// Usage: bench_review [PAIRS] [KEEP-DATABASE-AT]
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <random>
#include <vector>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "review/pairreview.h"
#include "store/data.h"
#include "store/database.h"
#include "store/datetime.h"
#include "store/session.h"

using namespace vexaris;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPictures = 100000;
constexpr int kFolders = 100;
// Pictures with a real file behind them, so that a Trash resolution passes its checks.
constexpr int kRealFiles = 400;
constexpr double kModified = 45000.5;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

double heapMegabytes()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / 1e6;
}

class NoSteps final : public review::ResolutionSteps
{
public:
    class Silent final : public review::FileOperationProgress
    {
    public:
        void advanced(qint64, qint64) override { }
    };
    review::FileOperationProgress &started(Step) override { return m_progress; }
    void finished() override { }

private:
    Silent m_progress;
};

// Pictures 0..kRealFiles-1 have files of their own; the first pairs of the list are made of
// them (Difference 0), the rest of every picture at random (Differences 1 to 30).
void fillDatabase(store::Session &session, const QString &pictureFolder, int pairs)
{
    store::AddCollection(session, QStringLiteral("Bench"));
    store::FolderList folders;
    store::LoadCollection(session, QStringLiteral("Bench"), session.CurrentCollection, folders);
    const int collection = session.CurrentCollection.ID;
    std::vector<int> folderIds;
    for (int f = 0; f < kFolders; ++f) {
        const QString path = pictureFolder + QStringLiteral("/folder%1").arg(f);
        QDir().mkpath(path);
        folderIds.push_back(store::AddFolder(session, collection, path));
    }
    store::Database &database = session.DatabaseConnection;
    store::Transaction transaction(database);
    store::Statement picture(database,
        QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, "
                       "Height, ColorRank, DerivativeRank, Old) VALUES (?, ?, ?, ?, ?, ?, 4000, 3000, 0, 0, 1)"));
    std::vector<qint64> ids;
    for (int i = 0; i < kPictures; ++i) {
        const int folder = i % kFolders;
        const QString name = QStringLiteral("IMG_%1.jpg").arg(i, 6, 10, QLatin1Char('0'));
        int size = 2000000 + (i * 7919) % 1000000;
        if (i < kRealFiles) {
            size = 1000 + i;
            const QString file = pictureFolder + QStringLiteral("/folder%1/").arg(folder) + name;
            QFile out(file);
            out.open(QIODevice::WriteOnly);
            out.write(QByteArray(size, 'x'));
            out.flush();
            out.setFileTime(store::fromDays(kModified), QFileDevice::FileModificationTime);
        }
        picture.reset();
        picture.bindAll({collection, folderIds[static_cast<size_t>(folder)], name, size, kModified, kModified});
        picture.run();
        ids.push_back(database.lastInsertId());
    }
    store::Statement pair(database,
        QStringLiteral("INSERT INTO Duplicate (Left_ID, Right_ID, Collection_ID, Difference) VALUES (?, ?, ?, ?)"));
    std::mt19937 random(20261209);
    std::uniform_int_distribution<int> anyPicture(0, kPictures - 1);
    std::uniform_int_distribution<int> difference(1, 30);
    for (int n = 0; n < pairs; ++n) {
        int left = 0;
        int right = 0;
        int measured = 0;
        if (n < kRealFiles / 2) {
            left = 2 * n;
            right = 2 * n + 1;
        } else {
            left = anyPicture(random);
            do
                right = anyPicture(random);
            while (right == left);
            measured = difference(random);
        }
        pair.reset();
        pair.bindAll({ids[static_cast<size_t>(left)], ids[static_cast<size_t>(right)], collection, measured});
        pair.run();
    }
    transaction.commit();
}

struct Figures
{
    std::vector<double> samples;
    void add(double ms) { samples.push_back(ms); }
    double median()
    {
        std::sort(samples.begin(), samples.end());
        return samples.empty() ? 0 : samples[samples.size() / 2];
    }
    double worst() const { return samples.empty() ? 0 : *std::max_element(samples.begin(), samples.end()); }
};

} // namespace

int main(int argc, char **argv)
{
    const int pairs = argc > 1 ? std::atoi(argv[1]) : 300000;
    QTemporaryDir scratch;
    const QString databaseFile = argc > 2 ? QString::fromLocal8Bit(argv[2]) : scratch.filePath(QStringLiteral("b.db"));
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("data"))));
    QFile::remove(databaseFile);
    QFile schema(QStringLiteral(VEXARIS_SCHEMA_FILE));
    schema.open(QIODevice::ReadOnly);
    store::createDatabase(databaseFile, schema.readAll());

    store::Session session;
    session.ConnectDatabase(databaseFile);
    auto start = Clock::now();
    fillDatabase(session, scratch.filePath(QStringLiteral("pictures")), pairs);
    std::printf(
        "database of %d pictures and %d pairs made in %.1f s\n", kPictures, pairs, millisecondsSince(start) / 1000);

    review::QtFileOperation files;
    review::PairReview review(session, files);
    const double heapBefore = heapMegabytes();
    start = Clock::now();
    review.open();
    const double openMs = millisecondsSince(start);
    std::printf("open the list: %.0f ms, %.0f MB of heap (%.0f bytes a pair)\n", openMs, heapMegabytes() - heapBefore,
        (heapMegabytes() - heapBefore) * 1e6 / pairs);

    // Steps through the list from its middle: the program's own time for the next pair to show.
    review.moveTo(review.count() / 2);
    Figures steps;
    for (int i = 0; i < 2000; ++i) {
        start = Clock::now();
        review.next();
        steps.add(millisecondsSince(start));
    }
    std::printf("one step to the next pair: median %.3f ms, worst %.3f ms\n", steps.median(), steps.worst());

    NoSteps quiet;
    Figures notAMatch;
    Figures trash;
    for (int i = 0; i < 10; ++i) {
        review.moveTo(1 + 4 * i);
        start = Clock::now();
        review.resolve(review.current().id, store::ResolutionAction::NotAMatch, quiet);
        notAMatch.add(millisecondsSince(start));
    }
    for (int i = 0; i < 10; ++i) {
        review.moveTo(1 + 2 * i);
        start = Clock::now();
        const review::ResolutionResult result
            = review.resolve(review.current().id, store::ResolutionAction::DeleteRight, quiet);
        trash.add(millisecondsSince(start));
        if (result.outcome != review::ResolutionOutcome::Done)
            std::printf("  a Trash resolution failed: %s\n", qPrintable(result.message));
    }
    std::printf("one resolution up to the next pair ready: Not a match median %.1f ms (worst %.1f), Trash median "
                "%.1f ms (worst %.1f)\n",
        notAMatch.median(), notAMatch.worst(), trash.median(), trash.worst());
    return 0;
}
