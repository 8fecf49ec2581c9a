#include "review/actions.h"

#include <array>

#include "i18n/qtranslate.h"

namespace vexaris::review {

namespace {

// Indexed by the stored value of the action.
constexpr std::array<ActionInfo, 7> kActions {{
    {ResolutionAction::DeleteLeft, 'L', FileStep::Trash, "delete-left", N_("Left file to the Trash"),
        N_("Do you want to move %s to Recycle Bin?")},
    {ResolutionAction::DeleteRight, 'R', FileStep::Trash, "delete-right", N_("Right file to the Trash"),
        N_("Do you want to move %s to Recycle Bin?")},
    {ResolutionAction::MoveToLeft, 'L', FileStep::TrashThenMove, "move-to-left",
        N_("Right file moved in place of the left"),
        N_("Do you want to move %s to Recycle Bin and move %s in its place?")},
    {ResolutionAction::MoveToRight, 'R', FileStep::TrashThenMove, "move-to-right",
        N_("Left file moved in place of the right"),
        N_("Do you want to move %s to Recycle Bin and move %s in its place?")},
    {ResolutionAction::CopyToLeft, 'L', FileStep::TrashThenCopy, "copy-to-left",
        N_("Right file copied in place of the left"),
        N_("Do you want to move %s to Recycle Bin and copy %s in its place?")},
    {ResolutionAction::CopyToRight, 'R', FileStep::TrashThenCopy, "copy-to-right",
        N_("Left file copied in place of the right"),
        N_("Do you want to move %s to Recycle Bin and copy %s in its place?")},
    {ResolutionAction::NotAMatch, 0, FileStep::None, "not-a-match", N_("Not a match"), nullptr},
}};

} // namespace

const ActionInfo &actionInfo(ResolutionAction action)
{
    const auto index = static_cast<size_t>(action);
    return index < kActions.size() ? kActions[index] : kActions.back();
}

std::optional<ResolutionAction> actionNamed(const QString &name)
{
    for (const ActionInfo &info : kActions) {
        if (name == QLatin1String(info.name))
            return info.action;
    }
    return std::nullopt;
}

std::span<const ActionInfo> allActions()
{
    return kActions;
}

QString notAMatchQuestion(bool remembered)
{
    return remembered ? qtr("Do you want to mark this duplicate pair as an error? (This will be remembered by the "
                            "content of both pictures, also after a full scan.)")
                      : qtr("Do you want to mark this duplicate pair as an error? (This will be remembered while the "
                            "subsequent scans are with the same settings.)");
}

} // namespace vexaris::review
