// Adding a folder together with every folder below it.
#pragma once

#include <QString>
#include <QStringList>

#include "store/folderlist.h"
#include "store/session.h"

namespace vexaris::store {

// Adds a folder row for path to the session's CurrentCollection and an entry to the list, then does the same,
// depth first and each folder before the ones inside it, for every folder below it. A path whose
// last component is "." or ".." adds nothing. The walk lists folders only (links to folders
// included, other kinds of entry never opened), skips hidden ones (a leading "."), and enters a
// folder only once, so a link leading back into the tree ends the walk instead of repeating it.
// A folder the collection already holds (FolderIdentity) gets no second row, but the folders
// below it are still looked at. A folder whose name is not valid UTF-8 is left out with the
// folders below it, and its path, odd bytes escaped, is added to skipped. A folder whose path is
// longer than the system allows (PATH_MAX) is left out too, for nothing could open it by that
// path; its path goes to tooLong when that is given.
void AddFolderTree(Session &session, const QString &path, FolderCheckList &folders, QStringList &skipped,
    QStringList *tooLong = nullptr);

} // namespace vexaris::store
