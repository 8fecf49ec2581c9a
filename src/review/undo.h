// Taking back one resolution of the journal: the given-up file back from the Trash to its place,
// a moved file back where it came from, a copy that took the given-up file's place to the Trash,
// the removed rows back, a not-a-match pair back into the list.
#pragma once

#include <QtGlobal>

#include "store/session.h"

namespace vexaris::review {

class FileOperation;

// Refuses with vexaris::Error (one translated line) and changes nothing when the entry is undone
// already, its Trash entry is gone or a file stands where one would come back; never puts a file
// over another one. Afterwards the entry is marked undone.
void UndoResolution(store::Session &session, FileOperation &files, qint64 entryId);

} // namespace vexaris::review
