// Taking back one resolution of the journal: the given-up file back from the Trash to its place,
// a moved file back where it came from, a copy that took the given-up file's place to the Trash,
// the removed rows back, a not-a-match pair back into the list. Like a resolution, an undo is
// journalled before its first file step and settled from the disk after a crash.
#pragma once

#include <QtGlobal>

#include "store/session.h"

namespace vexaris::review {

class FileOperation;

// Refuses with vexaris::Error (one translated line) and changes nothing when the entry is undone
// already, its Trash entry is gone or a file stands where one would come back; never puts a file
// over another one. Afterwards the entry is marked undone.
// The collection's lock is held while it runs.
void UndoResolution(store::Session &session, FileOperation &files, qint64 entryId);

// Settles every resolution and undo that a crash left on its way, from what the disk shows: one
// whose files all reached their places is finished, any other is taken back. Entries whose
// collection another process holds are left to that process. Both programs call it whenever they
// open the database. Returns how many entries it settled.
int SettleUnfinished(store::Session &session, FileOperation &files);

} // namespace vexaris::review
