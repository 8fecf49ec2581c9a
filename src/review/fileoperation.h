// The file operations of a pair resolution, one file at a time: the given-up file to the Trash,
// the kept file moved or copied into its folder, and the way back. The review talks to this
// interface only, so that the tests can put an operation of their own in its place.
#pragma once

#include <utility>
#include <vector>

#include <QString>
#include <QtGlobal>

#include "review/trash.h"

namespace vexaris::review {

struct FileOperationResult
{
    bool succeeded = false;
    QString message; // one line for the user when the operation failed
};

// Told how far a long copy has come, so that the window can show it and stay painted.
class FileOperationProgress
{
public:
    virtual ~FileOperationProgress() = default;
    virtual void advanced(qint64 bytesDone, qint64 bytesTotal) = 0;
};

// For a file step nobody watches: a put-back, an undo, the command line.
class NoProgress final : public FileOperationProgress
{
public:
    void advanced(qint64, qint64) override { }
};

class FileOperation
{
public:
    virtual ~FileOperation() = default;

    // The Trash folder a file at path would go to, made where missing; "" and one line naming
    // the volume when none can take it.
    virtual QString trashFolderFor(const QString &path, QString &message) = 0;
    // Where in the Trash the file will go, chosen before anything is touched so that the journal
    // can name the place first.
    virtual TrashSlotResult trashSlot(const QString &path) = 0;
    // Into the Trash at that slot, from where it can be restored; a file is never deleted
    // outright. On failure the file stays where it was.
    virtual FileOperationResult recycle(const QString &path, const TrashSlot &slot) = 0;
    // Many files into their slots; an implementation may sync them together. One result a file.
    virtual std::vector<FileOperationResult> recycleAll(const std::vector<std::pair<QString, TrashSlot>> &files);
    // Takes the slot's file back to originalPath, which its information file must name; never
    // over an existing file.
    virtual FileOperationResult restore(const TrashSlot &slot, const QString &originalPath) = 0;
    // Whether the Trash holds the slot's file, recycled from originalPath.
    virtual bool inTrash(const TrashSlot &slot, const QString &originalPath) = 0;
    // For a slot whose file may never have arrived (a crash between its two steps): removes its
    // information file when the file is not there.
    virtual void discardSlot(const TrashSlot &slot, const QString &originalPath) = 0;
    // The slot of a file recycled from originalPath under that name, for journal entries that
    // kept only the name; a null slot when no Trash holds it.
    virtual TrashSlot findTrashed(const QString &name, const QString &originalPath) = 0;

    // Neither ever replaces an existing file at target. A move to another file system copies
    // and removes the source only once the copy is complete and closed.
    virtual FileOperationResult move(const QString &source, const QString &target, FileOperationProgress &progress) = 0;
    virtual FileOperationResult copy(const QString &source, const QString &target, FileOperationProgress &progress) = 0;
    // Takes back a copy this program has just made, when what it was made for cannot be
    // recorded; only a file that is still the copy's size is removed.
    virtual FileOperationResult removeCopy(const QString &path, qint64 size) = 0;
};

// The operation on the real file system and the freedesktop.org Trash.
class QtFileOperation final : public FileOperation
{
public:
    QString trashFolderFor(const QString &path, QString &message) override;
    TrashSlotResult trashSlot(const QString &path) override;
    FileOperationResult recycle(const QString &path, const TrashSlot &slot) override;
    std::vector<FileOperationResult> recycleAll(const std::vector<std::pair<QString, TrashSlot>> &files) override;
    FileOperationResult restore(const TrashSlot &slot, const QString &originalPath) override;
    bool inTrash(const TrashSlot &slot, const QString &originalPath) override;
    void discardSlot(const TrashSlot &slot, const QString &originalPath) override;
    TrashSlot findTrashed(const QString &name, const QString &originalPath) override;
    FileOperationResult move(const QString &source, const QString &target, FileOperationProgress &progress) override;
    FileOperationResult copy(const QString &source, const QString &target, FileOperationProgress &progress) override;
    FileOperationResult removeCopy(const QString &path, qint64 size) override;

private:
    Trash m_trash;
};

} // namespace vexaris::review
