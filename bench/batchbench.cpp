// A batch of Trash steps on the local disk and its undo, in steps per second: STEPS pairs of real
// small files (default 10,000), the smaller file of each pair given up, then the whole batch undone.
// The files lie in the build folder's file system, not in a memory one, so that every sync is real.
//
// Usage: bench_batch [STEPS] [FOLDER]
#include <chrono>
#include <cstdio>
#include <cstdlib>

#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include "review/batch.h"
#include "review/pairlist.h"
#include "store/data.h"
#include "store/database.h"
#include "store/datetime.h"
#include "store/session.h"

using namespace vexaris;
using Clock = std::chrono::steady_clock;

namespace {

constexpr double kModified = 45000.5;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

class Quiet final : public review::BatchObserver
{
public:
    void progress(const review::BatchProgress &) override { }
    bool stopRequested() override { return false; }
};

void fill(store::Session &session, const QString &pictures, int pairs)
{
    store::AddCollection(session, QStringLiteral("Bench"));
    store::FolderList folders;
    store::LoadCollection(session, QStringLiteral("Bench"), session.CurrentCollection, folders);
    const int collection = session.CurrentCollection.ID;
    store::Database &database = session.DatabaseConnection;
    std::vector<int> folderIds;
    for (int f = 0; f < 20; ++f) {
        const QString path = pictures + QStringLiteral("/folder%1").arg(f);
        QDir().mkpath(path);
        folderIds.push_back(store::AddFolder(session, collection, path));
    }
    store::Transaction transaction(database);
    store::Statement picture(database,
        QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, Width, "
                       "Height) VALUES (?, ?, ?, ?, ?, ?, 640, 480)"));
    store::Statement pair(database,
        QStringLiteral("INSERT INTO Duplicate (Left_ID, Right_ID, Collection_ID, Difference) VALUES (?, ?, ?, 0)"));
    for (int n = 0; n < pairs; ++n) {
        qint64 ids[2] = {};
        for (int side = 0; side < 2; ++side) {
            const int folder = (2 * n + side) % 20;
            const QString name = QStringLiteral("IMG_%1_%2.jpg").arg(n).arg(side);
            const int size = 4096 - side;
            QFile file(pictures + QStringLiteral("/folder%1/").arg(folder) + name);
            file.open(QIODevice::WriteOnly);
            file.write(QByteArray(size, 'x'));
            file.flush();
            file.setFileTime(store::fromDays(kModified), QFileDevice::FileModificationTime);
            picture.reset();
            picture.bindAll({collection, folderIds[static_cast<size_t>(folder)], name, size, kModified, kModified});
            picture.run();
            ids[side] = database.lastInsertId();
        }
        pair.reset();
        pair.bindAll({ids[0], ids[1], collection});
        pair.run();
    }
    transaction.commit();
}

} // namespace

int main(int argc, char **argv)
{
    const int steps = argc > 1 ? std::atoi(argv[1]) : 10000;
    QTemporaryDir scratch(argc > 2 ? QString::fromLocal8Bit(argv[2]) + QStringLiteral("/bench-batch-XXXXXX")
                                   : QDir::currentPath() + QStringLiteral("/bench-batch-XXXXXX"));
    QDir().mkpath(scratch.filePath(QStringLiteral("data")));
    qputenv("XDG_DATA_HOME", QFile::encodeName(scratch.filePath(QStringLiteral("data"))));
    const QString databaseFile = scratch.filePath(QStringLiteral("b.db"));
    QFile schema(QStringLiteral(VEXARIS_SCHEMA_FILE));
    schema.open(QIODevice::ReadOnly);
    store::createDatabase(databaseFile, schema.readAll());
    store::Session session;
    session.ConnectDatabase(databaseFile);
    fill(session, scratch.filePath(QStringLiteral("pictures")), steps);

    review::PairList list;
    list.read(session, session.CurrentCollection.ID);
    std::vector<review::BatchStep> batch;
    for (int position = 1; position <= list.count(); ++position)
        batch.push_back({list.rowAt(position), review::ResolutionAction::DeleteRight});
    review::QtFileOperation files;
    Quiet quiet;
    auto start = Clock::now();
    const review::BatchResult applied
        = review::applyBatch(session, files, session.CurrentCollection.ID, batch, {}, quiet);
    const double applySeconds = secondsSince(start);
    std::printf("apply %d Trash steps: %.2f s, %.0f steps/s (%d settled, %zu skipped; goal >= 300/s)\n", steps,
        applySeconds, applied.settled / applySeconds, applied.settled, applied.skipped.size());
    start = Clock::now();
    const review::BatchUndoResult undone = review::UndoBatch(session, files, applied.batchId);
    const double undoSeconds = secondsSince(start);
    std::printf("undo the batch: %.2f s, %.0f steps/s (%d restored, %zu refused; goal >= 300/s)\n", undoSeconds,
        undone.restored / undoSeconds, undone.restored, undone.refused.size());
    return 0;
}
