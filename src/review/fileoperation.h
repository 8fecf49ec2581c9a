// The file operations of a pair resolution, one file at a time: the victim to the Trash, the
// survivor moved or copied into the victim's folder. The window talks to this interface only, so
// that the tests can put an operation of their own in its place.
#pragma once

#include <QString>
#include <QtGlobal>

namespace vexaris::review {

struct FileOperationResult
{
    bool succeeded = false;
    QString message; // one line for the user when the operation failed
    // After a recycle: the file's name in the Trash, the name of its information file less
    // ".trashinfo", by which restore finds it again.
    QString trashInfoName;
};

// Told how far a long copy has come, so that the window can show it and stay painted.
class FileOperationProgress
{
public:
    virtual ~FileOperationProgress() = default;
    virtual void advanced(qint64 bytesDone, qint64 bytesTotal) = 0;
};

class FileOperation
{
public:
    virtual ~FileOperation() = default;

    // Into the user's Trash, from where it can be restored; a file is never deleted outright.
    virtual FileOperationResult recycle(const QString &path) = 0;
    // Takes a recycled file out of the Trash back to originalPath, which its information file
    // must name; never over an existing file.
    virtual FileOperationResult restore(const QString &trashInfoName, const QString &originalPath) = 0;
    // Whether the Trash still holds that entry for originalPath.
    virtual bool inTrash(const QString &trashInfoName, const QString &originalPath) = 0;

    // Neither ever replaces an existing file at target. A move to another file system copies
    // and removes the source only once the copy is complete and closed.
    virtual FileOperationResult move(const QString &source, const QString &target, FileOperationProgress &progress) = 0;
    virtual FileOperationResult copy(const QString &source, const QString &target, FileOperationProgress &progress) = 0;
};

// The operation on the real file system and the freedesktop.org Trash: the home Trash under
// $XDG_DATA_HOME, or the Trash of the file's own volume ($topdir/.Trash/UID, $topdir/.Trash-UID)
// where the desktop put it there.
class QtFileOperation final : public FileOperation
{
public:
    FileOperationResult recycle(const QString &path) override;
    FileOperationResult restore(const QString &trashInfoName, const QString &originalPath) override;
    bool inTrash(const QString &trashInfoName, const QString &originalPath) override;
    FileOperationResult move(const QString &source, const QString &target, FileOperationProgress &progress) override;
    FileOperationResult copy(const QString &source, const QString &target, FileOperationProgress &progress) override;
};

} // namespace vexaris::review
