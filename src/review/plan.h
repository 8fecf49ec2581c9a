// What a rule would do to a pair list, worked out without touching a file or a row: a verdict per
// pair in scope with the keeper, the given-up file and the reasons in words, the order in which
// the acting pairs are applied, and what goes to the Trash.
//
// The plan never lets a group of pairs lose its last file. Each given-up file is an edge to its
// keeper. Edges that go round in a circle (possible with margins and mixed criteria) are
// conflicts for the user. Of a file's other edges the first in list order acts and the rest are
// covered, so no file leaves twice and the acting edges form trees whose roots stay. Acting pairs
// are ordered from the leaves to the roots: every keeper is still there when its pair is applied,
// and the file that stays at the end of a chain is the pair's final keeper.
#pragma once

#include <array>
#include <memory>
#include <span>
#include <vector>

#include <QString>
#include <QStringList>

#include "review/actions.h"
#include "review/pairlist.h"
#include "review/rule.h"

namespace vexaris::review {

enum class Verdict { Act, Undecided, Guarded, Covered, Conflict };
inline constexpr size_t kVerdictCount = 5;

// The stable name scripts see: "act", "undecided", "guarded", "covered", "conflict".
const char *verdictName(Verdict verdict);
// The user's word for it, translated.
QString verdictCaption(Verdict verdict);

// What the rule says of one pair taken alone.
struct PairDecision
{
    Verdict verdict = Verdict::Undecided; // Act, Undecided or Guarded
    char keeperPane = 0; // 'L' or 'R' of the panes when a file is given up, else 0
    QStringList reasons;
};

// The rule's scope and its decision on one pair, with what it works out once per folder and
// picture kept between pairs. The rule must have passed checkRule.
class PairJudge
{
public:
    explicit PairJudge(const Rule &rule);
    ~PairJudge();
    PairJudge(const PairJudge &) = delete;
    PairJudge &operator=(const PairJudge &) = delete;

    bool inScope(const PairRow &row);
    PairDecision decide(const PairRow &row);

private:
    struct Cache;
    Rule m_rule;
    std::unique_ptr<Cache> m_cache;
};

struct PlannedPair
{
    qint64 pairId = 0;
    int leftId = 0, rightId = 0; // as the panes show them: left is the larger file
    Verdict verdict = Verdict::Undecided;
    int keeperId = 0; // 0 where nothing is given up
    int givenUpId = 0; // 0 where nothing is given up
    int finalKeeperId = 0; // the file that stays for the given-up one at the end of its chain
    // DeleteLeft or DeleteRight for a Trash rule, by the side given up (a covered pair's says what
    // it would do); NotAMatch for a rule that declares its pairs not a match, and where nothing is
    // given up. Only the pairs in Plan::order are applied.
    ResolutionAction action = ResolutionAction::NotAMatch;
    QStringList reasons;
};

struct FolderShare
{
    QString folder;
    qint64 files = 0;
    qint64 bytes = 0;
};

struct PlanSummary
{
    std::array<qint64, kVerdictCount> pairs {}; // by Verdict
    qint64 count(Verdict verdict) const { return pairs[static_cast<size_t>(verdict)]; }
    // The files the acting pairs give up, and their bytes, in all and per folder (by path).
    qint64 files = 0;
    qint64 bytes = 0;
    std::vector<FolderShare> folders;
};

struct Plan
{
    std::vector<PlannedPair> pairs; // in scope, in list order
    std::vector<size_t> order; // indexes into pairs of the acting ones, in the order to apply
    PlanSummary summary;
};

Plan makePlan(const PairList &list, const Rule &rule);
// The same over rows in list order.
Plan makePlan(std::span<const PairRow> rows, const Rule &rule);

} // namespace vexaris::review
