#include "store/connection.h"

#include "store/databaselocation.h"
#include "store/session.h"

namespace vexaris::store {

QString defaultDatabasePath()
{
    return provideDatabase(locateDatabase());
}

void Session::ConnectDatabase(const QString &file, OpenMode mode)
{
    CurrentCollection = TCollectionRec();
    DatabaseConnection.Open(file, mode);
}

void Session::DisconnectDatabase()
{
    DatabaseConnection.Close();
}

} // namespace vexaris::store
