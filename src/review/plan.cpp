#include "review/plan.h"

#include <algorithm>
#include <cmath>

#include <QHash>
#include <QLocale>
#include <QRegularExpression>

#include "i18n/qtranslate.h"
#include "store/datetime.h"

namespace vexaris::review {

namespace {

constexpr std::array<const char *, kVerdictCount> kVerdictNames {"act", "undecided", "guarded", "covered", "conflict"};
constexpr std::array<const char *, kVerdictCount> kVerdictCaptions {
    N_("act"), N_("undecided"), N_("guarded"), N_("covered"), N_("conflict")};

// A glob as the user writes it: * any run of characters, / included; ? one character; [abc] and
// [!abc] one of or none of the characters; everything else stands for itself.
QRegularExpression globExpression(const QString &glob)
{
    QString pattern;
    for (qsizetype i = 0; i < glob.size(); ++i) {
        const QChar c = glob[i];
        if (c == u'*') {
            pattern += QLatin1String(".*");
        } else if (c == u'?') {
            pattern += u'.';
        } else if (c == u'[') {
            qsizetype end = i + 1;
            if (end < glob.size() && glob[end] == u'!')
                ++end;
            if (end < glob.size() && glob[end] == u']')
                ++end;
            end = glob.indexOf(u']', end);
            if (end < 0) {
                pattern += QLatin1String("\\[");
                continue;
            }
            QString set = glob.mid(i + 1, end - i - 1);
            const bool negated = set.startsWith(u'!');
            if (negated)
                set.remove(0, 1);
            pattern += negated ? QLatin1String("[^") : QLatin1String("[");
            for (const QChar member : set)
                pattern += member == u'-' ? QString(member) : QRegularExpression::escape(QString(member));
            pattern += u']';
            i = end;
        } else {
            pattern += QRegularExpression::escape(QString(c));
        }
    }
    return QRegularExpression(
        QRegularExpression::anchoredPattern(pattern), QRegularExpression::DotMatchesEverythingOption);
}

QString folderKey(const QString &folder)
{
    return folder.size() > 1 && folder.endsWith(u'/') ? folder.chopped(1) : folder;
}

bool isUnder(const QString &path, const QString &folder)
{
    if (folder == QLatin1String("/"))
        return path.startsWith(u'/');
    return path.startsWith(folder) && (path.size() == folder.size() || path[folder.size()] == u'/');
}

// The index of the first folder the path is in or below, or -1.
int folderIndex(const QString &path, const QStringList &folders)
{
    for (qsizetype i = 0; i < folders.size(); ++i) {
        if (isUnder(path, folders[i]))
            return static_cast<int>(i);
    }
    return -1;
}

qint64 pixelsOf(const PairSide &side)
{
    return static_cast<qint64>(side.width) * side.height;
}

// Dates to the millisecond, as the rows keep them, so that equal times compare equal.
double millisecondsOf(double days)
{
    return std::round(days * 86400000.0);
}

// Which side a criterion prefers: 1 the left, -1 the right, 0 neither; withinMargin when the
// values differ by less than the margin.
struct Comparison
{
    int better = 0;
    bool withinMargin = false;
};

Comparison compareValues(double left, double right, bool higherIsBetter, const Margin &margin, double unit = 1)
{
    if (left == right)
        return {};
    const double difference = std::abs(left - right);
    bool tells = true;
    if (margin.kind == Margin::Kind::Percent)
        tells = difference * 100 >= margin.value * std::min(left, right);
    else if (margin.kind == Margin::Kind::Amount)
        tells = difference >= margin.value * unit;
    if (!tells)
        return {0, true};
    return {(left > right) == higherIsBetter ? 1 : -1, false};
}

// The reasons' texts, each looked up in the catalog once per plan rather than once per pair: a
// plan words hundreds of thousands of reasons. The arguments go in as qtrFormat puts them.
class Wording
{
public:
    QString operator()(const char *format, std::initializer_list<QString> args = {})
    {
        auto found = m_formats.constFind(format);
        if (found == m_formats.constEnd())
            found = m_formats.insert(format, qtr(format));
        if (args.size() == 0)
            return *found;
        const QString &text = *found;
        qsizetype length = text.size();
        for (const QString &arg : args)
            length += arg.size();
        QString out;
        out.reserve(length);
        auto arg = args.begin();
        for (qsizetype i = 0; i < text.size(); ++i) {
            if (text[i] == u'%' && i + 1 < text.size()) {
                const QChar next = text[i + 1];
                if (next == u'%' || next == u's' || next == u'd') {
                    if (next == u'%')
                        out += u'%';
                    else if (arg != args.end())
                        out += *arg++;
                    ++i;
                    continue;
                }
            }
            out += text[i];
        }
        return out;
    }

    QString sided(char pane, const char *left, const char *right, std::initializer_list<QString> args = {})
    {
        return (*this)(pane == 'L' ? left : right, args);
    }

private:
    QHash<const char *, QString> m_formats;
};

char otherPane(char pane)
{
    return pane == 'L' ? 'R' : 'L';
}

} // namespace

const char *verdictName(Verdict verdict)
{
    return kVerdictNames[static_cast<size_t>(verdict)];
}

QString verdictCaption(Verdict verdict)
{
    return qtr(kVerdictCaptions[static_cast<size_t>(verdict)]);
}

struct PairJudge::Cache
{
    struct FolderFacts
    {
        int keep = -1; // index into keepFolders
        int prune = -1;
        bool scoped = false; // in or below a folder of the scope
        bool trash = false;
    };

    QStringList scopeFolders, keepFolders, pruneFolders;
    std::vector<QRegularExpression> patterns;
    std::vector<qint64> pairIds; // sorted
    QHash<int, FolderFacts> folders; // by folder ID
    QHash<int, bool> matches; // whether a picture's full path matches a pattern, by its ID
    QLocale locale;
    Wording wording;

    FolderFacts factsOf(const QString &path) const
    {
        return {folderIndex(path, keepFolders), folderIndex(path, pruneFolders), folderIndex(path, scopeFolders) >= 0,
            isTrashFolder(path)};
    }
    FolderFacts facts(const PairSide &side)
    {
        if (side.folderId == 0)
            return factsOf(side.folderPath);
        const auto found = folders.constFind(side.folderId);
        if (found != folders.constEnd())
            return *found;
        return *folders.insert(side.folderId, factsOf(side.folderPath));
    }
    bool matchesPattern(const PairSide &side)
    {
        const auto found = matches.constFind(side.pictureId);
        if (found != matches.constEnd())
            return *found;
        const QString path = side.fullPath();
        const bool match = std::any_of(
            patterns.begin(), patterns.end(), [&](const auto &glob) { return glob.match(path).hasMatch(); });
        matches.insert(side.pictureId, match);
        return match;
    }

    QString pixelsText(const PairSide &side) const
    {
        return locale.toString(side.width) + QStringLiteral(" × ") + locale.toString(side.height);
    }
    QString dateText(double days) const
    {
        return locale.toString(
            store::fromDays(days).toLocalTime(), locale.dateFormat(QLocale::ShortFormat) + QStringLiteral(" HH:mm:ss"));
    }
};

PairJudge::PairJudge(const Rule &rule)
    : m_rule(rule)
    , m_cache(std::make_unique<Cache>())
{
    for (const QString &folder : rule.scope.folders)
        m_cache->scopeFolders << folderKey(folder);
    for (const QString &folder : rule.keepFolders)
        m_cache->keepFolders << folderKey(folder);
    for (const QString &folder : rule.pruneFolders)
        m_cache->pruneFolders << folderKey(folder);
    for (const QString &glob : rule.scope.patterns)
        m_cache->patterns.push_back(globExpression(glob));
    m_cache->pairIds = rule.scope.pairIds;
    std::sort(m_cache->pairIds.begin(), m_cache->pairIds.end());
}

PairJudge::~PairJudge() = default;

bool PairJudge::inScope(const PairRow &row)
{
    const RuleScope &scope = m_rule.scope;
    if (!m_cache->pairIds.empty() && !std::binary_search(m_cache->pairIds.begin(), m_cache->pairIds.end(), row.id))
        return false;
    if ((scope.minDifference && row.difference < *scope.minDifference)
        || (scope.maxDifference && row.difference > *scope.maxDifference))
        return false;
    if (scope.relation != FolderRelation::Any
        && (row.left.folderPath == row.right.folderPath) != (scope.relation == FolderRelation::Same))
        return false;
    if (scope.minPixels > 0 && (pixelsOf(row.left) < scope.minPixels || pixelsOf(row.right) < scope.minPixels))
        return false;
    if (!scope.formats.isEmpty()
        && (!scope.formats.contains(formatOf(row.left.fileName))
            || !scope.formats.contains(formatOf(row.right.fileName))))
        return false;
    if (scope.folders.isEmpty() && scope.patterns.isEmpty())
        return true;
    return m_cache->facts(row.left).scoped || m_cache->facts(row.right).scoped
        || (!m_cache->patterns.empty() && (m_cache->matchesPattern(row.left) || m_cache->matchesPattern(row.right)));
}

PairDecision PairJudge::decide(const PairRow &row)
{
    PairDecision decision;
    if (m_rule.action == RuleAction::NotAMatch) {
        decision.verdict = Verdict::Act;
        decision.reasons << m_cache->wording(N_("the rule declares every pair in its scope not a match"));
        return decision;
    }
    const PairSide &left = leftShown(row);
    const PairSide &right = rightShown(row);
    if (left.pictureId == 0 || right.pictureId == 0) {
        decision.reasons << m_cache->wording(N_("a picture of this pair has no row"));
        return decision;
    }
    if (left.pictureId == right.pictureId) {
        decision.reasons << m_cache->wording(N_("both sides are the same picture"));
        return decision;
    }
    const Cache::FolderFacts leftFacts = m_cache->facts(left);
    const Cache::FolderFacts rightFacts = m_cache->facts(right);
    const QLocale &locale = m_cache->locale;

    char keeper = 0;
    if (leftFacts.keep >= 0 && rightFacts.keep >= 0) {
        decision.verdict = Verdict::Guarded;
        decision.reasons << m_cache->wording(N_("both files are under keep folders"));
        return decision;
    }
    if (leftFacts.keep >= 0 || rightFacts.keep >= 0) {
        keeper = leftFacts.keep >= 0 ? 'L' : 'R';
        const int index = std::max(leftFacts.keep, rightFacts.keep);
        decision.reasons << m_cache->wording.sided(keeper, N_("left is under the keep folder %s"),
            N_("right is under the keep folder %s"), {m_rule.keepFolders[index]});
    } else if ((leftFacts.prune >= 0) != (rightFacts.prune >= 0)) {
        const char pruned = leftFacts.prune >= 0 ? 'L' : 'R';
        keeper = otherPane(pruned);
        const int index = std::max(leftFacts.prune, rightFacts.prune);
        decision.reasons << m_cache->wording.sided(pruned, N_("left is under the prune folder %s"),
            N_("right is under the prune folder %s"), {m_rule.pruneFolders[index]});
    } else {
        for (const KeeperCriterion &criterion : m_rule.keeperOrder) {
            Comparison comparison;
            QString leftValue, rightValue;
            const char *leftText = nullptr;
            const char *rightText = nullptr;
            switch (criterion.criterion) {
            case Criterion::Pixels:
                comparison = compareValues(
                    static_cast<double>(pixelsOf(left)), static_cast<double>(pixelsOf(right)), true, criterion.margin);
                leftText = N_("left has more pixels: %s against %s");
                rightText = N_("right has more pixels: %s against %s");
                if (comparison.better != 0) {
                    leftValue = m_cache->pixelsText(left);
                    rightValue = m_cache->pixelsText(right);
                }
                break;
            case Criterion::Bytes:
                comparison = compareValues(
                    static_cast<double>(left.size), static_cast<double>(right.size), true, criterion.margin);
                leftText = N_("left is the larger file: %s against %s bytes");
                rightText = N_("right is the larger file: %s against %s bytes");
                if (comparison.better != 0) {
                    leftValue = locale.toString(left.size);
                    rightValue = locale.toString(right.size);
                }
                break;
            case Criterion::BytesPerPixel: {
                if (pixelsOf(left) == 0 || pixelsOf(right) == 0)
                    break;
                const double leftRatio = static_cast<double>(left.size) / static_cast<double>(pixelsOf(left));
                const double rightRatio = static_cast<double>(right.size) / static_cast<double>(pixelsOf(right));
                comparison = compareValues(leftRatio, rightRatio, true, criterion.margin);
                leftText = N_("left has more bytes per pixel: %s against %s");
                rightText = N_("right has more bytes per pixel: %s against %s");
                if (comparison.better != 0) {
                    leftValue = locale.toString(leftRatio, 'f', 2);
                    rightValue = locale.toString(rightRatio, 'f', 2);
                }
                break;
            }
            case Criterion::Format: {
                const QString leftFormat = formatOf(left.fileName);
                const QString rightFormat = formatOf(right.fileName);
                const auto rank = [&](const QString &format) {
                    const qsizetype at = criterion.ranking.indexOf(format);
                    return static_cast<double>(at < 0 ? criterion.ranking.size() : at);
                };
                comparison = compareValues(rank(leftFormat), rank(rightFormat), false, {});
                leftText = N_("left has the preferred format: %s against %s");
                rightText = N_("right has the preferred format: %s against %s");
                leftValue = leftFormat;
                rightValue = rightFormat;
                break;
            }
            case Criterion::Older:
            case Criterion::Newer: {
                const bool newer = criterion.criterion == Criterion::Newer;
                comparison = compareValues(
                    millisecondsOf(left.modified), millisecondsOf(right.modified), newer, criterion.margin, 1000);
                leftText
                    = newer ? N_("left is newer: modified %s against %s") : N_("left is older: modified %s against %s");
                rightText = newer ? N_("right is newer: modified %s against %s")
                                  : N_("right is older: modified %s against %s");
                if (comparison.better != 0) {
                    leftValue = m_cache->dateText(left.modified);
                    rightValue = m_cache->dateText(right.modified);
                }
                break;
            }
            case Criterion::PlainName:
                comparison = compareValues(
                    hasCopyMarker(left.fileName) ? 0 : 1, hasCopyMarker(right.fileName) ? 0 : 1, true, {});
                leftText = N_("left has a name without a copy marker: %s against %s");
                rightText = N_("right has a name without a copy marker: %s against %s");
                leftValue = left.fileName;
                rightValue = right.fileName;
                break;
            }
            if (comparison.withinMargin) {
                decision.reasons << m_cache->wording(
                    N_("%s: the difference is within the margin"), {keeperOrderText({criterion})});
            }
            if (comparison.better != 0) {
                keeper = comparison.better > 0 ? 'L' : 'R';
                decision.reasons << (keeper == 'L' ? m_cache->wording(leftText, {leftValue, rightValue})
                                                   : m_cache->wording(rightText, {rightValue, leftValue}));
                break;
            }
        }
        if (keeper == 0) {
            decision.reasons << m_cache->wording(N_("both files are alike in every criterion"));
            return decision;
        }
    }

    const PairSide &kept = keeper == 'L' ? left : right;
    const PairSide &givenUp = keeper == 'L' ? right : left;
    if ((keeper == 'L' ? leftFacts : rightFacts).trash) {
        decision.verdict = Verdict::Guarded;
        decision.reasons << m_cache->wording.sided(keeper, N_("left is in a Trash folder and keeps nothing"),
            N_("right is in a Trash folder and keeps nothing"), {});
        return decision;
    }
    if (m_rule.guard) {
        if (pixelsOf(kept) < pixelsOf(givenUp)) {
            decision.verdict = Verdict::Guarded;
            decision.reasons << m_cache->wording.sided(keeper,
                N_("guarded: left has fewer pixels than right, %s against %s"),
                N_("guarded: right has fewer pixels than left, %s against %s"),
                {m_cache->pixelsText(kept), m_cache->pixelsText(givenUp)});
            return decision;
        }
        if (kept.size < givenUp.size) {
            decision.verdict = Verdict::Guarded;
            decision.reasons << m_cache->wording.sided(keeper,
                N_("guarded: left is a smaller file than right, %s against %s bytes"),
                N_("guarded: right is a smaller file than left, %s against %s bytes"),
                {locale.toString(kept.size), locale.toString(givenUp.size)});
            return decision;
        }
    }
    decision.verdict = Verdict::Act;
    decision.keeperPane = keeper;
    return decision;
}

namespace {

// A file that some acting pair of the plan gives up or keeps.
struct Node
{
    int pictureId = 0;
    QString path;
    int component = -1; // strongly connected component of the edges
    int acting = -1; // its acting edge, -1 when it stays
    int depth = -1; // acting edges from it to the file that stays
    int root = -1; // the node that stays at the end of its chain
};

struct Edge
{
    int from; // the given-up file
    int to; // its keeper
    size_t pair; // into Plan::pairs
};

// Tarjan's strongly connected components without recursion, so that a long chain of pairs never
// runs out of stack. Returns the size of each component.
std::vector<int> findComponents(
    std::vector<Node> &nodes, const std::vector<int> &edgeStart, const std::vector<int> &edgeTargets)
{
    const int count = static_cast<int>(nodes.size());
    std::vector<int> index(static_cast<size_t>(count), -1), low(static_cast<size_t>(count), 0);
    std::vector<char> onStack(static_cast<size_t>(count), 0);
    std::vector<int> stack, sizes;
    std::vector<std::pair<int, int>> calls; // node, next edge to look at
    int counter = 0;
    for (int start = 0; start < count; ++start) {
        if (index[static_cast<size_t>(start)] >= 0)
            continue;
        calls.emplace_back(start, edgeStart[static_cast<size_t>(start)]);
        while (!calls.empty()) {
            auto &[node, next] = calls.back();
            const auto n = static_cast<size_t>(node);
            if (next == edgeStart[n]) {
                index[n] = low[n] = counter++;
                stack.push_back(node);
                onStack[n] = 1;
            }
            if (next < edgeStart[n + 1]) {
                const int target = edgeTargets[static_cast<size_t>(next++)];
                const auto t = static_cast<size_t>(target);
                if (index[t] < 0)
                    calls.emplace_back(target, edgeStart[t]);
                else if (onStack[t])
                    low[n] = std::min(low[n], index[t]);
                continue;
            }
            if (low[n] == index[n]) {
                const int component = static_cast<int>(sizes.size());
                int size = 0;
                int member = 0;
                do {
                    member = stack.back();
                    stack.pop_back();
                    onStack[static_cast<size_t>(member)] = 0;
                    nodes[static_cast<size_t>(member)].component = component;
                    ++size;
                } while (member != node);
                sizes.push_back(size);
            }
            const int finished = node;
            calls.pop_back();
            if (!calls.empty()) {
                const auto parent = static_cast<size_t>(calls.back().first);
                low[parent] = std::min(low[parent], low[static_cast<size_t>(finished)]);
            }
        }
    }
    return sizes;
}

template <class RowAt> Plan planRows(qsizetype count, const RowAt &rowAt, const Rule &rule)
{
    Plan plan;
    PairJudge judge(rule);
    Wording wording;
    std::vector<Node> nodes;
    QHash<int, int> nodeOf;
    std::vector<Edge> edges;
    struct GivenUp
    {
        qint64 size;
        QString folder;
    };
    std::vector<GivenUp> givenUp; // by edge
    const auto node = [&](const PairSide &side) {
        const auto found = nodeOf.constFind(side.pictureId);
        if (found != nodeOf.constEnd())
            return *found;
        nodes.push_back({side.pictureId, side.fullPath()});
        return *nodeOf.insert(side.pictureId, static_cast<int>(nodes.size() - 1));
    };

    plan.pairs.reserve(static_cast<size_t>(count));
    if (rule.action == RuleAction::Trash) {
        edges.reserve(static_cast<size_t>(count));
        givenUp.reserve(static_cast<size_t>(count));
        nodeOf.reserve(count);
    }
    for (qsizetype position = 1; position <= count; ++position) {
        const PairRow row = rowAt(position);
        if (!judge.inScope(row))
            continue;
        PairDecision decision = judge.decide(row);
        PlannedPair planned;
        planned.pairId = row.id;
        planned.leftId = leftShown(row).pictureId;
        planned.rightId = rightShown(row).pictureId;
        planned.verdict = decision.verdict;
        planned.reasons = std::move(decision.reasons);
        if (decision.verdict == Verdict::Act && decision.keeperPane != 0) {
            const PairSide &kept = decision.keeperPane == 'L' ? leftShown(row) : rightShown(row);
            const PairSide &lost = decision.keeperPane == 'L' ? rightShown(row) : leftShown(row);
            planned.keeperId = kept.pictureId;
            planned.givenUpId = lost.pictureId;
            planned.action = decision.keeperPane == 'L' ? ResolutionAction::DeleteRight : ResolutionAction::DeleteLeft;
            edges.push_back({node(lost), node(kept), plan.pairs.size()});
            givenUp.push_back({lost.size, lost.folderPath});
        }
        plan.pairs.push_back(std::move(planned));
    }

    if (rule.action == RuleAction::NotAMatch) {
        for (size_t i = 0; i < plan.pairs.size(); ++i)
            plan.order.push_back(i);
    }

    // The edges of each file in list order, then the cycles among them.
    std::vector<int> edgeStart(nodes.size() + 1, 0);
    for (const Edge &edge : edges)
        ++edgeStart[static_cast<size_t>(edge.from) + 1];
    for (size_t n = 1; n < edgeStart.size(); ++n)
        edgeStart[n] += edgeStart[n - 1];
    std::vector<int> outgoing(edges.size()), edgeTargets(edges.size());
    {
        std::vector<int> fill(edgeStart.begin(), edgeStart.end() - 1);
        for (size_t e = 0; e < edges.size(); ++e) {
            const auto at = static_cast<size_t>(fill[static_cast<size_t>(edges[e].from)]++);
            outgoing[at] = static_cast<int>(e);
            edgeTargets[at] = edges[e].to;
        }
    }
    const std::vector<int> componentSizes = findComponents(nodes, edgeStart, edgeTargets);
    const auto nodeAt = [&](int n) -> Node & { return nodes[static_cast<size_t>(n)]; };

    std::vector<char> conflict(edges.size(), 0);
    for (size_t e = 0; e < edges.size(); ++e)
        conflict[e] = nodeAt(edges[e].from).component == nodeAt(edges[e].to).component;
    // A file's first edge in list order that leaves its cycle, if it is in one, acts.
    for (size_t n = 0; n < nodes.size(); ++n) {
        for (int at = edgeStart[n]; at < edgeStart[n + 1]; ++at) {
            const int e = outgoing[static_cast<size_t>(at)];
            if (!conflict[static_cast<size_t>(e)]) {
                nodes[n].acting = e;
                break;
            }
        }
    }
    // Without the cycles the acting edges form trees: each file's chain ends at one that stays.
    std::vector<int> chain;
    for (size_t n = 0; n < nodes.size(); ++n) {
        int at = static_cast<int>(n);
        while (nodeAt(at).depth < 0 && nodeAt(at).acting >= 0) {
            chain.push_back(at);
            at = edges[static_cast<size_t>(nodeAt(at).acting)].to;
        }
        if (nodeAt(at).depth < 0) {
            nodeAt(at).depth = 0;
            nodeAt(at).root = at;
        }
        while (!chain.empty()) {
            Node &link = nodeAt(chain.back());
            const Node &next = nodeAt(edges[static_cast<size_t>(link.acting)].to);
            link.depth = next.depth + 1;
            link.root = next.root;
            chain.pop_back();
        }
    }

    std::vector<size_t> acting;
    for (size_t e = 0; e < edges.size(); ++e) {
        const Edge &edge = edges[e];
        PlannedPair &planned = plan.pairs[edge.pair];
        const Node &from = nodeAt(edge.from);
        if (conflict[e]) {
            planned.verdict = Verdict::Conflict;
            planned.keeperId = planned.givenUpId = 0;
            planned.action = ResolutionAction::NotAMatch;
            planned.reasons << wording(N_("the rule's choices go round in a circle through %s pictures; decide this "
                                          "pair yourself"),
                {QLocale().toString(componentSizes[static_cast<size_t>(from.component)])});
            continue;
        }
        planned.finalKeeperId = nodeAt(from.root).pictureId;
        if (from.acting != static_cast<int>(e)) {
            planned.verdict = Verdict::Covered;
            const char pane = planned.givenUpId == planned.leftId ? 'L' : 'R';
            planned.reasons << wording.sided(pane, N_("left already goes to the Trash by pair %s"),
                N_("right already goes to the Trash by pair %s"),
                {QString::number(plan.pairs[edges[static_cast<size_t>(from.acting)].pair].pairId)});
            continue;
        }
        if (nodeAt(edge.to).acting >= 0) {
            planned.reasons << wording(
                N_("the keeper leaves as well; what stays in the end is %s"), {nodeAt(from.root).path});
        }
        acting.push_back(e);
        plan.summary.files += 1;
        plan.summary.bytes += givenUp[e].size;
    }
    // From the leaves of each tree to its root: a keeper leaves only after every pair it keeps.
    std::stable_sort(acting.begin(), acting.end(),
        [&](size_t a, size_t b) { return nodeAt(edges[a].from).depth > nodeAt(edges[b].from).depth; });
    for (const size_t e : acting)
        plan.order.push_back(edges[e].pair);

    QHash<QString, FolderShare> shares;
    for (const size_t e : acting) {
        FolderShare &share = shares[givenUp[e].folder];
        share.folder = givenUp[e].folder;
        share.files += 1;
        share.bytes += givenUp[e].size;
    }
    for (const FolderShare &share : std::as_const(shares))
        plan.summary.folders.push_back(share);
    std::sort(plan.summary.folders.begin(), plan.summary.folders.end(),
        [](const FolderShare &a, const FolderShare &b) { return a.folder < b.folder; });
    for (const PlannedPair &planned : plan.pairs)
        ++plan.summary.pairs[static_cast<size_t>(planned.verdict)];
    return plan;
}

} // namespace

Plan makePlan(const PairList &list, const Rule &rule)
{
    return planRows(
        list.count(), [&](qsizetype position) { return list.rowAt(static_cast<int>(position)); }, rule);
}

Plan makePlan(std::span<const PairRow> rows, const Rule &rule)
{
    return planRows(
        static_cast<qsizetype>(rows.size()),
        [&](qsizetype position) { return rows[static_cast<size_t>(position - 1)]; }, rule);
}

} // namespace vexaris::review
