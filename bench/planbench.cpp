// Plans at scale: a database of 100,000 pictures in 100 folders with PAIRS pairs (default 300,000)
// between pictures at random, with sizes, dimensions, dates, formats and copy markers spread so
// that every criterion has work; then the time it takes to read the pair list and to plan three
// rules over it, with the heap each plan holds and its verdicts. With a second argument the
// database is kept at that path, so that bench/plan.sh can time `vexaris-cli plan` on it.
//
// Usage: bench_plan [PAIRS] [KEEP-DATABASE-AT]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <malloc.h>
#include <random>
#include <time.h>
#include <vector>

#include <QFile>
#include <QTemporaryDir>

#include "review/plan.h"
#include "store/data.h"
#include "store/database.h"
#include "store/session.h"

using namespace vexaris;
using Clock = std::chrono::steady_clock;

namespace {

constexpr int kPictures = 100000;
constexpr int kFolders = 100;
const QString kRoot = QStringLiteral("/bench/photos");

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// The thread's own processor time, which other work on a shared machine does not stretch.
double cpuMilliseconds()
{
    timespec now {};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
    return static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
}

double heapMegabytes()
{
    const struct mallinfo2 info = mallinfo2();
    return static_cast<double>(info.uordblks + info.hblkhd) / 1e6;
}

// Folders never touched on disk: a plan reads only the rows.
void fillDatabase(store::Session &session, int pairs)
{
    store::AddCollection(session, QStringLiteral("Bench"));
    store::FolderList folders;
    store::LoadCollection(session, QStringLiteral("Bench"), session.CurrentCollection, folders);
    const int collection = session.CurrentCollection.ID;
    std::vector<int> folderIds;
    for (int f = 0; f < kFolders; ++f)
        folderIds.push_back(store::AddFolder(session, collection, kRoot + QStringLiteral("/folder%1").arg(f)));

    store::Database &database = session.DatabaseConnection;
    store::Transaction transaction(database);
    store::Statement picture(database,
        QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, "
                       "Height, ColorRank, DerivativeRank, Old) VALUES (?, ?, ?, ?, ?, ?, ?, ?, 0, 0, 1)"));
    std::mt19937 random(20261210);
    const std::vector<std::pair<int, int>> dimensions {
        {4000, 3000}, {3000, 4000}, {1600, 1200}, {1024, 768}, {4032, 3024}, {800, 600}};
    const QStringList extensions {
        QStringLiteral("jpg"), QStringLiteral("png"), QStringLiteral("heic"), QStringLiteral("gif")};
    const QStringList markers {QString(), QString(), QString(), QStringLiteral(" (1)"), QStringLiteral(" copy")};
    std::vector<qint64> ids;
    for (int i = 0; i < kPictures; ++i) {
        const auto &[width, height] = dimensions[random() % dimensions.size()];
        const QString name
            = QStringLiteral("IMG_%1%2.%3")
                  .arg(i, 6, 10, QLatin1Char('0'))
                  .arg(markers[static_cast<qsizetype>(random() % 5)], extensions[static_cast<qsizetype>(random() % 4)]);
        const qint64 size = 500000 + static_cast<qint64>(random() % 4500000);
        const double modified = 43000 + static_cast<double>(random() % 2000000) / 1000;
        picture.reset();
        picture.bindAll(
            {collection, folderIds[static_cast<size_t>(i % kFolders)], name, size, modified, modified, width, height});
        picture.run();
        ids.push_back(database.lastInsertId());
    }
    store::Statement pair(database,
        QStringLiteral("INSERT INTO Duplicate (Left_ID, Right_ID, Collection_ID, Difference) VALUES (?, ?, ?, ?)"));
    std::uniform_int_distribution<int> anyPicture(0, kPictures - 1);
    std::uniform_int_distribution<int> difference(0, 40);
    for (int n = 0; n < pairs; ++n) {
        const int left = anyPicture(random);
        int right = anyPicture(random);
        while (right == left)
            right = anyPicture(random);
        pair.reset();
        pair.bindAll({ids[static_cast<size_t>(left)], ids[static_cast<size_t>(right)], collection, difference(random)});
        pair.run();
    }
    transaction.commit();
}

void planOnce(const char *name, const review::PairList &list, const review::Rule &rule)
{
    const double heapBefore = heapMegabytes();
    const auto start = Clock::now();
    const double cpuStart = cpuMilliseconds();
    const review::Plan plan = review::makePlan(list, rule);
    const double ms = millisecondsSince(start);
    const double cpu = cpuMilliseconds() - cpuStart;
    std::printf("%-44s %6.0f ms (%.0f ms of processor), %4.0f MB of heap; %zu in scope: act %lld, undecided %lld, "
                "guarded %lld, "
                "covered %lld, conflict %lld; %lld files, %.1f GB to the Trash\n",
        name, ms, cpu, heapMegabytes() - heapBefore, plan.pairs.size(),
        static_cast<long long>(plan.summary.count(review::Verdict::Act)),
        static_cast<long long>(plan.summary.count(review::Verdict::Undecided)),
        static_cast<long long>(plan.summary.count(review::Verdict::Guarded)),
        static_cast<long long>(plan.summary.count(review::Verdict::Covered)),
        static_cast<long long>(plan.summary.count(review::Verdict::Conflict)),
        static_cast<long long>(plan.summary.files), static_cast<double>(plan.summary.bytes) / 1e9);
}

} // namespace

int main(int argc, char **argv)
{
    const int pairs = argc > 1 ? std::atoi(argv[1]) : 300000;
    QTemporaryDir scratch;
    const QString databaseFile = argc > 2 ? QString::fromLocal8Bit(argv[2]) : scratch.filePath(QStringLiteral("b.db"));
    QFile::remove(databaseFile);
    QFile schema(QStringLiteral(VEXARIS_SCHEMA_FILE));
    schema.open(QIODevice::ReadOnly);
    store::createDatabase(databaseFile, schema.readAll());

    store::Session session;
    session.ConnectDatabase(databaseFile);
    auto start = Clock::now();
    fillDatabase(session, pairs);
    std::printf(
        "database of %d pictures and %d pairs made in %.1f s\n", kPictures, pairs, millisecondsSince(start) / 1000);

    review::PairList list;
    start = Clock::now();
    const double cpuStart = cpuMilliseconds();
    list.read(session, session.CurrentCollection.ID);
    std::printf("%-44s %6.0f ms (%.0f ms of processor)\n", "read the pair list", millisecondsSince(start),
        cpuMilliseconds() - cpuStart);

    review::Rule everyPair;
    everyPair.keeperOrder = review::parseKeeperOrder(QStringLiteral("pixels:5%,bytes,older"));
    everyPair.keepFolders << kRoot + QStringLiteral("/folder0");
    everyPair.pruneFolders << kRoot + QStringLiteral("/folder99");
    planOnce("plan pixels:5%,bytes,older, keep and prune", list, everyPair);

    review::Rule mixed;
    mixed.keeperOrder = review::parseKeeperOrder(QStringLiteral("format=heic>png>jpg,plain-name,newer:1d,pixels:10%"));
    mixed.guard = false;
    planOnce("plan format,plain-name,newer:1d,pixels:10%", list, mixed);

    review::Rule notAMatch;
    notAMatch.action = review::RuleAction::NotAMatch;
    notAMatch.scope.minDifference = 20;
    notAMatch.scope.relation = review::FolderRelation::Different;
    planOnce("plan not a match, >= 20, different folders", list, notAMatch);
    return 0;
}
