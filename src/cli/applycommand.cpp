// vexaris-cli apply NAME RULE [--yes] [--limit N]: settles the pairs a saved rule acts on, as one
// batch of the journal that `undo --batch` takes back.
#include <iostream>

#include <QLocale>

#include "cli/command.h"
#include "cli/interrupt.h"
#include "cli/progressline.h"
#include "common/error.h"
#include "i18n/qtranslate.h"
#include "review/batch.h"
#include "review/plan.h"
#include "settings/settingsstore.h"
#include "store/rules.h"

namespace vexaris::cli {

namespace {

// The progress line on a terminal, and Ctrl-C as a stop after the steps in hand.
class TerminalBatchObserver final : public review::BatchObserver
{
public:
    TerminalBatchObserver()
        : m_line(_("%s pairs/s"))
    {
    }
    void progress(const review::BatchProgress &progress) override
    {
        m_line.show(progress.done, progress.total,
            qtrFormat("%s of %s pairs, %s bytes to the Trash",
                {QLocale().toString(progress.done), QLocale().toString(progress.total),
                    QLocale().toString(progress.bytesFreed)})
                .toStdString());
    }
    bool stopRequested() override { return InterruptAsStop::requested(); }
    void clear() { m_line.clear(); }

private:
    ProgressLine m_line;
};

int runApply(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    const QStringList limits = takeOptionValues(args, QStringLiteral("--limit"));
    expectPositional(args, 2, "apply");
    size_t limit = SIZE_MAX;
    if (!limits.isEmpty()) {
        bool ok = false;
        const qint64 value = limits.last().toLongLong(&ok);
        if (!ok || value < 1)
            throw UsageError(
                formatText(_("--limit takes a number of pairs from 1 on, not %s"), {limits.last().toStdString()}));
        limit = static_cast<size_t>(value);
    }
    if (!yes && !interactive())
        throw Error(_("Without a terminal to ask on, apply needs --yes"));

    store::Session session;
    openDatabase(session, context);
    loadCollection(session, args[0]);
    const std::optional<store::StoredRule> stored = store::FindRule(session, args[1]);
    if (!stored)
        throw Error(formatText(_("There is no rule named %s"), {args[1].toStdString()}));
    const review::Rule rule = review::ruleFromText(stored->definition);
    review::checkRule(rule);

    review::PairList list;
    list.read(session, session.CurrentCollection.ID);
    const review::Plan plan = review::makePlan(list, rule);
    const std::vector<review::BatchStep> steps = review::batchSteps(plan, list, limit);
    qint64 files = 0;
    qint64 bytes = 0;
    for (const review::BatchStep &step : steps) {
        if (step.action == review::ResolutionAction::NotAMatch)
            continue;
        ++files;
        bytes += (review::givenUpPane(step.action) == 'L' ? review::leftShown(step.row) : review::rightShown(step.row))
                     .size;
    }
    const QLocale locale;
    const std::string what = qtrFormat("The rule %s settles %s pairs of %s: %s files (%s bytes) go to the Trash.",
        {stored->name, locale.toString(steps.size()), session.CurrentCollection.Name, locale.toString(files),
            locale.toString(bytes)})
                                 .toStdString();
    if (steps.empty()) {
        std::cout << what << '\n';
        return kExitDone;
    }
    if (yes)
        std::cerr << what << '\n';
    else if (!askYesNo(what + ' ' + _("Go on?")))
        throw Error(_("Nothing was done"));

    InterruptAsStop interrupt;
    TerminalBatchObserver observer;
    review::QtFileOperation fileOperation;
    const review::BatchResult result = review::applyBatch(session, fileOperation, session.CurrentCollection.ID, steps,
        {stored->name, stored->definition, settings::SettingsStore().load().rememberNotAMatch}, observer);
    observer.clear();
    std::cout << formatText(_("Batch %s: %s pairs settled, %s skipped, %s bytes to the Trash"),
        {std::to_string(result.batchId), std::to_string(result.settled), std::to_string(result.skipped.size()),
            std::to_string(result.bytesFreed)})
              << '\n';
    for (const review::SkippedStep &skipped : result.skipped)
        std::cerr << skipped.pairId << '\t' << plainField(skipped.reason.toStdString()) << '\n';
    if (result.stopped) {
        std::cerr << "vexaris-cli: " << _("Stopped; the pairs settled so far stay settled.") << '\n';
        return kExitStopped;
    }
    return result.skipped.empty() ? kExitDone : kExitProblems;
}

const bool registered = registerCommand({
    "apply",
    N_("NAME RULE [--yes] [--limit N]"),
    N_("settle the pairs a saved rule acts on (what plan shows as act), in the plan's order, as one batch of the "
       "journal: the given-up files to the Trash, or the pairs declared not a match"),
    runApply,
    N_("Asks first on a terminal; --yes answers it, and without a terminal apply needs --yes. --limit N settles "
       "only the first N pairs, for a careful first try. Every pair is checked again first, as a single resolution "
       "is; one that fails its check, or whose kept file an earlier pair gave up, is skipped with its reason on "
       "standard error, and the batch goes on. Ctrl-C stops after the pairs in hand, and they stay settled. "
       "Prints the batch's ID and counts; undo --batch ID takes the whole batch back. Status 0 all settled, 1 "
       "failed (nothing changed), 2 wrong arguments, 3 some pairs skipped, 4 stopped"),
});

} // namespace

} // namespace vexaris::cli
