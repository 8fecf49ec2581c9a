// Which pair the review shows after each resolution, replayed against a recording: a sequence of
// resolutions of every kind over real files and a real database, made once with the review that
// read its whole list again after every change, and stored in tests/data/review. Any change to
// the review core must leave every step of it as recorded. VEXARIS_RECORD=1 writes the recording
// anew instead of comparing.
#include <cstdint>

#include <QDir>
#include <QFile>
#include <QStringList>

#include <gtest/gtest.h>

#include "review/pairreview.h"
#include "store/datetime.h"
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

// A fixed pseudo-random sequence, the same on every platform.
class Numbers
{
public:
    uint32_t next(uint32_t bound)
    {
        m_state = m_state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<uint32_t>(m_state >> 33) % bound;
    }

private:
    uint64_t m_state = 20261209;
};

struct Step
{
    int position;
    const char *action; // a resolution, or "vanish-left"/"vanish-right": that file is gone first
};

// Every kind of resolution, at the first, the last and middle pairs, with files gone under it.
const Step kSteps[] = {
    {1, "delete-left"},
    {3, "not-a-match"},
    {1, "not-a-match"},
    {5, "move-to-left"},
    {2, "copy-to-right"},
    {999, "delete-right"},
    {4, "vanish-left"},
    {6, "move-to-right"},
    {2, "vanish-right"},
    {999, "not-a-match"},
    {3, "copy-to-left"},
    {7, "delete-left"},
    {1, "delete-right"},
    {4, "move-to-left"},
    {2, "not-a-match"},
    {1, "delete-left"},
    {999, "move-to-right"},
    {1, "not-a-match"},
};

// "vanish-left" and "vanish-right": the file of that side is gone, then its delete is asked for.
ResolutionAction actionOf(const QString &name)
{
    if (name.startsWith(u"vanish-"_s))
        return name.endsWith(u"left"_s) ? ResolutionAction::DeleteLeft : ResolutionAction::DeleteRight;
    return actionNamed(name).value_or(ResolutionAction::NotAMatch);
}

QString recordingFile()
{
    return QStringLiteral(VEXARIS_TEST_DATA "/review/recorded-sequence.txt");
}

class RecordedSequenceTest : public testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(trash.isValid());
        collection = db.addCollection(u"Recorded"_s);
        db.session().CurrentCollection.ID = collection;
        // 24 pictures in three folders; some share a name across folders, some a size.
        Numbers numbers;
        for (int i = 0; i < 24; ++i) {
            const QString folder = QString(QChar(u'a' + i % 3));
            const QString name = i % 5 == 0 && i < 15 ? u"same.jpg"_s : u"p%1.jpg"_s.arg(i);
            const int size = 1000 + static_cast<int>(numbers.next(6)) * 100;
            ids.push_back(addFile(folder, name, size));
        }
        // 60 pairs, Differences 0 to 9 so that many tie.
        for (int n = 0; n < 60; ++n) {
            const uint32_t left = numbers.next(24);
            uint32_t right = numbers.next(23);
            if (right >= left)
                ++right;
            db.addPair(collection, ids[left], ids[right], static_cast<int>(numbers.next(10)));
        }
    }

    int folderId(const QString &folder)
    {
        if (!folders.contains(folder)) {
            QDir().mkpath(db.folder() + u'/' + folder);
            folders[folder] = db.addFolder(collection, db.folder() + u'/' + folder);
        }
        return folders[folder];
    }

    int addFile(const QString &folder, const QString &name, int size)
    {
        const int inFolder = folderId(folder);
        const QString file = db.folder() + u'/' + folder + u'/' + name;
        QFile out(file);
        EXPECT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(QByteArray(size, static_cast<char>('A' + size % 26)));
        EXPECT_TRUE(out.flush());
        EXPECT_TRUE(out.setFileTime(store::fromDays(kModified), QFileDevice::FileModificationTime));
        test::PictureRow row;
        row.collectionId = collection;
        row.folderId = inFolder;
        row.fileName = name;
        row.size = size;
        row.modified = kModified;
        return db.addPicture(row);
    }

    // What the review shows: the count, the position and the shown pair's two pictures, by the
    // stored sides, with the file each side names now.
    static QString shown(const PairReview &review)
    {
        if (!review.hasCurrent())
            return u"empty"_s;
        const PairRow &row = review.current();
        return u"%1/%2 %3:%4 %5:%6"_s.arg(review.position())
            .arg(review.count())
            .arg(row.left.pictureId)
            .arg(row.left.fileName)
            .arg(row.right.pictureId)
            .arg(row.right.fileName);
    }

    test::OwnTrash trash;
    test::ConnectedTestDatabase db;
    QMap<QString, int> folders;
    std::vector<int> ids;
    int collection = 0;
};

TEST_F(RecordedSequenceTest, EveryStepShowsTheRecordedPair)
{
    QtFileOperation files;
    PairReview review(db.session(), files);
    review.open();
    NoSteps steps;
    QStringList lines {shown(review)};
    for (const Step &step : kSteps) {
        if (!review.hasCurrent())
            break;
        review.moveTo(step.position);
        const QString name = QLatin1String(step.action);
        const ResolutionAction action = actionOf(name);
        if (name.startsWith(u"vanish-"_s)) {
            const PairSide &side = name.endsWith(u"left"_s) ? review.leftShown() : review.rightShown();
            ASSERT_TRUE(QFile::remove(side.fullPath()));
        }
        const qint64 shownPair = review.current().id;
        const ResolutionCheck check = review.check(shownPair, action);
        if (check.passed())
            review.resolve(shownPair, action, steps);
        else
            review.forget(shownPair, check);
        lines << u"%1 %2 -> %3"_s.arg(step.position).arg(name, shown(review));
    }

    const QString recorded = lines.join(u'\n') + u'\n';
    if (qEnvironmentVariableIsSet("VEXARIS_RECORD")) {
        QFile out(recordingFile());
        ASSERT_TRUE(out.open(QIODevice::WriteOnly | QIODevice::Truncate));
        out.write(recorded.toUtf8());
        GTEST_SKIP() << "recorded to " << recordingFile().toStdString();
    }
    QFile in(recordingFile());
    ASSERT_TRUE(in.open(QIODevice::ReadOnly));
    EXPECT_EQ(recorded.toStdString(), QString::fromUtf8(in.readAll()).toStdString());
}

} // namespace
