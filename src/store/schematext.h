// The text of schema.sql, built into the program: what a file must hold to be of the current
// format. The upgrade compares a file with it and adds what the file lacks.
#pragma once

namespace vexaris::store {

const char *schemaText();

} // namespace vexaris::store
