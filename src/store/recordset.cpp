#include "store/recordset.h"

#include <QRegularExpression>

#include "i18n/translate.h"

namespace vexaris::store {

namespace {

QString quoted(const QString &name)
{
    QString text = name;
    text.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + text + QLatin1Char('"');
}

bool isPlainName(const QString &name)
{
    static const QRegularExpression plain(QStringLiteral("^[A-Za-z_][A-Za-z0-9_]*$"));
    return plain.match(name).hasMatch();
}

} // namespace

void Recordset::Open(
    Database &database, const QString &source, LockType lock, CommandType type, const Parameters &parameters)
{
    Close();
    QString sql = source;
    if (type == CommandType::Table) {
        if (!isPlainName(source))
            throw Error(formatText(_("Not a table name: %s"), {source.toStdString()}));
        sql = QStringLiteral("SELECT * FROM ") + quoted(source);
    }
    Statement statement(database, sql);
    statement.bindAll(parameters);

    QStringList names;
    QStringList origins;
    QString table;
    bool oneTable = true;
    for (int i = 0; i < statement.columnCount(); ++i) {
        names.append(statement.columnName(i));
        origins.append(statement.columnOrigin(i));
        const QString columnTable = statement.columnTable(i);
        if (columnTable.isEmpty() || (!table.isEmpty() && columnTable != table))
            oneTable = false;
        table = columnTable;
    }
    int idColumn = -1;
    for (int i = 0; i < origins.size(); ++i) {
        if (origins[i].compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0)
            idColumn = i;
    }
    if (lock == LockType::Optimistic && (!oneTable || idColumn < 0))
        throw Error(_("The rows of this query cannot be changed: they must come from one table and include its ID"));

    std::vector<std::vector<Value>> rows;
    while (statement.step()) {
        std::vector<Value> row;
        row.reserve(static_cast<size_t>(names.size()));
        for (int i = 0; i < names.size(); ++i)
            row.push_back(statement.column(i));
        rows.push_back(std::move(row));
    }

    m_database = &database;
    m_lock = lock;
    m_table = lock == LockType::Optimistic ? table : QString();
    m_names = names;
    m_origins = origins;
    m_idColumn = idColumn;
    m_rows = std::move(rows);
    m_position = 0;
    m_onDeletedRow = false;
    m_edit = EditMode::None;
}

void Recordset::Close()
{
    m_database = nullptr;
    m_table.clear();
    m_names.clear();
    m_origins.clear();
    m_idColumn = -1;
    m_rows.clear();
    m_position = 0;
    m_onDeletedRow = false;
    m_edit = EditMode::None;
    m_buffer.clear();
    m_changed.clear();
}

void Recordset::requireOpen() const
{
    if (!m_database)
        throw Error(_("The recordset is closed"));
}

void Recordset::requireChangeable() const
{
    requireOpen();
    if (m_lock == LockType::ReadOnly)
        throw Error(_("The recordset is read-only"));
}

void Recordset::requireCurrent() const
{
    requireOpen();
    if (m_onDeletedRow || m_position < 0 || m_position >= static_cast<int>(m_rows.size()))
        throw Error(_("There is no current row"));
}

int Recordset::RecordCount() const
{
    requireOpen();
    return static_cast<int>(m_rows.size());
}

bool Recordset::Eof() const
{
    requireOpen();
    return m_position >= static_cast<int>(m_rows.size());
}

bool Recordset::Bof() const
{
    requireOpen();
    return m_position < 0 || m_rows.empty();
}

void Recordset::settle()
{
    if (m_edit != EditMode::None)
        Update();
}

void Recordset::MoveFirst()
{
    requireOpen();
    settle();
    m_onDeletedRow = false;
    m_position = 0;
}

void Recordset::MoveLast()
{
    requireOpen();
    settle();
    m_onDeletedRow = false;
    m_position = m_rows.empty() ? 0 : static_cast<int>(m_rows.size()) - 1;
}

void Recordset::MoveNext()
{
    requireOpen();
    settle();
    if (m_onDeletedRow) {
        // The rows after the deleted one moved up; the gap's position already names the next.
        m_onDeletedRow = false;
        return;
    }
    if (Eof())
        throw Error(_("There is no current row"));
    ++m_position;
}

void Recordset::MovePrevious()
{
    requireOpen();
    settle();
    if (m_onDeletedRow)
        m_onDeletedRow = false;
    else if (m_position < 0 || m_rows.empty())
        throw Error(_("There is no current row"));
    --m_position;
    if (m_position < -1)
        m_position = -1;
}

void Recordset::Move(int offset)
{
    requireOpen();
    settle();
    m_onDeletedRow = false;
    const int count = static_cast<int>(m_rows.size());
    m_position = offset < 0 ? -1 : std::min(offset, count);
}

int Recordset::AbsolutePosition() const
{
    requireOpen();
    if (m_position < 0 || m_rows.empty())
        return kPositionBOF;
    if (m_position >= static_cast<int>(m_rows.size()))
        return kPositionEOF;
    return m_position + 1;
}

void Recordset::SetAbsolutePosition(int position)
{
    requireOpen();
    if (position < 1 || position > static_cast<int>(m_rows.size()))
        throw Error(_("There is no row at this position"));
    settle();
    m_onDeletedRow = false;
    m_position = position - 1;
}

int Recordset::FieldCount() const
{
    requireOpen();
    return static_cast<int>(m_names.size());
}

QString Recordset::FieldName(int index) const
{
    requireOpen();
    return m_names.value(index);
}

int Recordset::fieldIndex(QAnyStringView name) const
{
    requireOpen();
    for (int i = 0; i < m_names.size(); ++i) {
        if (QAnyStringView::compare(name, m_names[i], Qt::CaseInsensitive) == 0)
            return i;
    }
    throw Error(formatText(_("The recordset has no field %s"), {name.toString().toStdString()}));
}

const Value &Recordset::Field(QAnyStringView name) const
{
    return Field(fieldIndex(name));
}

const Value &Recordset::Field(int index) const
{
    if (m_edit != EditMode::None) {
        if (index < 0 || index >= static_cast<int>(m_buffer.size()))
            throw Error(formatText(_("The recordset has no field %s"), {std::to_string(index)}));
        return m_buffer[static_cast<size_t>(index)];
    }
    requireCurrent();
    const std::vector<Value> &row = m_rows[static_cast<size_t>(m_position)];
    if (index < 0 || index >= static_cast<int>(row.size()))
        throw Error(formatText(_("The recordset has no field %s"), {std::to_string(index)}));
    return row[static_cast<size_t>(index)];
}

void Recordset::SetField(QAnyStringView name, const Value &value)
{
    requireChangeable();
    const int index = fieldIndex(name);
    if (index == m_idColumn)
        throw Error(_("The ID of a row is given by the database and cannot be set"));
    if (m_edit == EditMode::None) {
        requireCurrent();
        m_buffer = m_rows[static_cast<size_t>(m_position)];
        m_changed.assign(m_buffer.size(), false);
        m_edit = EditMode::InProgress;
    }
    m_buffer[static_cast<size_t>(index)] = value;
    m_changed[static_cast<size_t>(index)] = true;
}

void Recordset::AddNew()
{
    requireChangeable();
    settle();
    m_buffer.assign(static_cast<size_t>(m_names.size()), Value());
    m_changed.assign(m_buffer.size(), false);
    m_edit = EditMode::Add;
}

void Recordset::AddNew(const QStringList &names, const Parameters &values)
{
    if (names.size() != static_cast<qsizetype>(values.size()))
        throw Error(_("The number of values does not match the statement"));
    AddNew();
    try {
        for (qsizetype i = 0; i < names.size(); ++i)
            SetField(names[i], values[static_cast<size_t>(i)]);
        Update();
    } catch (...) {
        CancelUpdate();
        throw;
    }
}

std::vector<Value> Recordset::readRow(qint64 id)
{
    QStringList columns;
    for (const QString &origin : std::as_const(m_origins))
        columns.append(quoted(origin));
    Statement statement(*m_database,
        QStringLiteral("SELECT %1 FROM %2 WHERE ID = ?").arg(columns.join(QLatin1String(", ")), quoted(m_table)));
    statement.bind(0, Value(id));
    std::vector<Value> row;
    if (statement.step()) {
        for (int i = 0; i < statement.columnCount(); ++i)
            row.push_back(statement.column(i));
    }
    return row;
}

void Recordset::Update()
{
    requireOpen();
    if (m_edit == EditMode::None)
        return;
    QStringList columns;
    Parameters values;
    for (size_t i = 0; i < m_buffer.size(); ++i) {
        if (m_changed[i]) {
            columns.append(quoted(m_origins[static_cast<qsizetype>(i)]));
            values.push_back(m_buffer[i]);
        }
    }
    if (m_edit == EditMode::Add) {
        QString sql;
        if (columns.isEmpty()) {
            sql = QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quoted(m_table));
        } else {
            QStringList marks;
            for (qsizetype i = 0; i < columns.size(); ++i)
                marks.append(QStringLiteral("?"));
            sql = QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                      .arg(quoted(m_table), columns.join(QLatin1String(", ")), marks.join(QLatin1String(", ")));
        }
        m_database->Execute(sql, values);
        std::vector<Value> row = readRow(m_database->lastInsertId());
        m_rows.push_back(row.empty() ? m_buffer : std::move(row));
        m_position = static_cast<int>(m_rows.size()) - 1;
    } else if (!columns.isEmpty()) {
        const Value id = m_rows[static_cast<size_t>(m_position)][static_cast<size_t>(m_idColumn)];
        QStringList assignments;
        for (const QString &column : std::as_const(columns))
            assignments.append(column + QStringLiteral(" = ?"));
        values.push_back(id);
        const int changed = m_database->Execute(
            QStringLiteral("UPDATE %1 SET %2 WHERE ID = ?").arg(quoted(m_table), assignments.join(QLatin1String(", "))),
            values);
        if (changed == 0)
            throw Error(_("The row to be changed is no longer in the database"));
        std::vector<Value> row = readRow(id.toInt64());
        m_rows[static_cast<size_t>(m_position)] = row.empty() ? m_buffer : std::move(row);
    }
    m_onDeletedRow = false;
    m_edit = EditMode::None;
    m_buffer.clear();
    m_changed.clear();
}

void Recordset::CancelUpdate()
{
    requireOpen();
    m_edit = EditMode::None;
    m_buffer.clear();
    m_changed.clear();
}

void Recordset::Delete()
{
    requireChangeable();
    if (m_edit == EditMode::Add) {
        CancelUpdate();
        return;
    }
    CancelUpdate();
    requireCurrent();
    const Value id = m_rows[static_cast<size_t>(m_position)][static_cast<size_t>(m_idColumn)];
    m_database->Execute(QStringLiteral("DELETE FROM %1 WHERE ID = ?").arg(quoted(m_table)), {id});
    m_rows.erase(m_rows.begin() + m_position);
    m_onDeletedRow = true;
}

bool Recordset::Find(const QString &criterion)
{
    requireOpen();
    static const QRegularExpression idCriterion(
        QStringLiteral("^\\s*ID\\s*=\\s*(-?\\d+)\\s*$"), QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch match = idCriterion.match(criterion);
    if (!match.hasMatch())
        throw Error(formatText(_("Unsupported search criterion: %s"), {criterion.toStdString()}));
    settle();
    int idColumn = m_idColumn;
    if (idColumn < 0)
        idColumn = fieldIndex(u"ID");
    const qint64 id = match.captured(1).toLongLong();
    int start = std::max(m_position, 0);
    m_onDeletedRow = false;
    for (int i = start; i < static_cast<int>(m_rows.size()); ++i) {
        const Value &value = m_rows[static_cast<size_t>(i)][static_cast<size_t>(idColumn)];
        if (value.isNumeric() && value.toInt64() == id) {
            m_position = i;
            return true;
        }
    }
    m_position = static_cast<int>(m_rows.size());
    return false;
}

} // namespace vexaris::store
