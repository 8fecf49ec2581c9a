// The "No Duplicates" notice after a scan, as both front ends show it.
#pragma once

#include <string>

namespace vexaris::runs {

// The notice after a scan that recorded no pair. After the file properties method, which finds
// only copies whose sizes and dates agree, a second paragraph points to the picture methods.
std::string noDuplicatesNotice(int method);

} // namespace vexaris::runs
