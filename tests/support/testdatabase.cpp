#include "support/testdatabase.h"

#include <QFile>

#include "common/error.h"

namespace vexaris::test {

QString schemaFile()
{
    return QStringLiteral(VEXARIS_SCHEMA_FILE);
}

namespace {

// Made once per test program and copied for every test: making the schema and switching the
// journal to WAL cost a few disk syncs each time.
QString templateDatabase()
{
    static QTemporaryDir folder;
    static QString path;
    if (path.isEmpty()) {
        if (!folder.isValid())
            throw Error("cannot make a temporary folder");
        const QString file = folder.filePath(QStringLiteral("template.db"));
        QFile schema(schemaFile());
        if (!schema.open(QIODevice::ReadOnly))
            throw Error("cannot read the schema " + schemaFile().toStdString());
        store::createDatabase(file, schema.readAll());
        store::Database database;
        database.Open(file);
        database.Close();
        path = file;
    }
    return path;
}

} // namespace

TestDatabase::TestDatabase()
{
    if (!m_folder.isValid())
        throw Error("cannot make a temporary folder");
    m_path = m_folder.filePath(QStringLiteral("Vexaris.db"));
    if (!QFile::copy(templateDatabase(), m_path))
        throw Error("cannot copy the template database to " + m_path.toStdString());
    QFile::setPermissions(m_path, QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}

ConnectedTestDatabase::ConnectedTestDatabase()
{
    m_session.ConnectDatabase(path());
}

store::Database &ConnectedTestDatabase::database()
{
    return m_session.DatabaseConnection;
}

int ConnectedTestDatabase::addCollection(const QString &name)
{
    database().Execute(QStringLiteral("INSERT INTO Collection (Name) VALUES (?)"), {name});
    return static_cast<int>(database().lastInsertId());
}

int ConnectedTestDatabase::addFolder(int collectionId, const QString &path)
{
    database().Execute(QStringLiteral("INSERT INTO Folder (CollectionID, Path) VALUES (?, ?)"), {collectionId, path});
    return static_cast<int>(database().lastInsertId());
}

int ConnectedTestDatabase::addPicture(const PictureRow &row)
{
    database().Execute(QStringLiteral("INSERT INTO Picture (CollectionID, FolderID, FileName, Size, Created, Modified, "
                                      "Width, Height, Thumbnail, Derivative, ColorRank, DerivativeRank, Old) "
                                      "VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?, ?)"),
        {row.collectionId, row.folderId,
            row.fileName.isEmpty() ? QStringLiteral("picture-%1.jpg").arg(++m_pictureSerial) : row.fileName, row.size,
            row.created, row.modified, row.width, row.height, store::Value::fromBlob(row.thumbnail),
            store::Value::fromBlob(row.derivative), row.colorRank, row.derivativeRank, row.old});
    return static_cast<int>(database().lastInsertId());
}

void ConnectedTestDatabase::addPair(int collectionId, int leftId, int rightId, int difference)
{
    database().Execute(
        QStringLiteral("INSERT INTO Duplicate (Collection_ID, Left_ID, Right_ID, Difference) VALUES (?, ?, ?, ?)"),
        {collectionId, leftId, rightId, difference});
}

qint64 ConnectedTestDatabase::count(const char *sql, const store::Parameters &parameters)
{
    store::Statement statement(database(), QString::fromUtf8(sql));
    statement.bindAll(parameters);
    if (!statement.step())
        return 0;
    return statement.column(0).toInt64();
}

} // namespace vexaris::test
