#include "store/database.h"

#include <cmath>
#include <vector>

#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QFile>
#include <QFileInfo>

#include "i18n/translate.h"
#include "store/schemanames.h"

namespace vexaris::store {

namespace {

std::string lastMessage(sqlite3 *handle)
{
    return handle ? std::string(sqlite3_errmsg(handle)) : std::string("out of memory");
}

int compareNoCase(void *, int length1, const void *text1, int length2, const void *text2)
{
    // Qt folds case by Unicode rules, so "Ä" and "ä" meet where SQLite's NOCASE knows only ASCII.
    const QString a = QString::fromUtf8(static_cast<const char *>(text1), length1);
    const QString b = QString::fromUtf8(static_cast<const char *>(text2), length2);
    return QString::compare(a, b, Qt::CaseInsensitive);
}

std::string toStd(const QString &text)
{
    return text.toStdString();
}

} // namespace

void registerCollations(sqlite3 *handle)
{
    const int code
        = sqlite3_create_collation_v2(handle, kNoCaseCollation, SQLITE_UTF8, nullptr, compareNoCase, nullptr);
    if (code != SQLITE_OK)
        throw DatabaseError(lastMessage(handle), code);
}

Database::~Database()
{
    Close();
}

void Database::Open(const QString &file, OpenMode mode)
{
    try {
        openHandle(file, mode, false);
    } catch (const DatabaseError &e) {
        // A WAL file is read through its -shm and -wal files, which a read-only folder cannot
        // hold. Without a -wal file there, no one can be writing to the file either (a writer
        // would need one), so it is read as the unchanging file it is.
        const QFileInfo wal(file + QStringLiteral("-wal"));
        if (mode != OpenMode::ReadOnly || (e.code() & 0xff) != SQLITE_CANTOPEN || wal.size() > 0)
            throw;
        openHandle(file, mode, true);
    }
}

namespace {

// The file as an SQLite URI: the bytes of its name, each one outside the plain set escaped.
QByteArray immutableUri(const QString &file)
{
    const QByteArray name = QFile::encodeName(QFileInfo(file).absoluteFilePath());
    QByteArray uri = "file:";
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool plain = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (plain || c == '/' || c == '.' || c == '-' || c == '_' || c == '~')
            uri += c;
        else
            uri += '%' + QByteArray::number(byte, 16).rightJustified(2, '0');
    }
    return uri + "?immutable=1";
}

} // namespace

void Database::openHandle(const QString &file, OpenMode mode, bool immutable)
{
    Close();
    const QByteArray name = immutable ? immutableUri(file) : QFile::encodeName(file);
    const int flags = (mode == OpenMode::ReadOnly ? SQLITE_OPEN_READONLY : SQLITE_OPEN_READWRITE)
        | (immutable ? SQLITE_OPEN_URI : 0);
    sqlite3 *handle = nullptr;
    const int code = sqlite3_open_v2(name.constData(), &handle, flags, nullptr);
    if (code != SQLITE_OK) {
        const std::string reason = lastMessage(handle);
        sqlite3_close_v2(handle);
        throw DatabaseError(formatText(_("Cannot open the database %s: %s"), {toStd(file), reason}), code);
    }
    m_handle = handle;
    m_fileName = file;
    try {
        prepare(mode);
    } catch (const DatabaseError &e) {
        Close();
        throw DatabaseError(formatText(_("Cannot open the database %s: %s"), {toStd(file), e.what()}), e.code());
    } catch (const std::exception &e) {
        Close();
        throw DatabaseError(formatText(_("Cannot open the database %s: %s"), {toStd(file), e.what()}), SQLITE_ERROR);
    }
}

void Database::prepare(OpenMode mode)
{
    sqlite3_extended_result_codes(m_handle, 1);
    sqlite3_busy_timeout(m_handle, 5000);
    registerCollations(m_handle);
    if (mode == OpenMode::ReadWrite && sqlite3_db_readonly(m_handle, "main") == 1)
        throw DatabaseError(_("the file cannot be written"), SQLITE_READONLY);
    // SQLite keeps the write-ahead log beside the name it was given, so a file of two names has two
    // logs: a run under one name reads pages half written under the other, and a write under each
    // damages the file.
    if (struct stat status {}; mode == OpenMode::ReadWrite
        && ::stat(QFile::encodeName(m_fileName).constData(), &status) == 0 && status.st_nlink > 1)
        throw DatabaseError(_("the file has more than one name (a hard link), under which it could be damaged; "
                              "keep one name and remove the others"),
            SQLITE_CANTOPEN);

    // Look before changing anything: switching an empty or foreign file to WAL would write to it.
    {
        // Scoped: a statement left open holds a read transaction, and the journal mode cannot
        // change inside one.
        Statement tables(*this,
            QStringLiteral("SELECT count(*) FROM sqlite_master WHERE type = 'table' "
                           "AND name IN ('Collection', 'Folder', 'Picture', 'Duplicate')"));
        tables.step();
        if (tables.column(0).toInt() != 4)
            throw DatabaseError(_("the file holds no Vexaris collections"), SQLITE_NOTADB);
    }

    // The upgrade rebuilds a table that others refer to, which it can only do before foreign keys
    // are enforced.
    Execute(QStringLiteral("PRAGMA foreign_keys = OFF"));
    if (mode == OpenMode::ReadWrite) {
        upgradeSchema(*this);
    } else {
        try {
            upgradeSchema(*this);
        } catch (const DatabaseError &e) {
            if ((e.code() & 0xff) != SQLITE_READONLY)
                throw;
            // A file that needs the upgrade gets it once through a connection that may write;
            // where that fails, its error says why.
            Database writer;
            writer.Open(m_fileName, OpenMode::ReadWrite);
        }
    }
    std::vector<const char *> pragmas {"PRAGMA foreign_keys = ON", "PRAGMA synchronous = NORMAL"};
    // Switching to WAL writes to the file, which a reading connection leaves to the writers. A
    // reading connection also passes over its rows once, so SQLite's own small cache serves it:
    // filling a large one only costs the memory, a tenth of the time of listing every pair.
    if (mode == OpenMode::ReadWrite) {
        pragmas.push_back("PRAGMA cache_size = -65536");
        pragmas.push_back("PRAGMA journal_mode = WAL");
    }
    for (const char *pragma : pragmas) {
        Statement statement(*this, QString::fromLatin1(pragma));
        statement.run();
    }
}

void Database::Close()
{
    if (m_handle) {
        sqlite3_close_v2(m_handle);
        m_handle = nullptr;
    }
    m_fileName.clear();
}

sqlite3 *Database::handle() const
{
    if (!m_handle)
        throw DatabaseError(_("The database is not open"), SQLITE_MISUSE);
    return m_handle;
}

Transaction::Transaction(Database &database)
    : m_database(database)
{
    m_database.Execute(QStringLiteral("BEGIN IMMEDIATE"));
}

Transaction::~Transaction()
{
    // The handle may be gone already when the connection was closed under us; then SQLite has
    // rolled back itself.
    if (m_open && m_database.isOpen())
        sqlite3_exec(m_database.handle(), "ROLLBACK", nullptr, nullptr, nullptr);
}

void Transaction::commit()
{
    m_database.Execute(QStringLiteral("COMMIT"));
    m_open = false;
}

bool isStorageFailure(int code)
{
    switch (code & 0xff) {
    case SQLITE_FULL:
    case SQLITE_IOERR:
    case SQLITE_READONLY:
    case SQLITE_CANTOPEN:
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
    case SQLITE_NOLFS:
    case SQLITE_PROTOCOL:
        return true;
    default:
        return false;
    }
}

int Database::Execute(const QString &sql, const Parameters &parameters)
{
    Statement statement(*this, sql);
    statement.bindAll(parameters);
    return statement.run();
}

qint64 Database::lastInsertId() const
{
    return sqlite3_last_insert_rowid(handle());
}

Statement::Statement(Database &database, const QString &sql)
    : m_database(database)
{
    sqlite3 *handle = database.handle();
    const QByteArray text = sql.toUtf8();
    const char *tail = nullptr;
    const int code = sqlite3_prepare_v2(handle, text.constData(), static_cast<int>(text.size()), &m_statement, &tail);
    if (code != SQLITE_OK)
        fail(code);
    // A second statement after the first would be dropped without a word; refuse it instead.
    if (tail && !QByteArray(tail).trimmed().isEmpty()) {
        sqlite3_finalize(m_statement);
        m_statement = nullptr;
        throw DatabaseError(_("Only one SQL statement can be run at a time"), SQLITE_MISUSE);
    }
    if (!m_statement)
        throw DatabaseError(_("The SQL text holds no statement"), SQLITE_MISUSE);
}

Statement::~Statement()
{
    sqlite3_finalize(m_statement);
}

void Statement::fail(int code) const
{
    throw DatabaseError(lastMessage(m_database.handle()), code);
}

void Statement::bind(int index, const Value &value)
{
    const int position = index + 1;
    int code = SQLITE_OK;
    switch (value.type()) {
    case Value::Type::Null:
        code = sqlite3_bind_null(m_statement, position);
        break;
    case Value::Type::Integer:
        code = sqlite3_bind_int64(m_statement, position, value.toInt64());
        break;
    case Value::Type::Double:
        code = sqlite3_bind_double(m_statement, position, value.toDouble());
        break;
    case Value::Type::Text: {
        const QByteArray text = value.toString().toUtf8();
        code = sqlite3_bind_text64(m_statement, position, text.isEmpty() ? "" : text.constData(),
            static_cast<sqlite3_uint64>(text.size()), SQLITE_TRANSIENT, SQLITE_UTF8);
        break;
    }
    case Value::Type::Blob: {
        // A null data pointer would bind NULL, so an empty blob is bound as a zero-length one.
        const QByteArray bytes = value.toBlob();
        if (bytes.isEmpty())
            code = sqlite3_bind_zeroblob(m_statement, position, 0);
        else
            code = sqlite3_bind_blob64(
                m_statement, position, bytes.constData(), static_cast<sqlite3_uint64>(bytes.size()), SQLITE_TRANSIENT);
        break;
    }
    }
    if (code != SQLITE_OK)
        fail(code);
}

void Statement::bindAll(const Parameters &parameters)
{
    if (static_cast<int>(parameters.size()) != sqlite3_bind_parameter_count(m_statement))
        throw DatabaseError(_("The number of values does not match the statement"), SQLITE_RANGE);
    for (size_t i = 0; i < parameters.size(); ++i)
        bind(static_cast<int>(i), parameters[i]);
}

bool Statement::step()
{
    const int code = sqlite3_step(m_statement);
    if (code == SQLITE_ROW)
        return true;
    if (code == SQLITE_DONE)
        return false;
    fail(code);
}

int Statement::run()
{
    while (step()) { }
    return sqlite3_changes(m_database.handle());
}

void Statement::reset()
{
    sqlite3_reset(m_statement);
}

int Statement::columnCount() const
{
    return sqlite3_column_count(m_statement);
}

QString Statement::columnName(int index) const
{
    return QString::fromUtf8(sqlite3_column_name(m_statement, index));
}

QString Statement::columnTable(int index) const
{
    const char *name = sqlite3_column_table_name(m_statement, index);
    return name ? QString::fromUtf8(name) : QString();
}

QString Statement::columnOrigin(int index) const
{
    const char *name = sqlite3_column_origin_name(m_statement, index);
    return name ? QString::fromUtf8(name) : QString();
}

Value Statement::column(int index) const
{
    switch (sqlite3_column_type(m_statement, index)) {
    case SQLITE_INTEGER:
        return Value(static_cast<qint64>(sqlite3_column_int64(m_statement, index)));
    case SQLITE_FLOAT:
        return Value(sqlite3_column_double(m_statement, index));
    case SQLITE_TEXT: {
        const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(m_statement, index));
        return Value(QString::fromUtf8(text, sqlite3_column_bytes(m_statement, index)));
    }
    case SQLITE_BLOB: {
        const auto *bytes = static_cast<const char *>(sqlite3_column_blob(m_statement, index));
        const int length = sqlite3_column_bytes(m_statement, index);
        return Value::fromBlob(length > 0 ? QByteArray(bytes, length) : QByteArray(""));
    }
    default:
        return Value();
    }
}

Value Statement::field(QLatin1StringView name) const
{
    const int count = columnCount();
    for (int i = 0; i < count; ++i) {
        if (name == QLatin1StringView(sqlite3_column_name(m_statement, i)))
            return column(i);
    }
    throw DatabaseError(
        formatText(_("The query has no column %s"), {std::string(name.data(), name.size())}), SQLITE_RANGE);
}

bool Statement::columnIsNull(int index) const
{
    return sqlite3_column_type(m_statement, index) == SQLITE_NULL;
}

qint64 Statement::columnInteger(int index) const
{
    switch (sqlite3_column_type(m_statement, index)) {
    case SQLITE_INTEGER:
        return sqlite3_column_int64(m_statement, index);
    case SQLITE_FLOAT: {
        // Rounded as Value rounds; a real no integer can hold reads as nothing, like NULL.
        const double rounded = std::nearbyint(sqlite3_column_double(m_statement, index));
        return std::isfinite(rounded) && rounded >= -9.2e18 && rounded <= 9.2e18 ? static_cast<qint64>(rounded) : 0;
    }
    default:
        return 0;
    }
}

double Statement::columnReal(int index) const
{
    switch (sqlite3_column_type(m_statement, index)) {
    case SQLITE_INTEGER:
    case SQLITE_FLOAT:
        return sqlite3_column_double(m_statement, index);
    default:
        return 0.0;
    }
}

QByteArrayView Statement::columnBytes(int index) const
{
    const auto *bytes = static_cast<const char *>(sqlite3_column_blob(m_statement, index));
    const int length = sqlite3_column_bytes(m_statement, index);
    return bytes ? QByteArrayView(bytes, length) : QByteArrayView();
}

void createDatabase(const QString &file, const QByteArray &schemaSql)
{
    if (QFileInfo::exists(file) || QFileInfo(file).isSymLink())
        throw Error(formatText(_("The file %s already exists"), {toStd(file)}));
    const QString part = file + QStringLiteral(".part");
    QFile::remove(part);
    QFile::remove(part + QStringLiteral("-journal"));
    const QByteArray partName = QFile::encodeName(part);

    sqlite3 *handle = nullptr;
    int code = sqlite3_open_v2(partName.constData(), &handle, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    std::string message;
    if (code == SQLITE_OK) {
        registerCollations(handle);
        char *error = nullptr;
        // One transaction: one sync for the whole schema instead of one per table.
        const QByteArray script = "BEGIN;\n" + schemaSql + "\n;COMMIT;";
        code = sqlite3_exec(handle, script.constData(), nullptr, nullptr, &error);
        if (error) {
            message = error;
            sqlite3_free(error);
        }
        if (code == SQLITE_OK) {
            // The table of kept picture rows takes its columns from Picture, as every opened file does.
            Database made;
            made.m_handle = handle;
            try {
                keepWholePictureRows(made);
            } catch (const DatabaseError &e) {
                code = e.code();
                message = e.what();
            }
            made.m_handle = nullptr;
        }
    } else {
        message = lastMessage(handle);
    }
    sqlite3_close_v2(handle);
    if (code != SQLITE_OK) {
        QFile::remove(part);
        throw DatabaseError(formatText(_("Cannot create the database %s: %s"), {toStd(file), message}), code);
    }
    // link() refuses an existing target, so a file that appeared meanwhile is never replaced.
    const QByteArray finalName = QFile::encodeName(file);
    const bool linked = ::link(partName.constData(), finalName.constData()) == 0;
    ::unlink(partName.constData());
    if (!linked)
        throw Error(formatText(_("Cannot create the database %s"), {toStd(file)}));
}

} // namespace vexaris::store
