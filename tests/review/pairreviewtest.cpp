// The resolution rules of the review core against real files, a Trash of the test's own and a
// real database: the checks before a file resolution, a move or copy that fails once the
// given-up file is in the Trash, the journal, and the undo of every resolution.
#include "review/pairreview.h"

#include <map>
#include <memory>

#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <gtest/gtest.h>

#include "common/error.h"
#include "review/undo.h"
#include "store/datetime.h"
#include "store/journal.h"
#include "support/printers.h"
#include "support/testdatabase.h"
#include "trashfixture.h"

using namespace vexaris;
using namespace vexaris::review;
using store::ResolutionAction;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double kModified = 45000.5;

class NoSteps final : public ResolutionSteps
{
public:
    class Silent final : public FileOperationProgress
    {
    public:
        void advanced(qint64, qint64) override { }
    };
    FileOperationProgress &started(Step) override { return m_progress; }
    void finished() override { }

private:
    Silent m_progress;
};

// The real operations, except that a move or a copy fails: what a survivor's folder that cannot
// be written does.
class FailingMoveAndCopy final : public FileOperation
{
public:
    QString trashFolderFor(const QString &path, QString &message) override
    {
        return m_real.trashFolderFor(path, message);
    }
    TrashSlotResult trashSlot(const QString &path) override { return m_real.trashSlot(path); }
    FileOperationResult recycle(const QString &path, const TrashSlot &slot) override
    {
        return m_real.recycle(path, slot);
    }
    FileOperationResult restore(const TrashSlot &slot, const QString &path) override
    {
        return m_real.restore(slot, path);
    }
    bool inTrash(const TrashSlot &slot, const QString &path) override { return m_real.inTrash(slot, path); }
    void discardSlot(const TrashSlot &slot, const QString &path) override { m_real.discardSlot(slot, path); }
    TrashSlot findTrashed(const QString &name, const QString &path) override { return m_real.findTrashed(name, path); }
    FileOperationResult move(const QString &, const QString &, FileOperationProgress &) override
    {
        return {false, u"the move was refused"_s};
    }
    FileOperationResult copy(const QString &, const QString &, FileOperationProgress &) override
    {
        return {false, u"the copy was refused"_s};
    }
    FileOperationResult removeCopy(const QString &path, qint64 size) override { return m_real.removeCopy(path, size); }

private:
    QtFileOperation m_real;
};

class PairReviewTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(trash.isValid());
        collection = db.addCollection(u"Holiday"_s);
        db.session().CurrentCollection.ID = collection;
    }

    QString path(const QString &relative) const { return db.folder() + u'/' + relative; }

    int folderId(const QString &folder)
    {
        if (!folders.contains(folder)) {
            QDir().mkpath(path(folder));
            folders[folder] = db.addFolder(collection, path(folder));
        }
        return folders[folder];
    }

    // A file of `size` bytes of its own, and its row as the update run writes it.
    int addFile(const QString &folder, const QString &name, int size)
    {
        test::PictureRow row;
        row.collectionId = collection;
        row.folderId = folderId(folder);
        writeFile(path(folder) + u'/' + name, size, name);
        row.fileName = name;
        row.size = size;
        row.modified = kModified;
        row.thumbnail = QByteArray(3072, static_cast<char>(size % 251));
        return db.addPicture(row);
    }

    static void writeFile(const QString &file, int size, const QString &seed)
    {
        QFile out(file);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        QByteArray bytes = seed.toUtf8().repeated(size / static_cast<int>(seed.size()) + 1);
        bytes.truncate(size);
        out.write(bytes);
        // Written out first: the time set must be the file's last change.
        ASSERT_TRUE(out.flush());
        ASSERT_TRUE(out.setFileTime(store::fromDays(kModified), QFileDevice::FileModificationTime));
    }

    static QByteArray contents(const QString &file)
    {
        QFile in(file);
        return in.open(QIODevice::ReadOnly) ? in.readAll() : QByteArray("(missing)");
    }

    // Everything a resolution may change: every file below the test's folders, and the rows.
    std::map<QString, QByteArray> files() const
    {
        std::map<QString, QByteArray> all;
        for (const QString &folder : folders.keys()) {
            for (const QString &name : QDir(path(folder)).entryList(QDir::Files | QDir::System))
                all[folder + u'/' + name] = contents(path(folder) + u'/' + name);
        }
        return all;
    }
    QStringList rows(const char *sql)
    {
        store::Statement query(db.database(), QString::fromUtf8(sql));
        QStringList result;
        while (query.step()) {
            QStringList columns;
            for (int i = 0; i < query.columnCount(); ++i)
                columns << (query.columnIsNull(i) ? u"NULL"_s
                                                  : QString::fromLatin1(query.columnBytes(i).toByteArray().toHex()));
            result << columns.join(u'|');
        }
        return result;
    }
    QStringList pictureRows() { return rows("SELECT * FROM Picture ORDER BY ID"); }
    QStringList pairRows()
    {
        return rows("SELECT Collection_ID, Left_ID, Right_ID, Difference FROM Duplicate ORDER BY Left_ID, Right_ID");
    }
    QStringList trashInfos() const { return QDir(trash.trash() + u"/info"_s).entryList(QDir::Files); }

    test::OwnTrash trash;
    test::ConnectedTestDatabase db;
    QMap<QString, int> folders;
    int collection = 0;
    QtFileOperation real;
    NoSteps steps;
};

// ---- The checks before a file resolution ----

enum class Change {
    SurvivorMissing,
    SurvivorIsAFolder,
    SurvivorGrew,
    SurvivorTouched,
    SurvivorIsALinkToTheOther,
    SurvivorIsAHardLinkOfTheOther,
    FolderInTheCollectionTwice,
    GivenUpFileMissing,
    GivenUpFileIsAFolder,
};

struct CheckCase
{
    const char *name;
    Change change;
    ResolutionProblem problem;
    const char *named; // the file the message names: "left" or "right"
    bool forgetsARow; // forgetting removes the missing file's row, not the pair alone
};

void PrintTo(const CheckCase &c, std::ostream *out)
{
    *out << c.name;
}

class ResolutionCheckTest : public PairReviewTest, public testing::WithParamInterface<CheckCase>
{
};

TEST_P(ResolutionCheckTest, NothingIsDoneAndOneMessageOffersToForgetThePair)
{
    const CheckCase &c = GetParam();
    const int left = addFile(u"a"_s, u"left.jpg"_s, 2000);
    int right = 0;
    const QString rightFile = path(u"b"_s) + u"/right.jpg"_s;
    switch (c.change) {
    case Change::SurvivorIsALinkToTheOther:
        folderId(u"b"_s);
        ASSERT_TRUE(QFile::link(path(u"a"_s) + u"/left.jpg"_s, rightFile));
        break;
    case Change::SurvivorIsAHardLinkOfTheOther:
        folderId(u"b"_s);
        ASSERT_EQ(::link(QFile::encodeName(path(u"a"_s) + u"/left.jpg"_s).constData(),
                      QFile::encodeName(rightFile).constData()),
            0);
        break;
    case Change::FolderInTheCollectionTwice:
        // One folder, reached through a link as a second folder row: one file on both sides.
        ASSERT_TRUE(QFile::link(path(u"a"_s), path(u"b"_s)));
        folders[u"b"_s] = db.addFolder(collection, path(u"b"_s));
        break;
    default:
        break;
    }
    if (c.change == Change::SurvivorIsALinkToTheOther || c.change == Change::SurvivorIsAHardLinkOfTheOther
        || c.change == Change::FolderInTheCollectionTwice) {
        right = db.addPicture({.collectionId = collection,
            .folderId = folderId(u"b"_s),
            .fileName = c.change == Change::FolderInTheCollectionTwice ? u"left.jpg"_s : u"right.jpg"_s,
            .size = 1000,
            .modified = kModified});
    } else {
        right = addFile(u"b"_s, u"right.jpg"_s, 1000);
    }
    db.addPair(collection, left, right, 5);
    switch (c.change) {
    case Change::SurvivorMissing:
        ASSERT_TRUE(QFile::remove(rightFile));
        break;
    case Change::SurvivorIsAFolder:
        ASSERT_TRUE(QFile::remove(rightFile));
        ASSERT_TRUE(QDir().mkpath(rightFile));
        break;
    case Change::SurvivorGrew:
        writeFile(rightFile, 1001, u"right.jpg"_s);
        break;
    case Change::SurvivorTouched: {
        QFile file(rightFile);
        ASSERT_TRUE(file.open(QIODevice::ReadWrite));
        ASSERT_TRUE(file.setFileTime(store::fromDays(kModified).addSecs(1), QFileDevice::FileModificationTime));
        break;
    }
    case Change::GivenUpFileMissing:
        ASSERT_TRUE(QFile::remove(path(u"a"_s) + u"/left.jpg"_s));
        break;
    case Change::GivenUpFileIsAFolder:
        // The whole folder would go to the Trash in the file's place.
        ASSERT_TRUE(QFile::remove(path(u"a"_s) + u"/left.jpg"_s));
        ASSERT_TRUE(QDir().mkpath(path(u"a"_s) + u"/left.jpg/inside"_s));
        break;
    default:
        break;
    }
    const auto filesBefore = files();
    const QStringList picturesBefore = pictureRows();

    PairReview review(db.session(), real);
    review.open();
    ASSERT_FALSE(review.swapped());
    const ResolutionCheck check = review.check(review.current().id, ResolutionAction::DeleteLeft);
    EXPECT_EQ(check.problem, c.problem);
    const QString named
        = std::string_view(c.named) == "left" ? review.leftShown().fullPath() : review.rightShown().fullPath();
    EXPECT_TRUE(check.message.contains(named)) << check.message.toStdString();
    EXPECT_FALSE(check.message.contains(u'\n'));

    // Every file resolution refuses alike, and changes nothing.
    for (const ResolutionAction action :
        {ResolutionAction::DeleteLeft, ResolutionAction::MoveToLeft, ResolutionAction::CopyToLeft}) {
        const ResolutionResult result = review.resolve(review.current().id, action, steps);
        EXPECT_EQ(result.outcome, ResolutionOutcome::Failed);
        EXPECT_EQ(result.message, check.message);
    }
    EXPECT_EQ(files(), filesBefore);
    EXPECT_TRUE(trash.files().isEmpty());
    EXPECT_EQ(pictureRows(), picturesBefore);
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Duplicate"), 1);
    EXPECT_TRUE(store::ListResolutions(db.session(), collection).empty());

    review.forget(review.current().id, check);
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Duplicate"), 0);
    EXPECT_FALSE(review.hasCurrent());
    const int missing = c.change == Change::GivenUpFileMissing ? left : right;
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Picture WHERE ID = ?", {missing}), c.forgetsARow ? 0 : 1);
    EXPECT_EQ(files(), filesBefore);
}

INSTANTIATE_TEST_SUITE_P(Changes, ResolutionCheckTest,
    testing::Values(
        CheckCase {"SurvivorMissing", Change::SurvivorMissing, ResolutionProblem::SurvivorMissing, "right", true},
        CheckCase {"SurvivorIsAFolder", Change::SurvivorIsAFolder, ResolutionProblem::SurvivorNotAFile, "right", false},
        CheckCase {"SurvivorGrew", Change::SurvivorGrew, ResolutionProblem::SurvivorChanged, "right", false},
        CheckCase {"SurvivorTouched", Change::SurvivorTouched, ResolutionProblem::SurvivorChanged, "right", false},
        CheckCase {
            "SurvivorIsALinkToTheOther", Change::SurvivorIsALinkToTheOther, ResolutionProblem::SameFile, "left", false},
        CheckCase {"SurvivorIsAHardLinkOfTheOther", Change::SurvivorIsAHardLinkOfTheOther, ResolutionProblem::SameFile,
            "left", false},
        CheckCase {"FolderInTheCollectionTwice", Change::FolderInTheCollectionTwice, ResolutionProblem::SameFile,
            "left", false},
        CheckCase {"GivenUpFileMissing", Change::GivenUpFileMissing, ResolutionProblem::VictimMissing, "left", true},
        CheckCase {
            "GivenUpFileIsAFolder", Change::GivenUpFileIsAFolder, ResolutionProblem::VictimNotAFile, "left", false}),
    [](const testing::TestParamInfo<CheckCase> &row) { return std::string(row.param.name); });

// ---- A move or copy that fails after the recycle ----

class PartialFailureTest : public PairReviewTest, public testing::WithParamInterface<ResolutionAction>
{
};

TEST_P(PartialFailureTest, SaysWhereEachFileIsAndTheRowsShowIt)
{
    const ResolutionAction action = GetParam();
    const int left = addFile(u"a"_s, u"left.jpg"_s, 2000);
    const int right = addFile(u"b"_s, u"right.jpg"_s, 1000);
    const int other = addFile(u"c"_s, u"other.jpg"_s, 500);
    db.addPair(collection, left, right, 1);
    db.addPair(collection, left, other, 2);
    db.addPair(collection, right, other, 3);
    const QByteArray leftBytes = contents(path(u"a/left.jpg"_s));
    const QString rightRow = pictureRows()[1];

    FailingMoveAndCopy files;
    PairReview review(db.session(), files);
    review.open();
    const ResolutionResult result = review.resolve(review.current().id, action, steps);

    EXPECT_EQ(result.outcome, ResolutionOutcome::PartlyDone);
    const QString failure
        = store::ResolutionAction::MoveToLeft == action ? u"the move was refused"_s : u"the copy was refused"_s;
    EXPECT_EQ(result.message,
        u"%1; %2 is in the Trash now and can be restored from there, and %3 is still where it was."_s.arg(
            failure, path(u"a/left.jpg"_s), path(u"b/right.jpg"_s)));
    EXPECT_EQ(trash.files(), QStringList {u"left.jpg"_s});
    EXPECT_EQ(contents(path(u"b/right.jpg"_s)), contents(path(u"b/right.jpg"_s)));
    // The recycled picture's row and pairs are gone; the survivor's row is as it was.
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Picture WHERE ID = ?", {left}), 0);
    EXPECT_EQ(pictureRows().value(0), rightRow);
    EXPECT_EQ(pairRows().size(), 1);
    ASSERT_TRUE(review.hasCurrent());
    EXPECT_EQ(review.count(), 1);
    EXPECT_EQ(review.current().left.pictureId, right);

    // Journalled as the delete it became, so that undo brings the file and its rows back.
    const std::vector<store::JournalEntry> journal = store::ListResolutions(db.session(), collection);
    ASSERT_EQ(journal.size(), 1u);
    EXPECT_EQ(journal[0].action, ResolutionAction::DeleteLeft);
    EXPECT_EQ(journal[0].id, result.journalId);
    UndoResolution(db.session(), real, result.journalId);
    EXPECT_EQ(contents(path(u"a/left.jpg"_s)), leftBytes);
    EXPECT_EQ(pairRows().size(), 3);
}

INSTANTIATE_TEST_SUITE_P(Actions, PartialFailureTest,
    testing::Values(ResolutionAction::MoveToLeft, ResolutionAction::CopyToLeft),
    [](const testing::TestParamInfo<ResolutionAction> &row) {
        return row.param == ResolutionAction::MoveToLeft ? std::string("Move") : std::string("Copy");
    });

// ---- The journal and undo of each resolution ----

struct UndoCase
{
    const char *name;
    ResolutionAction action;
    bool sameNames; // both files named alike: a moved or copied file takes the given-up one's place
    const char *afterwards; // the file that stands in the given-up file's folder, "" when none
};

void PrintTo(const UndoCase &c, std::ostream *out)
{
    *out << c.name;
}

class UndoTest : public PairReviewTest, public testing::WithParamInterface<UndoCase>
{
};

TEST_P(UndoTest, PutsEveryFileAndRowBackAndEmptiesTheTrash)
{
    const UndoCase &c = GetParam();
    const QString leftName = c.sameNames ? u"photo.jpg"_s : u"left.jpg"_s;
    const QString rightName = c.sameNames ? u"photo.jpg"_s : u"right.jpg"_s;
    const int left = addFile(u"a"_s, leftName, 2000);
    const int right = addFile(u"b"_s, rightName, 1000);
    const int other = addFile(u"c"_s, u"other.jpg"_s, 500);
    db.addPair(collection, left, right, 1);
    db.addPair(collection, left, other, 2);
    db.addPair(collection, right, other, 3);
    const auto filesBefore = files();
    const QStringList picturesBefore = pictureRows();
    const QStringList pairsBefore = pairRows();

    PairReview review(db.session(), real);
    review.setRememberNotAMatch(true);
    review.open();
    const ResolutionResult result = review.resolve(review.current().id, c.action, steps);
    ASSERT_EQ(result.outcome, ResolutionOutcome::Done) << result.message.toStdString();
    const bool fileAction = c.action != ResolutionAction::NotAMatch;
    EXPECT_EQ(files() != filesBefore, fileAction);
    const bool leftGoes = givenUpPane(c.action) == 'L';
    const std::vector<store::JournalEntry> journal = store::ListResolutions(db.session(), collection);
    ASSERT_EQ(journal.size(), 1u);
    const store::JournalEntry &entry = journal[0];
    EXPECT_EQ(entry.action, c.action);
    EXPECT_EQ(entry.leftPath, path(u"a/"_s + leftName));
    EXPECT_EQ(entry.rightPath, path(u"b/"_s + rightName));
    EXPECT_EQ(entry.leftSize, 2000);
    EXPECT_EQ(entry.rightSize, 1000);
    EXPECT_EQ(entry.rightTime, store::fromDays(kModified));
    EXPECT_EQ(entry.difference, 1);
    EXPECT_FALSE(entry.undone);
    if (fileAction) {
        EXPECT_EQ(trash.originalPath(entry.trashInfoName), leftGoes ? entry.leftPath : entry.rightPath);
        if (*c.afterwards) {
            EXPECT_TRUE(QFile::exists(path(QString::fromLatin1(c.afterwards))));
        }
    } else {
        EXPECT_TRUE(entry.trashInfoName.isEmpty());
        EXPECT_EQ(store::ListRememberedNotAMatches(db.session()).size(), 1u);
    }

    UndoResolution(db.session(), real, entry.id);
    EXPECT_EQ(files(), filesBefore);
    EXPECT_EQ(pictureRows(), picturesBefore);
    EXPECT_EQ(pairRows(), pairsBefore);
    EXPECT_TRUE(store::ListResolutions(db.session(), collection)[0].undone);
    EXPECT_FALSE(trashInfos().contains(entry.trashInfoName + u".trashinfo"_s)) << trashInfos().join(u' ').toStdString();
    // What a copy put in the given-up file's place is in the Trash, never deleted.
    EXPECT_EQ(trash.files().size(), isCopy(c.action) ? 1 : 0);
    EXPECT_TRUE(store::ListRememberedNotAMatches(db.session()).empty());
    // And the list has the pair again.
    review.open();
    EXPECT_EQ(review.count(), 3);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, UndoTest,
    testing::Values(UndoCase {"DeleteLeft", ResolutionAction::DeleteLeft, false, ""},
        UndoCase {"DeleteRight", ResolutionAction::DeleteRight, false, ""},
        UndoCase {"MoveToLeft", ResolutionAction::MoveToLeft, false, "a/right.jpg"},
        UndoCase {"MoveToLeftOntoItsPlace", ResolutionAction::MoveToLeft, true, "a/photo.jpg"},
        UndoCase {"MoveToRight", ResolutionAction::MoveToRight, false, "b/left.jpg"},
        UndoCase {"CopyToLeft", ResolutionAction::CopyToLeft, false, "a/right.jpg"},
        UndoCase {"CopyToLeftOntoItsPlace", ResolutionAction::CopyToLeft, true, "a/photo.jpg"},
        UndoCase {"CopyToRight", ResolutionAction::CopyToRight, false, "b/left.jpg"},
        UndoCase {"NotAMatch", ResolutionAction::NotAMatch, false, ""}),
    [](const testing::TestParamInfo<UndoCase> &row) { return std::string(row.param.name); });

enum class InTheWay {
    PlaceTaken,
    TrashEntryGone,
    MovedFileGone,
    AlreadyUndone,
};

struct RefusalCase
{
    const char *name;
    ResolutionAction action;
    InTheWay obstacle;
    const char *says;
};

void PrintTo(const RefusalCase &c, std::ostream *out)
{
    *out << c.name;
}

class UndoRefusalTest : public PairReviewTest, public testing::WithParamInterface<RefusalCase>
{
};

TEST_P(UndoRefusalTest, RefusesWithOneLineAndChangesNothing)
{
    const RefusalCase &c = GetParam();
    const int left = addFile(u"a"_s, u"left.jpg"_s, 2000);
    const int right = addFile(u"b"_s, u"right.jpg"_s, 1000);
    db.addPair(collection, left, right, 1);
    PairReview review(db.session(), real);
    review.open();
    ASSERT_EQ(review.resolve(review.current().id, c.action, steps).outcome, ResolutionOutcome::Done);
    const store::JournalEntry entry = store::ListResolutions(db.session(), collection)[0];
    switch (c.obstacle) {
    case InTheWay::PlaceTaken:
        writeFile(path(u"a/left.jpg"_s), 10, u"new"_s);
        break;
    case InTheWay::TrashEntryGone:
        ASSERT_TRUE(QFile::rename(trash.trash() + u"/files/"_s + entry.trashInfoName, db.folder() + u"/emptied"_s));
        break;
    case InTheWay::MovedFileGone:
        ASSERT_TRUE(QFile::rename(entry.targetPath, db.folder() + u"/elsewhere"_s));
        break;
    case InTheWay::AlreadyUndone:
        UndoResolution(db.session(), real, entry.id);
        break;
    }
    const auto filesBefore = files();
    const QStringList picturesBefore = pictureRows();
    const QStringList trashBefore = trash.files();

    try {
        UndoResolution(db.session(), real, entry.id);
        FAIL() << "the undo went through";
    } catch (const Error &e) {
        EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
        EXPECT_EQ(std::string(e.what()).find('\n'), std::string::npos);
    }
    EXPECT_EQ(files(), filesBefore);
    EXPECT_EQ(pictureRows(), picturesBefore);
    EXPECT_EQ(trash.files(), trashBefore);
    EXPECT_EQ(store::ListResolutions(db.session(), collection)[0].undone, c.obstacle == InTheWay::AlreadyUndone);
}

INSTANTIATE_TEST_SUITE_P(Obstacles, UndoRefusalTest,
    testing::Values(RefusalCase {"PlaceTaken", ResolutionAction::DeleteLeft, InTheWay::PlaceTaken, "is taken"},
        RefusalCase {"TrashEntryGone", ResolutionAction::DeleteLeft, InTheWay::TrashEntryGone, "no longer holds"},
        RefusalCase {"MovedFileGone", ResolutionAction::MoveToLeft, InTheWay::MovedFileGone, "no longer where"},
        RefusalCase {"AlreadyUndone", ResolutionAction::CopyToRight, InTheWay::AlreadyUndone, "undone already"}),
    [](const testing::TestParamInfo<RefusalCase> &row) { return std::string(row.param.name); });

} // namespace
