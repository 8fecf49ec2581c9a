// The duplicate scan run: compares the pictures of a collection pairwise and records every
// matching pair. It keeps its place in the Collection row after every left picture, so a run that
// ends by an error or a stop request resumes there, and marks the pictures Old at its end, so
// that later runs with the same settings test only pairs that involve a new or re-read picture.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include <QList>
#include <QString>

#include "imaging/difference.h"
#include "imaging/pairscan.h"
#include "runs/runobserver.h"
#include "store/runlock.h"

namespace vexaris::log {
class ProcessingLog;
}

namespace vexaris::store {
class FolderList;
class Session;
class TPictureArray;
} // namespace vexaris::store

namespace vexaris::runs {

struct ScanParameters
{
    // The collection is looked up by this name when the run starts.
    QString collectionName;
    // IDs of the checked folders, in list order; empty means every folder of the collection.
    QList<int> checkedFolderIds;
    int method = 0; // 0..5
    int threshold = 10; // 0..100
    // The Shift key at the start: forget the pairs and compare every pair again.
    bool fullRun = false;
    // The user said Yes to using new settings on a collection scanned with other ones.
    bool newSettingsConfirmed = false;
    // Threads testing pairs; 0 for one per core.
    unsigned threads = 1;
    // Passes over the pairs remembered as not a match (the RememberNotAMatch preference).
    bool skipRememberedNotAMatches = false;
};

// What the front end must settle before the run, from the collection as it is now.
enum class ScanPlan {
    Ready,
    // The collection was scanned with these very settings: the run would do nothing.
    Unchanged,
    // The collection was scanned with other settings: a run forgets its pairs, if the user agrees.
    NeedsConfirmation,
};

enum class ScanOutcome {
    Unchanged, // the collection was scanned with these settings; nothing done
    Declined, // new settings were not confirmed; nothing done (the front end asked too late)
    Completed,
    Stopped, // ended early on a stop request; the next run resumes
};

struct ScanSummary
{
    ScanOutcome outcome = ScanOutcome::Unchanged;
    int pictureCount = 0;
    int64_t pairsTested = 0;
    int pairsWritten = 0;
    // Pictures whose stored signature could not be read: each has a line in the log, and the next
    // update reads its file again.
    int picturesLeftOut = 0;
};

// One picture as the pair loop sees it: the measures' view and its Old flag.
using ScanPicture = imaging::ScanInput;

// Views of the loaded pictures for the pair loop; they point into the array, which must outlive
// them and stay unchanged.
std::vector<ScanPicture> ScanPicturesOf(const store::TPictureArray &pictures);

// Called with the loop's left and right picture indexes and the difference of a matching pair.
using MatchSink = std::function<void(size_t a, size_t b, int32_t difference)>;
// Called after the inner loop of each left picture; returns false to end the loop there.
using LeftFinished = std::function<bool(size_t a)>;

// The pair loop over pictures in ascending ColorRank order, from left picture `start` on: tests
// every pair (a, b) with a < b, skipping pairs of two Old pictures when skipOldPairs is set, and
// leaving the inner loop for methods that test the ColorRank distance once b is too far above a.
// Returns the number of pair tests made up to the left picture where afterLeft said stop.
//
// With threads above 1, that many threads test the left pictures, a block of them at a time;
// onMatch and afterLeft are still called on the calling thread only, left picture by left
// picture in order, with the matches of each in the order of their right pictures, exactly as
// one thread calls them.
int64_t ScanPairs(std::span<const ScanPicture> pictures, size_t start, imaging::ComparisonMethod method,
    const imaging::DifferenceLimits &limits, bool skipOldPairs, const MatchSink &onMatch, const LeftFinished &afterLeft,
    unsigned threads = 1);

// The same loop made pair by pair with ComparePair, the plain way: the reference the
// fast loop is checked against.
int64_t ScanPairsOneByOne(std::span<const ScanPicture> pictures, size_t start, imaging::ComparisonMethod method,
    const imaging::DifferenceLimits &limits, bool skipOldPairs, const MatchSink &onMatch,
    const LeftFinished &afterLeft);

// The threads a run uses when the preference or option asks for 0: one per core.
unsigned defaultThreadCount();

class DuplicateScan
{
public:
    // Works on the session's CurrentCollection, which it reloads by name. The progress is
    // ComparisonsStarted once, then LeftPictureDone after each left picture. A picture whose
    // stored signature cannot be read is left out with a line in the log.
    DuplicateScan(store::Session &session, log::ProcessingLog &log, RunObserver &observer);

    // Takes the collection's run lock, reloads the named collection and says what the run would
    // need settled first. The lock is kept for run() (and goes with this object when no run
    // follows), so that what the plan says still holds when the run starts: a collection that
    // another run is changing is refused at once, never called unchanged. Writes nothing; an
    // unknown collection or folder, a method or threshold out of range, another run of the
    // collection is an error.
    ScanPlan plan(const ScanParameters &parameters);

    // Runs the scan of the named collection, checking the plan again: it does nothing on an
    // unchanged collection, nor on new settings that are not confirmed. Errors (a database
    // failure, a collection or folder that does not exist, a method or threshold out of range,
    // another run of the collection) end it at once with vexaris::Error; pairs written and the
    // resume point saved before stay. The run lock goes when it returns.
    ScanSummary run(const ScanParameters &parameters);

private:
    // Loads the collection by name and holds its run lock; returns with the collection reloaded
    // under the lock.
    void lockCollection(const ScanParameters &parameters, store::FolderList &folders);

    store::Session &m_session;
    log::ProcessingLog &m_log;
    RunObserver &m_observer;
    std::optional<store::CollectionRunLock> m_runLock;
};

} // namespace vexaris::runs
