#include "runs/duplicatescan.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <optional>
#include <thread>

#include <QHash>
#include <QScopeGuard>
#include <QSet>

#include "common/error.h"
#include "i18n/qtranslate.h"
#include "i18n/translate.h"
#include "log/processinglog.h"
#include "store/data.h"
#include "store/database.h"
#include "store/journal.h"
#include "store/pictures.h"

namespace vexaris::runs {

using imaging::ComparisonMethod;

namespace {

// Methods 1, 3 and 5 reject every pair whose ColorRank distance exceeds ColorLimit; the array is
// in ascending ColorRank order, so once one b is that far, every later b is too.
bool stopsAtColorLimit(ComparisonMethod method)
{
    return method == ComparisonMethod::ColorImage || method == ComparisonMethod::ColorAndEdges
        || method == ComparisonMethod::AveragedColors;
}

quint64 pairKey(int32_t first, int32_t second)
{
    const auto low = static_cast<quint32>(std::min(first, second));
    const auto high = static_cast<quint32>(std::max(first, second));
    return (quint64 {high} << 32) | low;
}

} // namespace

int64_t ScanPairsOneByOne(std::span<const ScanPicture> pictures, size_t start, ComparisonMethod method,
    const imaging::DifferenceLimits &limits, bool skipOldPairs, const MatchSink &onMatch, const LeftFinished &afterLeft)
{
    const bool rankBound = stopsAtColorLimit(method);
    const size_t count = pictures.size();
    int64_t tested = 0;
    for (size_t a = start; a < count; ++a) {
        const ScanPicture &left = pictures[a];
        const int64_t leftRank = left.view.Signature.ColorRank;
        const bool skipOldRight = skipOldPairs && left.old;
        for (size_t b = a + 1; b < count; ++b) {
            const ScanPicture &right = pictures[b];
            if (!(skipOldRight && right.old)) {
                ++tested;
                int32_t difference = 0;
                if (imaging::ComparePair(left.view, right.view, method, limits, difference))
                    onMatch(a, b, difference);
            }
            if (rankBound && right.view.Signature.ColorRank - leftRank > limits.ColorLimit)
                break;
        }
        if (!afterLeft(a))
            break;
    }
    return tested;
}

unsigned defaultThreadCount()
{
    return std::max(1u, std::thread::hardware_concurrency());
}

namespace {

// Left pictures per unit of work: enough pairs that a thread's share is worth handing over, few
// enough that the last picture of a block is soon recorded and a stop takes effect quickly.
constexpr size_t kLeftBlock = 32;
// Blocks a thread may finish ahead of the ones recorded: bounds the matches held in memory.
constexpr size_t kBlocksAhead = 8;

struct BlockResult
{
    std::vector<imaging::PairMatch> matches;
    std::vector<int64_t> tested;
    bool done = false;
};

// Hands a finished block's matches and counts to the callbacks, left picture by left picture;
// false when afterLeft said stop.
bool deliver(const BlockResult &block, size_t leftBegin, size_t leftEnd, const MatchSink &onMatch,
    const LeftFinished &afterLeft, int64_t &tested)
{
    size_t next = 0;
    for (size_t a = leftBegin; a < leftEnd; ++a) {
        for (; next < block.matches.size() && block.matches[next].a == a; ++next)
            onMatch(a, block.matches[next].b, block.matches[next].difference);
        tested += block.tested[a - leftBegin];
        if (!afterLeft(a))
            return false;
    }
    return true;
}

} // namespace

int64_t ScanPairs(std::span<const ScanPicture> pictures, size_t start, ComparisonMethod method,
    const imaging::DifferenceLimits &limits, bool skipOldPairs, const MatchSink &onMatch, const LeftFinished &afterLeft,
    unsigned threads)
{
    const size_t count = pictures.size();
    if (start >= count)
        return 0;
    const imaging::PairScanner scanner(pictures, method, limits, skipOldPairs);
    const size_t blocks = (count - start + kLeftBlock - 1) / kLeftBlock;
    const auto leftsOf = [&](size_t block) {
        const size_t begin = start + block * kLeftBlock;
        return std::make_pair(begin, std::min(begin + kLeftBlock, count));
    };
    const auto compute = [&](size_t block, BlockResult &result) {
        const auto [begin, end] = leftsOf(block);
        result.tested.assign(end - begin, 0);
        scanner.scanLefts(begin, end, result.matches, result.tested);
    };

    int64_t tested = 0;
    if (threads <= 1) {
        for (size_t block = 0; block < blocks; ++block) {
            BlockResult result;
            compute(block, result);
            const auto [begin, end] = leftsOf(block);
            if (!deliver(result, begin, end, onMatch, afterLeft, tested))
                break;
        }
        return tested;
    }

    // The workers take the blocks in order and may run a few ahead of the calling thread, which
    // records them in order; a stop there lets the workers finish the block in hand and quit.
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<BlockResult> results(blocks);
    size_t nextBlock = 0;
    size_t delivered = 0;
    bool quit = false;
    std::exception_ptr failure;
    const auto work = [&] {
        for (;;) {
            size_t block = 0;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return quit || nextBlock >= blocks || nextBlock < delivered + kBlocksAhead; });
                if (quit || nextBlock >= blocks)
                    return;
                block = nextBlock++;
            }
            BlockResult result;
            try {
                compute(block, result);
            } catch (...) {
                std::lock_guard lock(mutex);
                if (!failure)
                    failure = std::current_exception();
                quit = true;
                changed.notify_all();
                return;
            }
            std::lock_guard lock(mutex);
            results[block] = std::move(result);
            results[block].done = true;
            changed.notify_all();
        }
    };
    std::vector<std::thread> workers;
    workers.reserve(threads);
    for (unsigned k = 0; k < threads; ++k)
        workers.emplace_back(work);
    const auto stopWorkers = [&] {
        {
            std::lock_guard lock(mutex);
            quit = true;
        }
        changed.notify_all();
        for (std::thread &worker : workers)
            worker.join();
    };

    try {
        for (size_t block = 0; block < blocks; ++block) {
            BlockResult result;
            {
                std::unique_lock lock(mutex);
                changed.wait(lock, [&] { return results[block].done || failure; });
                if (failure)
                    std::rethrow_exception(failure);
                result = std::move(results[block]);
            }
            const auto [begin, end] = leftsOf(block);
            const bool goOn = deliver(result, begin, end, onMatch, afterLeft, tested);
            {
                std::lock_guard lock(mutex);
                delivered = block + 1;
            }
            changed.notify_all();
            if (!goOn)
                break;
        }
    } catch (...) {
        stopWorkers();
        throw;
    }
    stopWorkers();
    return tested;
}

std::vector<ScanPicture> ScanPicturesOf(const store::TPictureArray &pictures)
{
    std::vector<ScanPicture> scan(pictures.size());
    for (size_t k = 0; k < pictures.size(); ++k) {
        const store::TPictureRec &record = pictures[k];
        imaging::PictureView &view = scan[k].view;
        view.ID = record.ID;
        view.FileName = std::u16string_view(
            reinterpret_cast<const char16_t *>(record.FileName.utf16()), static_cast<size_t>(record.FileName.size()));
        view.Size = record.Size;
        view.Created = record.Created;
        view.Modified = record.Modified;
        view.Signature.Thumbnail = pictures.thumbnail(k);
        view.Signature.Derivative = pictures.derivative(k);
        view.Signature.ColorRank = record.ColorRank;
        view.Signature.DerivativeRank = record.DerivativeRank;
        view.Signature.AverageColors = record.AverageColors.data();
        scan[k].old = record.Old;
    }
    return scan;
}

DuplicateScan::DuplicateScan(store::Session &session, log::ProcessingLog &log, RunObserver &observer)
    : m_session(session)
    , m_log(log)
    , m_observer(observer)
{
}

namespace {

// Makes the named collection current; a name that no collection has is an error here, since
// running on no collection would write nothing useful and report success.
void loadCollection(store::Session &session, const QString &name, store::FolderList &folders)
{
    if (!store::LoadCollection(session, name, session.CurrentCollection, folders))
        throw Error(formatText(_("There is no collection named %s"), {name.toStdString()}));
}

void checkFolders(store::Session &session, const QList<int> &checked, const store::FolderList &folders)
{
    for (const int id : checked) {
        const auto &entries = folders.entries();
        const bool known = std::any_of(entries.begin(), entries.end(), [id](const auto &e) { return e.id == id; });
        if (!known)
            throw Error(formatText(_("The folder with ID %d is not part of the collection %s"),
                {std::to_string(id), session.CurrentCollection.Name.toStdString()}));
    }
}

// Forgets the collection's pairs so that every pair is compared again. The Old flags go too: a
// full run that ends early leaves a resume point, and the run that resumes it skips pairs of two
// Old pictures, so with the flags kept it would never test the pairs the full run had not reached.
// All in one transaction: with the pairs gone but the flags kept, the next run would test no pair
// and mark the collection scanned with none.
void startFullRun(store::Session &session)
{
    store::Transaction transaction(session.DatabaseConnection);
    store::ResetScanState(session, true);
    session.DatabaseConnection.Execute(
        QStringLiteral("UPDATE Picture SET Old = FALSE WHERE CollectionID = ?"), {session.CurrentCollection.ID});
    transaction.commit();
}

// A picture whose stored signature cannot be read stays out of this scan, with a line in the log,
// and its Modified goes, so that the next update takes its file for changed and reads it again.
// Its row and its pairs stay: the file itself may be fine.
void setAside(store::Session &session, log::ProcessingLog &log, const std::vector<store::DamagedPicture> &damaged,
    const store::FolderList &folders)
{
    if (damaged.empty())
        return;
    QHash<int, QString> folderPaths;
    for (const store::FolderEntry &entry : folders.entries())
        folderPaths.insert(entry.id, entry.path);
    store::Transaction transaction(session.DatabaseConnection);
    for (const store::DamagedPicture &picture : damaged) {
        QString folder = folderPaths.value(picture.FolderID);
        if (!folder.isEmpty() && !folder.endsWith(QLatin1Char('/')))
            folder += QLatin1Char('/');
        log.append(qtrFormat(N_("The picture %s is left out of the scan: %s. The next update reads the file again."),
            {folder + picture.FileName, picture.reason}));
        session.DatabaseConnection.Execute(
            QStringLiteral("UPDATE Picture SET Modified = NULL WHERE ID = ?"), {picture.ID});
    }
    transaction.commit();
}

// A full run compares every pair anyway; otherwise a collection scanned before decides.
ScanPlan planFor(const store::TCollectionRec &collection, const ScanParameters &parameters)
{
    if (parameters.fullRun || !collection.Scanned)
        return ScanPlan::Ready;
    if (collection.LastMethod == parameters.method && collection.LastTolerance == parameters.threshold)
        return ScanPlan::Unchanged;
    return ScanPlan::NeedsConfirmation;
}

// One number per folder, equal for the folder rows that name one folder (a folder added twice, or
// through a link), so that a file listed under both is known as one file.
QHash<int, int> folderIdentities(const store::FolderList &folders)
{
    QHash<QString, int> numbers;
    QHash<int, int> identities;
    for (const store::FolderEntry &entry : folders.entries()) {
        const QString identity = store::FolderIdentity(entry.path);
        const auto found = numbers.constFind(identity);
        const int number = found == numbers.constEnd() ? static_cast<int>(numbers.size()) : *found;
        numbers.insert(identity, number);
        identities.insert(entry.id, number);
    }
    return identities;
}

QSet<quint64> recordedPairs(store::Database &database, int32_t collectionId)
{
    QSet<quint64> pairs;
    store::Statement query(database, QStringLiteral("SELECT Left_ID, Right_ID FROM Duplicate WHERE Collection_ID = ?"));
    query.bind(0, collectionId);
    while (query.step())
        pairs.insert(pairKey(query.column(0).toInt(), query.column(1).toInt()));
    return pairs;
}

// The writes of each left picture (its pairs and its resume point) go into one transaction with
// those of the left pictures before it, committed every few dozen pictures or a few times a
// second: a commit rewrites every page it changed, and one commit per picture made recording
// the pairs the slowest part of a scan. Each left picture has a savepoint of its own, so an error
// in the middle of one undoes it alone and keeps those finished before it, as if each had been
// committed; only a crash loses the open batch, and the resumed run does it again.
class LeftPictureWrites
{
public:
    explicit LeftPictureWrites(store::Database &database)
        : m_database(database)
    {
    }

    void beginLeft()
    {
        if (m_inLeft)
            return;
        if (!m_batch) {
            m_batch.emplace(m_database);
            m_started = std::chrono::steady_clock::now();
            m_lefts = 0;
        }
        m_database.Execute(QStringLiteral("SAVEPOINT LeftPicture"));
        m_inLeft = true;
    }

    void endLeft()
    {
        m_database.Execute(QStringLiteral("RELEASE LeftPicture"));
        m_inLeft = false;
        ++m_lefts;
        if (m_lefts >= kLeftsPerCommit || std::chrono::steady_clock::now() - m_started >= kCommitInterval)
            commit();
    }

    void commit()
    {
        if (m_batch) {
            m_batch->commit();
            m_batch.reset();
        }
    }

    // After an error: the left picture in progress is undone, the finished ones are kept. When
    // even that fails (the disk is full, say), the transaction goes back as a whole.
    void abandonLeft() noexcept
    {
        try {
            if (m_inLeft) {
                m_inLeft = false;
                m_database.Execute(QStringLiteral("ROLLBACK TO LeftPicture"));
                m_database.Execute(QStringLiteral("RELEASE LeftPicture"));
            }
            commit();
        } catch (const std::exception &) {
            m_batch.reset();
        }
    }

private:
    static constexpr int kLeftsPerCommit = 64;
    static constexpr std::chrono::milliseconds kCommitInterval {250};

    store::Database &m_database;
    std::optional<store::Transaction> m_batch;
    std::chrono::steady_clock::time_point m_started;
    int m_lefts = 0;
    bool m_inLeft = false;
};

} // namespace

void DuplicateScan::lockCollection(const ScanParameters &parameters, store::FolderList &folders)
{
    // The collection is read again once the lock is ours: another run may have changed it until
    // then, or even given its name to another collection.
    for (;;) {
        loadCollection(m_session, parameters.collectionName, folders);
        const int32_t id = m_session.CurrentCollection.ID;
        if (m_runLock && m_runLock->collectionId() == id)
            break;
        m_runLock.reset();
        m_runLock.emplace(m_session.DatabaseConnection, id, m_session.CurrentCollection.Name);
    }
    checkFolders(m_session, parameters.checkedFolderIds, folders);
}

ScanPlan DuplicateScan::plan(const ScanParameters &parameters)
{
    imaging::ComparisonMethodFromInt(parameters.method);
    imaging::ComputeLimits(parameters.threshold);
    try {
        store::FolderList folders;
        lockCollection(parameters, folders);
        return planFor(m_session.CurrentCollection, parameters);
    } catch (...) {
        m_runLock.reset();
        throw;
    }
}

ScanSummary DuplicateScan::run(const ScanParameters &parameters)
{
    const auto releaseLock = qScopeGuard([this] { m_runLock.reset(); });
    // Checked before anything is written: an unknown method or a threshold whose limits would
    // not fit must not leave a half-reset collection behind.
    const ComparisonMethod method = imaging::ComparisonMethodFromInt(parameters.method);
    const imaging::DifferenceLimits limits = imaging::ComputeLimits(parameters.threshold);

    store::Database &database = m_session.DatabaseConnection;
    ScanSummary summary;

    store::FolderList folders;
    lockCollection(parameters, folders);
    // Asked again here, under the lock, for a front end that did not plan first.
    bool fullStart = parameters.fullRun;
    switch (planFor(m_session.CurrentCollection, parameters)) {
    case ScanPlan::Unchanged:
        summary.outcome = ScanOutcome::Unchanged;
        return summary;
    case ScanPlan::NeedsConfirmation:
        if (!parameters.newSettingsConfirmed) {
            summary.outcome = ScanOutcome::Declined;
            return summary;
        }
        fullStart = true;
        break;
    case ScanPlan::Ready:
        break;
    }

    // Loaded before a full run forgets the pairs: a load that fails must leave them as they were.
    store::TPictureArray pictures;
    const std::vector<store::DamagedPicture> damaged = store::LoadPictures(
        m_session, pictures, parameters.checkedFolderIds, method == ComparisonMethod::AveragedColors);
    setAside(m_session, m_log, damaged, folders);
    summary.picturesLeftOut = static_cast<int>(damaged.size());

    const bool skipOldPairs = !fullStart;
    if (fullStart) {
        startFullRun(m_session);
        loadCollection(m_session, parameters.collectionName, folders);
    }
    const store::TCollectionRec &collection = m_session.CurrentCollection;
    const int32_t collectionId = collection.ID;

    store::Statement saveResumePoint(
        database, QStringLiteral("UPDATE Collection SET LastLeft_ID = ?, ScanProgress = ? WHERE ID = ?"));
    store::Statement addPair(database,
        QStringLiteral("INSERT INTO Duplicate (Left_ID, Right_ID, Collection_ID, Difference) VALUES (?, ?, ?, ?)"));
    store::Statement replacePair(database,
        QStringLiteral("UPDATE Duplicate SET Left_ID = ?, Right_ID = ?, Difference = ? WHERE Collection_ID = ? "
                       "AND ((Left_ID = ? AND Right_ID = ?) OR (Left_ID = ? AND Right_ID = ?))"));
    // A pair can be found again: a resumed run repeats the left picture that was in progress when
    // the earlier run ended, and a picture re-read by an update keeps its ID and its pairs. Such a
    // pair gets its row updated instead of a second row.
    QSet<quint64> recorded = recordedPairs(database, collectionId);

    const std::vector<ScanPicture> scanPictures = ScanPicturesOf(pictures);
    const std::span<const ScanPicture> loaded = scanPictures;
    const int count = static_cast<int>(loaded.size());
    summary.pictureCount = count;

    int progress = 0;
    size_t start = 0;
    {
        store::Statement resumePoint(database, QStringLiteral("SELECT LastLeft_ID FROM Collection WHERE ID = ?"));
        resumePoint.bind(0, collectionId);
        if (resumePoint.step() && !resumePoint.column(0).isNull()) {
            const int32_t lastLeft = resumePoint.column(0).toInt();
            const auto found = std::find_if(
                loaded.begin(), loaded.end(), [lastLeft](const ScanPicture &p) { return p.view.ID == lastLeft; });
            start = found == loaded.end() ? 0 : static_cast<size_t>(found - loaded.begin()) + 1;
            progress = collection.ScanProgress + 1;
        }
    }

    const QHash<int, int> folderIdentity = folderIdentities(folders);
    const auto sameFile = [&](size_t a, size_t b) {
        const store::TPictureRec &first = pictures[a];
        const store::TPictureRec &second = pictures[b];
        return first.FileName == second.FileName
            && folderIdentity.value(first.FolderID, -1 - first.FolderID)
            == folderIdentity.value(second.FolderID, -1 - second.FolderID);
    };

    // Pairs remembered as not a match are known by their pictures' content; a picture's
    // fingerprint is worked out the first time one of its pairs matches.
    QSet<QByteArray> remembered;
    if (parameters.skipRememberedNotAMatches) {
        for (QByteArray &key : store::RememberedKeys(m_session))
            remembered.insert(std::move(key));
    }
    std::vector<QByteArray> fingerprints(remembered.isEmpty() ? 0 : pictures.size());
    const auto fingerprint = [&](size_t k) -> const QByteArray & {
        if (fingerprints[k].isEmpty()) {
            fingerprints[k] = store::pictureFingerprint(
                QByteArray::fromRawData(reinterpret_cast<const char *>(pictures.thumbnail(k)), store::kThumbnailSize),
                QByteArray::fromRawData(reinterpret_cast<const char *>(pictures.derivative(k)), store::kDerivativeSize),
                pictures[k].Size);
        }
        return fingerprints[k];
    };
    const auto rememberedAsNotAMatch = [&](size_t a, size_t b) {
        return !remembered.isEmpty() && remembered.contains(store::rememberedKey(fingerprint(a), fingerprint(b)));
    };

    m_observer.progress({RunProgress::Stage::ComparisonsStarted, progress, count, {}});
    bool stopped = false;
    LeftPictureWrites writes(database);
    const auto onMatch = [&](size_t a, size_t b, int32_t difference) {
        if (sameFile(a, b) || rememberedAsNotAMatch(a, b))
            return;
        writes.beginLeft();
        const imaging::PictureView &inner = loaded[b].view;
        const imaging::PictureView &outer = loaded[a].view;
        // The larger file is the left one; of two equal sizes the one later in ColorRank order.
        const imaging::PictureView &left = outer.Size > inner.Size ? outer : inner;
        const imaging::PictureView &right = &left == &outer ? inner : outer;
        const quint64 key = pairKey(left.ID, right.ID);
        if (recorded.contains(key)) {
            replacePair.reset();
            replacePair.bindAll({left.ID, right.ID, difference, collectionId, left.ID, right.ID, right.ID, left.ID});
            replacePair.run();
        } else {
            addPair.reset();
            addPair.bindAll({left.ID, right.ID, collectionId, difference});
            addPair.run();
            recorded.insert(key);
        }
        ++summary.pairsWritten;
    };
    const auto afterLeft = [&](size_t a) {
        writes.beginLeft();
        saveResumePoint.reset();
        saveResumePoint.bindAll({loaded[a].view.ID, progress, collectionId});
        saveResumePoint.run();
        writes.endLeft();
        ++progress;
        m_observer.progress({RunProgress::Stage::LeftPictureDone, progress, count, {}});
        m_observer.handlePendingMessages();
        stopped = m_observer.stopRequested();
        return !stopped;
    };
    const unsigned threads = parameters.threads == 0 ? defaultThreadCount() : parameters.threads;
    try {
        summary.pairsTested = ScanPairs(loaded, start, method, limits, skipOldPairs, onMatch, afterLeft, threads);
        writes.commit();
    } catch (...) {
        writes.abandonLeft();
        throw;
    }

    if (stopped) {
        // The resume point of the last finished left picture stays, the Old flags and the
        // settings of the last finished run stay as they were: the next run takes up the pairs
        // this one did not reach.
        summary.outcome = ScanOutcome::Stopped;
    } else {
        // Together, so that a collection marked scanned always has its pictures marked Old.
        store::Transaction finish(database);
        database.Execute(QStringLiteral("UPDATE Collection SET Scanned = TRUE, LastMethod = ?, LastTolerance = ?, "
                                        "LastLeft_ID = NULL WHERE ID = ?"),
            {parameters.method, parameters.threshold, collectionId});
        database.Execute(QStringLiteral("UPDATE Picture SET Old = TRUE WHERE CollectionID = ?"), {collectionId});
        finish.commit();
        summary.outcome = ScanOutcome::Completed;
    }
    return summary;
}

} // namespace vexaris::runs
