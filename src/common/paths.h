// Paths cross from Qt into the plain C++ modules through this one helper, so that file names
// that are not valid UTF-8 survive the trip (QFile::encodeName keeps the local 8-bit bytes).
#pragma once

#include <filesystem>
#include <string>

#include <QFile>
#include <QString>

namespace vexaris {

inline std::filesystem::path toFsPath(const QString &path)
{
    const QByteArray bytes = QFile::encodeName(path);
    return std::filesystem::path(std::string(bytes.constData(), static_cast<size_t>(bytes.size())));
}

inline QString fromFsPath(const std::filesystem::path &path)
{
    const std::string &bytes = path.native();
    return QFile::decodeName(QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size())));
}

} // namespace vexaris
