// Where the program's database file lies.
#pragma once

#include <QString>

namespace vexaris::store {

// The delivered database file: "Vexaris.db" in the program's folder.
QString defaultDatabasePath();

} // namespace vexaris::store
