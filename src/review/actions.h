// The seven ways of settling a pair, in one table: which side is given up, what happens to the
// files, how it is taken back, the stable name scripts use, the caption the journal shows and the
// question asked first. Front ends look an action up here; adding an action means a row here, a
// button and its texts in the catalogs.
#pragma once

#include <optional>
#include <span>

#include <QString>

#include "store/journal.h"

namespace vexaris::review {

using store::ResolutionAction;

// What happens on disk. The given-up file always goes to the Trash first; a move or copy then
// puts the kept file in its place (its folder, the kept file's name).
enum class FileStep {
    None, // not a match: the files stay as they are
    Trash,
    TrashThenMove,
    TrashThenCopy,
};

struct ActionInfo
{
    ResolutionAction action;
    char givenUpPane; // 'L' or 'R' of the panes, 0 for not a match
    FileStep step;
    const char *name; // stable, for scripts: "delete-left"
    const char *caption; // the journal's words for it, marked for translation
    // The question asked before it, marked for translation: the given-up file's path first, then
    // the kept file's; not a match has a question of its own (see notAMatchQuestion).
    const char *question;
};

const ActionInfo &actionInfo(ResolutionAction action);
// The action of a stable name; nullopt for an unknown one.
std::optional<ResolutionAction> actionNamed(const QString &name);
// Every action, in the order of the stored values.
std::span<const ActionInfo> allActions();

inline char givenUpPane(ResolutionAction action)
{
    return actionInfo(action).givenUpPane;
}
inline bool isMove(ResolutionAction action)
{
    return actionInfo(action).step == FileStep::TrashThenMove;
}
inline bool isCopy(ResolutionAction action)
{
    return actionInfo(action).step == FileStep::TrashThenCopy;
}

// The question before not a match, translated: its words depend on whether the pair is
// remembered by its pictures' content.
QString notAMatchQuestion(bool remembered);

} // namespace vexaris::review
