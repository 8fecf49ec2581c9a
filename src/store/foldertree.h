// Adding a folder together with every folder below it.
#pragma once

#include <QString>

#include "store/folderlist.h"

namespace vexaris::store {

// Adds a folder row for path to CurrentCollection and an entry to the list, then does the same,
// depth first and each folder before the ones inside it, for every folder below it. A path whose
// last component is "." or ".." adds nothing. The walk lists folders only (links to folders
// included, other kinds of entry never opened), skips hidden ones (a leading "."), and enters a
// folder only once, so a link leading back into the tree ends the walk instead of repeating it.
// Folders already in the collection are added again, as a second row.
void AddFolderTree(const QString &path, FolderCheckList &folders);

} // namespace vexaris::store
