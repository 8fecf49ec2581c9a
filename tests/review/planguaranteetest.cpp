// Thousands of random pair lists under random rules, with ties, chains and cycles: whatever the
// rule, applying the plan in its order finds both files of every acting pair still there, gives
// no file up twice and none under a keep folder, and leaves every connected group of pairs a
// file. The run must also have met every verdict, so that it proves something.
#include <array>
#include <numeric>
#include <random>
#include <set>

#include <gtest/gtest.h>

#include "review/plan.h"

using namespace vexaris;
using namespace vexaris::review;
using namespace Qt::Literals::StringLiterals;

namespace {

constexpr std::array kFolders {"/p/a", "/p/b", "/keep", "/prune", "/home/u/.local/share/Trash/files"};
constexpr std::array kNames {"x.jpg", "x (1).jpg", "Copy of x.png", "x.heic", "x.gif"};
constexpr std::array<qint64, 4> kSizes {1000, 1050, 2000, 3000};
constexpr std::array<std::pair<int, int>, 4> kDimensions {{{100, 100}, {105, 100}, {200, 100}, {300, 200}}};
constexpr std::array<double, 4> kModified {45000, 45000.0005, 45001, 45010};

class Generator
{
public:
    explicit Generator(unsigned seed)
        : m_random(seed)
    {
    }

    int upTo(int last) { return std::uniform_int_distribution<int>(0, last)(m_random); }
    bool chance(int percent) { return upTo(99) < percent; }
    template <class T, size_t N> const T &any(const std::array<T, N> &values)
    {
        return values[static_cast<size_t>(upTo(static_cast<int>(N) - 1))];
    }

    std::vector<PairRow> rows()
    {
        const int pictures = 2 + upTo(10);
        std::vector<PairSide> sides;
        for (int i = 0; i < pictures; ++i) {
            PairSide side;
            side.pictureId = i + 1;
            side.folderId = upTo(static_cast<int>(kFolders.size()) - 1) + 1;
            side.folderPath = QString::fromUtf8(kFolders[static_cast<size_t>(side.folderId - 1)]);
            side.fileName = QString::fromUtf8(any(kNames));
            side.size = any(kSizes);
            std::tie(side.width, side.height) = any(kDimensions);
            side.modified = any(kModified);
            sides.push_back(side);
        }
        std::vector<PairRow> rows;
        const int pairs = 1 + upTo(2 * pictures);
        for (int n = 0; n < pairs; ++n) {
            const int first = upTo(pictures - 1);
            int second = upTo(pictures - 2);
            second += second >= first ? 1 : 0;
            rows.push_back({n + 1, 1, sides[static_cast<size_t>(first)], sides[static_cast<size_t>(second)], upTo(20)});
        }
        return rows;
    }

    Rule rule()
    {
        Rule rule;
        if (chance(10))
            rule.action = RuleAction::NotAMatch;
        const int criteria = 1 + upTo(3);
        for (int i = 0; i < criteria; ++i) {
            KeeperCriterion criterion;
            criterion.criterion = static_cast<Criterion>(upTo(6));
            const int margin = upTo(2);
            switch (criterion.criterion) {
            case Criterion::Format:
                criterion.ranking = QStringList {u"heic"_s, u"png"_s, u"jpg"_s}.mid(upTo(2));
                break;
            case Criterion::PlainName:
                break;
            case Criterion::Older:
            case Criterion::Newer:
                if (margin > 0)
                    criterion.margin = {Margin::Kind::Amount, any(std::array<double, 2> {60, 86400})};
                break;
            default:
                if (margin == 1)
                    criterion.margin = {Margin::Kind::Percent, any(std::array<double, 3> {1, 5, 10})};
                else if (margin == 2)
                    criterion.margin = {Margin::Kind::Amount, any(std::array<double, 3> {0.01, 50, 10000})};
                if (criterion.criterion != Criterion::BytesPerPixel && criterion.margin.kind == Margin::Kind::Amount)
                    criterion.margin.value = std::ceil(criterion.margin.value);
            }
            rule.keeperOrder.push_back(criterion);
        }
        if (chance(50))
            rule.keepFolders << u"/keep"_s;
        if (chance(50))
            rule.pruneFolders << u"/prune"_s;
        rule.guard = chance(50);
        if (chance(30))
            rule.scope.maxDifference = 5 + upTo(15);
        if (chance(20))
            rule.scope.relation = chance(50) ? FolderRelation::Same : FolderRelation::Different;
        return rule;
    }

private:
    std::mt19937 m_random;
};

int groupOf(std::vector<int> &parent, int at)
{
    while (parent[static_cast<size_t>(at)] != at)
        at = parent[static_cast<size_t>(at)] = parent[static_cast<size_t>(parent[static_cast<size_t>(at)])];
    return at;
}

TEST(PlanGuarantee, NoGroupOfPairsEverLosesItsLastFileWhateverTheRule)
{
    Generator generate(20240611);
    std::array<qint64, kVerdictCount> verdicts {};
    int repointed = 0;
    for (int round = 0; round < 4000; ++round) {
        const std::vector<PairRow> rows = generate.rows();
        const Rule rule = generate.rule();
        ASSERT_NO_THROW(checkRule(rule));
        const Plan plan = makePlan(rows, rule);
        SCOPED_TRACE(testing::Message() << "round " << round << ": " << ruleToText(rule).toStdString());

        std::vector<qint64> inScope;
        PairJudge judge(rule);
        for (const PairRow &row : rows) {
            if (judge.inScope(row))
                inScope.push_back(row.id);
        }
        std::vector<qint64> planned;
        for (const PlannedPair &pair : plan.pairs) {
            planned.push_back(pair.pairId);
            ++verdicts[static_cast<size_t>(pair.verdict)];
        }
        ASSERT_EQ(planned, inScope);
        const qint64 acting = std::count_if(
            plan.pairs.begin(), plan.pairs.end(), [](const PlannedPair &p) { return p.verdict == Verdict::Act; });
        ASSERT_EQ(static_cast<qint64>(plan.order.size()), acting);
        ASSERT_EQ(std::set<size_t>(plan.order.begin(), plan.order.end()).size(), plan.order.size());

        // Applies the plan as a batch would: a pair is there only while both its files are.
        std::set<int> gone;
        qint64 bytes = 0;
        for (const size_t index : plan.order) {
            const PlannedPair &pair = plan.pairs[index];
            ASSERT_EQ(pair.verdict, Verdict::Act);
            const PairRow &row = rows[static_cast<size_t>(pair.pairId - 1)];
            ASSERT_FALSE(gone.count(row.left.pictureId) || gone.count(row.right.pictureId)) << "pair " << pair.pairId;
            if (rule.action == RuleAction::NotAMatch) {
                ASSERT_EQ(pair.givenUpId, 0);
                continue;
            }
            const PairSide &lost = row.left.pictureId == pair.givenUpId ? row.left : row.right;
            ASSERT_EQ(lost.pictureId, pair.givenUpId);
            ASSERT_EQ((row.left.pictureId == pair.givenUpId ? row.right : row.left).pictureId, pair.keeperId);
            ASSERT_FALSE(!rule.keepFolders.isEmpty() && lost.folderPath == u"/keep"_s);
            ASSERT_EQ(pair.action == ResolutionAction::DeleteLeft, leftShown(row).pictureId == pair.givenUpId);
            gone.insert(pair.givenUpId);
            bytes += lost.size;
            repointed += pair.finalKeeperId != pair.keeperId;
        }
        ASSERT_EQ(plan.summary.files, static_cast<qint64>(gone.size()));
        ASSERT_EQ(plan.summary.bytes, bytes);
        for (const size_t index : plan.order)
            ASSERT_FALSE(plan.pairs[index].finalKeeperId != 0 && gone.count(plan.pairs[index].finalKeeperId));

        std::vector<int> parent(14);
        std::iota(parent.begin(), parent.end(), 0);
        for (const PairRow &row : rows)
            parent[static_cast<size_t>(groupOf(parent, row.left.pictureId))] = groupOf(parent, row.right.pictureId);
        std::set<int> groups, kept;
        for (const PairRow &row : rows) {
            for (const int id : {row.left.pictureId, row.right.pictureId}) {
                groups.insert(groupOf(parent, id));
                if (!gone.count(id))
                    kept.insert(groupOf(parent, id));
            }
        }
        ASSERT_EQ(kept, groups);
    }
    for (size_t v = 0; v < kVerdictCount; ++v)
        EXPECT_GT(verdicts[v], 0) << verdictName(static_cast<Verdict>(v));
    EXPECT_GT(repointed, 0);
}

} // namespace
