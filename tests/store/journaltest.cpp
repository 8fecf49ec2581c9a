// A picture row that a resolution removes comes back whole when it is undone, whatever columns
// Picture has: here a file whose Picture has grown a column that this program does not know.
#include "store/journal.h"

#include <QFile>

#include <gtest/gtest.h>

#include "store/data.h"
#include "store/database.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::store;
using namespace Qt::Literals::StringLiterals;

namespace {

// Every column of the picture's row, blobs and all, as text.
QStringList pictureRow(Database &database, int pictureId)
{
    Statement row(database, u"SELECT * FROM Picture WHERE ID = ?"_s);
    row.bind(0, pictureId);
    QStringList columns;
    if (!row.step())
        return columns;
    for (int i = 0; i < row.columnCount(); ++i) {
        columns << row.columnName(i) + u'='
                + (row.columnIsNull(i) ? u"NULL"_s : QString::fromLatin1(row.columnBytes(i).toByteArray().toHex()));
    }
    return columns;
}

TEST(Journal, ARemovedPictureRowComesBackWithEveryColumnAColumnOfAFutureFormatIncluded)
{
    test::TestDatabase file;
    {
        Database raw;
        raw.Open(file.path());
        raw.Execute(u"ALTER TABLE Picture ADD COLUMN Rating INTEGER"_s);
    }
    Session session;
    session.ConnectDatabase(file.path());
    Database &database = session.DatabaseConnection;
    database.Execute(u"INSERT INTO Collection (Name) VALUES ('Holiday')"_s);
    database.Execute(u"INSERT INTO Folder (CollectionID, Path) VALUES (1, '/pics')"_s);
    // Every column filled, each with a value of its own.
    QStringList names;
    Parameters values;
    for (const QString &column : pictureColumns(database)) {
        names << column;
        if (column == u"CollectionID"_s || column == u"FolderID"_s)
            values.emplace_back(1);
        else if (column == u"FileName"_s)
            values.emplace_back(u"photo.jpg"_s);
        else if (column == u"Thumbnail"_s || column == u"Derivative"_s)
            values.push_back(Value::fromBlob(QByteArray(static_cast<int>(names.size()) * 100, 'b')));
        else if (column == u"Created"_s || column == u"Modified"_s)
            values.emplace_back(40000.25 + static_cast<double>(names.size()));
        else
            values.emplace_back(static_cast<qint64>(names.size()) * 11);
    }
    ASSERT_TRUE(names.contains(u"Rating"_s));
    database.Execute(u"INSERT INTO Picture (%1) VALUES (%2)"_s.arg(
                         names.join(u", "_s), QStringList(names.size(), u"?"_s).join(u", "_s)),
        values);
    const int picture = static_cast<int>(database.lastInsertId());
    const QStringList before = pictureRow(database, picture);

    JournalEntry entry;
    entry.collectionId = 1;
    entry.action = ResolutionAction::DeleteLeft;
    const qint64 id = AddResolution(session, entry);
    KeepPictureRows(session, id, picture);
    DeletePicture(session, picture);
    ASSERT_TRUE(pictureRow(database, picture).isEmpty());
    RestoreKeptRows(session, id);
    EXPECT_EQ(pictureRow(database, picture), before);
}

} // namespace
