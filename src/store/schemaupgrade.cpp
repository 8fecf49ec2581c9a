// Bringing a database file of an earlier format to the current one. Every step is made so that it
// can run on any earlier file, whatever its user_version says: a file restored from a dump with
// the sqlite3 client has lost its version (it reads 0) but may already have the current tables.
// All steps run in one transaction, so a failure anywhere leaves the file exactly as it was.
#include <sqlite3.h>

#include <QStringList>

#include "i18n/translate.h"
#include "store/database.h"
#include "store/schemanames.h"

namespace vexaris::store {

namespace {

int userVersion(Database &database)
{
    Statement version(database, QStringLiteral("PRAGMA user_version"));
    version.step();
    return version.column(0).toInt();
}

QString tableSql(Database &database, const char *table)
{
    Statement sql(database, QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'table' AND name = ?"));
    sql.bind(0, QString::fromLatin1(table));
    return sql.step() && !sql.columnIsNull(0) ? sql.column(0).toString() : QString();
}

// The first format gave Collection.Name the program's own collation, which no other tool knows.
// A column's collation cannot be altered in place, so the table is made anew with the same rows,
// the same keys and the same key sequence, and the triggers users may have put on it come back.
void dropNameCollation(Database &database)
{
    if (!tableSql(database, table::Collection).contains(QLatin1String(kNoCaseCollation), Qt::CaseInsensitive))
        return;

    QStringList triggers;
    {
        Statement query(database,
            QStringLiteral("SELECT sql FROM sqlite_master WHERE type = 'trigger' AND tbl_name = 'Collection' "
                           "AND sql IS NOT NULL"));
        while (query.step())
            triggers.append(query.column(0).toString());
    }
    qint64 sequence = 0;
    {
        Statement query(database, QStringLiteral("SELECT seq FROM sqlite_sequence WHERE name = 'Collection'"));
        if (query.step() && !query.columnIsNull(0))
            sequence = query.column(0).toInt64();
    }

    database.Execute(QStringLiteral("CREATE TABLE Collection_upgrade ("
                                    "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                    "Name TEXT, "
                                    "Scanned INTEGER NOT NULL DEFAULT 0, "
                                    "LastLeft_ID INTEGER, "
                                    "ScanProgress INTEGER DEFAULT 0, "
                                    "LastMethod INTEGER DEFAULT 0, "
                                    "LastTolerance INTEGER DEFAULT 0)"));
    database.Execute(QStringLiteral("INSERT INTO Collection_upgrade "
                                    "(ID, Name, Scanned, LastLeft_ID, ScanProgress, LastMethod, LastTolerance) "
                                    "SELECT ID, Name, Scanned, LastLeft_ID, ScanProgress, LastMethod, LastTolerance "
                                    "FROM Collection"));
    // Foreign keys are off, so the rows that refer to the collections stay; they refer to the
    // table by name and find the new one under the old name.
    database.Execute(QStringLiteral("DROP TABLE Collection"));
    // The legacy rename leaves views alone, so a view of the user's own naming Collection does
    // not make the rename fail while the table is briefly missing.
    database.Execute(QStringLiteral("PRAGMA legacy_alter_table = ON"));
    database.Execute(QStringLiteral("ALTER TABLE Collection_upgrade RENAME TO Collection"));
    database.Execute(QStringLiteral("PRAGMA legacy_alter_table = OFF"));
    // The copy numbered its sequence from the rows; a deleted last collection's key must still
    // never come back.
    database.Execute(
        QStringLiteral("UPDATE sqlite_sequence SET seq = max(seq, ?) WHERE name = 'Collection'"), {sequence});
    for (const QString &trigger : std::as_const(triggers))
        database.Execute(trigger);
}

// Two rows for one file came from two update runs of one collection at the same time. The first
// row stays; the others go with their pairs (foreign keys are off, so by hand).
void removeSecondPictureRows(Database &database)
{
    const QString seconds = QStringLiteral("SELECT ID FROM Picture AS Later WHERE EXISTS (SELECT 1 FROM Picture "
                                           "AS First WHERE First.FolderID = Later.FolderID "
                                           "AND First.FileName = Later.FileName AND First.ID < Later.ID)");
    database.Execute(QStringLiteral("DELETE FROM Duplicate WHERE Left_ID IN (%1) OR Right_ID IN (%1)").arg(seconds));
    database.Execute(QStringLiteral("DELETE FROM Picture WHERE ID IN (%1)").arg(seconds));
    database.Execute(QStringLiteral("DROP INDEX IF EXISTS PictureByFolder"));
    database.Execute(QStringLiteral("CREATE UNIQUE INDEX IF NOT EXISTS PictureByFile ON Picture (FolderID, FileName)"));
}

// The journal of resolutions and the memory of not-a-match pairs came with the second format;
// they are made as a new file has them.
void addJournalTables(Database &database)
{
    database.Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS Resolution ( "
                                    "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                    "Collection_ID INTEGER NOT NULL REFERENCES Collection (ID) ON DELETE CASCADE, "
                                    "Time REAL NOT NULL, "
                                    "Action INTEGER NOT NULL, "
                                    "LeftPath TEXT, "
                                    "RightPath TEXT, "
                                    "LeftSize INTEGER, "
                                    "RightSize INTEGER, "
                                    "LeftModified REAL, "
                                    "RightModified REAL, "
                                    "Difference INTEGER, "
                                    "TrashInfoName TEXT, "
                                    "TargetPath TEXT, "
                                    "MovedPicture_ID INTEGER, "
                                    "MovedFromFolder_ID INTEGER, "
                                    "MovedFromName TEXT, "
                                    "Undone INTEGER NOT NULL DEFAULT 0 "
                                    ")"));
    database.Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS ResolvedPicture ( "
                                    "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                    "Resolution_ID INTEGER NOT NULL REFERENCES Resolution (ID) ON DELETE CASCADE, "
                                    "Picture_ID INTEGER NOT NULL, "
                                    "CollectionID INTEGER, "
                                    "FolderID INTEGER, "
                                    "FileName TEXT COLLATE BINARY, "
                                    "Size INTEGER, "
                                    "Created REAL, "
                                    "Modified REAL, "
                                    "Width INTEGER, "
                                    "Height INTEGER, "
                                    "Thumbnail BLOB, "
                                    "Derivative BLOB, "
                                    "ColorRank INTEGER, "
                                    "DerivativeRank INTEGER, "
                                    "Old INTEGER, "
                                    "Noise INTEGER "
                                    ")"));
    database.Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS ResolvedPair ( "
                                    "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                    "Resolution_ID INTEGER NOT NULL REFERENCES Resolution (ID) ON DELETE CASCADE, "
                                    "Collection_ID INTEGER, "
                                    "Left_ID INTEGER, "
                                    "Right_ID INTEGER, "
                                    "Difference INTEGER "
                                    ")"));
    database.Execute(QStringLiteral("CREATE TABLE IF NOT EXISTS RememberedNotAMatch ( "
                                    "ID INTEGER PRIMARY KEY AUTOINCREMENT, "
                                    "Time REAL NOT NULL, "
                                    "FirstPrint BLOB NOT NULL, "
                                    "SecondPrint BLOB NOT NULL, "
                                    "LeftPath TEXT, "
                                    "RightPath TEXT "
                                    ")"));
    database.Execute(
        QStringLiteral("CREATE INDEX IF NOT EXISTS ResolutionByCollection ON Resolution (Collection_ID, ID)"));
    database.Execute(
        QStringLiteral("CREATE INDEX IF NOT EXISTS ResolvedPictureByResolution ON ResolvedPicture (Resolution_ID)"));
    database.Execute(
        QStringLiteral("CREATE INDEX IF NOT EXISTS ResolvedPairByResolution ON ResolvedPair (Resolution_ID)"));
    database.Execute(QStringLiteral(
        "CREATE UNIQUE INDEX IF NOT EXISTS RememberedByPrints ON RememberedNotAMatch (FirstPrint, SecondPrint)"));
}

} // namespace

void upgradeSchema(Database &database)
{
    const int version = userVersion(database);
    if (version > kSchemaVersion)
        throw DatabaseError(formatText(_("the file was written by a later version of Vexaris (format %d; this "
                                         "version reads format %d)"),
                                {std::to_string(version), std::to_string(kSchemaVersion)}),
            SQLITE_NOTADB);
    if (version == kSchemaVersion) {
        // Files of this format made before the resolution journal joined it lack only its tables;
        // without them every resolution would fail.
        if (tableSql(database, "Resolution").isEmpty()) {
            Transaction transaction(database);
            addJournalTables(database);
            transaction.commit();
        }
        return;
    }
    try {
        Transaction transaction(database);
        dropNameCollation(database);
        removeSecondPictureRows(database);
        addJournalTables(database);
        database.Execute(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
        transaction.commit();
    } catch (const DatabaseError &e) {
        throw DatabaseError(
            formatText(_("the file could not be brought to the new format and was left unchanged: %s"), {e.what()}),
            e.code());
    }
}

} // namespace vexaris::store
