// Collections, their folders and single pictures: each operation is one or two fixed statements
// on the session's DatabaseConnection, with every value bound as a parameter. Errors of the store
// reach the caller; of a two-statement operation the first statement stays done when the second
// fails.
#pragma once

#include <cstdint>
#include <optional>

#include <QString>
#include <QStringList>

#include "store/folderlist.h"
#include "store/session.h"
#include "store/value.h"

namespace vexaris::store {

// Replaces the list's content by the names of all collections, in the table's own order;
// rows without a name are left out.
void ListCollections(Session &session, QStringList &names);
// The name of the collection with that ID, "" when there is none.
QString CollectionNameOf(Session &session, int32_t collectionId);
// Inserts a collection of exactly this name; it does not look for one of the same name.
void AddCollection(Session &session, const QString &name);
// Raises an error with one line when a new collection may not have this name: an empty or blank
// one, one beginning or ending with a blank (which no one could type back, as the name is looked
// up as typed), or one holding a control character (it would break the one-name-a-line list).
void checkCollectionName(const QString &name);
// Deletes the collection's pairs, then its row (its folders and pictures go with it).
void DeleteCollection(Session &session, int32_t collectionId);
// Looks the name up without regard to letter case. Found: fills the record and the folder list
// (all entries unchecked) and returns true. Not found: sets only the record's ID to 0, leaves
// the list alone and returns false.
bool LoadCollection(Session &session, const QString &name, TCollectionRec &collection, FolderCheckList &folders);
// Inserts one folder row and returns the ID the store gave it. It does not look for a row that
// names the same folder (FindFolder does).
int32_t AddFolder(Session &session, int32_t collectionId, const QString &path);
// A folder's identity: its real path, with links, ".", ".." and a trailing delimiter resolved, so
// that one folder reached in two ways is known as one. A folder that cannot be resolved (it is
// missing, say) is known by its cleaned absolute path.
QString FolderIdentity(const QString &path);
// The ID of the first of the collection's folder rows that names the same folder as path.
std::optional<int32_t> FindFolder(Session &session, int32_t collectionId, const QString &path);
// Deletes the collection's folder rows of exactly this path; returns how many went.
int RemoveFolder(Session &session, int32_t collectionId, const QString &path);
// Deletes the collection's folder rows of this path and of every folder below it (see
// inFolderTree); returns how many went.
int RemoveFolderTree(Session &session, int32_t collectionId, const QString &path);
// Marks the session's CurrentCollection row as not scanned; with deletePairs also deletes its
// pairs. CurrentCollection in memory stays as it is.
void ResetScanState(Session &session, bool deletePairs);
// Deletes every pair naming the picture, then the picture's row.
void DeletePicture(Session &session, int32_t pictureId);
// Records that the picture's file now lies at newPath, in that folder; nothing else changes.
void MovePicture(Session &session, int32_t pictureId, int32_t folderId, const QString &newPath);
// Gives a folder row a new path (the main window's change of a folder's path).
void RenameFolder(Session &session, int32_t folderId, const QString &newPath);
// The Difference of the collection's pair of these two pictures; 0 when there is none.
int PairDifference(Session &session, int32_t collectionId, int32_t leftId, int32_t rightId);
// Forgets a pair (one declared not a match); returns how many rows went.
int ForgetPair(Session &session, int32_t leftId, int32_t rightId);

// A LIKE pattern that matches text beginning with prefix, its %, _ and \ escaped for ESCAPE '\'.
QString likePrefixPattern(const QString &prefix);

} // namespace vexaris::store
