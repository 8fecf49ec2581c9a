#include "store/connection.h"

#include <QCoreApplication>
#include <QDir>

namespace vexaris::store {

Database &DatabaseConnection()
{
    static Database connection;
    return connection;
}

QString defaultDatabasePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Vexaris.db"));
}

bool ConnectDatabase(std::string *error)
{
    return ConnectDatabase(defaultDatabasePath(), error);
}

bool ConnectDatabase(const QString &file, std::string *error)
{
    try {
        DatabaseConnection().Open(file);
        return true;
    } catch (const std::exception &e) {
        if (error)
            *error = e.what();
        return false;
    }
}

void DisconnectDatabase()
{
    DatabaseConnection().Close();
}

} // namespace vexaris::store
