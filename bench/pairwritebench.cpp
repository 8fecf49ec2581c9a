// Pairs recorded per second by the scan run on a collection where every pair matches (PICTURES
// copies of one photo, default 600, so PICTURES·(PICTURES−1)/2 pairs), in the two ways of
// committing them: each pair row in its own commit, as the run once did, replayed here with the
// run's own statements; and the run itself, which commits the pairs of a left picture together
// with its resume point.
//
// Usage: bench_pairwrite [PICTURES]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <QFile>
#include <QTemporaryDir>

#include "common/error.h"
#include "log/processinglog.h"
#include "runs/duplicatescan.h"
#include "store/data.h"
#include "store/database.h"
#include "store/session.h"

using namespace vexaris;
using Clock = std::chrono::steady_clock;

namespace {

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

void forgetScans(store::Database &database)
{
    database.Execute(QStringLiteral("UPDATE Collection SET Scanned = 0, LastLeft_ID = NULL, ScanProgress = 0"));
    database.Execute(QStringLiteral("DELETE FROM Duplicate"));
    database.Execute(QStringLiteral("UPDATE Picture SET Old = 0"));
}

// Every pair in a commit of its own, then the resume point, for each left picture.
double pairByPairSeconds(store::Database &database, int collection, const std::vector<int> &ids)
{
    store::Statement addPair(database,
        QStringLiteral("INSERT INTO Duplicate (Left_ID, Right_ID, Collection_ID, Difference) VALUES (?, ?, ?, ?)"));
    store::Statement save(
        database, QStringLiteral("UPDATE Collection SET LastLeft_ID = ?, ScanProgress = ? WHERE ID = ?"));
    const auto start = Clock::now();
    for (size_t a = 0; a < ids.size(); ++a) {
        for (size_t b = a + 1; b < ids.size(); ++b) {
            addPair.reset();
            addPair.bindAll({ids[b], ids[a], collection, 0});
            addPair.run();
        }
        save.reset();
        save.bindAll({ids[a], static_cast<int>(a), collection});
        save.run();
    }
    return secondsSince(start);
}

} // namespace

int main(int argc, char *argv[])
{
    const int count = argc > 1 ? std::atoi(argv[1]) : 600;
    if (count < 2) {
        std::fprintf(stderr, "Usage: bench_pairwrite [PICTURES]   (at least 2)\n");
        return 2;
    }
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
        database.Execute(QStringLiteral("INSERT INTO Collection (Name) VALUES ('Burst')"));
        const int collection = static_cast<int>(database.lastInsertId());
        database.Execute(QStringLiteral("INSERT INTO Folder (CollectionID, Path) VALUES (?, '/burst')"), {collection});
        const int folderId = static_cast<int>(database.lastInsertId());

        std::vector<int> ids;
        database.Execute(QStringLiteral("BEGIN"));
        store::Statement insert(database,
            QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, "
                           "Height, Thumbnail, Derivative, ColorRank, DerivativeRank, Old) "
                           "VALUES (?, ?, ?, 5000, 40000, 40000, 640, 480, ?, ?, 1000, 100, 0)"));
        const store::Value thumbnail = store::Value::fromBlob(QByteArray(3072, '\x40'));
        const store::Value derivative = store::Value::fromBlob(QByteArray(1024, '\x10'));
        for (int i = 0; i < count; ++i) {
            insert.reset();
            insert.bindAll({collection, folderId, QStringLiteral("copy%1.jpg").arg(i), thumbnail, derivative});
            insert.run();
            ids.push_back(static_cast<int>(database.lastInsertId()));
        }
        database.Execute(QStringLiteral("COMMIT"));
        const long long pairs = static_cast<long long>(count) * (count - 1) / 2;

        forgetScans(database);
        const double before = pairByPairSeconds(database, collection, ids);

        forgetScans(database);
        QuietObserver observer;
        log::ProcessingLog processingLog;
        runs::ScanParameters parameters;
        parameters.collectionName = QStringLiteral("Burst");
        parameters.method = 1;
        parameters.threshold = 10;
        const auto start = Clock::now();
        const runs::ScanSummary summary = runs::DuplicateScan(session, processingLog, observer).run(parameters);
        const double after = secondsSince(start);
        if (summary.pairsWritten != pairs)
            throw Error("the run did not record every pair");

        std::printf("%d pictures, %lld pairs, all matching\n", count, pairs);
        std::printf("%-40s %10s %14s\n", "", "seconds", "pairs/s");
        std::printf("%-40s %10.2f %14.0f\n", "each pair in its own commit", before, pairs / before);
        std::printf("%-40s %10.2f %14.0f\n", "a left picture's pairs in one commit", after, pairs / after);
        std::printf("speed-up: %.1f x\n", before / after);
    } catch (const std::exception &e) {
        std::fprintf(stderr, "bench_pairwrite: %s\n", e.what());
        return 1;
    }
    return 0;
}
