// The program's one database connection.
//
// DatabaseConnection() is the connection every part of the program works through: the run
// engines, the review window and the main window all take it from here, one operation at a time
// on the user-interface thread. It always returns the same object; between ConnectDatabase and
// DisconnectDatabase it is open, otherwise every statement on it raises an error (so a start-up
// whose open failed fails at its first query instead of touching freed memory).
#pragma once

#include <string>

#include <QString>

#include "store/database.h"

namespace vexaris::store {

Database &DatabaseConnection();

// The delivered database file: "Vexaris.db" in the program's folder.
QString defaultDatabasePath();

// Opens the program folder's database. Returns false when the file is missing, unreadable or
// not ours; the file is never created. The reason goes to *error when given.
bool ConnectDatabase(std::string *error = nullptr);
// The same for a database file elsewhere (the command line's --db, the tests).
bool ConnectDatabase(const QString &file, std::string *error = nullptr);

void DisconnectDatabase();

} // namespace vexaris::store
