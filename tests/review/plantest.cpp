// A rule's scope and its decision on one pair (each criterion, margins, the guard, keep and prune
// folders, a keeper in the Trash, a tie), the words of a few reasons, and the plan of a small list
// with a chain, a file given up twice and a cycle.
#include "review/plan.h"

#include <QLocale>

#include <gtest/gtest.h>

#include "support/printers.h"

using namespace vexaris;
using namespace vexaris::review;
using namespace Qt::Literals::StringLiterals;

namespace {

struct File
{
    const char *path;
    qint64 size = 1000;
    int width = 100;
    int height = 100;
    double modified = 45000;
};

// The folder rows of the files a test names, one ID per path.
int folderIdOf(const QString &folder)
{
    static QHash<QString, int> ids;
    return *ids.insert(folder, ids.value(folder, static_cast<int>(ids.size()) + 1));
}

PairSide sideOf(int pictureId, const File &file)
{
    const QString path = QString::fromUtf8(file.path);
    const qsizetype slash = path.lastIndexOf(u'/');
    PairSide side;
    side.pictureId = pictureId;
    side.folderPath = path.left(slash);
    side.folderId = folderIdOf(side.folderPath);
    side.fileName = path.mid(slash + 1);
    side.size = file.size;
    side.width = file.width;
    side.height = file.height;
    side.modified = file.modified;
    return side;
}

PairRow rowOf(const File &a, const File &b, qint64 id = 1, int difference = 10)
{
    return {id, 1, sideOf(1, a), sideOf(2, b), difference};
}

Rule ruleOf(const char *keep, const char *keepFolder = nullptr, const char *pruneFolder = nullptr, bool guard = true)
{
    Rule rule;
    rule.keeperOrder = parseKeeperOrder(QString::fromUtf8(keep));
    if (keepFolder)
        rule.keepFolders << QString::fromUtf8(keepFolder);
    if (pruneFolder)
        rule.pruneFolders << QString::fromUtf8(pruneFolder);
    rule.guard = guard;
    return rule;
}

// The path of the kept file, or "" when nothing is given up.
QString keptPath(const PairRow &row, const PairDecision &decision)
{
    if (decision.keeperPane == 0)
        return {};
    return (decision.keeperPane == 'L' ? leftShown(row) : rightShown(row)).fullPath();
}

struct DecisionCase
{
    const char *name;
    File a, b;
    Rule rule;
    Verdict verdict;
    const char *kept; // "" when nothing is given up
};

class PairDecisionTest : public testing::TestWithParam<DecisionCase>
{
};

TEST_P(PairDecisionTest, KeepsTheFileTheRuleSays)
{
    const DecisionCase &c = GetParam();
    PairJudge judge(c.rule);
    const PairRow row = rowOf(c.a, c.b);
    const PairDecision decision = judge.decide(row);
    EXPECT_EQ(decision.verdict, c.verdict) << decision.reasons.join(u"; "_s).toStdString();
    EXPECT_EQ(keptPath(row, decision), QString::fromUtf8(c.kept)) << decision.reasons.join(u"; "_s).toStdString();
    EXPECT_FALSE(decision.reasons.isEmpty());
}

constexpr File kSmall {"/p/small.jpg", 1000000, 1600, 1200};
constexpr File kLarge {"/p/large.jpg", 2000000, 4000, 3000};
constexpr File kSquare {"/p/a.jpg", 1000, 1000, 1000, 45000};
constexpr File kWider {"/p/b.jpg", 1000, 1040, 1000, 45000};
constexpr File kOlder {"/p/older.jpg", 1000, 100, 100, 45000};
constexpr File kNewer {"/p/newer.jpg", 1000, 100, 100, 45002};
constexpr File kDense {"/p/dense.jpg", 2000000, 1000, 1000};
constexpr File kSparse {"/p/sparse.jpg", 2100000, 2000, 1000};
constexpr File kBigOlder {"/p/bigolder.jpg", 1050, 100, 100, 45000};
constexpr File kSmallNewer {"/p/smallnewer.jpg", 1000, 100, 100, 45001};

Rule notAMatchRule()
{
    Rule rule;
    rule.action = RuleAction::NotAMatch;
    return rule;
}

INSTANTIATE_TEST_SUITE_P(Rule, PairDecisionTest,
    testing::Values(DecisionCase {"MorePixels", kSmall, kLarge, ruleOf("pixels"), Verdict::Act, "/p/large.jpg"},
        DecisionCase {"PixelsWithinPercent", kSquare, kWider, ruleOf("pixels:5%"), Verdict::Undecided, ""},
        DecisionCase {"PixelsBeyondPercent", kSquare, kWider, ruleOf("pixels:4%"), Verdict::Act, "/p/b.jpg"},
        DecisionCase {"PixelsWithinAmount", kSquare, kWider, ruleOf("pixels:40001"), Verdict::Undecided, ""},
        DecisionCase {"PixelsAtTheAmount", kSquare, kWider, ruleOf("pixels:40000"), Verdict::Act, "/p/b.jpg"},
        DecisionCase {"LargerFile", File {"/p/a.jpg", 2000}, File {"/p/b.jpg", 1000}, ruleOf("older,bytes"),
            Verdict::Act, "/p/a.jpg"},
        DecisionCase {"FirstCriterionThatTellsDecides", File {"/p/a.jpg", 2000, 100, 100, 45001},
            File {"/p/b.jpg", 1000, 100, 100, 45000}, ruleOf("pixels,bytes,older"), Verdict::Act, "/p/a.jpg"},
        DecisionCase {"GuardOnBytes", kBigOlder, kSmallNewer, ruleOf("bytes:10%,newer"), Verdict::Guarded, ""},
        DecisionCase {"WithoutTheGuard", kBigOlder, kSmallNewer, ruleOf("bytes:10%,newer", nullptr, nullptr, false),
            Verdict::Act, "/p/smallnewer.jpg"},
        DecisionCase {"BytesPerPixel", kDense, kSparse, ruleOf("bytes-per-pixel", nullptr, nullptr, false),
            Verdict::Act, "/p/dense.jpg"},
        DecisionCase {"GuardOnPixels", kDense, kSparse, ruleOf("bytes-per-pixel"), Verdict::Guarded, ""},
        DecisionCase {"BytesPerPixelWithinAmount", kDense, kSparse,
            ruleOf("bytes-per-pixel:1", nullptr, nullptr, false), Verdict::Undecided, ""},
        DecisionCase {"RankedFormat", File {"/p/a.jpg"}, File {"/p/b.PNG"}, ruleOf("format=heic>png>jpg"), Verdict::Act,
            "/p/b.PNG"},
        DecisionCase {"UnrankedRanksBelow", File {"/p/a.gif"}, File {"/p/b.jpg"}, ruleOf("format=heic>png>jpg"),
            Verdict::Act, "/p/b.jpg"},
        DecisionCase {
            "BothUnranked", File {"/p/a.gif"}, File {"/p/b.bmp"}, ruleOf("format=png"), Verdict::Undecided, ""},
        DecisionCase {"Older", kNewer, kOlder, ruleOf("older"), Verdict::Act, "/p/older.jpg"},
        DecisionCase {"Newer", kOlder, kNewer, ruleOf("newer"), Verdict::Act, "/p/newer.jpg"},
        DecisionCase {"DatesWithinMargin", kOlder, kNewer, ruleOf("older:172801s"), Verdict::Undecided, ""},
        DecisionCase {"DatesAtTheMargin", kOlder, kNewer, ruleOf("older:48h"), Verdict::Act, "/p/older.jpg"},
        DecisionCase {"PlainName", File {"/p/IMG copy.jpg"}, File {"/p/IMG.jpg"}, ruleOf("plain-name"), Verdict::Act,
            "/p/IMG.jpg"},
        DecisionCase {
            "Tie", kOlder, File {"/q/older.jpg"}, ruleOf("pixels,bytes,older,plain-name"), Verdict::Undecided, ""},
        DecisionCase {"KeepFolderKeepsItsFile", File {"/keep/a.jpg", 1000, 100, 100, 45001}, kOlder,
            ruleOf("older", "/keep"), Verdict::Act, "/keep/a.jpg"},
        DecisionCase {"KeepFolderStillGuarded", File {"/keep/a.jpg", 1000, 10, 10}, kOlder, ruleOf("older", "/keep/"),
            Verdict::Guarded, ""},
        DecisionCase {"BothUnderKeepFolders", File {"/keep/a.jpg"}, File {"/keep/sub/b.jpg"}, ruleOf("older", "/keep"),
            Verdict::Guarded, ""},
        DecisionCase {"PruneFolderGivesUpItsFile", File {"/prune/a.jpg", 1000, 100, 100, 44000}, kOlder,
            ruleOf("older", nullptr, "/prune"), Verdict::Act, "/p/older.jpg"},
        DecisionCase {"BothUnderPruneFolders", File {"/prune/a.jpg", 1000, 100, 100, 44000}, File {"/prune/b/c.jpg"},
            ruleOf("older", nullptr, "/prune"), Verdict::Act, "/prune/a.jpg"},
        DecisionCase {"KeeperInTheTrash", File {"/home/u/.local/share/Trash/files/a.jpg", 2000}, File {"/p/a.jpg"},
            ruleOf("bytes"), Verdict::Guarded, ""},
        DecisionCase {"NotAMatchGivesUpNothing", kSmall, kLarge, notAMatchRule(), Verdict::Act, ""}),
    [](const testing::TestParamInfo<DecisionCase> &row) { return std::string(row.param.name); });

struct ScopeCase
{
    const char *name;
    Rule rule;
    bool inScope;
};

class RuleScopeTest : public testing::TestWithParam<ScopeCase>
{
};

TEST_P(RuleScopeTest, TakesThePairsItNames)
{
    // Pair 7, Difference 12.
    const PairRow row
        = rowOf(File {"/photos/a/x.jpg", 3000, 2000, 1500}, File {"/photos/b/y.PNG", 2000, 1000, 1000}, 7, 12);
    PairJudge judge(GetParam().rule);
    EXPECT_EQ(judge.inScope(row), GetParam().inScope);
}

Rule scoped(void (*change)(RuleScope &))
{
    Rule rule;
    change(rule.scope);
    return rule;
}

INSTANTIATE_TEST_SUITE_P(Rule, RuleScopeTest,
    testing::Values(ScopeCase {"Anything", Rule {}, true},
        ScopeCase {
            "DifferenceInterval", scoped([](RuleScope &s) { s.minDifference = 12, s.maxDifference = 12; }), true},
        ScopeCase {"DifferenceBelow", scoped([](RuleScope &s) { s.minDifference = 13; }), false},
        ScopeCase {"DifferenceAbove", scoped([](RuleScope &s) { s.maxDifference = 11; }), false},
        ScopeCase {"OneSideInTheFolder", scoped([](RuleScope &s) { s.folders = {u"/photos/b/"_s}; }), true},
        ScopeCase {"BelowTheFolder", scoped([](RuleScope &s) { s.folders = {u"/photos"_s}; }), true},
        ScopeCase {"FolderThatOnlyBeginsAlike", scoped([](RuleScope &s) { s.folders = {u"/photo"_s}; }), false},
        ScopeCase {"PatternAcrossFolders", scoped([](RuleScope &s) { s.patterns = {u"*/b/*.PNG"_s}; }), true},
        ScopeCase {"PatternOfOneCharacter", scoped([](RuleScope &s) { s.patterns = {u"/photos/?/x.jpg"_s}; }), true},
        ScopeCase {"PatternOfNoneOf", scoped([](RuleScope &s) { s.patterns = {u"/photos/[!ab]/*"_s}; }), false},
        ScopeCase {"PatternCaseMatters", scoped([](RuleScope &s) { s.patterns = {u"*.png"_s}; }), false},
        ScopeCase {"FolderOrPattern",
            scoped([](RuleScope &s) { s.folders = {u"/elsewhere"_s}, s.patterns = {u"*x.jpg"_s}; }), true},
        ScopeCase {"SameFolder", scoped([](RuleScope &s) { s.relation = FolderRelation::Same; }), false},
        ScopeCase {"DifferentFolders", scoped([](RuleScope &s) { s.relation = FolderRelation::Different; }), true},
        ScopeCase {"BothFormats", scoped([](RuleScope &s) {
                       s.formats = {u"png"_s, u"jpg"_s};
                   }),
            true},
        ScopeCase {"OneFormatOnly", scoped([](RuleScope &s) { s.formats = {u"jpg"_s}; }), false},
        ScopeCase {"EnoughPixels", scoped([](RuleScope &s) { s.minPixels = 1000000; }), true},
        ScopeCase {"TooFewPixels", scoped([](RuleScope &s) { s.minPixels = 1000001; }), false},
        ScopeCase {"ChosenPair", scoped([](RuleScope &s) {
                       s.pairIds = {3, 7};
                   }),
            true},
        ScopeCase {"AnotherPair", scoped([](RuleScope &s) { s.pairIds = {8}; }), false}),
    [](const testing::TestParamInfo<ScopeCase> &row) { return std::string(row.param.name); });

TEST(PlanReasons, SayWhatDecidedWithTheNumbersGroupedAsTheLocaleGroupsThem)
{
    QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    const auto reasons = [](const File &a, const File &b, const Rule &rule) {
        PairJudge judge(rule);
        return judge.decide(rowOf(a, b)).reasons.join(u" | "_s);
    };
    EXPECT_EQ(
        reasons(kSmall, kLarge, ruleOf("pixels")), u"left has more pixels: 4,000 × 3,000 against 1,600 × 1,200"_s);
    EXPECT_EQ(reasons(kLarge, File {"/photos/best/a.jpg", 2000000, 4000, 3000}, ruleOf("pixels", "/photos/best")),
        u"right is under the keep folder /photos/best"_s);
    EXPECT_EQ(reasons(kSquare, kWider, ruleOf("pixels:5%,bytes")),
        u"pixels:5%: the difference is within the margin | both files are alike in every criterion"_s);
    EXPECT_EQ(reasons(File {"/p/a copy.jpg", 1050}, File {"/p/a.jpg", 1000}, ruleOf("plain-name")),
        u"right has a name without a copy marker: a.jpg against a copy.jpg | guarded: right is a smaller file than "
        u"left, 1,000 against 1,050 bytes"_s);
    QLocale::setDefault(QLocale::c());
}

TEST(Plan, ChainsResolveFromTheLeavesAFileLeavesOnceAndCyclesGoToTheUser)
{
    const File a {"/x/a.jpg", 100, 100, 100}, b {"/p/b.jpg", 200, 200, 100}, c {"/p/c.jpg", 300, 300, 100},
        d {"/p/d.jpg", 100, 100, 100};
    // Each within a tenth of the next by pixels, so bytes decide, but e and g are not: a circle.
    const File e {"/c/e.jpg", 100, 120, 1}, f {"/c/f.jpg", 200, 110, 1}, g {"/c/g.jpg", 300, 101, 1};
    std::vector<PairRow> rows;
    const auto pair = [&](int first, const File &x, int second, const File &y) {
        rows.push_back({static_cast<qint64>(rows.size() + 1), 1, sideOf(first, x), sideOf(second, y), 5});
    };
    pair(2, b, 3, c);
    pair(1, a, 2, b);
    pair(4, d, 3, c);
    pair(4, d, 2, b);
    pair(5, e, 6, f);
    pair(6, f, 7, g);
    pair(7, g, 5, e);
    const Plan plan = makePlan(rows, ruleOf("pixels:10%,bytes", nullptr, nullptr, false));

    ASSERT_EQ(plan.pairs.size(), 7u);
    const std::vector<Verdict> verdicts {Verdict::Act, Verdict::Act, Verdict::Act, Verdict::Covered, Verdict::Conflict,
        Verdict::Conflict, Verdict::Conflict};
    for (size_t i = 0; i < verdicts.size(); ++i)
        EXPECT_EQ(plan.pairs[i].verdict, verdicts[i]) << i;
    EXPECT_EQ(plan.order, (std::vector<size_t> {1, 0, 2}));
    EXPECT_EQ(plan.pairs[1].givenUpId, 1);
    EXPECT_EQ(plan.pairs[1].keeperId, 2);
    EXPECT_EQ(plan.pairs[1].finalKeeperId, 3);
    EXPECT_EQ(plan.pairs[1].action, ResolutionAction::DeleteRight);
    EXPECT_EQ(plan.pairs[1].reasons.last(), u"the keeper leaves as well; what stays in the end is /p/c.jpg"_s);
    EXPECT_EQ(plan.pairs[3].reasons.last(), u"right already goes to the Trash by pair 3"_s);
    EXPECT_EQ(plan.pairs[4].keeperId, 0);
    EXPECT_EQ(plan.pairs[4].reasons.last(),
        u"the rule's choices go round in a circle through 3 pictures; decide this pair yourself"_s);

    EXPECT_EQ(plan.summary.count(Verdict::Act), 3);
    EXPECT_EQ(plan.summary.count(Verdict::Covered), 1);
    EXPECT_EQ(plan.summary.count(Verdict::Conflict), 3);
    EXPECT_EQ(plan.summary.files, 3);
    EXPECT_EQ(plan.summary.bytes, 400);
    ASSERT_EQ(plan.summary.folders.size(), 2u);
    EXPECT_EQ(plan.summary.folders[0].folder, u"/p"_s);
    EXPECT_EQ(plan.summary.folders[0].bytes, 300);
    EXPECT_EQ(plan.summary.folders[1].files, 1);
}

} // namespace
