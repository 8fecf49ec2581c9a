#include "store/journal.h"

#include <QCryptographicHash>
#include <QtEndian>

#include "store/data.h"
#include "store/database.h"
#include "store/datetime.h"

namespace vexaris::store {

namespace {

constexpr char kPictureColumns[] = "CollectionID, FolderID, FileName, Size, Created, Modified, Width, Height, "
                                   "Thumbnail, Derivative, ColorRank, DerivativeRank, Old, Noise";

QDateTime timeOf(const Value &days)
{
    return days.isNumeric() ? fromDays(days.toDouble()) : QDateTime();
}

double daysOf(const QDateTime &time)
{
    return time.isValid() ? toDays(time) : 0.0;
}

QString textOf(const Value &value)
{
    return value.isNull() ? QString() : value.toString();
}

qint64 integerOf(const Value &value)
{
    return value.isNumeric() ? value.toInt64() : 0;
}

const char kEntryColumns[] = "ID, Time, Action, LeftPath, RightPath, LeftSize, RightSize, LeftModified, "
                             "RightModified, TrashInfoName, Difference, Undone, TargetPath, Collection_ID, "
                             "MovedPicture_ID, MovedFromFolder_ID, MovedFromName";

JournalEntry entryOf(const Statement &row)
{
    JournalEntry entry;
    entry.id = row.column(0).toInt64();
    entry.time = timeOf(row.column(1));
    entry.action = static_cast<ResolutionAction>(row.column(2).toInt());
    entry.leftPath = textOf(row.column(3));
    entry.rightPath = textOf(row.column(4));
    entry.leftSize = integerOf(row.column(5));
    entry.rightSize = integerOf(row.column(6));
    entry.leftTime = timeOf(row.column(7));
    entry.rightTime = timeOf(row.column(8));
    entry.trashInfoName = textOf(row.column(9));
    entry.difference = static_cast<int>(integerOf(row.column(10)));
    entry.undone = integerOf(row.column(11)) != 0;
    entry.targetPath = textOf(row.column(12));
    entry.collectionId = static_cast<int>(integerOf(row.column(13)));
    entry.movedPictureId = static_cast<int>(integerOf(row.column(14)));
    entry.movedFromFolderId = static_cast<int>(integerOf(row.column(15)));
    entry.movedFromName = textOf(row.column(16));
    return entry;
}

double now()
{
    return toDays(QDateTime::currentDateTimeUtc());
}

} // namespace

std::vector<JournalEntry> ListResolutions(Session &session, int collectionId)
{
    Statement rows(session.DatabaseConnection,
        QStringLiteral("SELECT %1 FROM Resolution WHERE Collection_ID = ? ORDER BY ID DESC")
            .arg(QLatin1String(kEntryColumns)));
    rows.bind(0, collectionId);
    std::vector<JournalEntry> entries;
    while (rows.step())
        entries.push_back(entryOf(rows));
    return entries;
}

std::optional<JournalEntry> FindResolution(Session &session, qint64 entryId)
{
    Statement row(session.DatabaseConnection,
        QStringLiteral("SELECT %1 FROM Resolution WHERE ID = ?").arg(QLatin1String(kEntryColumns)));
    row.bind(0, entryId);
    if (!row.step())
        return std::nullopt;
    return entryOf(row);
}

std::optional<qint64> LastResolution(Session &session, int collectionId)
{
    Statement row(session.DatabaseConnection,
        QStringLiteral("SELECT ID FROM Resolution WHERE Collection_ID = ? AND Undone = 0 ORDER BY ID DESC LIMIT 1"));
    row.bind(0, collectionId);
    if (!row.step())
        return std::nullopt;
    return row.column(0).toInt64();
}

qint64 AddResolution(Session &session, const JournalEntry &entry)
{
    Database &database = session.DatabaseConnection;
    database.Execute(QStringLiteral("INSERT INTO Resolution (Collection_ID, Time, Action, LeftPath, RightPath, "
                                    "LeftSize, RightSize, LeftModified, RightModified, Difference, TrashInfoName, "
                                    "TargetPath, MovedPicture_ID, MovedFromFolder_ID, MovedFromName) "
                                    "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {entry.collectionId, entry.time.isValid() ? toDays(entry.time) : now(), static_cast<int>(entry.action),
            entry.leftPath, entry.rightPath, entry.leftSize, entry.rightSize, daysOf(entry.leftTime),
            daysOf(entry.rightTime), entry.difference, entry.trashInfoName, entry.targetPath,
            entry.movedPictureId ? Value(entry.movedPictureId) : Value(),
            entry.movedPictureId ? Value(entry.movedFromFolderId) : Value(),
            entry.movedPictureId ? Value(entry.movedFromName) : Value()});
    return database.lastInsertId();
}

void KeepPictureRows(Session &session, qint64 entryId, int32_t pictureId)
{
    Database &database = session.DatabaseConnection;
    database.Execute(QStringLiteral("INSERT INTO ResolvedPicture (Resolution_ID, Picture_ID, %1) "
                                    "SELECT ?, ID, %1 FROM Picture WHERE ID = ?")
                         .arg(QLatin1String(kPictureColumns)),
        {entryId, pictureId});
    database.Execute(QStringLiteral("INSERT INTO ResolvedPair (Resolution_ID, Collection_ID, Left_ID, Right_ID, "
                                    "Difference) SELECT ?, Collection_ID, Left_ID, Right_ID, Difference "
                                    "FROM Duplicate WHERE Left_ID = ? OR Right_ID = ? ORDER BY ID"),
        {entryId, pictureId, pictureId});
}

void KeepPairRow(Session &session, qint64 entryId, int32_t leftId, int32_t rightId)
{
    session.DatabaseConnection.Execute(
        QStringLiteral("INSERT INTO ResolvedPair (Resolution_ID, Collection_ID, Left_ID, Right_ID, Difference) "
                       "SELECT ?, Collection_ID, Left_ID, Right_ID, Difference FROM Duplicate "
                       "WHERE Left_ID = ? AND Right_ID = ? ORDER BY ID"),
        {entryId, leftId, rightId});
}

std::optional<int32_t> MissingKeptFolder(Session &session, qint64 entryId)
{
    Statement row(session.DatabaseConnection,
        QStringLiteral("SELECT FolderID FROM ResolvedPicture WHERE Resolution_ID = ? "
                       "AND FolderID NOT IN (SELECT ID FROM Folder) LIMIT 1"));
    row.bind(0, entryId);
    if (!row.step())
        return std::nullopt;
    return row.column(0).toInt();
}

void RestoreKeptRows(Session &session, qint64 entryId)
{
    Database &database = session.DatabaseConnection;
    {
        std::vector<int32_t> stale;
        Statement rows(database,
            QStringLiteral("SELECT Picture.ID FROM Picture JOIN ResolvedPicture AS Kept "
                           "ON Picture.FolderID = Kept.FolderID AND Picture.FileName = Kept.FileName "
                           "WHERE Kept.Resolution_ID = ? AND Picture.ID <> Kept.Picture_ID"));
        rows.bind(0, entryId);
        while (rows.step())
            stale.push_back(rows.column(0).toInt());
        for (const int32_t id : stale)
            DeletePicture(session, id);
    }
    database.Execute(QStringLiteral("INSERT OR IGNORE INTO Picture (ID, %1) SELECT Picture_ID, %1 "
                                    "FROM ResolvedPicture WHERE Resolution_ID = ? ORDER BY ID")
                         .arg(QLatin1String(kPictureColumns)),
        {entryId});
    database.Execute(QStringLiteral("INSERT INTO Duplicate (Collection_ID, Left_ID, Right_ID, Difference) "
                                    "SELECT Kept.Collection_ID, Kept.Left_ID, Kept.Right_ID, Kept.Difference "
                                    "FROM ResolvedPair AS Kept WHERE Kept.Resolution_ID = ? "
                                    "AND Kept.Left_ID IN (SELECT ID FROM Picture) "
                                    "AND Kept.Right_ID IN (SELECT ID FROM Picture) "
                                    "AND NOT EXISTS (SELECT 1 FROM Duplicate WHERE Duplicate.Left_ID = Kept.Left_ID "
                                    "AND Duplicate.Right_ID = Kept.Right_ID) ORDER BY Kept.ID"),
        {entryId});
}

void DeleteRowsNamed(Session &session, qint64 entryId, const QString &fileName)
{
    std::vector<int32_t> ids;
    {
        Statement rows(session.DatabaseConnection,
            QStringLiteral("SELECT Picture.ID FROM Picture JOIN ResolvedPicture AS Kept ON Picture.FolderID = "
                           "Kept.FolderID WHERE Kept.Resolution_ID = ? AND Picture.FileName = ? "
                           "AND Picture.ID <> Kept.Picture_ID"));
        rows.bindAll({entryId, fileName});
        while (rows.step())
            ids.push_back(rows.column(0).toInt());
    }
    for (const int32_t id : ids)
        DeletePicture(session, id);
}

bool KeptPairRestorable(Session &session, qint64 entryId)
{
    Statement row(session.DatabaseConnection,
        QStringLiteral("SELECT 1 FROM ResolvedPair WHERE Resolution_ID = ? AND Left_ID IN (SELECT ID FROM Picture) "
                       "AND Right_ID IN (SELECT ID FROM Picture) LIMIT 1"));
    row.bind(0, entryId);
    return row.step();
}

void MarkUndone(Session &session, qint64 entryId)
{
    session.DatabaseConnection.Execute(QStringLiteral("UPDATE Resolution SET Undone = 1 WHERE ID = ?"), {entryId});
}

QByteArray pictureFingerprint(const QByteArray &thumbnail, const QByteArray &derivative, qint64 size)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    hash.addData(thumbnail);
    hash.addData(derivative);
    const quint64 littleEndian = qToLittleEndian(static_cast<quint64>(size));
    hash.addData(QByteArrayView(reinterpret_cast<const char *>(&littleEndian), sizeof littleEndian));
    return hash.result();
}

std::optional<QByteArray> pictureFingerprint(Session &session, int32_t pictureId)
{
    Statement row(
        session.DatabaseConnection, QStringLiteral("SELECT Thumbnail, Derivative, Size FROM Picture WHERE ID = ?"));
    row.bind(0, pictureId);
    if (!row.step() || row.columnIsNull(0) || row.columnIsNull(1))
        return std::nullopt;
    return pictureFingerprint(
        row.columnBytes(0).toByteArray(), row.columnBytes(1).toByteArray(), integerOf(row.column(2)));
}

QByteArray rememberedKey(const QByteArray &first, const QByteArray &second)
{
    return first < second ? first + second : second + first;
}

void RememberNotAMatch(Session &session, const QByteArray &first, const QByteArray &second, const QString &leftPath,
    const QString &rightPath)
{
    const bool ordered = first < second;
    // Remembered again, the pair keeps its first date and shows the paths it has now.
    session.DatabaseConnection.Execute(
        QStringLiteral("INSERT INTO RememberedNotAMatch (Time, FirstPrint, SecondPrint, LeftPath, RightPath) "
                       "VALUES (?, ?, ?, ?, ?) ON CONFLICT (FirstPrint, SecondPrint) DO UPDATE SET "
                       "LeftPath = excluded.LeftPath, RightPath = excluded.RightPath"),
        {now(), Value::fromBlob(ordered ? first : second), Value::fromBlob(ordered ? second : first), leftPath,
            rightPath});
}

void ForgetRememberedPrints(Session &session, const QByteArray &first, const QByteArray &second)
{
    const bool ordered = first < second;
    session.DatabaseConnection.Execute(
        QStringLiteral("DELETE FROM RememberedNotAMatch WHERE FirstPrint = ? AND SecondPrint = ?"),
        {Value::fromBlob(ordered ? first : second), Value::fromBlob(ordered ? second : first)});
}

std::vector<QByteArray> RememberedKeys(Session &session)
{
    Statement rows(
        session.DatabaseConnection, QStringLiteral("SELECT FirstPrint, SecondPrint FROM RememberedNotAMatch"));
    std::vector<QByteArray> keys;
    while (rows.step())
        keys.push_back(rows.columnBytes(0).toByteArray() + rows.columnBytes(1).toByteArray());
    return keys;
}

std::vector<RememberedNotAMatch> ListRememberedNotAMatches(Session &session)
{
    Statement rows(session.DatabaseConnection,
        QStringLiteral("SELECT ID, Time, LeftPath, RightPath FROM RememberedNotAMatch ORDER BY ID DESC"));
    std::vector<RememberedNotAMatch> remembered;
    while (rows.step())
        remembered.push_back(
            {rows.column(0).toInt64(), timeOf(rows.column(1)), textOf(rows.column(2)), textOf(rows.column(3))});
    return remembered;
}

void ForgetRememberedNotAMatch(Session &session, qint64 id)
{
    session.DatabaseConnection.Execute(QStringLiteral("DELETE FROM RememberedNotAMatch WHERE ID = ?"), {id});
}

} // namespace vexaris::store
