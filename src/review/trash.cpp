// The freedesktop.org Trash on plain POSIX calls. Qt's own Trash support cannot be told apart
// from success when the information file stays empty, and spins for ever on a read-only volume,
// so every step here is a single call whose failure becomes the one line the user sees.
#include "review/trash.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <pwd.h>
#include <syslog.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

#include "i18n/qtranslate.h"

namespace vexaris::review {

namespace {

constexpr char kMountTable[] = "/proc/self/mountinfo";
constexpr char kInfoSuffix[] = ".trashinfo";
constexpr qsizetype kInfoSuffixBytes = sizeof(kInfoSuffix) - 1;
// Every Trash folder is the user's alone.
constexpr mode_t kTrashFolderMode = 0700;
// A longer "extension" is no extension worth keeping when a name must be shortened.
constexpr qsizetype kLongestKeptExtension = 16;
// Names tried per file before the Trash counts as full of that name.
constexpr int kNameAttempts = 100000;
// An information file is a few hundred bytes; a larger one is not read whole.
constexpr qint64 kLargestInfoFile = 64 * 1024;

const char *const kCannotMove = N_("%s could not be moved to the Trash: %s");

QString systemMessage(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

QString failure(const QString &path, const QString &reason)
{
    return qtrFormat(kCannotMove, {path, reason});
}

QByteArray native(const QString &path)
{
    return QFile::encodeName(path);
}

// 0, or the errno of lstat.
int statOf(const QString &path, struct stat &status)
{
    return ::lstat(native(path).constData(), &status) == 0 ? 0 : errno;
}

bool isFree(const QString &path, int &error)
{
    struct stat status
    {
    };
    error = statOf(path, status);
    if (error == ENOENT) {
        error = 0;
        return true;
    }
    return false;
}

QString realPath(const QString &path, int &error)
{
    char *resolved = ::realpath(native(path).constData(), nullptr);
    if (resolved == nullptr) {
        error = errno;
        return {};
    }
    QString result = QFile::decodeName(resolved);
    std::free(resolved);
    error = 0;
    return result;
}

QString fileNameOf(const QString &path)
{
    return path.mid(path.lastIndexOf(QLatin1Char('/')) + 1);
}

QString parentOf(const QString &path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    return slash <= 0 ? QStringLiteral("/") : path.left(slash);
}

QString joined(const QString &folder, const QString &name)
{
    return folder.endsWith(QLatin1Char('/')) ? folder + name : folder + QLatin1Char('/') + name;
}

// The path with its folder resolved: a symbolic link as the file itself stays a link, which is
// what moves to the Trash. The mount table names mounts by such paths.
QString realFilePath(const QString &path, int &error)
{
    const QString absolute = QFileInfo(path).absoluteFilePath();
    const QString folder = realPath(parentOf(absolute), error);
    return folder.isEmpty() ? QString() : joined(folder, fileNameOf(absolute));
}

// The real path of the deepest existing folder on the way to path (which may not exist yet).
QString realExistingAncestor(const QString &path)
{
    QString folder = QDir::cleanPath(path);
    for (;;) {
        int error = 0;
        const QString real = realPath(folder, error);
        if (!real.isEmpty() || folder == QStringLiteral("/"))
            return real;
        folder = parentOf(folder);
    }
}

// \ooo as in the kernel's mount table: blanks, tabs, new lines and backslashes.
QByteArray decodeOctalEscapes(const QByteArray &field)
{
    QByteArray decoded;
    decoded.reserve(field.size());
    for (qsizetype i = 0; i < field.size(); ++i) {
        const auto isOctal = [&](qsizetype at) { return at < field.size() && field[at] >= '0' && field[at] <= '7'; };
        if (field[i] == '\\' && isOctal(i + 1) && isOctal(i + 2) && isOctal(i + 3)) {
            decoded += char(((field[i + 1] - '0') << 6) | ((field[i + 2] - '0') << 3) | (field[i + 3] - '0'));
            i += 3;
        } else {
            decoded += field[i];
        }
    }
    return decoded;
}

bool isBelow(const QString &path, const QString &mountPoint)
{
    if (mountPoint == QStringLiteral("/"))
        return path.startsWith(QLatin1Char('/'));
    return path == mountPoint || (path.startsWith(mountPoint) && path.at(mountPoint.size()) == QLatin1Char('/'));
}

QString homeTrashPath()
{
    QString dataHome = qEnvironmentVariable("XDG_DATA_HOME");
    // A relative XDG_DATA_HOME is invalid and counts as unset.
    if (dataHome.isEmpty() || !QDir::isAbsolutePath(dataHome)) {
        QString home = qEnvironmentVariable("HOME");
        if (home.isEmpty()) {
            struct passwd entry
            {
            };
            struct passwd *found = nullptr;
            char buffer[4096];
            if (::getpwuid_r(::getuid(), &entry, buffer, sizeof buffer, &found) == 0 && found != nullptr)
                home = QFile::decodeName(found->pw_dir);
        }
        if (home.isEmpty())
            return {};
        dataHome = home + QStringLiteral("/.local/share");
    }
    return QDir::cleanPath(dataHome) + QStringLiteral("/Trash");
}

// Creates the missing folders of path, each private to the user; 0 or the errno of the step that
// failed.
int makeFolders(const QString &path)
{
    struct stat status
    {
    };
    if (::stat(native(path).constData(), &status) != 0) {
        QString folder;
        for (const QString &part : QDir::cleanPath(path).split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
            folder += QLatin1Char('/') + part;
            if (::mkdir(native(folder).constData(), kTrashFolderMode) != 0 && errno != EEXIST)
                return errno;
        }
        if (::stat(native(path).constData(), &status) != 0)
            return errno;
    }
    return S_ISDIR(status.st_mode) ? 0 : ENOTDIR;
}

// A Trash folder on a shared volume: created private when missing; used only when it is a real
// folder (no symbolic link, which another user could aim anywhere) of the user's own.
bool ownFolder(const QString &path, int &error)
{
    struct stat status
    {
    };
    error = statOf(path, status);
    if (error == ENOENT) {
        if (::mkdir(native(path).constData(), kTrashFolderMode) != 0 && errno != EEXIST) {
            error = errno;
            return false;
        }
        error = statOf(path, status);
    }
    if (error != 0)
        return false;
    return S_ISDIR(status.st_mode) && status.st_uid == ::getuid();
}

// files/ and info/ inside a Trash folder, made where missing and checked to be writable, so that a
// read-only volume fails here, before any slot is handed out.
int makeContents(const QString &trashFolder)
{
    for (const char *name : {"files", "info"}) {
        const QByteArray folder = native(joined(trashFolder, QLatin1String(name)));
        struct stat status
        {
        };
        if (::stat(folder.constData(), &status) != 0) {
            if (errno != ENOENT || (::mkdir(folder.constData(), kTrashFolderMode) != 0 && errno != EEXIST))
                return errno;
            if (::stat(folder.constData(), &status) != 0)
                return errno;
        }
        if (!S_ISDIR(status.st_mode))
            return ENOTDIR;
        if (::faccessat(AT_FDCWD, folder.constData(), W_OK | X_OK, AT_EACCESS) != 0)
            return errno;
    }
    return 0;
}

// The directory a relative Path of this Trash folder starts from: the folder it is in, except
// $topdir/.Trash/$uid, whose paths start from $topdir.
QString relativeBase(const QString &trashFolder)
{
    const QString parent = parentOf(trashFolder);
    return fileNameOf(parent) == QStringLiteral(".Trash") ? parentOf(parent) : parent;
}

QString numberedName(const QString &name, int number)
{
    // The number goes before the extension, so that the Trash still shows the kind of file.
    qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (dot <= 0 || name.size() - dot > kLongestKeptExtension)
        dot = name.size();
    QString stem = name.left(dot);
    const QString suffix = (number > 1 ? QLatin1Char('.') + QString::number(number) : QString()) + name.mid(dot);
    // The information file's name must fit in one directory entry too.
    const qsizetype budget = NAME_MAX - kInfoSuffixBytes - native(suffix).size();
    while (!stem.isEmpty() && native(stem).size() > budget) {
        stem.chop(1);
        if (!stem.isEmpty() && stem.back().isHighSurrogate())
            stem.chop(1);
    }
    return stem + suffix;
}

// A Trash folder on a volume rather than the home Trash; its entries record paths from its top.
bool isVolumeTrash(const QString &trashFolder)
{
    return fileNameOf(trashFolder).startsWith(QStringLiteral(".Trash-"))
        || fileNameOf(parentOf(trashFolder)) == QStringLiteral(".Trash");
}

// 0, or the errno of the write that failed.
int writeAll(int fd, const QByteArray &bytes)
{
    qsizetype done = 0;
    while (done < bytes.size()) {
        const ssize_t written = ::write(fd, bytes.constData() + done, size_t(bytes.size() - done));
        if (written < 0 && errno == EINTR)
            continue;
        if (written < 0)
            return errno;
        if (written == 0)
            return EIO;
        done += written;
    }
    return 0;
}

// Writes the information file exclusively and completely, and syncs it unless the caller syncs
// many at once; on failure nothing of it remains. 0 or the errno of the failed step.
int writeInfoFile(const QString &infoPath, const QByteArray &content, bool sync)
{
    const QByteArray name = native(infoPath);
    const int fd = ::open(name.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0)
        return errno;
    int error = writeAll(fd, content);
    if (error == 0 && sync && ::fdatasync(fd) != 0)
        error = errno;
    // A close that fails can mean the bytes never reached the disk (NFS).
    if (::close(fd) != 0 && error == 0)
        error = errno;
    if (error != 0)
        ::unlink(name.constData());
    return error;
}

// 0 or an errno; never over an existing entry.
int renameWithoutReplacing(const QString &source, const QString &target)
{
    const QByteArray from = native(source);
    const QByteArray to = native(target);
    if (::renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS)
        return errno;
    // A file system without the flag (network ones): a hard link refuses an existing name too.
    if (::link(from.constData(), to.constData()) == 0) {
        if (::unlink(from.constData()) == 0)
            return 0;
        const int error = errno;
        ::unlink(to.constData());
        return error;
    }
    if (errno != EPERM && errno != ENOTSUP && errno != EMLINK && errno != ENOSYS)
        return errno;
    // Neither: the name was free when checked, and the folder is the user's alone.
    int error = 0;
    if (!isFree(target, error))
        return error != 0 ? error : EEXIST;
    return ::rename(from.constData(), to.constData()) == 0 ? 0 : errno;
}

bool namesOriginal(const TrashSlot &slot, const QString &originalPath)
{
    const std::optional<QString> recorded = recordedPath(slot);
    if (!recorded)
        return false;
    if (*recorded == QDir::cleanPath(QFileInfo(originalPath).absoluteFilePath()))
        return true;
    int error = 0;
    return *recorded == realFilePath(originalPath, error);
}

} // namespace

TrashSlot TrashSlot::fromInfoPath(const QString &infoPath)
{
    const QString infoName = fileNameOf(infoPath);
    const QString infoFolder = parentOf(infoPath);
    if (!infoName.endsWith(QLatin1String(kInfoSuffix)) || infoName.size() == kInfoSuffixBytes
        || fileNameOf(infoFolder) != QStringLiteral("info"))
        return {};
    const QString name = infoName.chopped(kInfoSuffixBytes);
    return {infoPath, parentOf(infoFolder) + QStringLiteral("/files/") + name};
}

std::vector<MountEntry> parseMountInfo(const QByteArray &text)
{
    std::vector<MountEntry> mounts;
    for (const QByteArray &line : text.split('\n')) {
        // ID, parent ID, major:minor, root, mount point, options, ...
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() < 5)
            continue;
        bool idOk = false;
        bool parentOk = false;
        MountEntry entry;
        entry.id = fields[0].toInt(&idOk);
        entry.parentId = fields[1].toInt(&parentOk);
        entry.mountPoint = QFile::decodeName(decodeOctalEscapes(fields[4]));
        if (idOk && parentOk && entry.mountPoint.startsWith(QLatin1Char('/')))
            mounts.push_back(entry);
    }
    return mounts;
}

std::optional<MountEntry> mountOf(const std::vector<MountEntry> &mounts, const QString &realPath)
{
    if (!realPath.startsWith(QLatin1Char('/')))
        return std::nullopt;
    const auto listed = [&](int id) {
        return std::any_of(mounts.begin(), mounts.end(), [id](const MountEntry &m) { return m.id == id; });
    };
    // The root: a mount of "/" whose parent lies outside the table (outside a chroot or a
    // container's root).
    const MountEntry *current = nullptr;
    for (const MountEntry &mount : mounts) {
        if (mount.mountPoint == QStringLiteral("/") && (mount.parentId == mount.id || !listed(mount.parentId))) {
            current = &mount;
            break;
        }
    }
    if (current == nullptr) {
        // A table without its root: the deepest mount over the path, the later one of equals.
        for (const MountEntry &mount : mounts) {
            if (isBelow(realPath, mount.mountPoint)
                && (current == nullptr || mount.mountPoint.size() >= current->mountPoint.size()))
                current = &mount;
        }
        return current == nullptr ? std::nullopt : std::optional<MountEntry>(*current);
    }

    QStringList prefixes {QStringLiteral("/")};
    QString prefix;
    for (const QString &part : realPath.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        prefix += QLatin1Char('/') + part;
        prefixes << prefix;
    }
    for (const QString &folder : prefixes) {
        // Mounts stacked at one place are each the child of the one below; every step goes one
        // mount up, so the table's size bounds the walk.
        for (std::size_t steps = 0; steps < mounts.size(); ++steps) {
            const auto child = std::find_if(mounts.begin(), mounts.end(), [&](const MountEntry &m) {
                return m.parentId == current->id && m.id != current->id && m.mountPoint == folder;
            });
            if (child == mounts.end())
                break;
            current = &*child;
        }
    }
    return *current;
}

QByteArray encodeTrashPath(const QString &path)
{
    // The unreserved characters of URLs are letters, digits and -_.!~*'(); "/" separates the
    // folders. Everything else is escaped.
    return native(path).toPercentEncoding("/!*'()");
}

std::optional<QString> recordedPath(const TrashSlot &slot)
{
    QFile info(slot.infoPath);
    if (slot.isNull() || !info.open(QIODevice::ReadOnly))
        return std::nullopt;
    bool inGroup = false;
    for (QByteArray line : info.read(kLargestInfoFile).split('\n')) {
        line = line.trimmed();
        if (line.startsWith('[')) {
            inGroup = line == "[Trash Info]";
            continue;
        }
        const qsizetype equals = line.indexOf('=');
        if (!inGroup || equals < 0 || line.left(equals).trimmed() != "Path")
            continue;
        const QString path = QFile::decodeName(QByteArray::fromPercentEncoding(line.mid(equals + 1).trimmed()));
        if (path.isEmpty())
            return std::nullopt;
        if (QDir::isAbsolutePath(path))
            return QDir::cleanPath(path);
        // A relative path must stay below its base.
        if (path.split(QLatin1Char('/')).contains(QStringLiteral("..")))
            return std::nullopt;
        return QDir::cleanPath(relativeBase(parentOf(parentOf(slot.infoPath))) + QLatin1Char('/') + path);
    }
    return std::nullopt;
}

QString Trash::folderFor(const QString &path, QString &message)
{
    int error = 0;
    const QString real = realFilePath(path, error);
    if (real.isEmpty()) {
        message = failure(path, systemMessage(error));
        return {};
    }
    QFile table {QLatin1String(kMountTable)};
    if (!table.open(QIODevice::ReadOnly)) {
        message = failure(path, qtr("the table of mounted volumes cannot be read"));
        return {};
    }
    const std::vector<MountEntry> mounts = parseMountInfo(table.readAll());
    const std::optional<MountEntry> mount = mountOf(mounts, parentOf(real));
    if (!mount) {
        message = failure(path, qtr("its volume is not in the table of mounted volumes"));
        return {};
    }

    const QString home = homeTrashPath();
    if (home.isEmpty()) {
        message = failure(path, qtr("the home folder is not known"));
        return {};
    }
    // One mount, not one device: a rename between two bind mounts of one file system fails.
    const std::optional<MountEntry> homeMount = mountOf(mounts, realExistingAncestor(home));
    if (!homeMount || homeMount->id != mount->id)
        return volumeFolder(path, mount->mountPoint, message);

    error = makeFolders(home);
    if (error == 0)
        error = makeContents(home);
    if (error != 0) {
        message = qtrFormat(N_("%s could not be moved to the Trash: the Trash folder %s cannot be used (%s)"),
            {path, home, systemMessage(error)});
        return {};
    }
    return home;
}

QString Trash::volumeFolder(const QString &path, const QString &top, QString &message)
{
    const QString uid = QString::number(::getuid());
    const QString shared = joined(top, QStringLiteral(".Trash"));
    struct stat status
    {
    };
    if (statOf(shared, status) == 0) {
        // An administrator's shared Trash is trusted only as a sticky real folder: elsewhere other
        // users could remove or replace the user's own folder in it.
        if (S_ISDIR(status.st_mode) && (status.st_mode & S_ISVTX) != 0) {
            const QString folder = joined(shared, uid);
            int error = 0;
            if (ownFolder(folder, error) && makeContents(folder) == 0)
                return folder;
        } else if (!m_reported.contains(top)) {
            m_reported.insert(top);
            const QString report = qtrFormat(
                N_("%s is not used as a Trash: it must be a folder with the sticky bit set, not a symbolic link"),
                {shared});
            ::syslog(LOG_WARNING, "%s", report.toLocal8Bit().constData());
        }
    }

    const QString folder = joined(top, QStringLiteral(".Trash-") + uid);
    int error = 0;
    if (!ownFolder(folder, error)) {
        const QString reason = error != 0 ? systemMessage(error) : qtr("it is not a folder of your own");
        message = qtrFormat(N_("%s could not be moved to the Trash: no Trash folder can be used on the volume %s (%s)"),
            {path, top, reason});
        return {};
    }
    error = makeContents(folder);
    if (error != 0) {
        message = qtrFormat(N_("%s could not be moved to the Trash: no Trash folder can be used on the volume %s (%s)"),
            {path, top, systemMessage(error)});
        return {};
    }
    return folder;
}

TrashSlotResult Trash::slotFor(const QString &path)
{
    const QString name = fileNameOf(QFileInfo(path).absoluteFilePath());
    struct stat status
    {
    };
    int error = statOf(path, status);
    if (error != 0 || name.isEmpty())
        return {{}, failure(path, systemMessage(error != 0 ? error : EINVAL))};
    QString message;
    const QString folder = folderFor(path, message);
    if (folder.isEmpty())
        return {{}, message};

    const QString key = folder + QLatin1Char('/') + name;
    const int first = m_nextNumber.value(key, 1);
    for (int number = first; number < first + kNameAttempts; ++number) {
        const QString candidate = numberedName(name, number);
        TrashSlot slot {folder + QStringLiteral("/info/") + candidate + QLatin1String(kInfoSuffix),
            folder + QStringLiteral("/files/") + candidate};
        if (m_handedOut.contains(slot.filesPath))
            continue;
        if (!isFree(slot.filesPath, error) || !isFree(slot.infoPath, error)) {
            if (error != 0)
                return {{}, failure(path, systemMessage(error))};
            continue;
        }
        m_handedOut.insert(slot.filesPath);
        m_nextNumber.insert(key, number + 1);
        return {slot, {}};
    }
    return {{}, failure(path, qtr("the Trash has no free name for it"))};
}

std::optional<QByteArray> Trash::infoFor(const QString &path, const TrashSlot &slot, QString &message) const
{
    struct stat status
    {
    };
    int error = statOf(path, status);
    if (error != 0) {
        message = failure(path, systemMessage(error));
        return std::nullopt;
    }
    // A trashed folder would need its size in the Trash's cache of folder sizes; only files go.
    if (S_ISDIR(status.st_mode)) {
        message = failure(path, qtr("it is a folder"));
        return std::nullopt;
    }
    if (slot.isNull()) {
        message = failure(path, qtr("no place in the Trash was chosen for it"));
        return std::nullopt;
    }
    const QString real = realFilePath(path, error);
    if (real.isEmpty()) {
        message = failure(path, systemMessage(error));
        return std::nullopt;
    }
    // The home Trash records absolute paths; a volume's records them from its top, so that the
    // entry stays right wherever the volume is mounted next (a path outside the top can only be
    // absolute).
    const QString trashFolder = parentOf(parentOf(slot.infoPath));
    const QString top = relativeBase(trashFolder);
    QString recorded = real;
    if (isVolumeTrash(trashFolder) && isBelow(real, top) && real != top)
        recorded = top == QStringLiteral("/") ? real.mid(1) : real.mid(top.size() + 1);
    // Local time without a zone, as the desktop's Trash reads it.
    const QByteArray date = QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd'T'HH:mm:ss")).toLatin1();
    return "[Trash Info]\nPath=" + encodeTrashPath(recorded) + "\nDeletionDate=" + date + '\n';
}

bool Trash::moveIn(const QString &path, const TrashSlot &slot, QString &message)
{
    const int error = renameWithoutReplacing(path, slot.filesPath);
    if (error != 0) {
        ::unlink(native(slot.infoPath).constData());
        message = failure(path, systemMessage(error));
        return false;
    }
    return true;
}

bool Trash::put(const QString &path, const TrashSlot &slot, QString &message)
{
    const std::optional<QByteArray> content = infoFor(path, slot, message);
    if (!content)
        return false;
    const int error = writeInfoFile(slot.infoPath, *content, true);
    if (error != 0) {
        message = qtrFormat(N_("%s could not be moved to the Trash: its information file %s cannot be written (%s)"),
            {path, slot.infoPath, systemMessage(error)});
        return false;
    }
    return moveIn(path, slot, message);
}

std::vector<QString> Trash::putAll(const std::vector<std::pair<QString, TrashSlot>> &files)
{
    std::vector<QString> messages(files.size());
    std::vector<bool> written(files.size(), false);
    QSet<QString> folders;
    for (size_t i = 0; i < files.size(); ++i) {
        const auto &[path, slot] = files[i];
        const std::optional<QByteArray> content = infoFor(path, slot, messages[i]);
        if (!content)
            continue;
        const int error = writeInfoFile(slot.infoPath, *content, false);
        if (error != 0) {
            messages[i]
                = qtrFormat(N_("%s could not be moved to the Trash: its information file %s cannot be written (%s)"),
                    {path, slot.infoPath, systemMessage(error)});
            continue;
        }
        written[i] = true;
        folders.insert(parentOf(slot.infoPath));
    }
    // Every information file is on the disk before any file moves: one sync of each volume costs
    // what syncing a single file does.
    QSet<QString> unsynced;
    for (const QString &folder : std::as_const(folders)) {
        const int fd = ::open(native(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        const bool synced = fd >= 0 && ::syncfs(fd) == 0;
        if (fd >= 0)
            ::close(fd);
        if (!synced)
            unsynced.insert(folder);
    }
    for (size_t i = 0; i < files.size(); ++i) {
        if (!written[i])
            continue;
        const auto &[path, slot] = files[i];
        if (unsynced.contains(parentOf(slot.infoPath))) {
            const int fd = ::open(native(slot.infoPath).constData(), O_WRONLY | O_CLOEXEC);
            const int error = fd < 0 ? errno : (::fdatasync(fd) != 0 ? errno : 0);
            if (fd >= 0)
                ::close(fd);
            if (error != 0) {
                ::unlink(native(slot.infoPath).constData());
                messages[i] = qtrFormat(
                    N_("%s could not be moved to the Trash: its information file %s cannot be written (%s)"),
                    {path, slot.infoPath, systemMessage(error)});
                continue;
            }
        }
        moveIn(path, slot, messages[i]);
    }
    return messages;
}

bool Trash::holds(const TrashSlot &slot, const QString &originalPath) const
{
    struct stat status
    {
    };
    return !slot.isNull() && statOf(slot.filesPath, status) == 0 && namesOriginal(slot, originalPath);
}

void Trash::discard(const TrashSlot &slot, const QString &originalPath)
{
    struct stat status
    {
    };
    if (slot.isNull() || statOf(slot.filesPath, status) != ENOENT || !namesOriginal(slot, originalPath))
        return;
    ::unlink(native(slot.infoPath).constData());
}

} // namespace vexaris::review
