// The live state of the Shift key, read where a command looks at the keyboard at the moment it is
// given rather than at a key event. Tests set the state instead of holding a key.
#pragma once

#include <optional>

namespace vexaris::ui {

bool liveShiftDown();

// Test hook: a fixed answer for liveShiftDown(); std::nullopt asks the keyboard again.
void setShiftDownForTests(std::optional<bool> down);

} // namespace vexaris::ui
