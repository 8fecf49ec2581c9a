// A static recordset: the rows of a query read into memory when it opens, with a current row
// that moves over them, and, when opened for changes, row insertion, change and deletion that
// go to the database at once (each row on its own, no transaction).
//
// Opened for changes, the source must be a whole table or a query whose columns all come from
// one table and include its ID; the rows are written back by that ID. Moving to another row
// while a change is pending stores it first, as Update would.
#pragma once

#include <optional>
#include <vector>

#include <QAnyStringView>
#include <QString>
#include <QStringList>

#include "store/database.h"
#include "store/value.h"

namespace vexaris::store {

enum class LockType { ReadOnly, Optimistic };
enum class CommandType { Text, Table };
enum class EditMode { None, InProgress, Add };

class Recordset
{
public:
    // Positions reported by AbsolutePosition when no row is current.
    static constexpr int kPositionBOF = -2;
    static constexpr int kPositionEOF = -3;

    Recordset() = default;
    Recordset(const Recordset &) = delete;
    Recordset &operator=(const Recordset &) = delete;

    // Reads every row of the source; values are bound to its ? placeholders in order.
    void Open(Database &database, const QString &source, LockType lock = LockType::ReadOnly,
        CommandType type = CommandType::Text, const Parameters &parameters = {});
    // Forgets the rows; a pending change is dropped.
    void Close();
    // 1 while open, 0 when closed.
    int State() const { return m_database ? 1 : 0; }

    int RecordCount() const;
    bool Eof() const;
    bool Bof() const;
    void MoveFirst();
    void MoveNext();
    void MovePrevious();
    void MoveLast();
    // Moves to the row that lies offset rows after the first (0 is the first row).
    void Move(int offset);
    // 1 for the first row; kPositionBOF / kPositionEOF off the rows.
    int AbsolutePosition() const;
    void SetAbsolutePosition(int position);

    int FieldCount() const;
    QString FieldName(int index) const;
    // The current row's value; field names ignore letter case.
    const Value &Field(QAnyStringView name) const;
    const Value &Field(int index) const;
    void SetField(QAnyStringView name, const Value &value);

    void AddNew();
    // Adds a row with these values and stores it at once.
    void AddNew(const QStringList &names, const Parameters &values);
    void Update();
    void CancelUpdate();
    EditMode editMode() const { return m_edit; }
    // Deletes the current row; the position stays on the gap until the next move.
    void Delete();
    // Searches forward from the current row for a criterion "ID=n"; on failure the recordset
    // is at its end. Returns whether a row was found.
    bool Find(const QString &criterion);

private:
    void requireOpen() const;
    void requireChangeable() const;
    void requireCurrent() const;
    int fieldIndex(QAnyStringView name) const;
    void settle();
    std::vector<Value> readRow(qint64 id);

    Database *m_database = nullptr;
    LockType m_lock = LockType::ReadOnly;
    QString m_table; // the table changes go to; empty when read-only
    QStringList m_names; // as the query names the columns
    QStringList m_origins; // the table's own column names, for writing back
    int m_idColumn = -1;
    std::vector<std::vector<Value>> m_rows;
    int m_position = 0; // -1 before the first row, size() after the last
    bool m_onDeletedRow = false;
    EditMode m_edit = EditMode::None;
    std::vector<Value> m_buffer;
    std::vector<bool> m_changed;
};

} // namespace vexaris::store
