// The files of the one folder the update run is working on: what the directory holds right now,
// sorted for processing, with a lookup that matches database rows to files.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QHash>
#include <QString>
#include <QtGlobal>

namespace vexaris::runs {

struct TFileData
{
    int32_t Size = 0; // the low 32 bits of the length, as the Size column keeps it
    double Created = 0; // days since 30 December 1899, UTC, whole milliseconds
    double Modified = 0;
    bool InDatabase = false; // a row of this folder carries the file's name
    qint64 ID = 0; // that row's key; only meaningful when InDatabase
    bool Changed = true; // the row's size or times differ from the file's (always for a new file)
};

struct FileEntry
{
    QString name; // as stored in FileName and shown to the user
    std::string rawName; // the directory's own bytes, so that any name can be opened again
    TFileData data;
};

// How names are matched: exactly on an ordinary Linux folder, without regard to letter case on
// a folder whose file system folds case (a FAT stick, a case-folding ext4 folder).
enum class NameComparison {
    Exact,
    IgnoreCase,
};

class FileList
{
public:
    void clear(NameComparison comparison);
    NameComparison comparison() const { return m_comparison; }

    // Adds a name in listing order; false (and nothing added) when a name that counts as equal is
    // already listed, so that the first one listed wins.
    bool add(FileEntry entry);
    // Puts the list in processing order: by name without regard to letter case in the user's
    // collation, exact spelling breaking ties so that the order never depends on the listing.
    void sort();

    std::optional<size_t> indexOf(const QString &name) const;
    size_t size() const { return m_entries.size(); }
    bool empty() const { return m_entries.empty(); }
    FileEntry &operator[](size_t i) { return m_entries[i]; }
    const FileEntry &operator[](size_t i) const { return m_entries[i]; }

private:
    QString key(const QString &name) const;

    NameComparison m_comparison = NameComparison::Exact;
    std::vector<FileEntry> m_entries;
    QHash<QString, size_t> m_index;
};

// Fills the list with the folder's ordinary files: regular files after following a symbolic
// link, names not beginning with a dot. FIFOs, sockets, devices and folders are never opened.
// Files whose names are not valid UTF-8 are not listed (a name the database cannot keep exactly
// could be taken for another file); their names are returned, as the folder has them.
// Throws vexaris::Error when the folder cannot be read.
std::vector<std::string> ListFolderFiles(const std::filesystem::path &folder, FileList &list);

} // namespace vexaris::runs
