#include "store/journal.h"

#include <QCryptographicHash>
#include <QtEndian>

#include "store/data.h"
#include "store/database.h"
#include "store/datetime.h"

namespace vexaris::store {

namespace {

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

Value idOrNull(qint64 id)
{
    return id != 0 ? Value(id) : Value();
}

Value textOrNull(const QString &text)
{
    return text.isEmpty() ? Value() : Value(text);
}

JournalEntry entryOf(const Statement &row)
{
    const auto text = [&](const char *name) { return textOf(row.field(QLatin1StringView(name))); };
    const auto integer = [&](const char *name) { return integerOf(row.field(QLatin1StringView(name))); };
    const auto time = [&](const char *name) { return timeOf(row.field(QLatin1StringView(name))); };
    JournalEntry entry;
    entry.id = integer("ID");
    entry.time = time("Time");
    entry.action = static_cast<ResolutionAction>(integer("Action"));
    entry.state = static_cast<EntryState>(integer("State"));
    entry.leftPath = text("LeftPath");
    entry.rightPath = text("RightPath");
    entry.leftSize = integer("LeftSize");
    entry.rightSize = integer("RightSize");
    entry.leftTime = time("LeftModified");
    entry.rightTime = time("RightModified");
    entry.trashInfoPath = text("TrashInfoPath");
    entry.trashInfoName = text("TrashInfoName");
    entry.difference = static_cast<int>(integer("Difference"));
    entry.undone = integer("Undone") != 0;
    entry.targetPath = text("TargetPath");
    entry.copyTrashInfoPath = text("CopyTrashInfoPath");
    entry.collectionId = static_cast<int>(integer("Collection_ID"));
    entry.batchId = integer("Batch_ID");
    entry.movedPictureId = static_cast<int>(integer("MovedPicture_ID"));
    entry.movedFromFolderId = static_cast<int>(integer("MovedFromFolder_ID"));
    entry.movedFromName = text("MovedFromName");
    return entry;
}

std::vector<JournalEntry> entriesOf(Statement &rows)
{
    std::vector<JournalEntry> entries;
    while (rows.step())
        entries.push_back(entryOf(rows));
    return entries;
}

double now()
{
    return toDays(QDateTime::currentDateTimeUtc());
}

// Entries that did something: done, or being undone.
constexpr char kDidSomething[] = "State IN (0, 3)";

} // namespace

std::vector<JournalEntry> ListResolutions(Session &session, int collectionId)
{
    Statement rows(session.DatabaseConnection,
        QStringLiteral("SELECT * FROM Resolution WHERE Collection_ID = ? AND %1 ORDER BY ID DESC")
            .arg(QLatin1String(kDidSomething)));
    rows.bind(0, collectionId);
    return entriesOf(rows);
}

std::optional<JournalEntry> FindResolution(Session &session, qint64 entryId)
{
    Statement row(session.DatabaseConnection, QStringLiteral("SELECT * FROM Resolution WHERE ID = ?"));
    row.bind(0, entryId);
    if (!row.step())
        return std::nullopt;
    return entryOf(row);
}

std::optional<qint64> LastResolution(Session &session, int collectionId)
{
    Statement row(session.DatabaseConnection,
        QStringLiteral("SELECT ID FROM Resolution WHERE Collection_ID = ? AND Undone = 0 AND State = 0 "
                       "ORDER BY ID DESC LIMIT 1"));
    row.bind(0, collectionId);
    if (!row.step())
        return std::nullopt;
    return row.column(0).toInt64();
}

std::vector<JournalEntry> UnsettledResolutions(Session &session)
{
    Statement rows(
        session.DatabaseConnection, QStringLiteral("SELECT * FROM Resolution WHERE State IN (1, 3) ORDER BY ID"));
    return entriesOf(rows);
}

qint64 AddResolution(Session &session, const JournalEntry &entry)
{
    Database &database = session.DatabaseConnection;
    const bool moved = entry.movedPictureId != 0;
    database.Execute(QStringLiteral("INSERT INTO Resolution (Collection_ID, Time, Action, State, LeftPath, RightPath, "
                                    "LeftSize, RightSize, LeftModified, RightModified, Difference, TrashInfoName, "
                                    "TrashInfoPath, TargetPath, MovedPicture_ID, MovedFromFolder_ID, MovedFromName, "
                                    "Batch_ID) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {entry.collectionId, entry.time.isValid() ? toDays(entry.time) : now(), static_cast<int>(entry.action),
            static_cast<int>(entry.state), entry.leftPath, entry.rightPath, entry.leftSize, entry.rightSize,
            daysOf(entry.leftTime), daysOf(entry.rightTime), entry.difference, entry.trashInfoName,
            textOrNull(entry.trashInfoPath), entry.targetPath, moved ? Value(entry.movedPictureId) : Value(),
            moved ? Value(entry.movedFromFolderId) : Value(), moved ? Value(entry.movedFromName) : Value(),
            idOrNull(entry.batchId)});
    return database.lastInsertId();
}

void SetResolutionState(Session &session, qint64 entryId, EntryState state)
{
    session.DatabaseConnection.Execute(
        QStringLiteral("UPDATE Resolution SET State = ? WHERE ID = ?"), {static_cast<int>(state), entryId});
}

void SetCopyTrashInfoPath(Session &session, qint64 entryId, const QString &infoPath)
{
    session.DatabaseConnection.Execute(
        QStringLiteral("UPDATE Resolution SET CopyTrashInfoPath = ? WHERE ID = ?"), {textOrNull(infoPath), entryId});
}

bool PairStillRecorded(Session &session, qint64 pairId)
{
    Statement row(session.DatabaseConnection,
        QStringLiteral("SELECT 1 FROM Duplicate JOIN Picture AS L ON L.ID = Duplicate.Left_ID "
                       "JOIN Picture AS R ON R.ID = Duplicate.Right_ID JOIN Folder AS LF ON LF.ID = L.FolderID "
                       "JOIN Folder AS RF ON RF.ID = R.FolderID WHERE Duplicate.ID = ?"));
    row.bind(0, pairId);
    return row.step();
}

void RecordAsDelete(Session &session, qint64 entryId, ResolutionAction deleteAction)
{
    session.DatabaseConnection.Execute(
        QStringLiteral("UPDATE Resolution SET Action = ?, TargetPath = '', MovedPicture_ID = NULL, "
                       "MovedFromFolder_ID = NULL, MovedFromName = NULL WHERE ID = ?"),
        {static_cast<int>(deleteAction), entryId});
}

void KeepPictureRows(Session &session, qint64 entryId, int32_t pictureId)
{
    Database &database = session.DatabaseConnection;
    const QString columns = pictureColumns(database).join(QStringLiteral(", "));
    database.Execute(QStringLiteral("INSERT INTO ResolvedPicture (Resolution_ID, Picture_ID, %1) "
                                    "SELECT ?, ID, %1 FROM Picture WHERE ID = ?")
                         .arg(columns),
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

std::optional<KeptPicture> GivenUpPicture(Session &session, qint64 entryId)
{
    Statement row(session.DatabaseConnection,
        QStringLiteral("SELECT Picture_ID, FolderID FROM ResolvedPicture WHERE Resolution_ID = ? ORDER BY ID LIMIT 1"));
    row.bind(0, entryId);
    if (!row.step())
        return std::nullopt;
    return KeptPicture {row.field(QLatin1StringView("Picture_ID")).toInt(),
        static_cast<int32_t>(integerOf(row.field(QLatin1StringView("FolderID"))))};
}

std::optional<int32_t> MissingKeptFolder(Session &session, qint64 entryId)
{
    Statement row(session.DatabaseConnection,
        QStringLiteral("SELECT FolderID FROM ResolvedPicture WHERE Resolution_ID = ? "
                       "AND FolderID NOT IN (SELECT ID FROM Folder) UNION ALL "
                       "SELECT MovedFromFolder_ID FROM Resolution WHERE ID = ? AND MovedFromFolder_ID IS NOT NULL "
                       "AND MovedFromFolder_ID NOT IN (SELECT ID FROM Folder) LIMIT 1"));
    row.bindAll({entryId, entryId});
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
    const QString columns = pictureColumns(database).join(QStringLiteral(", "));
    database.Execute(QStringLiteral("INSERT OR IGNORE INTO Picture (ID, %1) SELECT Picture_ID, %1 "
                                    "FROM ResolvedPicture WHERE Resolution_ID = ? ORDER BY ID")
                         .arg(columns),
        {entryId});
    // The entry's own pairs wait unless both pictures are back; then every waiting pair of the
    // collection whose pictures are all back now comes back, this entry's among them.
    database.Execute(QStringLiteral("UPDATE ResolvedPair SET Waiting = 1 WHERE Resolution_ID = ?"), {entryId});
    const QString comesBack = QStringLiteral(
        "FROM ResolvedPair AS Kept WHERE Kept.Waiting = 1 AND Kept.Collection_ID IN (SELECT Collection_ID FROM "
        "Resolution WHERE ID = ?) AND Kept.Left_ID IN (SELECT ID FROM Picture) "
        "AND Kept.Right_ID IN (SELECT ID FROM Picture)");
    database.Execute(QStringLiteral("INSERT INTO Duplicate (Collection_ID, Left_ID, Right_ID, Difference) "
                                    "SELECT Kept.Collection_ID, Kept.Left_ID, Kept.Right_ID, Kept.Difference %1 "
                                    "AND NOT EXISTS (SELECT 1 FROM Duplicate WHERE Duplicate.Left_ID = Kept.Left_ID "
                                    "AND Duplicate.Right_ID = Kept.Right_ID) "
                                    "AND Kept.ID = (SELECT min(Same.ID) FROM ResolvedPair AS Same "
                                    "WHERE Same.Waiting = 1 AND Same.Left_ID = Kept.Left_ID "
                                    "AND Same.Right_ID = Kept.Right_ID) ORDER BY Kept.ID")
                         .arg(comesBack),
        {entryId});
    database.Execute(
        QStringLiteral("UPDATE ResolvedPair SET Waiting = 0 WHERE ID IN (SELECT Kept.ID %1)").arg(comesBack),
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

bool KeptPairsCanComeBack(Session &session, qint64 entryId)
{
    // A picture is back, or can come back with the undo of a done entry that keeps its row.
    const QString present = QStringLiteral(
        "(%1 IN (SELECT ID FROM Picture) OR %1 IN (SELECT Other.Picture_ID FROM ResolvedPicture AS Other "
        "JOIN Resolution ON Resolution.ID = Other.Resolution_ID WHERE Resolution.State = 0 "
        "AND Resolution.Undone = 0))");
    Statement row(session.DatabaseConnection,
        QStringLiteral("SELECT 1 FROM ResolvedPair WHERE Resolution_ID = ? AND NOT (%1 AND %2) LIMIT 1")
            .arg(present.arg(QStringLiteral("Left_ID")), present.arg(QStringLiteral("Right_ID"))));
    row.bind(0, entryId);
    return !row.step();
}

void MarkUndone(Session &session, qint64 entryId)
{
    session.DatabaseConnection.Execute(
        QStringLiteral("UPDATE Resolution SET Undone = 1, State = 0 WHERE ID = ?"), {entryId});
}

qint64 AddBatch(Session &session, int collectionId, const QString &ruleName, const QString &rule)
{
    session.DatabaseConnection.Execute(
        QStringLiteral("INSERT INTO Batch (Collection_ID, Time, RuleName, Rule) VALUES (?, ?, ?, ?)"),
        {collectionId, now(), ruleName, rule});
    return session.DatabaseConnection.lastInsertId();
}

namespace {

std::vector<BatchEntry> batchesOf(Statement &rows)
{
    std::vector<BatchEntry> batches;
    while (rows.step()) {
        batches.push_back({rows.field(QLatin1StringView("ID")).toInt64(),
            static_cast<int>(integerOf(rows.field(QLatin1StringView("Collection_ID")))),
            timeOf(rows.field(QLatin1StringView("Time"))), textOf(rows.field(QLatin1StringView("RuleName"))),
            textOf(rows.field(QLatin1StringView("Rule"))),
            static_cast<int>(integerOf(rows.field(QLatin1StringView("Resolutions")))),
            static_cast<int>(integerOf(rows.field(QLatin1StringView("UndoneResolutions"))))});
    }
    return batches;
}

QString batchQuery(const char *where)
{
    return QStringLiteral("SELECT Batch.*, (SELECT COUNT(*) FROM Resolution WHERE Batch_ID = Batch.ID AND %1) "
                          "AS Resolutions, (SELECT COUNT(*) FROM Resolution WHERE Batch_ID = Batch.ID AND %1 "
                          "AND Undone = 1) AS UndoneResolutions FROM Batch WHERE %2")
        .arg(QLatin1String(kDidSomething), QLatin1String(where));
}

} // namespace

std::optional<BatchEntry> FindBatch(Session &session, qint64 batchId)
{
    Statement rows(session.DatabaseConnection, batchQuery("ID = ?"));
    rows.bind(0, batchId);
    std::vector<BatchEntry> found = batchesOf(rows);
    if (found.empty())
        return std::nullopt;
    return found.front();
}

std::vector<BatchEntry> ListBatches(Session &session, int collectionId)
{
    Statement rows(session.DatabaseConnection, batchQuery("Collection_ID = ? ORDER BY ID DESC"));
    rows.bind(0, collectionId);
    return batchesOf(rows);
}

std::vector<JournalEntry> BatchResolutions(Session &session, qint64 batchId)
{
    Statement rows(session.DatabaseConnection,
        QStringLiteral("SELECT * FROM Resolution WHERE Batch_ID = ? AND %1 ORDER BY ID DESC")
            .arg(QLatin1String(kDidSomething)));
    rows.bind(0, batchId);
    return entriesOf(rows);
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
