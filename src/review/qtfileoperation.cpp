// The real file operations over the freedesktop.org Trash of our own (review/trash.h), so that the
// desktop's own Trash can restore what a resolution gave up. Moves and copies never replace a
// file: a copy is written under a hidden name beside its target and then renamed into place with
// RENAME_NOREPLACE (or linked), so a file that appears after the free name was chosen is refused
// instead of overwritten, and a copy cut short by a crash never bears the target's name.
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>

#include "i18n/qtranslate.h"
#include "review/fileoperation.h"
#include "review/targetpath.h"

namespace vexaris::review {

namespace {

constexpr qint64 kCopyChunk = qint64(1) << 20;

QString systemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString failureText(const char *format, const QString &source, const QString &target, const QString &reason)
{
    return QString::fromStdString(
        formatText(_(format), {source.toStdString(), target.toStdString(), reason.toStdString()}));
}

enum class RenameOutcome {
    Done,
    NeedsCopy, // another file system, or one that cannot rename without replacing
    Failed,
};

RenameOutcome renameWithoutReplacing(const QString &source, const QString &target, int &error)
{
    const QByteArray from = QFile::encodeName(source);
    const QByteArray to = QFile::encodeName(target);
#ifdef RENAME_NOREPLACE
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return RenameOutcome::Done;
    if (errno == EXDEV)
        return RenameOutcome::NeedsCopy;
    if (errno != EINVAL && errno != ENOSYS) {
        error = errno;
        return RenameOutcome::Failed;
    }
#endif
    // A file system that cannot rename without replacing may still refuse a hard link to an
    // existing name.
    if (::link(from.constData(), to.constData()) == 0) {
        if (::unlink(from.constData()) == 0)
            return RenameOutcome::Done;
        error = errno;
        ::unlink(to.constData());
        return RenameOutcome::Failed;
    }
    if (errno == EXDEV || errno == EPERM || errno == ENOTSUP || errno == EMLINK)
        return RenameOutcome::NeedsCopy;
    error = errno;
    return RenameOutcome::Failed;
}

// The hidden name a copy is written under before it takes its target's name.
QString partPathOf(const QString &target)
{
    return folderPart(target) + QStringLiteral(".") + fileNamePart(target) + QStringLiteral(".vexaris-part");
}

// The copy behind both a copy and a move to another file system. On any failure the partial
// copy, which this call created, is removed again and the source is untouched.
bool copyFile(const QString &source, const QString &target, FileOperationProgress &progress, QString &reason)
{
    if (pathIsTaken(target)) {
        reason = systemMessage(EEXIST);
        return false;
    }
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        reason = in.errorString();
        return false;
    }
    const QString part = partPathOf(target);
    // A part file of that name can only be one left by an earlier copy that was cut short.
    QFile::remove(part);
    QFile out(part);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        reason = out.errorString();
        return false;
    }
    const auto fail = [&](const QString &why) {
        reason = why;
        out.close();
        out.remove();
        return false;
    };

    const qint64 total = in.size();
    qint64 done = 0;
    const auto buffer = std::make_unique<char[]>(kCopyChunk);
    progress.advanced(0, total);
    for (;;) {
        const qint64 got = in.read(buffer.get(), kCopyChunk);
        if (got < 0)
            return fail(in.errorString());
        if (got == 0)
            break;
        for (qint64 written = 0; written < got;) {
            const qint64 put = out.write(buffer.get() + written, got - written);
            if (put < 0)
                return fail(out.errorString());
            written += put;
        }
        done += got;
        progress.advanced(done, total);
    }
    if (!out.flush())
        return fail(out.errorString());
    // Like the desktop's own copy, the copy keeps the time stamps and permissions of its source.
    out.setFileTime(in.fileTime(QFileDevice::FileModificationTime), QFileDevice::FileModificationTime);
    out.setFileTime(in.fileTime(QFileDevice::FileAccessTime), QFileDevice::FileAccessTime);
    out.setPermissions(in.permissions());
    // The copy must be on the disk before a move removes its source.
    if (::fsync(out.handle()) != 0)
        return fail(systemMessage(errno));
    out.close();
    if (out.error() != QFileDevice::NoError)
        return fail(out.errorString());
    int error = 0;
    RenameOutcome named = renameWithoutReplacing(part, target, error);
    if (named == RenameOutcome::NeedsCopy) {
        // A file system that can neither rename without replacing nor link: the name is looked at
        // just before.
        named = pathIsTaken(target) ? RenameOutcome::Failed : RenameOutcome::Done;
        error = EEXIST;
        if (named == RenameOutcome::Done
            && ::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
            named = RenameOutcome::Failed;
            error = errno;
        }
    }
    if (named != RenameOutcome::Done) {
        QFile::remove(part);
        reason = systemMessage(error);
        return false;
    }
    return true;
}

} // namespace

QString QtFileOperation::trashFolderFor(const QString &path, QString &message)
{
    return m_trash.folderFor(path, message);
}

TrashSlotResult QtFileOperation::trashSlot(const QString &path)
{
    return m_trash.slotFor(path);
}

bool QtFileOperation::inTrash(const TrashSlot &slot, const QString &originalPath)
{
    return !slot.isNull() && m_trash.holds(slot, originalPath);
}

void QtFileOperation::discardSlot(const TrashSlot &slot, const QString &originalPath)
{
    if (!slot.isNull())
        m_trash.discard(slot, originalPath);
}

TrashSlot QtFileOperation::findTrashed(const QString &name, const QString &originalPath)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return {};
    QStringList folders {
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash")};
    QString message;
    const QString own = m_trash.folderFor(originalPath, message);
    if (!own.isEmpty() && !folders.contains(own))
        folders << own;
    for (const QString &folder : std::as_const(folders)) {
        const TrashSlot slot
            = TrashSlot::fromInfoPath(folder + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo"));
        if (m_trash.holds(slot, originalPath))
            return slot;
    }
    return {};
}

FileOperationResult QtFileOperation::restore(const TrashSlot &slot, const QString &originalPath)
{
    if (!inTrash(slot, originalPath)) {
        return {
            false, qtrFormat(N_("The Trash no longer holds %s as %s"), {originalPath, fileNamePart(slot.filesPath)})};
    }
    if (pathIsTaken(originalPath))
        return {false, qtrFormat(N_("%s cannot come back from the Trash: another file has its place"), {originalPath})};
    NoProgress quiet;
    FileOperationResult moved = move(slot.filesPath, originalPath, quiet);
    if (!moved.succeeded)
        return moved;
    // Without its information file the entry is gone from the Trash as the desktop lists it.
    QFile::remove(slot.infoPath);
    return {true, {}};
}

FileOperationResult QtFileOperation::recycle(const QString &path, const TrashSlot &slot)
{
    const auto failure = [&path](const QString &reason) {
        return FileOperationResult {false,
            QString::fromStdString(
                formatText(_("%s could not be moved to the Trash: %s"), {path.toStdString(), reason.toStdString()}))};
    };
    if (!pathIsTaken(path))
        return failure(systemMessage(ENOENT));
    QString message;
    if (!m_trash.put(path, slot, message))
        return {false, message};
    return {true, {}};
}

std::vector<FileOperationResult> FileOperation::recycleAll(const std::vector<std::pair<QString, TrashSlot>> &files)
{
    std::vector<FileOperationResult> results;
    results.reserve(files.size());
    for (const auto &[path, slot] : files)
        results.push_back(recycle(path, slot));
    return results;
}

std::vector<FileOperationResult> QtFileOperation::recycleAll(const std::vector<std::pair<QString, TrashSlot>> &files)
{
    std::vector<FileOperationResult> results;
    results.reserve(files.size());
    for (const QString &message : m_trash.putAll(files))
        results.push_back({message.isEmpty(), message});
    return results;
}

FileOperationResult QtFileOperation::removeCopy(const QString &path, qint64 size)
{
    struct stat info
    {
    };
    const QByteArray name = QFile::encodeName(path);
    if (::lstat(name.constData(), &info) != 0 || !S_ISREG(info.st_mode) || info.st_size != size
        || ::unlink(name.constData()) != 0) {
        return {false, qtrFormat(N_("%s was copied there a moment ago and stays there"), {path})};
    }
    return {true, {}};
}

FileOperationResult QtFileOperation::move(const QString &source, const QString &target, FileOperationProgress &progress)
{
    const char *format = N_("%s could not be moved to %s: %s");
    int error = 0;
    switch (renameWithoutReplacing(source, target, error)) {
    case RenameOutcome::Done:
        return {true, {}};
    case RenameOutcome::Failed:
        return {false, failureText(format, source, target, systemMessage(error))};
    case RenameOutcome::NeedsCopy:
        break;
    }
    QString reason;
    if (!copyFile(source, target, progress, reason))
        return {false, failureText(format, source, target, reason)};
    QFile original(source);
    if (!original.remove()) {
        // Half a move would leave the picture twice: take the copy back, the source stays.
        reason = original.errorString();
        QFile::remove(target);
        return {false, failureText(format, source, target, reason)};
    }
    return {true, {}};
}

FileOperationResult QtFileOperation::copy(const QString &source, const QString &target, FileOperationProgress &progress)
{
    QString reason;
    if (!copyFile(source, target, progress, reason))
        return {false, failureText(N_("%s could not be copied to %s: %s"), source, target, reason)};
    return {true, {}};
}

} // namespace vexaris::review
