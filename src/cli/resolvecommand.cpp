// vexaris-cli resolve NAME LEFT-ID RIGHT-ID ACTION [--yes]: settles one pair as the review window
// does, through the same core: the same checks, the same question, the same journal entry.
#include <iostream>

#include "cli/command.h"
#include "common/error.h"
#include "i18n/translate.h"
#include "review/pairreview.h"
#include "review/undo.h"
#include "settings/settingsstore.h"

namespace vexaris::cli {

namespace {

// The questions on the terminal, or answered Yes by --yes; what went wrong on standard error.
class TerminalPolicy final : public review::ResolutionPolicy
{
public:
    explicit TerminalPolicy(bool yes)
        : m_yes(yes)
    {
    }
    bool confirm(Caption, const QString &question) override
    {
        if (m_yes) {
            std::cerr << question.toStdString() << ' ' << _("Yes (--yes)") << '\n';
            return true;
        }
        return askYesNo(question.toStdString());
    }
    void tell(const QString &message) override { std::cerr << message.toStdString() << '\n'; }
    review::ResolutionSteps &steps() override { return m_steps; }

private:
    bool m_yes;
    review::QuietSteps m_steps;
};

int pictureIdOf(const QString &text)
{
    bool ok = false;
    const int id = text.toInt(&ok);
    if (!ok || id <= 0)
        throw UsageError(formatText(_("%s is not a picture ID"), {text.toStdString()}));
    return id;
}

int runResolve(Context &context, const QStringList &arguments)
{
    QStringList args = arguments;
    const bool yes = takeFlag(args, QStringLiteral("--yes"));
    expectPositional(args, 4, "resolve");
    const int first = pictureIdOf(args[1]);
    const int second = pictureIdOf(args[2]);
    const std::optional<review::ResolutionAction> action = review::actionNamed(args[3]);
    if (!action) {
        std::string names;
        for (const review::ActionInfo &info : review::allActions())
            names += std::string(names.empty() ? "" : ", ") + info.name;
        throw UsageError(formatText(_("Unknown action %s (one of %s)"), {args[3].toStdString(), names}));
    }
    if (!yes && !interactive())
        throw Error(_("Without a terminal to ask on, resolve needs --yes"));

    store::Session session;
    openDatabase(session, context);
    loadCollection(session, args.first());
    review::QtFileOperation files;
    review::PairReview review(session, files);
    review.setRememberNotAMatch(settings::SettingsStore().load().rememberNotAMatch);
    review.open();
    const std::optional<qint64> pair = review.list().pairBetween(first, second);
    if (!pair) {
        throw Error(formatText(_("The collection %s has no pair of the pictures %s and %s"),
            {session.CurrentCollection.Name.toStdString(), std::to_string(first), std::to_string(second)}));
    }
    TerminalPolicy policy(yes);
    switch (review.settle(*pair, *action, policy)) {
    case review::Settled::Done:
        std::cout << _("Done") << '\n';
        return kExitDone;
    case review::Settled::Declined:
        std::cerr << _("Nothing was done") << '\n';
        return kExitFailed;
    case review::Settled::Forgotten:
        std::cerr << _("The resolution was not made; the pair was forgotten") << '\n';
        return kExitFailed;
    case review::Settled::PartlyDone:
    case review::Settled::Refused:
    case review::Settled::Failed:
        break;
    }
    return kExitFailed;
}

const bool registered = registerCommand({
    "resolve",
    N_("NAME LEFT-ID RIGHT-ID ACTION [--yes]"),
    N_("settle one pair, named by the two picture IDs that pairs prints (in either order), as the review window "
       "does: ACTION is delete-left, delete-right, move-to-left, move-to-right, copy-to-left, copy-to-right or "
       "not-a-match, left being the larger file; asks first unless --yes; status 0 only when it was done"),
    runResolve,
});

} // namespace

} // namespace vexaris::cli
