// A rule applied to a collection as one batch, in process over a real database file and real
// files with a Trash of the test's own: five copies of a photo in three folders, one of them a keep
// folder. Exactly the four copies outside it go, and undoing the batch brings all four back with
// their rows and pairs.
#include <iostream>
#include <sstream>

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include "cli/command.h"
#include "store/datetime.h"
#include "support/testdatabase.h"
#include "trashfixture.h"

using namespace vexaris;
using namespace Qt::Literals::StringLiterals;

namespace {

class ApplyCommandTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        ASSERT_TRUE(trash.isValid());
        collection = db.addCollection(u"Copies"_s);
        int age = 0;
        for (const auto &[folder, name] :
            {std::pair {u"best"_s, u"photo.jpg"_s}, {u"phone"_s, u"photo.jpg"_s}, {u"phone"_s, u"photo (1).jpg"_s},
                {u"downloads"_s, u"photo.jpg"_s}, {u"downloads"_s, u"Copy of photo.jpg"_s}}) {
            const QString path = db.folder() + u'/' + folder;
            QDir().mkpath(path);
            if (!folders.contains(folder))
                folders[folder] = db.addFolder(collection, path);
            // The same bytes, each copy a day younger than the one before.
            const double modified = 45000.0 + age++;
            QFile file(path + u'/' + name);
            ASSERT_TRUE(file.open(QIODevice::WriteOnly));
            file.write(QByteArray(5000, 'c'));
            ASSERT_TRUE(file.flush());
            ASSERT_TRUE(file.setFileTime(store::fromDays(modified), QFileDevice::FileModificationTime));
            pictures << db.addPicture({.collectionId = collection,
                .folderId = folders[folder],
                .fileName = name,
                .size = 5000,
                .modified = modified});
        }
        for (qsizetype a = 0; a < pictures.size(); ++a) {
            for (qsizetype b = a + 1; b < pictures.size(); ++b)
                db.addPair(collection, pictures[a], pictures[b], static_cast<int>(a + b));
        }
    }

    std::string run(const char *name, const QStringList &arguments)
    {
        for (const cli::Command &command : cli::commands()) {
            if (std::string_view(command.name) != name)
                continue;
            cli::Context context {db.path()};
            std::ostringstream out;
            std::streambuf *saved = std::cout.rdbuf(out.rdbuf());
            try {
                command.run(context, arguments);
            } catch (...) {
                std::cout.rdbuf(saved);
                throw;
            }
            std::cout.rdbuf(saved);
            return out.str();
        }
        ADD_FAILURE() << "no command " << name;
        return {};
    }

    QStringList rows(const char *sql)
    {
        store::Statement query(db.database(), QString::fromUtf8(sql));
        QStringList result;
        while (query.step()) {
            QStringList columns;
            for (int i = 0; i < query.columnCount(); ++i)
                columns << (query.columnIsNull(i) ? u"NULL"_s
                                                  : QString::fromLatin1(query.columnBytes(i).toByteArray().toHex()));
            result << columns.join(u' ');
        }
        return result;
    }

    test::OwnTrash trash;
    test::ConnectedTestDatabase db;
    int collection = 0;
    QMap<QString, int> folders;
    QList<int> pictures;
};

TEST_F(ApplyCommandTest, FiveCopiesInThreeFoldersKeepTheOneInTheKeepFolderAndTheBatchComesBackWhole)
{
    const QStringList picturesBefore = rows("SELECT * FROM Picture ORDER BY ID");
    const QStringList pairsBefore
        = rows("SELECT Collection_ID, Left_ID, Right_ID, Difference FROM Duplicate ORDER BY ID");
    run("rule", {u"save"_s, u"Best"_s, u"--keep-folder"_s, db.folder() + u"/best"_s, u"--keep"_s, u"older"_s});

    const std::string plan = run("plan", {u"Copies"_s, u"Best"_s, u"--json"_s});
    EXPECT_NE(plan.find("\"files\":4,\"bytes\":20000"), std::string::npos) << plan;

    const std::string applied = run("apply", {u"Copies"_s, u"Best"_s, u"--yes"_s});
    EXPECT_EQ(applied, "Batch 1: 4 pairs settled, 0 skipped, 20000 bytes to the Trash\n");
    EXPECT_TRUE(QFile::exists(db.folder() + u"/best/photo.jpg"_s));
    EXPECT_EQ(trash.files().size(), 4);
    EXPECT_EQ(db.count("SELECT ID FROM Picture"), pictures[0]);
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Picture"), 1);
    EXPECT_EQ(db.count("SELECT COUNT(*) FROM Duplicate"), 0);
    const std::string history = run("history", {u"Copies"_s});
    EXPECT_NE(history.find("batch:1\t"), std::string::npos) << history;
    EXPECT_NE(history.find("\tbatch\t-\t4\tBest\t\n"), std::string::npos) << history;
    EXPECT_EQ(std::count(history.begin(), history.end(), '\n'), 1) << history;
    const std::string entries = run("history", {u"Copies"_s, u"--entries"_s});
    EXPECT_EQ(std::count(entries.begin(), entries.end(), '\n'), 5) << entries;

    EXPECT_EQ(run("undo", {u"Copies"_s, u"--batch"_s, u"1"_s}), "4 restored, 0 refused\n");
    EXPECT_EQ(rows("SELECT * FROM Picture ORDER BY ID"), picturesBefore);
    QStringList pairs = rows("SELECT Collection_ID, Left_ID, Right_ID, Difference FROM Duplicate ORDER BY ID");
    QStringList expected = pairsBefore;
    pairs.sort();
    expected.sort();
    EXPECT_EQ(pairs, expected);
    EXPECT_TRUE(trash.files().isEmpty());
    EXPECT_NE(run("history", {u"Copies"_s}).find("\tbatch\tundone\t4\t"), std::string::npos);
}

} // namespace
