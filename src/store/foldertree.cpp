#include "store/foldertree.h"

#include <algorithm>
#include <climits>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include <sys/stat.h>

#include <QFile>
#include <QSet>

#include "common/bytenames.h"
#include "store/data.h"

namespace vexaris::store {

namespace {

using FolderKey = std::pair<dev_t, ino_t>;

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

class TreeWalk
{
public:
    TreeWalk(Session &session, FolderCheckList &folders, QStringList &skipped, QStringList *tooLong)
        : m_session(session)
        , m_folders(folders)
        , m_skipped(skipped)
        , m_tooLong(tooLong)
    {
        Statement rows(session.DatabaseConnection, QStringLiteral("SELECT Path FROM Folder WHERE CollectionID = ?"));
        rows.bind(0, session.CurrentCollection.ID);
        while (rows.step()) {
            if (!rows.columnIsNull(0))
                m_held.insert(FolderIdentity(rows.column(0).toString()));
        }
    }

    void add(const QString &path)
    {
        const QString last = path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
        if (last == QLatin1String(".") || last == QLatin1String(".."))
            return;

        const QByteArray name = QFile::encodeName(path);
        struct stat info
        {
        };
        const bool isFolder = ::stat(name.constData(), &info) == 0 && S_ISDIR(info.st_mode);
        if (isFolder && !m_entered.insert({info.st_dev, info.st_ino}).second)
            return;

        const QString identity = FolderIdentity(path);
        if (!m_held.contains(identity)) {
            m_folders.addFolder(path, AddFolder(m_session, m_session.CurrentCollection.ID, path));
            m_held.insert(identity);
        }
        if (!isFolder)
            return;

        const QString prefix = path.endsWith(QLatin1Char('/')) ? path : path + QLatin1Char('/');
        std::vector<std::string> tooLong;
        for (const std::string &child : subfolders(name, tooLong)) {
            if (!isValidUtf8(child)) {
                m_skipped.append(prefix + QString::fromStdString(printableName(child)));
                continue;
            }
            add(prefix + QString::fromUtf8(child.data(), static_cast<qsizetype>(child.size())));
        }
        if (m_tooLong) {
            for (const std::string &child : tooLong)
                m_tooLong->append(prefix + QString::fromStdString(printableName(child)));
        }
    }

private:
    // The names of the folders in a folder, as bytes, in name order so that walks repeat. Hidden
    // names stay out; an entry is stat'ed, never opened, so a FIFO cannot block the walk. A
    // folder whose full path would be too long for the system goes to tooLong instead: it is
    // stat'ed from the open folder, where its own name is short enough.
    static std::vector<std::string> subfolders(const QByteArray &folder, std::vector<std::string> &tooLong)
    {
        std::vector<std::string> names;
        const std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.constData()));
        if (!dir)
            return names;
        const size_t prefix = folder.endsWith('/') ? folder.size() : folder.size() + 1;
        while (const dirent *entry = ::readdir(dir.get())) {
            if (entry->d_name[0] == '.')
                continue;
            struct stat info
            {
            };
            if (::fstatat(::dirfd(dir.get()), entry->d_name, &info, 0) != 0 || !S_ISDIR(info.st_mode))
                continue;
            // PATH_MAX counts the terminating zero.
            if (prefix + std::strlen(entry->d_name) >= PATH_MAX)
                tooLong.emplace_back(entry->d_name);
            else
                names.emplace_back(entry->d_name);
        }
        std::sort(tooLong.begin(), tooLong.end());
        std::sort(names.begin(), names.end(), [](const std::string &a, const std::string &b) {
            const int folded
                = QString::fromUtf8(a.data(), static_cast<qsizetype>(a.size()))
                      .compare(QString::fromUtf8(b.data(), static_cast<qsizetype>(b.size())), Qt::CaseInsensitive);
            return folded != 0 ? folded < 0 : a < b;
        });
        return names;
    }

    Session &m_session;
    FolderCheckList &m_folders;
    QStringList &m_skipped;
    QStringList *m_tooLong;
    std::set<FolderKey> m_entered;
    QSet<QString> m_held;
};

} // namespace

void AddFolderTree(
    Session &session, const QString &path, FolderCheckList &folders, QStringList &skipped, QStringList *tooLong)
{
    TreeWalk(session, folders, skipped, tooLong).add(path);
}

} // namespace vexaris::store
