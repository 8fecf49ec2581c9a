// A batch over real files, a Trash of the test's own and a real database: killed at any moment of
// its file steps it leaves every pair it finished settled and journalled and nothing half done, and
// its undo brings every file, row and pair back; a volume without a usable Trash refuses the whole
// batch before any file moves.
#include "review/batch.h"

#include <csignal>
#include <random>

#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "common/error.h"
#include "review/undo.h"
#include "steppedfileoperation.h"
#include "store/datetime.h"
#include "store/journal.h"
#include "support/testdatabase.h"
#include "trashfixture.h"

using namespace vexaris;
using namespace vexaris::review;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double kModified = 45000.5;
constexpr int kPairs = 8;

class Quiet final : public BatchObserver
{
public:
    void progress(const BatchProgress &) override { }
    bool stopRequested() override { return false; }
};

class BatchTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(trash.isValid());
        db = std::make_unique<test::ConnectedTestDatabase>();
        collection = db->addCollection(u"Copies"_s);
        db->session().CurrentCollection = {.ID = collection, .Name = u"Copies"_s};
        // Pairs of copies, each in two folders of its own; the last two pairs are declared not a
        // match, the others give up their smaller file.
        for (int n = 0; n < kPairs; ++n) {
            const int left = addFile(u"keep%1"_s.arg(n), 2000 + n);
            const int right = addFile(u"drop%1"_s.arg(n), 1000 + n);
            db->addPair(collection, left, right, n);
        }
        pairsBefore = rows("SELECT Left_ID, Right_ID, Difference FROM Duplicate ORDER BY ID");
        pairsBefore.sort();
        steps.clear();
        picturesBefore = rows("SELECT ID, FolderID, FileName FROM Picture ORDER BY ID");
        PairList list;
        list.read(db->session(), collection);
        for (int position = 1; position <= list.count(); ++position) {
            steps.push_back({list.rowAt(position),
                position > kPairs - 2 ? ResolutionAction::NotAMatch : ResolutionAction::DeleteRight});
        }
    }

    int addFile(const QString &folder, int size)
    {
        QDir().mkpath(db->folder() + u'/' + folder);
        QFile file(db->folder() + u'/' + folder + u"/photo.jpg"_s);
        EXPECT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(QByteArray(size, 'p'));
        EXPECT_TRUE(file.flush());
        EXPECT_TRUE(file.setFileTime(store::fromDays(kModified), QFileDevice::FileModificationTime));
        return db->addPicture({.collectionId = collection,
            .folderId = db->addFolder(collection, db->folder() + u'/' + folder),
            .fileName = u"photo.jpg"_s,
            .size = size,
            .modified = kModified});
    }

    QStringList rows(const char *sql)
    {
        store::Statement query(db->database(), QString::fromUtf8(sql));
        QStringList result;
        while (query.step()) {
            QStringList columns;
            for (int i = 0; i < query.columnCount(); ++i)
                columns << query.column(i).toString();
            result << columns.join(u' ');
        }
        return result;
    }

    // Each given-up file is where its journal says: in the Trash with its row gone when its entry
    // is done, else at its place with its row.
    void expectRowsAndFilesAgree()
    {
        EXPECT_TRUE(store::UnsettledResolutions(db->session()).empty());
        int done = 0;
        for (const store::JournalEntry &entry : store::ListResolutions(db->session(), collection)) {
            if (entry.action == ResolutionAction::NotAMatch)
                continue;
            ++done;
            EXPECT_TRUE(QFile::exists(TrashSlot::fromInfoPath(entry.trashInfoPath).filesPath));
            EXPECT_FALSE(QFile::exists(entry.rightPath));
        }
        EXPECT_EQ(trash.files().size(), done);
        store::Statement pictures(db->database(),
            u"SELECT Folder.Path || '/' || Picture.FileName FROM Picture JOIN Folder ON Folder.ID = Picture.FolderID"_s);
        int present = 0;
        while (pictures.step()) {
            EXPECT_TRUE(QFile::exists(pictures.column(0).toString())) << pictures.column(0).toString().toStdString();
            ++present;
        }
        EXPECT_EQ(present + done, 2 * kPairs);
    }

    test::OwnTrash trash;
    std::unique_ptr<test::ConnectedTestDatabase> db;
    int collection = 0;
    std::vector<BatchStep> steps;
    QStringList pairsBefore;
    QStringList picturesBefore;
};

TEST_F(BatchTest, KilledAtAnyMomentItLeavesFinishedPairsSettledAndItsUndoBringsEverythingBack)
{
    std::mt19937 random(9);
    // Each Trash step has a moment before and after its file moves; one moment past the last is
    // the batch that runs to its end.
    const int moments = 2 * (kPairs - 2) + 1;
    bool first = true;
    for (const int moment : {1, 2, static_cast<int>(3 + random() % (moments - 4)), moments - 1, moments}) {
        SCOPED_TRACE(moment);
        if (!first)
            SetUp();
        first = false;
        if (HasFatalFailure())
            return;
        const pid_t child = ::fork();
        if (child == 0) {
            try {
                store::Session session;
                session.ConnectDatabase(db->path());
                test::KillingFileOperation files(moment);
                Quiet quiet;
                applyBatch(session, files, collection, steps, {u"smaller"_s, u"{}"_s, false}, quiet);
            } catch (...) {
                ::_exit(1);
            }
            ::_exit(0);
        }
        int status = 0;
        ::waitpid(child, &status, 0);
        EXPECT_EQ(WIFSIGNALED(status), moment < moments);
        QtFileOperation files;
        SettleUnfinished(db->session(), files);
        expectRowsAndFilesAgree();

        const std::vector<store::BatchEntry> batches = store::ListBatches(db->session(), collection);
        ASSERT_EQ(batches.size(), 1u);
        const BatchUndoResult undone = UndoBatch(db->session(), files, batches[0].id);
        EXPECT_TRUE(undone.refused.empty()) << undone.refused.front().reason.toStdString();
        EXPECT_EQ(rows("SELECT ID, FolderID, FileName FROM Picture ORDER BY ID"), picturesBefore);
        QStringList pairsNow = rows("SELECT Left_ID, Right_ID, Difference FROM Duplicate ORDER BY ID");
        pairsNow.sort();
        EXPECT_EQ(pairsNow, pairsBefore);
        EXPECT_TRUE(trash.files().isEmpty());
    }
}

// A Trash that refuses the files of one volume: the batch refuses before anything happens.
class NoTrashFor final : public test::SteppedFileOperation
{
public:
    explicit NoTrashFor(QString folder)
        : m_folder(std::move(folder))
    {
    }
    QString trashFolderFor(const QString &path, QString &message) override
    {
        if (path.startsWith(m_folder)) {
            message = u"no Trash on the volume of %1"_s.arg(m_folder);
            return {};
        }
        return SteppedFileOperation::trashFolderFor(path, message);
    }

protected:
    void at(const char *, bool) override { }

private:
    QString m_folder;
};

TEST_F(BatchTest, AVolumeWithoutAUsableTrashRefusesTheWholeBatchFirst)
{
    NoTrashFor files(db->folder() + u"/drop3"_s);
    Quiet quiet;
    try {
        applyBatch(db->session(), files, collection, steps, {}, quiet);
        FAIL() << "the batch went through";
    } catch (const Error &e) {
        EXPECT_NE(std::string(e.what()).find("drop3"), std::string::npos) << e.what();
    }
    EXPECT_TRUE(trash.files().isEmpty());
    EXPECT_EQ(rows("SELECT ID, FolderID, FileName FROM Picture ORDER BY ID"), picturesBefore);
    EXPECT_TRUE(store::ListBatches(db->session(), collection).empty());
}

} // namespace
