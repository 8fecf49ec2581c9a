// Where the program's database file lies.
#pragma once

#include <QString>

namespace vexaris::store {

// The database file both programs open when none is named: the one locateDatabase() chooses,
// made first when it is the user's own and still missing (provideDatabase()).
QString defaultDatabasePath();

} // namespace vexaris::store
