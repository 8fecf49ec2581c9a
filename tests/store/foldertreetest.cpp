// Adding a folder with every folder below it, on a real folder tree.
#include "store/foldertree.h"

#include <climits>
#include <string>
#include <vector>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
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
    AddFolderTree(db.session(), at("root/uno"), list, skipped);
    EXPECT_EQ(storedPaths(), QStringList {at("root/uno")});
    EXPECT_EQ(skipped, QStringList {at("root/uno") + u"/dir\\xff"_s});
}

// Folders one inside the other, each name 200 bytes long, made and removed through their parents
// so that no call ever names a path longer than the system allows.
class DeepFolders
{
public:
    DeepFolders(const QString &top, int depth)
    {
        m_fds.push_back(::open(QFile::encodeName(top).constData(), O_RDONLY | O_DIRECTORY));
        for (int level = 0; level < depth && m_fds.back() >= 0; ++level) {
            const std::string name = "level" + std::to_string(level) + std::string(193, 'x');
            if (::mkdirat(m_fds.back(), name.c_str(), 0755) != 0)
                break;
            m_names.push_back(name);
            m_fds.push_back(::openat(m_fds[m_fds.size() - 1], name.c_str(), O_RDONLY | O_DIRECTORY));
        }
    }
    ~DeepFolders()
    {
        for (size_t level = m_names.size(); level-- > 0;) {
            ::close(m_fds[level + 1]);
            ::unlinkat(m_fds[level], m_names[level].c_str(), AT_REMOVEDIR);
        }
        ::close(m_fds[0]);
    }
    DeepFolders(const DeepFolders &) = delete;
    DeepFolders &operator=(const DeepFolders &) = delete;

    // The path of the folder at this depth below the top.
    QString path(const QString &top, size_t depth) const
    {
        QString path = top;
        for (size_t level = 0; level < depth; ++level)
            path += u'/' + QString::fromStdString(m_names[level]);
        return path;
    }
    size_t depth() const { return m_names.size(); }

private:
    std::vector<int> m_fds;
    std::vector<std::string> m_names;
};

TEST_F(FolderTreeTest, AFolderWhosePathIsTooLongIsLeftOutAndNamed)
{
    // 201 bytes a level: the 20th level's path is still below 4096 bytes, the 21st's is not.
    const QString top = at("root/uno");
    const DeepFolders deep(top, 21);
    ASSERT_EQ(deep.depth(), 21u);
    ASSERT_LT(QFile::encodeName(deep.path(top, 20)).size(), PATH_MAX);
    ASSERT_GE(QFile::encodeName(deep.path(top, 21)).size(), PATH_MAX);
    QStringList tooLong;
    AddFolderTree(db.session(), deep.path(top, 19), list, skipped, &tooLong);
    EXPECT_EQ(storedPaths(), (QStringList {deep.path(top, 19), deep.path(top, 20)}));
    EXPECT_EQ(tooLong, QStringList {deep.path(top, 21)});
    EXPECT_TRUE(skipped.isEmpty());
}

TEST_F(FolderTreeTest, AMissingFolderIsStoredAsGiven)
{
    AddFolderTree(db.session(), at("gone"), list, skipped);
    EXPECT_EQ(storedPaths(), QStringList {at("gone")});
}

} // namespace
