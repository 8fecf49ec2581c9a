// The list of a collection's pairs, most alike first, read through one static recordset, and the
// anchor pair that a resolution goes back to once the list has been read again.
#pragma once

#include <QString>

#include "store/database.h"
#include "store/recordset.h"

namespace vexaris::review {

// The pair query as the review window runs it: one line, outer joins so that a pair whose
// picture or folder row is missing is still listed. The collection's ID is bound to the "?".
QString pairQuery();

// Opens the list of a collection's pairs on the first row. The rows are only read: a query
// over four tables cannot write a row back anyway.
void openPairList(store::Recordset &pairs, store::Database &database, int collectionId);

// The number of the collection's pairs.
int countPairs(store::Database &database, int collectionId);

// A column of one side of the stored pair: side 'L' or 'R' followed by suffix ("PID", "Size"…).
QString sideColumn(char side, const char *suffix);
const store::Value &sideField(const store::Recordset &pairs, char side, const char *suffix);

// The full path of a picture: its folder path, a delimiter unless it ends with one, its name.
QString joinPath(const QString &folderPath, const QString &fileName);

// A stored pair, independent of the panes; all zeros stands for no pair.
struct AnchorPair
{
    int cid = 0;
    int lpid = 0;
    int rpid = 0;
    bool operator==(const AnchorPair &) const = default;
};

AnchorPair currentPair(const store::Recordset &pairs);

// Moves the cursor to the nearest pair that does not name the picture: the first at or after
// the current row, else the last before it, else the first of the list. Returns that pair, or
// all zeros when the list holds fewer than two pairs.
AnchorPair PickAnchorPair(store::Recordset &pairs, int pictureId);

// Moves to the first row that is the given pair; false (the cursor after the last row) when the
// list does not hold it.
bool moveToPair(store::Recordset &pairs, const AnchorPair &pair);
// The same by the two picture IDs alone.
bool moveToPair(store::Recordset &pairs, int lpid, int rpid);

} // namespace vexaris::review
