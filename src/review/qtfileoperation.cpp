// The real file operations. Qt's Trash support writes the freedesktop.org Trash, so the desktop's
// own Trash can restore what a resolution gave up. Moves and copies never replace a file: the
// target is created with O_EXCL semantics or renamed with RENAME_NOREPLACE, so a file that
// appears after the free name was chosen is refused instead of overwritten.
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

// The copy behind both a copy and a move to another file system. On any failure the partial
// target, which this call created, is removed again and the source is untouched.
bool copyFile(const QString &source, const QString &target, FileOperationProgress &progress, QString &reason)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        reason = in.errorString();
        return false;
    }
    QFile out(target);
    if (!out.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
        reason = pathIsTaken(target) ? systemMessage(EEXIST) : out.errorString();
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
    // The copy must be on the disk before a move removes its source.
    if (::fsync(out.handle()) != 0)
        return fail(systemMessage(errno));
    // Like the desktop's own copy, the copy keeps the time stamps and permissions of its source.
    out.setFileTime(in.fileTime(QFileDevice::FileModificationTime), QFileDevice::FileModificationTime);
    out.setFileTime(in.fileTime(QFileDevice::FileAccessTime), QFileDevice::FileAccessTime);
    out.setPermissions(in.permissions());
    out.close();
    if (out.error() != QFileDevice::NoError)
        return fail(out.errorString());
    return true;
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

class NoProgress final : public FileOperationProgress
{
public:
    void advanced(qint64, qint64) override { }
};

// The folder that holds a path's volume: the last folder on the way up with the same device.
QString volumeTop(const QString &path)
{
    QString folder = QFileInfo(path).absolutePath();
    struct stat here
    {
    };
    if (::stat(QFile::encodeName(folder).constData(), &here) != 0)
        return {};
    for (;;) {
        const QString parent = QFileInfo(folder).absolutePath();
        struct stat up
        {
        };
        if (parent == folder || ::stat(QFile::encodeName(parent).constData(), &up) != 0 || up.st_dev != here.st_dev)
            return folder;
        folder = parent;
    }
}

// Where a recycled file of that path can be: the home Trash first, then its volume's.
QStringList trashFolders(const QString &originalPath)
{
    QStringList folders {
        QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) + QStringLiteral("/Trash")};
    const QString top = volumeTop(originalPath);
    if (!top.isEmpty()) {
        const QString uid = QString::number(::getuid());
        folders << top + QStringLiteral("/.Trash/") + uid << top + QStringLiteral("/.Trash-") + uid;
    }
    return folders;
}

// The path an information file says its entry came from; relative ones are below the volume.
QString infoPath(const QString &infoFile, const QString &trashFolder)
{
    QFile info(infoFile);
    if (!info.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : info.readAll().split('\n')) {
        if (!line.startsWith("Path="))
            continue;
        const QString path = QFile::decodeName(QByteArray::fromPercentEncoding(line.mid(5).trimmed()));
        if (QDir::isAbsolutePath(path))
            return QDir::cleanPath(path);
        // $topdir/.Trash/UID or $topdir/.Trash-UID
        const bool perUser = QFileInfo(trashFolder).dir().dirName() == QStringLiteral(".Trash");
        QDir top(trashFolder);
        top.cdUp();
        if (perUser)
            top.cdUp();
        return QDir::cleanPath(top.absoluteFilePath(path));
    }
    return {};
}

struct TrashEntry
{
    QString file;
    QString info;
};

std::optional<TrashEntry> findTrashEntry(const QString &name, const QString &originalPath)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')))
        return std::nullopt;
    for (const QString &folder : trashFolders(originalPath)) {
        TrashEntry entry {folder + QStringLiteral("/files/") + name,
            folder + QStringLiteral("/info/") + name + QStringLiteral(".trashinfo")};
        if (pathIsTaken(entry.file) && infoPath(entry.info, folder) == QDir::cleanPath(originalPath))
            return entry;
    }
    return std::nullopt;
}

} // namespace

bool QtFileOperation::inTrash(const QString &trashInfoName, const QString &originalPath)
{
    return findTrashEntry(trashInfoName, originalPath).has_value();
}

FileOperationResult QtFileOperation::restore(const QString &trashInfoName, const QString &originalPath)
{
    const std::optional<TrashEntry> entry = findTrashEntry(trashInfoName, originalPath);
    if (!entry) {
        return {false, qtrFormat(N_("The Trash no longer holds %s as %s"), {originalPath, trashInfoName}), {}};
    }
    if (pathIsTaken(originalPath))
        return {
            false, qtrFormat(N_("%s cannot come back from the Trash: another file has its place"), {originalPath}), {}};
    NoProgress progress;
    FileOperationResult moved = move(entry->file, originalPath, progress);
    if (!moved.succeeded)
        return moved;
    // Without its information file the entry is gone from the Trash as the desktop lists it.
    QFile::remove(entry->info);
    return {true, {}, {}};
}

FileOperationResult QtFileOperation::recycle(const QString &path)
{
    const auto failure = [&path](const QString &reason) {
        return FileOperationResult {false,
            QString::fromStdString(
                formatText(_("%s could not be moved to the Trash: %s"), {path.toStdString(), reason.toStdString()})),
            {}};
    };
    if (!pathIsTaken(path))
        return failure(systemMessage(ENOENT));
    QFile file(path);
    if (!file.moveToTrash())
        return failure(file.errorString());
    if (QFileInfo(file.fileName()).isAbsolute())
        return {true, {}, QFileInfo(file.fileName()).fileName()};

    // Qt 6.4 reports success when it could set up no Trash folder at all, having moved the file
    // into "files" (and its information into "info") under the current folder. That is no
    // Trash: the file goes back where it was and the recycle counts as failed.
    const QFileInfo stray(file.fileName());
    const QString strayPath = stray.absoluteFilePath();
    const QDir files = stray.absoluteDir();
    const QString infoFolder = QDir::cleanPath(files.absoluteFilePath(QStringLiteral("../info")));
    const QString info = infoFolder + QLatin1Char('/') + stray.fileName() + QStringLiteral(".trashinfo");
    if (::rename(QFile::encodeName(strayPath).constData(), QFile::encodeName(path).constData()) != 0) {
        return {false,
            QString::fromStdString(formatText(_("%s could not be moved to the Trash and is now at %s"),
                {path.toStdString(), strayPath.toStdString()})),
            {}};
    }
    QFile::remove(info);
    QDir().rmdir(files.absolutePath()); // only when empty
    QDir().rmdir(infoFolder);
    return failure(qtr("no Trash folder is available for it"));
}

FileOperationResult QtFileOperation::move(const QString &source, const QString &target, FileOperationProgress &progress)
{
    const char *format = N_("%s could not be moved to %s: %s");
    int error = 0;
    switch (renameWithoutReplacing(source, target, error)) {
    case RenameOutcome::Done:
        return {true, {}, {}};
    case RenameOutcome::Failed:
        return {false, failureText(format, source, target, systemMessage(error)), {}};
    case RenameOutcome::NeedsCopy:
        break;
    }
    QString reason;
    if (!copyFile(source, target, progress, reason))
        return {false, failureText(format, source, target, reason), {}};
    QFile original(source);
    if (!original.remove()) {
        // Half a move would leave the picture twice: take the copy back, the source stays.
        reason = original.errorString();
        QFile::remove(target);
        return {false, failureText(format, source, target, reason), {}};
    }
    return {true, {}, {}};
}

FileOperationResult QtFileOperation::copy(const QString &source, const QString &target, FileOperationProgress &progress)
{
    QString reason;
    if (!copyFile(source, target, progress, reason))
        return {false, failureText(N_("%s could not be copied to %s: %s"), source, target, reason), {}};
    return {true, {}, {}};
}

} // namespace vexaris::review
