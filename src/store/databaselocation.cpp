#include "store/databaselocation.h"

#include <cerrno>
#include <cstring>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStandardPaths>
#include <QTemporaryFile>

#include "common/error.h"
#include "i18n/translate.h"

namespace vexaris::store {

namespace {

const QString kFileName = QStringLiteral("Vexaris.db");
const QString kUserFolder = QStringLiteral("vexaris");

std::string text(const QString &value)
{
    return value.toStdString();
}

// Copies the delivered file under a temporary name in the target's folder, synced, and links it
// to the target's name; link() never replaces a file, so a copy made meanwhile by another start
// wins and this one goes.
void copyIntoPlace(const QString &delivered, const QString &target)
{
    const auto failed = [&](const std::string &reason) {
        return Error(
            formatText(_("Cannot make your database %s from %s: %s"), {text(target), text(delivered), reason}));
    };
    QFile source(delivered);
    if (!source.open(QIODevice::ReadOnly))
        throw failed(text(source.errorString()));
    QTemporaryFile copy(target + QStringLiteral(".XXXXXX"));
    if (!copy.open())
        throw failed(text(copy.errorString()));
    while (!source.atEnd()) {
        const QByteArray block = source.read(1 << 20);
        if (block.isEmpty() && source.error() != QFileDevice::NoError)
            throw failed(text(source.errorString()));
        if (copy.write(block) != block.size())
            throw failed(text(copy.errorString()));
    }
    if (!copy.flush() || ::fsync(copy.handle()) != 0)
        throw failed(std::strerror(errno));
    const QByteArray from = QFile::encodeName(copy.fileName());
    const QByteArray to = QFile::encodeName(target);
    if (::link(from.constData(), to.constData()) != 0 && errno != EEXIST)
        throw failed(std::strerror(errno));
}

} // namespace

bool canWriteDatabase(const QString &file)
{
    const QFileInfo info(file);
    const QString real = info.canonicalFilePath();
    if (real.isEmpty())
        return false;
    const QByteArray name = QFile::encodeName(real);
    struct stat status
    {
    };
    if (::stat(name.constData(), &status) != 0 || !S_ISREG(status.st_mode))
        return false;
    if ((status.st_mode & (S_IWUSR | S_IWGRP | S_IWOTH)) == 0)
        return false;
    if (::access(name.constData(), R_OK | W_OK) != 0)
        return false;
    const QByteArray folder = QFile::encodeName(QFileInfo(real).absolutePath());
    return ::access(folder.constData(), W_OK | X_OK) == 0;
}

DatabaseLocation locateDatabase(const QString &programFolder, const QString &userDataFolder)
{
    DatabaseLocation location;
    location.delivered = QDir(programFolder).filePath(kFileName);
    if (canWriteDatabase(location.delivered)) {
        location.file = location.delivered;
        location.place = DatabaseLocation::Place::ProgramFolder;
    } else {
        location.file = QDir(userDataFolder).filePath(kUserFolder + QLatin1Char('/') + kFileName);
        location.place = DatabaseLocation::Place::UserFolder;
    }
    return location;
}

DatabaseLocation locateDatabase()
{
    return locateDatabase(
        QCoreApplication::applicationDirPath(), QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation));
}

QString provideDatabase(const DatabaseLocation &location)
{
    if (location.place == DatabaseLocation::Place::ProgramFolder || QFileInfo::exists(location.file))
        return location.file;
    if (!QFileInfo(location.delivered).isFile())
        throw Error(formatText(_("There is no database: neither %s nor the empty database %s delivered with the "
                                 "program exists"),
            {text(location.file), text(location.delivered)}));
    const QString folder = QFileInfo(location.file).absolutePath();
    if (!QDir().mkpath(folder))
        throw Error(formatText(_("Cannot make the folder %s for your database"), {text(folder)}));
    copyIntoPlace(location.delivered, location.file);
    return location.file;
}

} // namespace vexaris::store
