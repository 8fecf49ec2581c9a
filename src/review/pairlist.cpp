#include "review/pairlist.h"

namespace vexaris::review {

QString pairQuery()
{
    return QStringLiteral(
        "  SELECT  Duplicate.Collection_ID AS CID,  LP.ID AS LPID,  RP.ID AS RPID,  LF.ID AS LFID,  RF.ID AS RFID, "
        " LP.FileName AS LName,  RP.FileName AS RName,  LF.Path AS LPath,  RF.Path AS RPath,  LP.[Size] AS LSize, "
        " RP.[Size] AS RSize,  LP.Width AS LWidth,  RP.Width AS RWidth,  LP.Height AS LHeight,  RP.Height AS "
        "RHeight,  LP.Noise AS LColors,  RP.Noise AS RColors,  LP.Created AS LCreated,  RP.Created AS RCreated,  "
        "LP.Modified AS LModified,  RP.Modified AS RModified FROM  (    (      (        Duplicate        LEFT JOIN "
        "Picture LP ON Duplicate.Left_ID = LP.ID      )      LEFT JOIN Picture RP ON Duplicate.Right_ID = RP.ID    "
        ")    LEFT JOIN Folder LF ON LP.FolderID = LF.ID  )  LEFT JOIN Folder RF ON RP.FolderID = RF.ID WHERE "
        "Duplicate.Collection_ID = ? ORDER BY Duplicate.Difference");
}

void openPairList(store::Recordset &pairs, store::Database &database, int collectionId)
{
    pairs.Open(database, pairQuery(), store::LockType::ReadOnly, store::CommandType::Text, {collectionId});
}

int countPairs(store::Database &database, int collectionId)
{
    store::Recordset count;
    count.Open(database, QStringLiteral("SELECT COUNT(*) FROM Duplicate WHERE Collection_ID = ?"),
        store::LockType::ReadOnly, store::CommandType::Text, {collectionId});
    return count.Field(0).toInt();
}

QString sideColumn(char side, const char *suffix)
{
    return QChar::fromLatin1(side) + QLatin1String(suffix);
}

const store::Value &sideField(const store::Recordset &pairs, char side, const char *suffix)
{
    return pairs.Field(sideColumn(side, suffix));
}

QString joinPath(const QString &folderPath, const QString &fileName)
{
    if (folderPath.endsWith(QLatin1Char('/')))
        return folderPath + fileName;
    return folderPath + QLatin1Char('/') + fileName;
}

AnchorPair currentPair(const store::Recordset &pairs)
{
    // A pair whose picture row has gone reads 0 on that side rather than failing here.
    return {store::IntOrZero(pairs.Field(u"CID")), store::IntOrZero(pairs.Field(u"LPID")),
        store::IntOrZero(pairs.Field(u"RPID"))};
}

namespace {

bool namesPicture(const store::Recordset &pairs, int pictureId)
{
    return store::IntOrZero(pairs.Field(u"LPID")) == pictureId || store::IntOrZero(pairs.Field(u"RPID")) == pictureId;
}

} // namespace

AnchorPair PickAnchorPair(store::Recordset &pairs, int pictureId)
{
    if (pairs.RecordCount() < 2)
        return {};
    if (pairs.Eof())
        pairs.MovePrevious();
    else if (pairs.Bof())
        pairs.MoveNext();
    while (!pairs.Eof() && namesPicture(pairs, pictureId))
        pairs.MoveNext();
    if (pairs.Eof()) {
        pairs.MovePrevious();
        while (!pairs.Bof() && namesPicture(pairs, pictureId))
            pairs.MovePrevious();
        if (pairs.Bof())
            pairs.MoveNext();
    }
    return currentPair(pairs);
}

bool moveToPair(store::Recordset &pairs, const AnchorPair &pair)
{
    pairs.MoveFirst();
    while (!pairs.Eof() && currentPair(pairs) != pair)
        pairs.MoveNext();
    return !pairs.Eof();
}

bool moveToPair(store::Recordset &pairs, int lpid, int rpid)
{
    pairs.MoveFirst();
    while (!pairs.Eof()) {
        const AnchorPair here = currentPair(pairs);
        if (here.lpid == lpid && here.rpid == rpid)
            return true;
        pairs.MoveNext();
    }
    return false;
}

} // namespace vexaris::review
