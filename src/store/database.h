// One SQLite connection and the prepared statements run on it. The connection is opened
// read-write, or read-only for commands that only read, and never creates a missing file. Each statement commits on its
// own, so whatever a failed operation had already done stays done, except where a Transaction groups statements whose
// partial effect an interruption must never leave behind.
#pragma once

#include <initializer_list>
#include <vector>

#include <QByteArrayView>
#include <QString>
#include <QStringList>

#include "common/error.h"
#include "store/value.h"

struct sqlite3;
struct sqlite3_stmt;

namespace vexaris::store {

// A failure reported by SQLite; the text is SQLite's own message.
class DatabaseError : public Error
{
public:
    DatabaseError(const std::string &message, int code)
        : Error(message)
        , m_code(code)
    {
    }
    int code() const { return m_code; }

private:
    int m_code;
};

using Parameters = std::vector<Value>;

// Read-only opens nothing for writing, so reading works where the file or its folder cannot be
// written; ReadWrite is what everything that changes a row needs.
enum class OpenMode { ReadWrite, ReadOnly };

class Database
{
public:
    Database() = default;
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing database file; raises an error when it is missing, unreadable, not one
    // of ours, of a later format, or (ReadWrite) cannot be written. A file of an earlier format is
    // brought to the current one in one transaction first, also when it is opened to be read;
    // when that fails, the file stays as it was and the open fails. Closes any connection held
    // before.
    void Open(const QString &file, OpenMode mode = OpenMode::ReadWrite);
    void Close();
    bool isOpen() const { return m_handle != nullptr; }
    // 1 while open, 0 when closed.
    int State() const { return isOpen() ? 1 : 0; }
    QString fileName() const { return m_fileName; }

    // Runs one statement with its values bound to the ? placeholders, in order; returns the
    // number of rows it changed.
    int Execute(const QString &sql, const Parameters &parameters = {});
    qint64 lastInsertId() const;

    // The handle, for the statements; raises an error when the connection is closed.
    sqlite3 *handle() const;

private:
    friend void createDatabase(const QString &file, const QByteArray &schemaSql);
    void openHandle(const QString &file, OpenMode mode, bool immutable);
    void prepare(OpenMode mode);

    sqlite3 *m_handle = nullptr;
    QString m_fileName;
};

// Statements that take effect together or not at all: a crash, a kill or an error at any moment
// leaves all of them or none. Leaving the scope without commit() rolls back. The write lock is
// taken at the start, so a second process waits there (within the busy timeout) and never in the
// middle.
class Transaction
{
public:
    explicit Transaction(Database &database);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    void commit();

private:
    Database &m_database;
    bool m_open = true;
};

// A prepared statement, finalized when it goes out of scope.
class Statement
{
public:
    Statement(Database &database, const QString &sql);
    ~Statement();
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    // Binds by position, 0 for the first placeholder.
    void bind(int index, const Value &value);
    void bindAll(const Parameters &parameters);

    // Moves to the next row; false when there is none left.
    bool step();
    // Steps to the end and returns the number of rows changed.
    int run();
    void reset();

    int columnCount() const;
    QString columnName(int index) const;
    // The table a result column comes from, empty for an expression.
    QString columnTable(int index) const;
    // The table's own name of a result column, whatever the query calls it.
    QString columnOrigin(int index) const;
    Value column(int index) const;
    // The value of the result column of that name (as the query names it); an error when there is
    // none, so that a misspelt name never reads as NULL.
    Value field(QLatin1StringView name) const;
    bool columnIsNull(int index) const;
    // A number column without a Value for it, for readers of many rows: an integer as it is, a real
    // rounded as Value rounds it, and 0 for NULL, text, a blob or a real no integer holds.
    qint64 columnInteger(int index) const;
    // A number column as a real; 0 for NULL, text or a blob.
    double columnReal(int index) const;
    // The bytes of a blob or text column without a copy; valid until the next step.
    QByteArrayView columnBytes(int index) const;

private:
    [[noreturn]] void fail(int code) const;

    Database &m_database;
    sqlite3_stmt *m_statement = nullptr;
};

// Makes a new database file from the schema's SQL text; raises an error when the file already
// exists or the schema does not run. A half-made file never stays behind.
void createDatabase(const QString &file, const QByteArray &schemaSql);

// Registers the collation that the program's statements name; every connection to our files needs it.
void registerCollations(sqlite3 *handle);

// Brings the open file's schema to kSchemaVersion in one transaction (a no-op when it is there):
// every table, column and index of the schema built into the program that the file lacks is added.
// Raises an error, with the file unchanged, when the file is of a later format or the upgrade
// fails. The connection must not yet enforce foreign keys.
void upgradeSchema(Database &database);

// Gives ResolvedPicture every column of Picture that it lacks, so that a kept row is whole.
void keepWholePictureRows(Database &database);
// The columns of Picture besides ID, as the file has them: what a kept picture row holds.
QStringList pictureColumns(Database &database);

// Whether the error says that the file cannot be written at all (full disk, I/O error, read-only
// file or folder, lost lock), so that going on with the next file would only fail again.
bool isStorageFailure(int code);

} // namespace vexaris::store
