// The freedesktop.org Trash, our own: the desktop's Trash lists, restores and empties what this
// puts there. A file goes to the Trash folder of the mount it is on (the home Trash when that is
// the home Trash's mount, else the volume's $topdir/.Trash/$uid or $topdir/.Trash-$uid), because
// only a rename within one mount is atomic and leaves the file's bytes where they are. Its
// information file is written and synced before the file moves, so that a file in the Trash always
// has one; every step either succeeds or fails with one line, and a failure leaves the file where
// it was.
#pragma once

#include <optional>
#include <vector>

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>

namespace vexaris::review {

// A place in the Trash chosen for one file before anything moves: the information file that will
// describe it and the name the file will have there. Chosen first, so that the resolution journal
// can name it before the file is touched.
struct TrashSlot
{
    QString infoPath; // <trash folder>/info/<name>.trashinfo
    QString filesPath; // <trash folder>/files/<name>
    bool isNull() const { return infoPath.isEmpty(); }
    // The slot an information file path names (filesPath derived from it); null when the path is
    // not of that shape.
    static TrashSlot fromInfoPath(const QString &infoPath);
};

struct TrashSlotResult
{
    TrashSlot slot; // null on failure
    QString message; // one line on failure
};

class Trash
{
public:
    // The Trash folder (the one holding files/ and info/) a file at this path goes to, made
    // (with files/ and info/) where missing; "" and one line in `message` when none is usable.
    QString folderFor(const QString &path, QString &message);
    // A free slot for the file: a name free in both files/ and info/ of its Trash and not handed
    // out before by this object (a batch picks many slots before it moves any file). Nothing but
    // the Trash folders is written.
    TrashSlotResult slotFor(const QString &path);
    // Moves the file into the slot: the information file created exclusively, written completely,
    // synced; then the file renamed into files/ (rename(2) with RENAME_NOREPLACE). On failure the
    // information file goes again, the file stays where it was, and message says why.
    // Returns true on success.
    bool put(const QString &path, const TrashSlot &slot, QString &message);
    // put() for many files at once, with one sync of each volume for all their information files
    // instead of one per file, before any file moves. The message of each file, "" where it went.
    std::vector<QString> putAll(const std::vector<std::pair<QString, TrashSlot>> &files);
    // Whether the slot's file is in the Trash and its information file names originalPath.
    bool holds(const TrashSlot &slot, const QString &originalPath) const;
    // For a slot whose information file may have been written without the file ever arriving (a
    // crash between the two steps): removes the information file when files/ has no such entry
    // and the information file names originalPath. Anything else is left alone.
    void discard(const TrashSlot &slot, const QString &originalPath);

private:
    // The information file's text for a file about to go to the slot; nullopt and one line when
    // the file cannot go.
    std::optional<QByteArray> infoFor(const QString &path, const TrashSlot &slot, QString &message) const;
    // The file renamed into the slot, whose information file is written; on failure that goes.
    bool moveIn(const QString &path, const TrashSlot &slot, QString &message);
    QString volumeFolder(const QString &path, const QString &top, QString &message);

    QSet<QString> m_handedOut; // files/ paths of the slots given out
    QHash<QString, int> m_nextNumber; // per Trash folder and name: the first number not yet tried
    QSet<QString> m_reported; // volume tops whose unusable .Trash was reported
};

// One line of the mount table.
struct MountEntry
{
    int id = 0;
    int parentId = 0;
    QString mountPoint;
};

// The mounts of a mountinfo text (/proc/self/mountinfo), the octal escapes of their mount points
// (\040 for a blank) decoded. Lines that are not of the table's shape are passed over.
std::vector<MountEntry> parseMountInfo(const QByteArray &text);

// The mount a real (absolute, free of symbolic links) path lies on, as the kernel resolves the
// path: from the root mount down, at each folder of the path the mount whose parent is the current
// one and whose mount point is that folder. A mount hidden by a later one at the same place or
// above it is thereby passed over, whatever order the table lists them in.
std::optional<MountEntry> mountOf(const std::vector<MountEntry> &mounts, const QString &realPath);

// A path as the Path key of an information file holds it: its bytes in the file system's encoding,
// every byte other than an unreserved URL character or "/" percent-encoded.
QByteArray encodeTrashPath(const QString &path);

// The original path an information file records, made absolute (a relative one is below the
// folder the Trash folder is in, $topdir for a volume's); nullopt when it has none or an unusable
// one.
std::optional<QString> recordedPath(const TrashSlot &slot);

} // namespace vexaris::review
