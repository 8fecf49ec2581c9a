// Undoing a collection's resolutions in any order brings back every pair it had: a pair that
// cannot come back yet, because another resolution still holds one of its pictures, comes back
// when that one is undone in its turn. Over real files, a Trash of the test's own and a real
// database, for every order of undoing.
#include <algorithm>
#include <vector>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "review/pairreview.h"
#include "review/undo.h"
#include "store/datetime.h"
#include "support/testdatabase.h"
#include "trashfixture.h"

using namespace vexaris;
using namespace vexaris::review;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr double kModified = 45000.5;

// A resolution by picture numbers: the second one given up for the first, or, with notAMatch,
// their pair declared not a match.
struct Step
{
    int kept;
    int givenUp;
    bool notAMatch = false;
};

struct OrderCase
{
    const char *name;
    int pictures; // copies of one picture, every two of them a pair
    std::vector<Step> steps;
};

class UndoOrderTest : public testing::TestWithParam<OrderCase>
{
protected:
    // A fresh collection of n copies in n folders and every pair of them; returns the pictures.
    std::vector<int> makeCollection(test::ConnectedTestDatabase &db, int n)
    {
        const int collection = db.addCollection(u"Copies"_s);
        db.session().CurrentCollection.ID = collection;
        std::vector<int> ids;
        for (int i = 0; i < n; ++i) {
            const QString folder = db.folder() + u"/copy%1"_s.arg(i);
            QDir().mkpath(folder);
            QFile file(folder + u"/photo.jpg"_s);
            EXPECT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(1000 + i, 'x'));
            EXPECT_TRUE(file.flush());
            EXPECT_TRUE(file.setFileTime(store::fromDays(kModified), QFileDevice::FileModificationTime));
            ids.push_back(db.addPicture({.collectionId = collection,
                .folderId = db.addFolder(collection, folder),
                .fileName = u"photo.jpg"_s,
                .size = 1000 + i,
                .modified = kModified}));
        }
        for (int a = 0; a < n; ++a) {
            for (int b = a + 1; b < n; ++b)
                db.addPair(collection, ids[static_cast<size_t>(b)], ids[static_cast<size_t>(a)], a + b);
        }
        return ids;
    }

    static QStringList pairRows(test::ConnectedTestDatabase &db)
    {
        QStringList rows;
        store::Statement query(db.database(),
            u"SELECT Collection_ID, Left_ID, Right_ID, Difference FROM Duplicate ORDER BY Left_ID, Right_ID"_s);
        while (query.step()) {
            rows << u"%1 %2 %3 %4"_s.arg(query.column(0).toInt())
                        .arg(query.column(1).toInt())
                        .arg(query.column(2).toInt())
                        .arg(query.column(3).toInt());
        }
        return rows;
    }

    test::OwnTrash trash;
};

TEST_P(UndoOrderTest, EveryOrderOfUndoingBringsEveryPairBack)
{
    const OrderCase &c = GetParam();
    std::vector<size_t> order(c.steps.size());
    for (size_t i = 0; i < order.size(); ++i)
        order[i] = i;
    int orders = 0;
    do {
        test::ConnectedTestDatabase db;
        const std::vector<int> ids = makeCollection(db, c.pictures);
        const QStringList before = pairRows(db);
        QtFileOperation files;
        PairReview review(db.session(), files);
        QuietSteps steps;
        std::vector<qint64> entries;
        for (const Step &step : c.steps) {
            review.open();
            const int kept = ids[static_cast<size_t>(step.kept)];
            const int givenUp = ids[static_cast<size_t>(step.givenUp)];
            const std::optional<qint64> pair = review.list().pairBetween(kept, givenUp);
            ASSERT_TRUE(pair);
            const PairRow row = *review.pair(*pair);
            const ResolutionAction action = step.notAMatch ? ResolutionAction::NotAMatch
                : leftShown(row).pictureId == givenUp      ? ResolutionAction::DeleteLeft
                                                           : ResolutionAction::DeleteRight;
            const ResolutionResult result = review.resolve(*pair, action, steps);
            ASSERT_EQ(result.outcome, ResolutionOutcome::Done) << result.message.toStdString();
            entries.push_back(result.journalId);
        }
        QStringList undone;
        for (const size_t index : order) {
            undone << QString::number(index);
            ASSERT_NO_THROW(UndoResolution(db.session(), files, entries[index])) << undone.join(u' ').toStdString();
        }
        EXPECT_EQ(pairRows(db), before) << "undone in the order " << undone.join(u' ').toStdString();
        EXPECT_TRUE(trash.files().isEmpty());
        ++orders;
    } while (std::next_permutation(order.begin(), order.end()));
    EXPECT_GT(orders, 1);
}

INSTANTIATE_TEST_SUITE_P(Resolutions, UndoOrderTest,
    testing::Values(
        // Three copies: give up C, then B.
        OrderCase {"TwoOfThreeCopies", 3, {{0, 2}, {0, 1}}},
        // A chain: C for B, then B for A, then the last pair declared not a match.
        OrderCase {"ChainAndNotAMatch", 4, {{1, 2}, {0, 1}, {0, 3, true}}},
        // Not a match first, then both its pictures given up.
        OrderCase {"NotAMatchThenBothGivenUp", 4, {{2, 3, true}, {0, 3}, {0, 2}, {0, 1}}}),
    [](const testing::TestParamInfo<OrderCase> &row) { return std::string(row.param.name); });

} // namespace
