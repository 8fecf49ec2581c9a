#include "store/data.h"

#include <cstdlib>
#include <memory>

#include <QDir>
#include <QFile>

#include "common/error.h"
#include "i18n/translate.h"
#include "store/recordset.h"
#include "store/schemanames.h"

namespace vexaris::store {

void ListCollections(Session &session, QStringList &names)
{
    names.clear();
    Recordset collections;
    collections.Open(
        session.DatabaseConnection, QLatin1String(table::Collection), LockType::ReadOnly, CommandType::Table);
    for (; !collections.Eof(); collections.MoveNext()) {
        const Value &name = collections.Field(column::Name);
        if (!name.isNull())
            names.append(name.toString());
    }
    collections.Close();
}

QString CollectionNameOf(Session &session, int32_t collectionId)
{
    Statement row(session.DatabaseConnection, QStringLiteral("SELECT Name FROM Collection WHERE ID = ?"));
    row.bind(0, collectionId);
    return row.step() && !row.columnIsNull(0) ? row.column(0).toString() : QString();
}

void AddCollection(Session &session, const QString &name)
{
    session.DatabaseConnection.Execute(QStringLiteral("INSERT INTO Collection (Name) VALUES (?)"), {name});
}

void checkCollectionName(const QString &name)
{
    if (name.trimmed().isEmpty())
        throw Error(_("The collection name is empty"));
    const std::string quoted = "\"" + name.toStdString() + "\"";
    if (name.front().isSpace() || name.back().isSpace())
        throw Error(formatText(_("The collection name %s begins or ends with a blank"), {quoted}));
    for (const QChar c : name) {
        if (c.category() == QChar::Other_Control)
            throw Error(formatText(_("The collection name %s holds a control character"), {quoted}));
    }
}

void DeleteCollection(Session &session, int32_t collectionId)
{
    Database &database = session.DatabaseConnection;
    database.Execute(QStringLiteral("DELETE FROM Duplicate WHERE Collection_ID = ?"), {collectionId});
    database.Execute(QStringLiteral("DELETE FROM Collection WHERE ID = ?"), {collectionId});
}

bool LoadCollection(Session &session, const QString &name, TCollectionRec &collection, FolderCheckList &folders)
{
    Database &database = session.DatabaseConnection;
    Recordset found;
    // Without an order the first row by key decides when several collections share the name.
    found.Open(database, QStringLiteral("SELECT * FROM Collection WHERE Name = ? COLLATE UNICODE_NOCASE ORDER BY ID"),
        LockType::ReadOnly, CommandType::Text, {name});
    if (found.Eof()) {
        collection.ID = 0;
        found.Close();
        return false;
    }
    TCollectionRec loaded;
    loaded.ID = found.Field(column::ID).toInt();
    loaded.Name = found.Field(column::Name).toString();
    loaded.LastLeft_ID = IntOrZero(found.Field(column::LastLeft_ID));
    loaded.Scanned = found.Field(column::Scanned).toBool();
    loaded.ScanProgress = IntOrZero(found.Field(column::ScanProgress));
    loaded.LastMethod = IntOrZero(found.Field(column::LastMethod));
    loaded.LastTolerance = IntOrZero(found.Field(column::LastTolerance));
    found.Close();
    collection = loaded;

    folders.clearFolders();
    Recordset rows;
    rows.Open(database, QStringLiteral("SELECT * FROM Folder WHERE CollectionID = ?"), LockType::ReadOnly,
        CommandType::Text, {loaded.ID});
    for (; !rows.Eof(); rows.MoveNext()) {
        const Value &path = rows.Field(column::Path);
        folders.addFolder(path.isNull() ? QString() : path.toString(), rows.Field(column::ID).toInt());
    }
    rows.Close();
    return true;
}

int32_t AddFolder(Session &session, int32_t collectionId, const QString &path)
{
    Database &database = session.DatabaseConnection;
    database.Execute(QStringLiteral("INSERT INTO Folder (CollectionID, Path) VALUES (?, ?)"), {collectionId, path});
    return static_cast<int32_t>(database.lastInsertId());
}

QString FolderIdentity(const QString &path)
{
    const QByteArray name = QFile::encodeName(path);
    const std::unique_ptr<char, decltype(&std::free)> resolved(::realpath(name.constData(), nullptr), &std::free);
    if (resolved)
        return QFile::decodeName(resolved.get());
    return QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
}

std::optional<int32_t> FindFolder(Session &session, int32_t collectionId, const QString &path)
{
    const QString identity = FolderIdentity(path);
    Statement rows(
        session.DatabaseConnection, QStringLiteral("SELECT ID, Path FROM Folder WHERE CollectionID = ? ORDER BY ID"));
    rows.bind(0, collectionId);
    while (rows.step()) {
        if (!rows.columnIsNull(1) && FolderIdentity(rows.column(1).toString()) == identity)
            return rows.column(0).toInt();
    }
    return std::nullopt;
}

int RemoveFolder(Session &session, int32_t collectionId, const QString &path)
{
    // Path has the BINARY collation, so = compares exactly, as the file system does.
    return session.DatabaseConnection.Execute(
        QStringLiteral("DELETE FROM Folder WHERE CollectionID = ? AND Path = ?"), {collectionId, path});
}

QString likePrefixPattern(const QString &prefix)
{
    QString pattern;
    pattern.reserve(prefix.size() + 8);
    for (const QChar c : prefix) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('%') || c == QLatin1Char('_'))
            pattern.append(QLatin1Char('\\'));
        pattern.append(c);
    }
    pattern.append(QLatin1Char('%'));
    return pattern;
}

int RemoveFolderTree(Session &session, int32_t collectionId, const QString &path)
{
    int removed = RemoveFolder(session, collectionId, path);
    const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
    // LIKE ignores ASCII letter case, so the prefix is compared exactly as well; LIKE only lets
    // SQLite skip the rows that cannot match.
    removed += session.DatabaseConnection.Execute(QStringLiteral("DELETE FROM Folder WHERE CollectionID = ? "
                                                                 "AND Path LIKE ? ESCAPE '\\' "
                                                                 "AND substr(Path, 1, length(?)) = ?"),
        {collectionId, likePrefixPattern(prefix), prefix, prefix});
    return removed;
}

void ResetScanState(Session &session, bool deletePairs)
{
    Database &database = session.DatabaseConnection;
    database.Execute(
        QStringLiteral("UPDATE Collection SET Scanned = FALSE, LastLeft_ID = NULL, ScanProgress = 0 WHERE ID = ?"),
        {session.CurrentCollection.ID});
    if (deletePairs)
        database.Execute(
            QStringLiteral("DELETE FROM Duplicate WHERE Collection_ID = ?"), {session.CurrentCollection.ID});
}

void DeletePicture(Session &session, int32_t pictureId)
{
    Database &database = session.DatabaseConnection;
    database.Execute(QStringLiteral("DELETE FROM Duplicate WHERE Left_ID = ? OR Right_ID = ?"), {pictureId, pictureId});
    database.Execute(QStringLiteral("DELETE FROM Picture WHERE ID = ?"), {pictureId});
}

void MovePicture(Session &session, int32_t pictureId, int32_t folderId, const QString &newPath)
{
    const QString fileName = newPath.mid(newPath.lastIndexOf(QLatin1Char('/')) + 1);
    session.DatabaseConnection.Execute(
        QStringLiteral("UPDATE Picture SET FileName = ?, FolderID = ? WHERE ID = ?"), {fileName, folderId, pictureId});
}

void RenameFolder(Session &session, int32_t folderId, const QString &newPath)
{
    session.DatabaseConnection.Execute(QStringLiteral("UPDATE Folder SET Path = ? WHERE ID = ? "), {newPath, folderId});
}

int PairDifference(Session &session, int32_t collectionId, int32_t leftId, int32_t rightId)
{
    Statement query(session.DatabaseConnection,
        QStringLiteral("SELECT Difference FROM Duplicate WHERE Collection_ID = ? AND Left_ID = ? AND Right_ID = ? "
                       "ORDER BY ID LIMIT 1"));
    query.bindAll({collectionId, leftId, rightId});
    return query.step() && !query.columnIsNull(0) ? query.column(0).toInt() : 0;
}

int ForgetPair(Session &session, int32_t leftId, int32_t rightId)
{
    return session.DatabaseConnection.Execute(
        QStringLiteral("DELETE FROM Duplicate WHERE Left_ID = ? AND Right_ID = ?"), {leftId, rightId});
}

} // namespace vexaris::store
