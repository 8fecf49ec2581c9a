#include "runs/filelist.h"

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <dirent.h>
#include <memory>
#include <numeric>

#include <fcntl.h>
#include <sys/stat.h>

#include <QCollator>
#include <QDateTime>

#include "common/bytenames.h"
#include "common/error.h"
#include "store/datetime.h"

namespace vexaris::runs {

void FileList::clear(NameComparison comparison)
{
    m_comparison = comparison;
    m_entries.clear();
    m_index.clear();
}

QString FileList::key(const QString &name) const
{
    return m_comparison == NameComparison::IgnoreCase ? name.toCaseFolded() : name;
}

bool FileList::add(FileEntry entry)
{
    const QString k = key(entry.name);
    if (m_index.contains(k))
        return false;
    m_index.insert(k, m_entries.size());
    m_entries.push_back(std::move(entry));
    return true;
}

void FileList::sort()
{
    // Folding first keeps the order free of case also where the collation cannot ignore it
    // (the C locale compares code points).
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    std::vector<QCollatorSortKey> keys;
    keys.reserve(m_entries.size());
    for (const FileEntry &entry : m_entries)
        keys.push_back(collator.sortKey(entry.name.toCaseFolded()));

    std::vector<size_t> order(m_entries.size());
    std::iota(order.begin(), order.end(), size_t {0});
    std::sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        const int byCollation = keys[a].compare(keys[b]);
        if (byCollation != 0)
            return byCollation < 0;
        return m_entries[a].name < m_entries[b].name;
    });

    std::vector<FileEntry> sorted;
    sorted.reserve(m_entries.size());
    for (size_t i : order)
        sorted.push_back(std::move(m_entries[i]));
    m_entries = std::move(sorted);
    m_index.clear();
    for (size_t i = 0; i < m_entries.size(); ++i)
        m_index.insert(key(m_entries[i].name), i);
}

std::optional<size_t> FileList::indexOf(const QString &name) const
{
    const auto it = m_index.constFind(key(name));
    if (it == m_index.constEnd())
        return std::nullopt;
    return *it;
}

namespace {

struct DirCloser
{
    void operator()(DIR *dir) const { closedir(dir); }
};

// Whole milliseconds, so that a time read again compares equal to the stored one.
double toDateTime(const statx_timestamp &t)
{
    const qint64 milliseconds = static_cast<qint64>(t.tv_sec) * 1000 + static_cast<qint64>(t.tv_nsec / 1000000);
    return store::toDays(QDateTime::fromMSecsSinceEpoch(milliseconds, Qt::UTC));
}

bool flipAsciiCase(std::string &name)
{
    bool changed = false;
    for (char &c : name) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
            changed = true;
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
            changed = true;
        }
    }
    return changed;
}

struct Listed
{
    std::string rawName;
    struct statx info;
};

// A folder folds case when a listed name, spelt with its letters' case flipped, opens the very
// same file although no entry carries that spelling. Asking the folder itself covers every
// file system and mount option without a table of file system types.
NameComparison probeNameComparison(int dirFd, const std::vector<Listed> &files)
{
    for (const Listed &file : files) {
        std::string flipped = file.rawName;
        if (!flipAsciiCase(flipped))
            continue;
        struct statx other;
        if (statx(dirFd, flipped.c_str(), AT_STATX_SYNC_AS_STAT, STATX_INO, &other) != 0)
            return NameComparison::Exact;
        const bool sameFile = other.stx_ino == file.info.stx_ino && other.stx_dev_major == file.info.stx_dev_major
            && other.stx_dev_minor == file.info.stx_dev_minor;
        if (!sameFile)
            return NameComparison::Exact;
        // A hard link under the flipped name would be listed on its own: that is not folding.
        for (const Listed &listed : files) {
            if (listed.rawName == flipped)
                return NameComparison::Exact;
        }
        return NameComparison::IgnoreCase;
    }
    return NameComparison::Exact;
}

} // namespace

std::vector<std::string> ListFolderFiles(const std::filesystem::path &folder, FileList &list)
{
    std::unique_ptr<DIR, DirCloser> dir(opendir(folder.c_str()));
    if (!dir)
        throw Error(std::strerror(errno));
    const int dirFd = dirfd(dir.get());

    std::vector<Listed> files;
    std::vector<std::string> unnamed;
    for (;;) {
        errno = 0;
        const dirent *entry = readdir(dir.get());
        if (!entry) {
            if (errno != 0)
                throw Error(std::strerror(errno));
            break;
        }
        if (entry->d_name[0] == '.')
            continue; // hidden, and the folder's own "." and ".."
        Listed file;
        file.rawName = entry->d_name;
        // Following the link is the default; a dangling link or an unreadable entry is not an
        // ordinary file and is left out like a folder.
        if (statx(dirFd, entry->d_name, AT_STATX_SYNC_AS_STAT, STATX_BASIC_STATS | STATX_BTIME, &file.info) != 0)
            continue;
        if (!S_ISREG(file.info.stx_mode))
            continue;
        if (!isValidUtf8(file.rawName)) {
            unnamed.push_back(std::move(file.rawName));
            continue;
        }
        files.push_back(std::move(file));
    }

    list.clear(probeNameComparison(dirFd, files));
    for (Listed &file : files) {
        FileEntry entry;
        entry.name = QString::fromUtf8(file.rawName.data(), static_cast<qsizetype>(file.rawName.size()));
        entry.rawName = std::move(file.rawName);
        entry.data.Size = static_cast<int32_t>(static_cast<uint32_t>(file.info.stx_size));
        const statx_timestamp &created = (file.info.stx_mask & STATX_BTIME) ? file.info.stx_btime : file.info.stx_mtime;
        entry.data.Created = toDateTime(created);
        entry.data.Modified = toDateTime(file.info.stx_mtime);
        list.add(std::move(entry));
    }
    list.sort();
    std::sort(unnamed.begin(), unnamed.end());
    return unnamed;
}

} // namespace vexaris::runs
