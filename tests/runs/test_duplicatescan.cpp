// The duplicate scan run on a real database file.
//
// The pictures are made so that the expected pairs can be checked by hand: every thumbnail is one
// byte value v repeated, ColorRank is 1000·v, and the pictures differ in name, size and times, so
// no pair matches by the identity test. Under method 1 at threshold 10 (ColorLimit 1,966,080) two
// pictures match when their values differ by at most 25 (3072·25² = 1,920,000; 3072·26² =
// 2,076,672), and the recorded difference is 3072·Δv².
#include <algorithm>
#include <deque>
#include <map>
#include <set>
#include <tuple>
#include <vector>

#include <gtest/gtest.h>

#include "log/processinglog.h"
#include "runs/duplicatescan.h"
#include "store/data.h"
#include "store/database.h"
#include "store/journal.h"
#include "store/runlock.h"
#include "support/testdatabase.h"

using namespace vexaris;
using runs::ScanOutcome;
using runs::ScanParameters;
using runs::ScanSummary;

namespace {

// Records the progress, stops after N left pictures, and keeps what the front end was told
// before each run and the answer it gives to the question about new settings.
class RecordingObserver : public runs::RunObserver
{
public:
    bool stopRequested() override { return stopAfter >= 0 && leftPictures >= stopAfter; }
    void handlePendingMessages() override { }
    void progress(const runs::RunProgress &progress) override
    {
        if (progress.stage == runs::RunProgress::Stage::ComparisonsStarted) {
            started.push_back({progress.done, progress.total});
            return;
        }
        ASSERT_EQ(progress.stage, runs::RunProgress::Stage::LeftPictureDone);
        last = {progress.done, progress.total};
        ++leftPictures;
        if (onLeftPicture)
            onLeftPicture();
    }

    int count(runs::ScanPlan plan) const { return static_cast<int>(std::count(plans.begin(), plans.end(), plan)); }

    int stopAfter = -1; // stop once this many left pictures are finished
    int leftPictures = 0;
    std::function<void()> onLeftPicture;
    std::vector<std::pair<int, int>> started;
    std::pair<int, int> last {-1, -1};
    std::vector<runs::ScanPlan> plans;
    std::deque<bool> answers; // to the question about new settings; No when none is left
    int noDuplicates = 0; // completed runs that recorded no pair: the front end's notice
};

struct CollectionRow
{
    bool scanned = false;
    qint64 lastLeft = -1; // -1 for NULL
    qint64 scanProgress = 0;
    qint64 lastMethod = 0;
    qint64 lastTolerance = 0;
    bool operator==(const CollectionRow &) const = default;
};

// (Left_ID, Right_ID, Difference), sorted, duplicates kept so that a pair stored twice shows.
using PairRows = std::multiset<std::tuple<int, int, int>>;

class ScanRun : public ::testing::Test
{
protected:
    void SetUp() override
    {
        collection = db.addCollection(QStringLiteral("Holiday"));
        folder = db.addFolder(collection, QStringLiteral("/pictures"));
    }

    // A picture of thumbnail value v, found again by that value.
    int addPicture(int v, qint64 size = 0, int folderId = 0, bool old = false, int rank = -1)
    {
        test::PictureRow row;
        row.collectionId = collection;
        row.folderId = folderId ? folderId : folder;
        row.fileName = QStringLiteral("v%1-%2.jpg").arg(v).arg(++m_serial);
        row.size = size ? size : 10000 + m_serial;
        row.created = 40000.0 + m_serial;
        row.modified = 41000.0 + m_serial;
        row.thumbnail = QByteArray(3072, static_cast<char>(v));
        row.colorRank = rank >= 0 ? rank : 1000 * v;
        row.old = old;
        const int id = db.addPicture(row);
        byValue[v] = id;
        return id;
    }

    ScanSummary scan(int method = 1, int threshold = 10, bool fullRun = false, QList<int> folders = {})
    {
        ScanParameters parameters;
        parameters.collectionName = QStringLiteral("Holiday");
        parameters.method = method;
        parameters.threshold = threshold;
        parameters.fullRun = fullRun;
        parameters.checkedFolderIds = folders;
        runs::DuplicateScan run(db.session(), processingLog, observer);
        const runs::ScanPlan plan = run.plan(parameters);
        observer.plans.push_back(plan);
        if (plan == runs::ScanPlan::NeedsConfirmation && !observer.answers.empty()) {
            parameters.newSettingsConfirmed = observer.answers.front();
            observer.answers.pop_front();
        }
        const ScanSummary summary = run.run(parameters);
        if (summary.outcome == ScanOutcome::Completed && summary.pairsWritten == 0)
            ++observer.noDuplicates;
        return summary;
    }

    PairRows pairs()
    {
        PairRows rows;
        store::Statement query(db.database(),
            QStringLiteral("SELECT Left_ID, Right_ID, Difference FROM Duplicate WHERE Collection_ID = ?"));
        query.bind(0, collection);
        while (query.step())
            rows.insert({query.column(0).toInt(), query.column(1).toInt(), query.column(2).toInt()});
        return rows;
    }

    CollectionRow collectionRow()
    {
        store::Statement query(db.database(),
            QStringLiteral(
                "SELECT Scanned, LastLeft_ID, ScanProgress, LastMethod, LastTolerance FROM Collection WHERE ID = ?"));
        query.bind(0, collection);
        EXPECT_TRUE(query.step());
        return {query.column(0).toBool(), query.column(1).isNull() ? -1 : query.column(1).toInt64(),
            query.column(2).toInt64(), query.column(3).toInt64(), query.column(4).toInt64()};
    }

    qint64 oldCount()
    {
        return db.count("SELECT count(*) FROM Picture WHERE Old = 1 AND CollectionID = ?", {collection});
    }

    // What the thumbnail update run does to the collection before it reads files.
    void resetAsUpdateDoes()
    {
        db.database().Execute(
            QStringLiteral("UPDATE Collection SET Scanned = 0, LastLeft_ID = NULL, ScanProgress = 0 WHERE ID = ?"),
            {collection});
    }
    // What the update run does to a picture whose file changed: new signature, Old false, same ID.
    void reread(int oldValue, int newValue)
    {
        const int id = byValue.at(oldValue);
        db.database().Execute(QStringLiteral("UPDATE Picture SET Thumbnail = ?, ColorRank = ?, Old = 0 WHERE ID = ?"),
            {store::Value::fromBlob(QByteArray(3072, static_cast<char>(newValue))), 1000 * newValue, id});
        byValue[newValue] = id;
    }
    void deletePair(int left, int right)
    {
        db.database().Execute(QStringLiteral("DELETE FROM Duplicate WHERE (Left_ID = ? AND Right_ID = ?) OR "
                                             "(Left_ID = ? AND Right_ID = ?)"),
            {left, right, right, left});
    }

    // The pair of the pictures of values a and b as the scan records it when the first is the
    // larger file.
    std::tuple<int, int, int> pair(int larger, int smaller)
    {
        const int d = larger - smaller;
        return {byValue.at(larger), byValue.at(smaller), 3072 * d * d};
    }

    test::ConnectedTestDatabase db;
    log::ProcessingLog processingLog;
    RecordingObserver observer;
    int collection = 0;
    int folder = 0;
    std::map<int, int> byValue;

private:
    int m_serial = 0;
};

// Values 0, 10, 20, 100, 110, 200, 230: four pairs lie within 25 of each other. Sizes rise with
// the value, so the larger value is the larger file and the Left_ID.
class ScanRunSeven : public ScanRun
{
protected:
    void SetUp() override
    {
        ScanRun::SetUp();
        for (const int v : {0, 10, 20, 100, 110, 200, 230})
            addPicture(v, 10000 + v);
    }
    PairRows expected() { return {pair(10, 0), pair(20, 0), pair(20, 10), pair(110, 100)}; }
};

TEST_F(ScanRun, EmptyCollectionEndsScannedWithTheNoDuplicatesNotice)
{
    const ScanSummary summary = scan();
    EXPECT_EQ(summary.outcome, ScanOutcome::Completed);
    EXPECT_EQ(summary.pairsTested, 0);
    EXPECT_TRUE(collectionRow().scanned);
    EXPECT_EQ(observer.noDuplicates, 1);
    EXPECT_EQ(observer.started, (std::vector<std::pair<int, int>> {{0, 0}}));
}

TEST_F(ScanRun, SinglePictureTestsNoPair)
{
    addPicture(50);
    const ScanSummary summary = scan();
    EXPECT_EQ(summary.pairsTested, 0);
    EXPECT_TRUE(collectionRow().scanned);
    EXPECT_EQ(oldCount(), 1);
    EXPECT_EQ(observer.noDuplicates, 1);
    EXPECT_EQ(observer.last, std::make_pair(1, 1));
}

TEST_F(ScanRunSeven, RecordsEveryMatchWithItsDifferenceAndTheLargerFileAsLeft)
{
    const ScanSummary summary = scan();
    EXPECT_EQ(summary.outcome, ScanOutcome::Completed);
    EXPECT_EQ(pairs(), expected());
    EXPECT_EQ(summary.pairsWritten, 4);
    EXPECT_EQ(observer.noDuplicates, 0);
    EXPECT_EQ(collectionRow(), (CollectionRow {true, -1, 6, 1, 10}));
    EXPECT_EQ(oldCount(), 7);
    EXPECT_EQ(observer.last, std::make_pair(7, 7));
}

TEST_F(ScanRun, EqualSizesGiveThePictureLaterInColorRankOrderAsLeft)
{
    // Inserted first, so it has the lower ID, but it comes later in ColorRank order.
    const int later = addPicture(60, 5000);
    const int earlier = addPicture(50, 5000);
    scan();
    EXPECT_EQ(pairs(), (PairRows {{later, earlier, 3072 * 100}}));
}

TEST_F(ScanRun, SmallerInnerPictureIsTheRightOne)
{
    const int larger = addPicture(50, 9000);
    const int smaller = addPicture(60, 5000);
    scan();
    EXPECT_EQ(pairs(), (PairRows {{larger, smaller, 3072 * 100}}));
}

TEST_F(ScanRunSeven, SecondRunWithTheSameSettingsSaysUnchangedAndWritesNothing)
{
    scan();
    const PairRows before = pairs();
    const CollectionRow row = collectionRow();
    observer = RecordingObserver();

    EXPECT_EQ(scan().outcome, ScanOutcome::Unchanged);
    EXPECT_EQ(observer.plans, std::vector<runs::ScanPlan> {runs::ScanPlan::Unchanged});
    EXPECT_EQ(observer.noDuplicates, 0);
    EXPECT_TRUE(observer.started.empty());
    EXPECT_EQ(pairs(), before);
    EXPECT_EQ(collectionRow(), row);
}

TEST_F(ScanRunSeven, NewSettingsDeclinedLeaveEverythingUntouched)
{
    scan();
    deletePair(byValue[10], byValue[0]); // so that a run would visibly add it again
    const PairRows before = pairs();
    const CollectionRow row = collectionRow();
    observer = RecordingObserver();
    observer.answers = {false};

    EXPECT_EQ(scan(1, 20).outcome, ScanOutcome::Declined);
    EXPECT_EQ(observer.plans, std::vector<runs::ScanPlan> {runs::ScanPlan::NeedsConfirmation});
    EXPECT_EQ(pairs(), before);
    EXPECT_EQ(collectionRow(), row);
    EXPECT_EQ(oldCount(), 7);
    EXPECT_EQ(observer.noDuplicates, 0);
}

TEST_F(ScanRunSeven, NewSettingsConfirmedForgetThePairsAndCompareEveryPair)
{
    scan();
    observer = RecordingObserver();
    observer.answers = {true};

    // Threshold 5: ColorLimit 983,040, so only values at most 17 apart match.
    const ScanSummary summary = scan(1, 5);
    EXPECT_EQ(summary.outcome, ScanOutcome::Completed);
    EXPECT_EQ(observer.count(runs::ScanPlan::NeedsConfirmation), 1);
    EXPECT_EQ(summary.pairsTested, 7 * 6 / 2);
    EXPECT_EQ(pairs(), (PairRows {pair(10, 0), pair(20, 10), pair(110, 100)}));
    EXPECT_EQ(collectionRow(), (CollectionRow {true, -1, 6, 1, 5}));
}

TEST_F(ScanRunSeven, ShiftRunForgetsThePairsAndComparesEveryPairWithoutAsking)
{
    scan();
    deletePair(byValue[10], byValue[0]);
    observer = RecordingObserver();

    const ScanSummary summary = scan(1, 10, true);
    EXPECT_EQ(summary.outcome, ScanOutcome::Completed);
    EXPECT_EQ(observer.plans, std::vector<runs::ScanPlan> {runs::ScanPlan::Ready});
    EXPECT_EQ(summary.pairsTested, 21);
    EXPECT_EQ(pairs(), expected());
}

TEST_F(ScanRunSeven, AfterAnUpdateOnlyPairsWithANewPictureAreTestedAndEarlierPairsStay)
{
    scan();
    resetAsUpdateDoes();
    addPicture(215, 20000); // new: matches 200 (Δ15) and 230 (Δ15)
    observer = RecordingObserver();

    const ScanSummary summary = scan();
    EXPECT_EQ(summary.outcome, ScanOutcome::Completed);
    EXPECT_EQ(summary.pairsTested, 7); // the new picture with each of the seven others
    PairRows want = expected();
    want.insert({byValue[215], byValue[200], 3072 * 225});
    want.insert({byValue[215], byValue[230], 3072 * 225});
    EXPECT_EQ(pairs(), want);
    EXPECT_EQ(observer.noDuplicates, 0);
    EXPECT_EQ(oldCount(), 8);
}

TEST_F(ScanRunSeven, AfterAnUpdateWithoutNewMatchesTheNoticeShowsDespiteEarlierPairs)
{
    scan();
    resetAsUpdateDoes();
    addPicture(160);
    observer = RecordingObserver();

    EXPECT_EQ(scan().pairsWritten, 0);
    EXPECT_EQ(pairs(), expected());
    EXPECT_EQ(observer.noDuplicates, 1);
}

TEST_F(ScanRunSeven, AfterAnUpdateOtherSettingsAreUsedWithoutQuestionAndEarlierPairsStay)
{
    scan();
    resetAsUpdateDoes();
    addPicture(250, 10250); // Δ20 from 230: a match at threshold 10 and 20
    observer = RecordingObserver();

    const ScanSummary summary = scan(1, 20);
    EXPECT_EQ(observer.count(runs::ScanPlan::NeedsConfirmation), 0);
    EXPECT_EQ(summary.pairsWritten, 1);
    PairRows want = expected();
    want.insert(pair(250, 230));
    EXPECT_EQ(pairs(), want);
    EXPECT_EQ(collectionRow().lastTolerance, 20);
}

TEST_F(ScanRunSeven, PairDeletedInReviewStaysAwayWhileBothAreOld)
{
    scan();
    deletePair(byValue[20], byValue[10]);
    resetAsUpdateDoes(); // an update that found nothing changed
    scan();
    PairRows want = expected();
    want.erase(pair(20, 10));
    EXPECT_EQ(pairs(), want);

    // Once one of the two is read again, the pair is found again.
    resetAsUpdateDoes();
    reread(20, 20);
    scan();
    EXPECT_EQ(pairs(), expected());
}

TEST_F(ScanRunSeven, PairFoundAgainAfterARereadKeepsOneRowWithTheNewDifference)
{
    scan();
    resetAsUpdateDoes();
    reread(10, 15); // still matches 0 (Δ15) and 20 (Δ5)
    scan();
    EXPECT_EQ(pairs(), (PairRows {pair(15, 0), pair(20, 0), pair(20, 15), pair(110, 100)}));
}

TEST_F(ScanRunSeven, LastLeftIdThatMatchesNoPictureStartsFromTheFirstAndCountsOnFromTheSavedProgress)
{
    db.database().Execute(
        QStringLiteral("UPDATE Collection SET LastLeft_ID = 99999, ScanProgress = 3 WHERE ID = ?"), {collection});
    const ScanSummary summary = scan();
    EXPECT_EQ(observer.started, (std::vector<std::pair<int, int>> {{4, 7}}));
    EXPECT_EQ(summary.pairsTested, 21);
    EXPECT_EQ(pairs(), expected());
}

TEST_F(ScanRunSeven, LastLeftIdResumesAfterThatPicture)
{
    // Left pictures 0 and 10 are done: the run starts at 20.
    db.database().Execute(QStringLiteral("UPDATE Collection SET LastLeft_ID = ?, ScanProgress = 1 WHERE ID = ?"),
        {byValue[10], collection});
    const ScanSummary summary = scan();
    EXPECT_EQ(observer.started, (std::vector<std::pair<int, int>> {{2, 7}}));
    EXPECT_EQ(summary.pairsTested, 5 * 4 / 2);
    EXPECT_EQ(pairs(), (PairRows {pair(110, 100)}));
}

TEST_F(ScanRun, CheckedFoldersLimitTheComparisonButEveryPictureBecomesOld)
{
    const int other = db.addFolder(collection, QStringLiteral("/elsewhere"));
    addPicture(0, 0, folder);
    addPicture(10, 0, other);
    addPicture(200, 0, other);
    addPicture(210, 0, folder);
    addPicture(220, 0, other);

    const ScanSummary summary = scan(1, 10, false, {other});
    EXPECT_EQ(summary.pictureCount, 3);
    EXPECT_EQ(pairs(), (PairRows {pair(220, 200)}));
    EXPECT_EQ(oldCount(), 5);

    // No folder checked: the whole collection. The Old pairs are not tested again.
    resetAsUpdateDoes();
    db.database().Execute(QStringLiteral("UPDATE Picture SET Old = 0 WHERE ID = ?"), {byValue[210]});
    EXPECT_EQ(scan().pictureCount, 5);
    EXPECT_EQ(pairs(), (PairRows {pair(220, 200), pair(210, 200), pair(220, 210)}));
}

TEST_F(ScanRunSeven, UnknownCollectionOrFolderIsAnErrorThatWritesNothing)
{
    ScanParameters parameters;
    parameters.collectionName = QStringLiteral("Nowhere");
    parameters.method = 1;
    parameters.threshold = 10;
    runs::DuplicateScan run(db.session(), processingLog, observer);
    EXPECT_THROW(run.run(parameters), Error);

    parameters.collectionName = QStringLiteral("holiday"); // names ignore letter case
    parameters.checkedFolderIds = {folder + 1000};
    parameters.fullRun = true;
    EXPECT_THROW(run.run(parameters), Error);

    parameters.checkedFolderIds = {};
    parameters.threshold = 101;
    EXPECT_THROW(run.run(parameters), Error);
    parameters.threshold = 10;
    parameters.method = 6;
    EXPECT_THROW(run.run(parameters), Error);

    EXPECT_TRUE(pairs().empty());
    EXPECT_EQ(oldCount(), 0);
    EXPECT_TRUE(observer.started.empty());
}

// Ranks 0; 1,000,000; 3,000,000; 3,500,000 at threshold 10 (ColorLimit 1,966,080). With the
// cut-off the inner loop ends at the first picture too far above the left one, after testing it:
// left 0 tests two pictures, left 1 one, left 2 one. Without it all six pairs are tested.
struct CutOffCase
{
    const char *name;
    int method;
    int64_t tested;
};

class ScanRunCutOff : public ScanRun, public ::testing::WithParamInterface<CutOffCase>
{
};

TEST_P(ScanRunCutOff, PairsTested)
{
    addPicture(0, 0, 0, false, 0);
    addPicture(40, 0, 0, false, 1'000'000);
    addPicture(80, 0, 0, false, 3'000'000);
    addPicture(120, 0, 0, false, 3'500'000);
    EXPECT_EQ(scan(GetParam().method, 10).pairsTested, GetParam().tested);
}

INSTANTIATE_TEST_SUITE_P(Methods, ScanRunCutOff,
    ::testing::Values(CutOffCase {"FileProperties", 0, 6}, CutOffCase {"ColorImage", 1, 4}, CutOffCase {"Edges", 2, 6},
        CutOffCase {"ColorAndEdges", 3, 4}, CutOffCase {"ColorOrEdges", 4, 6}, CutOffCase {"AveragedColors", 5, 4}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(ScanRunSeven, StopEndsAfterTheLeftPictureInProgressAndTheNextRunResumes)
{
    observer.stopAfter = 2;
    const ScanSummary stopped = scan();
    EXPECT_EQ(stopped.outcome, ScanOutcome::Stopped);
    // The resume point is the second left picture (value 10), saved with progress 1.
    EXPECT_EQ(collectionRow(), (CollectionRow {false, byValue[10], 1, 0, 0}));
    EXPECT_EQ(oldCount(), 0);
    EXPECT_EQ(observer.noDuplicates, 0);

    observer = RecordingObserver();
    const ScanSummary resumed = scan();
    EXPECT_EQ(resumed.outcome, ScanOutcome::Completed);
    EXPECT_EQ(observer.started, (std::vector<std::pair<int, int>> {{2, 7}}));
    EXPECT_EQ(stopped.pairsTested + resumed.pairsTested, 21);
    EXPECT_EQ(pairs(), expected());
    EXPECT_EQ(collectionRow(), (CollectionRow {true, -1, 6, 1, 10}));
}

TEST_F(ScanRunSeven, StoppedFullRunIsCompletedByTheNextOrdinaryRun)
{
    scan();
    observer = RecordingObserver();
    observer.stopAfter = 1;
    EXPECT_EQ(scan(1, 10, true).outcome, ScanOutcome::Stopped);
    EXPECT_EQ(pairs(), (PairRows {pair(10, 0), pair(20, 0)}));

    observer = RecordingObserver();
    scan();
    EXPECT_EQ(pairs(), expected());
}

// A database failure in the middle of a run, then a run without it: together they record exactly
// the pairs of one uninterrupted run, each once.
struct FailureCase
{
    const char *name;
    const char *trigger; // %1 is the ID of the picture of value failAt
    int failAt;
    bool fullRun;
};

class ScanRunFailure : public ScanRunSeven, public ::testing::WithParamInterface<FailureCase>
{
};

TEST_P(ScanRunFailure, ResumedRunRecordsTheSamePairs)
{
    const FailureCase &failure = GetParam();
    if (failure.fullRun)
        scan(); // a scanned collection whose pictures are all Old
    db.database().Execute(
        QString::fromLatin1(failure.trigger).replace(QStringLiteral("%1"), QString::number(byValue[failure.failAt])));
    observer = RecordingObserver();

    EXPECT_THROW(scan(1, 10, failure.fullRun), store::DatabaseError);
    const CollectionRow interrupted = collectionRow();
    EXPECT_FALSE(interrupted.scanned);
    EXPECT_NE(interrupted.lastLeft, -1);
    if (!failure.fullRun) {
        EXPECT_EQ(oldCount(), 0);
    }

    db.database().Execute(QStringLiteral("DROP TRIGGER failure"));
    observer = RecordingObserver();
    EXPECT_EQ(scan().outcome, ScanOutcome::Completed);
    EXPECT_EQ(pairs(), expected());
    EXPECT_EQ(collectionRow(), (CollectionRow {true, -1, 6, 1, 10}));
}

INSTANTIATE_TEST_SUITE_P(Failures, ScanRunFailure,
    ::testing::Values(
        FailureCase {"SavingTheResumePoint",
            "CREATE TEMP TRIGGER failure BEFORE UPDATE OF LastLeft_ID ON Collection WHEN NEW.LastLeft_ID = %1 "
            "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END",
            100, false},
        FailureCase {"AddingTheThirdPair",
            "CREATE TEMP TRIGGER failure BEFORE INSERT ON Duplicate WHEN (SELECT count(*) FROM Duplicate) >= 2 "
            "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END",
            0, false},
        FailureCase {"SavingTheResumePointOfAFullRun",
            "CREATE TEMP TRIGGER failure BEFORE UPDATE OF LastLeft_ID ON Collection WHEN NEW.LastLeft_ID = %1 "
            "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END",
            10, true}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(ScanRunSeven, AFullRunThatCannotStartLeavesThePairsAndTheCollectionAsTheyWere)
{
    scan();
    const PairRows before = pairs();
    const CollectionRow row = collectionRow();
    db.database().Execute(QStringLiteral("CREATE TEMP TRIGGER failure BEFORE UPDATE OF Old ON Picture "
                                         "BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"));
    observer = RecordingObserver();
    EXPECT_THROW(scan(1, 10, true), store::DatabaseError);
    EXPECT_EQ(pairs(), before);
    EXPECT_EQ(collectionRow(), row);
    EXPECT_EQ(oldCount(), 7);
}

TEST_F(ScanRunSeven, AFailureAmongTheMatchesOfALeftPictureTakesBackEveryOneOfThem)
{
    // The first left picture (value 0) matches 10 and 20; the second of its pairs fails.
    db.database().Execute(QStringLiteral("CREATE TEMP TRIGGER failure BEFORE INSERT ON Duplicate WHEN (SELECT count(*) "
                                         "FROM Duplicate) >= 1 BEGIN SELECT RAISE(ABORT, 'disk I/O error'); END"));
    EXPECT_THROW(scan(), store::DatabaseError);
    EXPECT_TRUE(pairs().empty());
    EXPECT_EQ(collectionRow().lastLeft, -1);
}

TEST_F(ScanRunSeven, RefusesWhileAnotherRunHoldsTheCollectionButNotAnotherCollection)
{
    const store::CollectionRunLock otherRun(db.database(), collection, QStringLiteral("Holiday"));
    try {
        scan();
        ADD_FAILURE() << "the scan ran beside another run";
    } catch (const Error &e) {
        EXPECT_NE(std::string(e.what()).find("another run"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(pairs().empty());
    EXPECT_EQ(collectionRow(), CollectionRow {});
    EXPECT_TRUE(observer.started.empty());

    db.addCollection(QStringLiteral("Elsewhere"));
    ScanParameters parameters;
    parameters.collectionName = QStringLiteral("Elsewhere");
    runs::DuplicateScan run(db.session(), processingLog, observer);
    EXPECT_EQ(run.run(parameters).outcome, ScanOutcome::Completed);
}

// A picture whose stored signature cannot be read is left out with one log line naming its file,
// and its Modified goes so that the next update reads the file again; the other pairs are recorded,
// also by a full scan, which forgets the pairs before it compares.
struct DamageCase
{
    const char *name;
    const char *column;
    store::Value value;
};

class ScanRunDamaged : public ScanRunSeven, public ::testing::WithParamInterface<DamageCase>
{
};

TEST_P(ScanRunDamaged, IsLeftOutWithOneLogLineAndTheOtherPairsAreRecorded)
{
    const DamageCase &damage = GetParam();
    const int damaged = byValue[20];
    db.database().Execute(QStringLiteral("UPDATE Picture SET %1 = ? WHERE ID = ?").arg(QLatin1String(damage.column)),
        {damage.value, damaged});
    for (const bool fullRun : {false, true}) {
        const qsizetype before = processingLog.lineCount();
        const ScanSummary summary = scan(1, 10, fullRun);
        EXPECT_EQ(summary.outcome, ScanOutcome::Completed);
        EXPECT_EQ(summary.picturesLeftOut, 1);
        EXPECT_EQ(pairs(), (PairRows {pair(10, 0), pair(110, 100)}));
        const QStringList lines = processingLog.linesSince(before);
        ASSERT_EQ(lines.size(), 1);
        EXPECT_TRUE(
            lines[0].contains(QStringLiteral(" /pictures/v20-")) && lines[0].contains(QLatin1String(damage.column)))
            << lines[0].toStdString();
    }
    EXPECT_EQ(db.count("SELECT count(*) FROM Picture WHERE ID = ? AND Modified IS NULL", {damaged}), 1);
}

INSTANTIATE_TEST_SUITE_P(Damage, ScanRunDamaged,
    ::testing::Values(DamageCase {"TenByteThumbnail", "Thumbnail", store::Value::fromBlob(QByteArray(10, 'x'))},
        DamageCase {"NullThumbnail", "Thumbnail", store::Value()},
        DamageCase {"NullDerivative", "Derivative", store::Value()},
        DamageCase {"TextWidth", "Width", store::Value(QStringLiteral("wide"))},
        DamageCase {"NullColorRank", "ColorRank", store::Value()}),
    [](const auto &row) { return std::string(row.param.name); });

TEST_F(ScanRun, AFileListedUnderTwoRowsOfOneFolderIsNeverPairedWithItself)
{
    const int twin = db.addFolder(collection, QStringLiteral("/pictures/"));
    const auto add = [&](int folderId, const QString &name, int v, qint64 size) {
        test::PictureRow row;
        row.collectionId = collection;
        row.folderId = folderId;
        row.fileName = name;
        row.size = size;
        row.thumbnail = QByteArray(3072, static_cast<char>(v));
        row.colorRank = 1000 * v;
        return db.addPicture(row);
    };
    const int same = add(folder, QStringLiteral("same.jpg"), 50, 2000);
    const int sameAgain = add(twin, QStringLiteral("same.jpg"), 50, 2000);
    const int other = add(folder, QStringLiteral("other.jpg"), 52, 1000);
    scan(1, 10, true);
    EXPECT_EQ(pairs(), (PairRows {{same, other, 3072 * 4}, {sameAgain, other, 3072 * 4}}));
}

// A pair remembered as not a match is known by its pictures' signatures and sizes: a full scan
// passes over it, also once one file was renamed (the update run gives it a new row), until the
// pair is forgotten; without the preference the scan reports it as before.
TEST_F(ScanRun, RememberedNotAMatchSurvivesAFullScanAndARename)
{
    const int a = addPicture(10, 5000);
    const int b = addPicture(12, 4000);
    const int c = addPicture(50, 3000);
    const int d = addPicture(52, 2000);
    const auto remembered = [&](bool skip) {
        ScanParameters parameters;
        parameters.collectionName = QStringLiteral("Holiday");
        parameters.method = 1;
        parameters.threshold = 10;
        parameters.fullRun = true;
        parameters.skipRememberedNotAMatches = skip;
        runs::DuplicateScan(db.session(), processingLog, observer).run(parameters);
        return pairs();
    };
    store::RememberNotAMatch(db.session(), *store::pictureFingerprint(db.session(), b),
        *store::pictureFingerprint(db.session(), a), QStringLiteral("/pictures/a"), QStringLiteral("/pictures/b"));
    EXPECT_EQ(remembered(true), (PairRows {{c, d, 3072 * 4}}));

    // The renamed file: its old row goes, a new one with the same signature and size comes.
    const QByteArray thumbnail = QByteArray(3072, static_cast<char>(10));
    db.database().Execute(QStringLiteral("DELETE FROM Picture WHERE ID = ?"), {a});
    const int renamed = db.addPicture({.collectionId = collection,
        .folderId = folder,
        .fileName = QStringLiteral("renamed.jpg"),
        .size = 5000,
        .thumbnail = thumbnail,
        .colorRank = 10000});
    EXPECT_EQ(remembered(true), (PairRows {{c, d, 3072 * 4}}));
    EXPECT_EQ(remembered(false), (PairRows {{renamed, b, 3072 * 4}, {c, d, 3072 * 4}}));

    const std::vector<store::RememberedNotAMatch> list = store::ListRememberedNotAMatches(db.session());
    ASSERT_EQ(list.size(), 1u);
    EXPECT_EQ(list[0].leftPath.toStdString(), "/pictures/a");
    store::ForgetRememberedNotAMatch(db.session(), list[0].id);
    EXPECT_TRUE(store::ListRememberedNotAMatches(db.session()).empty());
    EXPECT_EQ(remembered(true), (PairRows {{renamed, b, 3072 * 4}, {c, d, 3072 * 4}}));
}

} // namespace
