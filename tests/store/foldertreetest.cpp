// Adding a folder with every folder below it, on a real folder tree.
#include "store/foldertree.h"

#include <climits>

#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QScopeGuard>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "store/data.h"
#include "support/testdatabase.h"

using namespace vexaris;
using namespace vexaris::store;
using namespace Qt::Literals::StringLiterals;

namespace {

// Keeps the entries in the order they come, to see the walk's order.
class RecordingList : public FolderCheckList
{
public:
    void clearFolders() override { entries.clear(); }
    void addFolder(const QString &path, int folderId) override { entries.push_back({path, folderId, false}); }
    std::vector<FolderEntry> entries;
};

class FolderTreeTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        db.session().CurrentCollection.ID = db.addCollection(u"C"_s);
        for (const char *path : {"root/one/two/three", "root/uno", "root/.git/objects"})
            ASSERT_TRUE(QDir(tree.path()).mkpath(QString::fromUtf8(path)));
    }

    QString at(const char *relative) const { return tree.path() + u'/' + QString::fromUtf8(relative); }

    QStringList storedPaths()
    {
        QStringList paths;
        Statement rows(db.database(), u"SELECT Path FROM Folder WHERE CollectionID = ? ORDER BY ID"_s);
        rows.bindAll({db.session().CurrentCollection.ID});
        while (rows.step())
            paths.append(rows.column(0).toString());
        return paths;
    }

    test::ConnectedTestDatabase db;
    QTemporaryDir tree;
    RecordingList list;
    QStringList skipped;
};

TEST_F(FolderTreeTest, EachFolderBeforeTheOnesInsideItEachEntryWithItsRow)
{
    AddFolderTree(db.session(), at("root"), list, skipped);
    const QStringList expected {
        at("root"), at("root/one"), at("root/one/two"), at("root/one/two/three"), at("root/uno")};
    EXPECT_EQ(storedPaths(), expected);
    ASSERT_EQ(list.entries.size(), 5u);
    Statement ids(db.database(), u"SELECT ID FROM Folder ORDER BY ID"_s);
    for (const FolderEntry &entry : list.entries) {
        ASSERT_TRUE(ids.step());
        EXPECT_EQ(entry.id, ids.column(0).toInt()) << entry.path.toStdString();
        EXPECT_FALSE(entry.checked);
    }
}

TEST_F(FolderTreeTest, LinksAreFollowedOnceAndNothingButFoldersIsOpened)
{
    ASSERT_TRUE(QDir(tree.path()).mkpath(u"outside/inner"_s));
    const auto name = [this](const char *relative) { return QFile::encodeName(at(relative)); };
    ASSERT_EQ(::symlink("..", name("root/uno/back-up").constData()), 0); // a loop back to root
    ASSERT_EQ(::symlink("../../outside", name("root/one/elsewhere").constData()), 0);
    ASSERT_EQ(::symlink("nowhere", name("root/dangling").constData()), 0);
    ASSERT_EQ(::mkfifo(name("root/pipe").constData(), 0600), 0); // opening it would block the walk
    AddFolderTree(db.session(), at("root"), list, skipped);
    EXPECT_EQ(storedPaths(),
        (QStringList {at("root"), at("root/one"), at("root/one/elsewhere"), at("root/one/elsewhere/inner"),
            at("root/one/two"), at("root/one/two/three"), at("root/uno")}));
}

TEST_F(FolderTreeTest, AHiddenFolderNamedItselfIsAddedButNotTheHiddenOnesInside)
{
    ASSERT_TRUE(QDir(tree.path()).mkpath(u"root/.git/.deeper"_s));
    AddFolderTree(db.session(), at("root/.git"), list, skipped);
    EXPECT_EQ(storedPaths(), (QStringList {at("root/.git"), at("root/.git/objects")}));
}

TEST_F(FolderTreeTest, TrailingDelimiterAddsNoSecondOne)
{
    AddFolderTree(db.session(), at("root/one/two/"), list, skipped);
    EXPECT_EQ(storedPaths(), (QStringList {at("root/one/two/"), at("root/one/two/three")}));
}

TEST_F(FolderTreeTest, DotAndDotDotAddNothing)
{
    AddFolderTree(db.session(), at("root/."), list, skipped);
    AddFolderTree(db.session(), at("root/one/.."), list, skipped);
    EXPECT_TRUE(storedPaths().isEmpty());
    EXPECT_TRUE(list.entries.empty());
}

TEST_F(FolderTreeTest, AFolderHeldAlreadyByAnyPathGetsNoSecondRowButItsNewSubfoldersDo)
{
    AddFolderTree(db.session(), at("root/one/two"), list, skipped);
    ASSERT_TRUE(QDir(tree.path()).mkpath(u"root/one/two/four"_s));
    ASSERT_EQ(::symlink(QFile::encodeName(at("root/one")).constData(), QFile::encodeName(at("link")).constData()), 0);
    for (const char *spelling : {"root/one/two", "root/one/two/", "root/uno/../one/./two", "link/two"})
        AddFolderTree(db.session(), at(spelling), list, skipped);
    EXPECT_EQ(storedPaths(), (QStringList {at("root/one/two"), at("root/one/two/three"), at("root/one/two/four")}));
    EXPECT_EQ(list.entries.size(), 3u);
    EXPECT_TRUE(skipped.isEmpty());
}

TEST_F(FolderTreeTest, AFolderWhoseNameIsNotUtf8IsLeftOutWithItsPathEscaped)
{
    const QByteArray odd = QFile::encodeName(at("root/uno")) + "/dir\xff";
    ASSERT_EQ(::mkdir(odd.constData(), 0755), 0);
    ASSERT_EQ(::mkdir((odd + "/inner").constData(), 0755), 0);
    // QTemporaryDir cannot remove a name it cannot decode, so the test does.
    const auto removeOdd = qScopeGuard([&odd] {
        ::rmdir((odd + "/inner").constData());
        ::rmdir(odd.constData());
    });
    AddFolderTree(db.session(), at("root/uno"), list, skipped);
    EXPECT_EQ(storedPaths(), QStringList {at("root/uno")});
    EXPECT_EQ(skipped, QStringList {at("root/uno") + u"/dir\\xff"_s});
}

TEST_F(FolderTreeTest, AFolderWhosePathIsTooLongIsLeftOutAndNamed)
{
    // 21 folders one inside the other, each name 200 bytes long, made by the shell in two steps of
    // relative paths, since no call may name the deepest path whole: the 20th folder's path is
    // still shorter than PATH_MAX, the 21st's is not.
    const QString name = u"d"_s + QString(199, u'x');
    const QString top = at("root/uno");
    const auto chain = [&name](int levels) { return QStringList(levels, name).join(u'/'); };
    ASSERT_EQ(
        QProcess::execute(u"sh"_s,
            {u"-c"_s, u"cd \"$0\" && mkdir -p \"$1\" && cd \"$1\" && mkdir -p \"$2\""_s, top, chain(10), chain(11)}),
        0);
    const auto removeChain = qScopeGuard([&] { QProcess::execute(u"rm"_s, {u"-rf"_s, top + u'/' + name}); });
    const auto depth = [&](int levels) { return top + QString(u'/' + name).repeated(levels); };
    ASSERT_LT(QFile::encodeName(depth(20)).size(), PATH_MAX);
    ASSERT_GE(QFile::encodeName(depth(21)).size(), PATH_MAX);

    QStringList tooLong;
    AddFolderTree(db.session(), depth(19), list, skipped, &tooLong);
    EXPECT_EQ(storedPaths(), (QStringList {depth(19), depth(20)}));
    EXPECT_EQ(tooLong, QStringList {depth(21)});
    EXPECT_TRUE(skipped.isEmpty());
}

TEST_F(FolderTreeTest, AMissingFolderIsStoredAsGiven)
{
    AddFolderTree(db.session(), at("gone"), list, skipped);
    EXPECT_EQ(storedPaths(), QStringList {at("gone")});
}

} // namespace
