// The live state of the Shift key, read where a command looks at the keyboard at the moment it is
// given rather than at a key event. Tests set the state instead of holding a key.
#pragma once

#include <functional>
#include <optional>

namespace vexaris::ui {

bool liveShiftDown();

// Test hooks: a fixed answer for liveShiftDown(), or a function asked each time; std::nullopt
// or an empty function asks the keyboard again.
void setShiftDownForTests(std::optional<bool> down);
void setShiftQueryForTests(std::function<bool()> query);

} // namespace vexaris::ui
