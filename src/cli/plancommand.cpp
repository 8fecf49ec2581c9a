// vexaris-cli plan NAME RULE [--json]: what a stored rule would do to a collection's pairs, and
// why, without changing a file or a row.
#include <iostream>
#include <string>

#include <QLocale>

#include "cli/command.h"
#include "common/error.h"
#include "i18n/qtranslate.h"
#include "review/plan.h"
#include "store/rules.h"

namespace vexaris::cli {

namespace {

using review::Verdict;

std::string number(qint64 value)
{
    return std::to_string(value);
}

std::string jsonSummary(const review::PlanSummary &summary)
{
    std::string out = "{\"summary\":{";
    for (size_t v = 0; v < review::kVerdictCount; ++v)
        out += jsonString(review::verdictName(static_cast<Verdict>(v))) + ':' + number(summary.pairs[v]) + ',';
    out += "\"files\":" + number(summary.files) + ",\"bytes\":" + number(summary.bytes) + ",\"folders\":[";
    for (size_t i = 0; i < summary.folders.size(); ++i) {
        const review::FolderShare &share = summary.folders[i];
        out += std::string(i ? "," : "") + "{\"folder\":" + jsonString(share.folder.toStdString())
            + ",\"files\":" + number(share.files) + ",\"bytes\":" + number(share.bytes) + '}';
    }
    return out + "]}}\n";
}

std::string plainSummary(const review::PlanSummary &summary)
{
    const QLocale locale;
    qint64 inScope = 0;
    QStringList counts;
    for (size_t v = 0; v < review::kVerdictCount; ++v) {
        inScope += summary.pairs[v];
        counts << review::verdictCaption(static_cast<Verdict>(v)) + u' ' + locale.toString(summary.pairs[v]);
    }
    std::string out
        = qtrFormat("Pairs in scope: %s (%s)", {locale.toString(inScope), counts.join(QStringLiteral(", "))})
              .toStdString()
        + '\n';
    out += qtrFormat(
               "To the Trash: files %s, bytes %s", {locale.toString(summary.files), locale.toString(summary.bytes)})
               .toStdString()
        + '\n';
    for (const review::FolderShare &share : summary.folders) {
        out += "  "
            + plainField(qtrFormat(
                "%s: files %s, bytes %s", {share.folder, locale.toString(share.files), locale.toString(share.bytes)})
                             .toStdString())
            + '\n';
    }
    return out;
}

std::string jsonPair(const review::PlannedPair &pair)
{
    std::string out = "{\"pairId\":" + number(pair.pairId) + ",\"leftId\":" + number(pair.leftId)
        + ",\"rightId\":" + number(pair.rightId) + ",\"verdict\":" + jsonString(review::verdictName(pair.verdict))
        + ",\"keeperId\":" + number(pair.keeperId) + ",\"givenUpId\":" + number(pair.givenUpId)
        + ",\"finalKeeperId\":" + number(pair.finalKeeperId) + ",\"reasons\":[";
    for (qsizetype i = 0; i < pair.reasons.size(); ++i)
        out += std::string(i ? "," : "") + jsonString(pair.reasons[i].toStdString());
    return out + "]}\n";
}

std::string plainPair(const review::PlannedPair &pair)
{
    return std::string(review::verdictName(pair.verdict)) + '\t' + number(pair.leftId) + '\t' + number(pair.rightId)
        + '\t' + number(pair.keeperId) + '\t' + number(pair.givenUpId) + '\t'
        + plainField(pair.reasons.join(QStringLiteral("; ")).toStdString()) + '\n';
}

int runPlan(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    const bool json = takeFlag(args, QStringLiteral("--json"));
    expectPositional(args, 2, "plan");

    store::Session session;
    openDatabase(session, context, store::OpenMode::ReadOnly);
    loadCollection(session, args[0]);
    const std::optional<store::StoredRule> stored = store::FindRule(session, args[1]);
    if (!stored)
        throw Error(formatText(_("There is no rule named %s"), {args[1].toStdString()}));
    const review::Rule rule = review::ruleFromText(stored->definition);
    review::PairList list;
    list.read(session, session.CurrentCollection.ID);
    const review::Plan plan = review::makePlan(list, rule);

    std::string out = json ? jsonSummary(plan.summary) : plainSummary(plan.summary);
    for (const review::PlannedPair &pair : plan.pairs) {
        out += json ? jsonPair(pair) : plainPair(pair);
        if (out.size() > (1 << 16)) {
            std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
            out.clear();
        }
    }
    std::cout.write(out.data(), static_cast<std::streamsize>(out.size()));
    std::cout.flush();
    if (!std::cout)
        throw Error(_("Could not write to standard output"));
    return kExitDone;
}

const bool registered = registerCommand({
    "plan",
    N_("NAME RULE [--json]"),
    N_("show what a saved rule would do to the collection's pairs, changing nothing: a summary (pairs per verdict, "
       "files and bytes to the Trash, per folder), then a line per pair in scope, in list order: verdict (act, "
       "undecided, guarded, covered or conflict), left ID, right ID, keeper ID, given-up ID (0 where nothing is "
       "given up) and the reasons; with --json a summary object, then an object per pair. Status 0 done, 1 failed "
       "(no such collection or rule), 2 wrong arguments"),
    runPlan,
});

} // namespace

} // namespace vexaris::cli
