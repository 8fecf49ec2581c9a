// Test helpers for everything that works on the collection database.
//
//   TestDatabase db;                  // a fresh file from the shipped schema, in its own
//                                     // temporary folder, removed with the object
//   ConnectedTestDatabase db;         // the same, opened as a session of its own for the
//                                     // object's lifetime: db.session(), no collection current
//   int c = db.addCollection(u"Holiday"_s);
//   int f = db.addFolder(c, u"/pics"_s);
//   int p = db.addPicture({.collectionId = c, .folderId = f, .fileName = u"a.jpg"_s, .colorRank = 7});
//   db.addPair(c, p, q, 12);
//   db.count("SELECT count(*) FROM Picture WHERE FolderID = ?", {f});
//
// Link vexaris_test_support and include "support/testdatabase.h". The rows are written with plain statements, not
// through the code under test, so a test of the Data unit does not set up its rows with the Data unit.
#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

#include "store/database.h"
#include "store/session.h"
#include "support/printers.h"

namespace vexaris::test {

// The schema file the build delivers its database from.
QString schemaFile();

class TestDatabase
{
public:
    TestDatabase();
    // The database file and the temporary folder it lies in (free for other test files).
    QString path() const { return m_path; }
    QString folder() const { return m_folder.path(); }

private:
    QTemporaryDir m_folder;
    QString m_path;
};

// A picture row; every column the update run writes has a value unless the test says otherwise.
struct PictureRow
{
    int collectionId = 0;
    int folderId = 0;
    QString fileName {}; // empty: a name of its own (a folder holds one row per file name)
    qint64 size = 1000;
    double created = 40000.0;
    double modified = 40000.0;
    int width = 640;
    int height = 480;
    QByteArray thumbnail = QByteArray(3072, '\0');
    QByteArray derivative = QByteArray(1024, '\0');
    int colorRank = 0;
    int derivativeRank = 0;
    bool old = false;
};

class ConnectedTestDatabase : public TestDatabase
{
public:
    ConnectedTestDatabase();

    store::Session &session() { return m_session; }
    store::Database &database();
    int addCollection(const QString &name);
    int addFolder(int collectionId, const QString &path);
    int addPicture(const PictureRow &row);
    void addPair(int collectionId, int leftId, int rightId, int difference);
    // The first column of the statement's first row as an integer.
    qint64 count(const char *sql, const store::Parameters &parameters = {});

private:
    store::Session m_session;
    int m_pictureSerial = 0;
};

} // namespace vexaris::test
