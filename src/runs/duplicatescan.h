// The duplicate scan run: compares the pictures of a collection pairwise and records every
// matching pair. It keeps its place in the Collection row after every left picture, so a run that
// ends by an error or a stop request resumes there, and marks the pictures Old at its end, so
// that later runs with the same settings test only pairs that involve a new or re-read picture.
#pragma once

#include <cstdint>
#include <functional>
#include <span>
#include <vector>

#include <QList>
#include <QString>

#include "imaging/difference.h"
#include "runs/runobserver.h"

namespace vexaris::store {
class TPictureArray;
}

namespace vexaris::runs {

// What the scan asks of whoever shows it.
class ScanObserver : public RunObserver
{
public:
    // The comparisons start: the gauge's maximum (the number of pictures) and its progress (the
    // saved count of a resumed run). A stop request made before this point is forgotten here.
    virtual void comparisonsStarted(int progress, int maximum) = 0;
    // One more left picture is finished.
    virtual void progressChanged(int progress, int maximum) = 0;
    // A plain message with the application title as its caption.
    virtual void showMessage(const QString &text) = 0;
    // A notice with a caption of its own.
    virtual void showNotice(const QString &caption, const QString &text) = 0;
    // A question with Yes and No: true only for Yes.
    virtual bool askQuestion(const QString &caption, const QString &text) = 0;
    // The run added lines to the processing log: show the log (modally on the desktop).
    virtual void showLog() = 0;
};

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
};

enum class ScanOutcome {
    Unchanged, // the collection was scanned with these settings; nothing done
    Declined, // new settings were not confirmed; nothing done
    Completed,
    Stopped, // ended early on a stop request; the next run resumes
};

struct ScanSummary
{
    ScanOutcome outcome = ScanOutcome::Unchanged;
    int pictureCount = 0;
    int64_t pairsTested = 0;
    int pairsWritten = 0;
};

// One picture as the pair loop sees it: the measures' view and its Size and Old flag.
struct ScanPicture
{
    imaging::PictureView view;
    bool old = false;
};

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
// Returns the number of pair tests made.
int64_t ScanPairs(std::span<const ScanPicture> pictures, size_t start, imaging::ComparisonMethod method,
    const imaging::DifferenceLimits &limits, bool skipOldPairs, const MatchSink &onMatch,
    const LeftFinished &afterLeft);

class DuplicateScan
{
public:
    // Works through the program's one connection, store::DatabaseConnection(), like the store's
    // operations it calls, and on store::CurrentCollection, which it reloads by name.
    explicit DuplicateScan(ScanObserver &observer);

    // Runs the scan of the named collection. Errors (a database failure, a collection or folder
    // that does not exist, a method or threshold out of range) end it at once with
    // vexaris::Error; pairs written and the resume point saved before stay.
    ScanSummary run(const ScanParameters &parameters);

private:
    ScanObserver &m_observer;
};

} // namespace vexaris::runs
