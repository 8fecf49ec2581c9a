// One SQLite connection and the prepared statements run on it. The connection is opened
// read-write and never creates a missing file; each statement commits on its own (no
// transaction is ever begun), so whatever a failed operation had already done stays done.
#pragma once

#include <initializer_list>
#include <vector>

#include <QByteArrayView>
#include <QString>

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

class Database
{
public:
    Database() = default;
    ~Database();
    Database(const Database &) = delete;
    Database &operator=(const Database &) = delete;

    // Opens an existing database file; raises an error when it is missing, unreadable, not one
    // of ours, or cannot be written. Closes any connection held before.
    void Open(const QString &file);
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
    sqlite3 *m_handle = nullptr;
    QString m_fileName;
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
    bool columnIsNull(int index) const;
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

// Registers the collations that the schema names; every connection to our files needs them.
void registerCollations(sqlite3 *handle);

} // namespace vexaris::store
