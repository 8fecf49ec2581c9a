#include "store/connection.h"

#include <QCoreApplication>
#include <QDir>

#include "store/session.h"

namespace vexaris::store {

QString defaultDatabasePath()
{
    return QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("Vexaris.db"));
}

void Session::ConnectDatabase(const QString &file)
{
    CurrentCollection = TCollectionRec();
    DatabaseConnection.Open(file);
}

void Session::DisconnectDatabase()
{
    DatabaseConnection.Close();
}

} // namespace vexaris::store
