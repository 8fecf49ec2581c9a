// Bringing a database file of an earlier format to the current one. What the current format holds
// is read from the schema text built into the program, never written out again here: the file gets
// every table, column and index of it that it lacks. Every step looks at the file's shape rather
// than at its user_version, since a file restored from a dump with the sqlite3 client has lost its
// version (it reads 0) but may already have the current tables. All steps run in one transaction,
// so a failure anywhere leaves the file exactly as it was.
#include <sqlite3.h>

#include <QHash>
#include <QRegularExpression>
#include <QStringList>

#include "i18n/translate.h"
#include "store/database.h"
#include "store/schemanames.h"
#include "store/schematext.h"

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

struct Column
{
    QString name;
    QString type;
};

std::vector<Column> columnsOf(Database &database, const QString &table)
{
    // The table's name cannot be bound; it comes from sqlite_master or the schema text.
    Statement info(database, QStringLiteral("SELECT name, type FROM pragma_table_info(?)"));
    info.bind(0, table);
    std::vector<Column> columns;
    while (info.step())
        columns.push_back({info.column(0).toString(), info.column(1).toString()});
    return columns;
}

bool hasColumn(const std::vector<Column> &columns, const QString &name)
{
    return std::any_of(columns.begin(), columns.end(), [&](const Column &c) { return c.name == name; });
}

// The current format as the schema text makes it: each table's CREATE statement and the
// definition of each of its columns as written there, and each index's CREATE statement.
struct Shape
{
    struct Table
    {
        QString name;
        QString sql;
        std::vector<std::pair<QString, QString>> columns; // name, definition
    };
    std::vector<Table> tables;
    std::vector<std::pair<QString, QString>> indexes; // name, sql
};

// The definition of a column as the CREATE TABLE text writes it, one column to a line.
QString columnDefinition(const QString &createSql, const QString &column)
{
    const QRegularExpression line(QStringLiteral("^\\s*(%1\\s[^\\n]*?),?\\s*$").arg(QRegularExpression::escape(column)),
        QRegularExpression::MultilineOption);
    const QRegularExpressionMatch match = line.match(createSql);
    return match.hasMatch() ? match.captured(1) : column;
}

const Shape &currentShape()
{
    static const Shape shape = [] {
        Shape made;
        sqlite3 *handle = nullptr;
        sqlite3_open_v2(":memory:", &handle, SQLITE_OPEN_READWRITE, nullptr);
        char *error = nullptr;
        if (sqlite3_exec(handle, schemaText(), nullptr, nullptr, &error) != SQLITE_OK) {
            const std::string message = error ? error : "?";
            sqlite3_free(error);
            sqlite3_close_v2(handle);
            throw DatabaseError(message, SQLITE_ERROR);
        }
        sqlite3_stmt *objects = nullptr;
        sqlite3_prepare_v2(handle,
            "SELECT type, name, sql FROM sqlite_master WHERE sql IS NOT NULL AND name NOT LIKE 'sqlite_%' ORDER BY "
            "rowid",
            -1, &objects, nullptr);
        while (sqlite3_step(objects) == SQLITE_ROW) {
            const auto text = [&](int i) {
                return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(objects, i)));
            };
            if (text(0) == QLatin1String("index")) {
                made.indexes.emplace_back(text(1), text(2));
                continue;
            }
            Shape::Table table {text(1), text(2), {}};
            sqlite3_stmt *info = nullptr;
            sqlite3_prepare_v2(handle, "SELECT name FROM pragma_table_info(?)", -1, &info, nullptr);
            sqlite3_bind_text(info, 1, table.name.toUtf8().constData(), -1, SQLITE_TRANSIENT);
            while (sqlite3_step(info) == SQLITE_ROW) {
                const QString column = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(info, 0)));
                table.columns.emplace_back(column, columnDefinition(table.sql, column));
            }
            sqlite3_finalize(info);
            made.tables.push_back(std::move(table));
        }
        sqlite3_finalize(objects);
        sqlite3_close_v2(handle);
        return made;
    }();
    return shape;
}

bool hasObject(Database &database, const char *type, const QString &name)
{
    Statement object(database, QStringLiteral("SELECT 1 FROM sqlite_master WHERE type = ? AND name = ?"));
    object.bindAll({QString::fromLatin1(type), name});
    return object.step();
}

// The Picture columns that ResolvedPicture lacks; it keeps whole picture rows.
std::vector<Column> missingKeptPictureColumns(Database &database)
{
    const std::vector<Column> kept = columnsOf(database, QStringLiteral("ResolvedPicture"));
    std::vector<Column> missing;
    if (kept.empty())
        return missing;
    for (const Column &column : columnsOf(database, QString::fromLatin1(table::Picture))) {
        if (column.name != QLatin1String(column::ID) && !hasColumn(kept, column.name))
            missing.push_back(column);
    }
    return missing;
}

// Whether the file lacks anything of the current format.
bool lacksAnything(Database &database)
{
    const Shape &shape = currentShape();
    for (const Shape::Table &table : shape.tables) {
        const std::vector<Column> present = columnsOf(database, table.name);
        if (present.empty())
            return true;
        for (const auto &[name, definition] : table.columns) {
            if (!hasColumn(present, name))
                return true;
        }
    }
    for (const auto &[name, sql] : shape.indexes) {
        if (!hasObject(database, "index", name))
            return true;
    }
    return !missingKeptPictureColumns(database).empty();
}

// Adds the tables, columns and indexes of the current format that the file lacks; what it has
// already stays as it is.
void addWhatIsMissing(Database &database)
{
    const Shape &shape = currentShape();
    for (const Shape::Table &table : shape.tables) {
        const std::vector<Column> present = columnsOf(database, table.name);
        if (present.empty()) {
            database.Execute(table.sql);
            continue;
        }
        for (const auto &[name, definition] : table.columns) {
            if (!hasColumn(present, name))
                database.Execute(QStringLiteral("ALTER TABLE %1 ADD COLUMN %2").arg(table.name, definition));
        }
    }
    for (const auto &[name, sql] : shape.indexes) {
        if (!hasObject(database, "index", name))
            database.Execute(sql);
    }
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

    const auto &tables = currentShape().tables;
    const auto collection = std::find_if(
        tables.begin(), tables.end(), [](const Shape::Table &t) { return t.name == QLatin1String(table::Collection); });
    QString create = collection->sql;
    create.replace(QStringLiteral("CREATE TABLE Collection"), QStringLiteral("CREATE TABLE Collection_upgrade"));
    database.Execute(create);
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
}

} // namespace

void keepWholePictureRows(Database &database)
{
    for (const Column &column : missingKeptPictureColumns(database)) {
        database.Execute(QStringLiteral("ALTER TABLE ResolvedPicture ADD COLUMN %1 %2").arg(column.name, column.type));
    }
}

QStringList pictureColumns(Database &database)
{
    QStringList names;
    for (const Column &column : columnsOf(database, QString::fromLatin1(table::Picture))) {
        if (column.name != QLatin1String(column::ID))
            names << column.name;
    }
    return names;
}

void upgradeSchema(Database &database)
{
    const int version = userVersion(database);
    if (version > kSchemaVersion)
        throw DatabaseError(formatText(_("the file was written by a later version of Vexaris (format %d; this "
                                         "version reads format %d)"),
                                {std::to_string(version), std::to_string(kSchemaVersion)}),
            SQLITE_NOTADB);
    // A file of the current format usually lacks nothing, and then nothing is written.
    if (version == kSchemaVersion && !lacksAnything(database))
        return;
    try {
        Transaction transaction(database);
        if (version < kSchemaVersion) {
            dropNameCollation(database);
            removeSecondPictureRows(database);
        }
        addWhatIsMissing(database);
        keepWholePictureRows(database);
        if (version < kSchemaVersion)
            database.Execute(QStringLiteral("PRAGMA user_version = %1").arg(kSchemaVersion));
        transaction.commit();
    } catch (const DatabaseError &e) {
        throw DatabaseError(
            formatText(_("the file could not be brought to the new format and was left unchanged: %s"), {e.what()}),
            e.code());
    }
}

} // namespace vexaris::store
