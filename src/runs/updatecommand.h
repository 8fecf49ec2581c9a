// The main window's Update command: runs the thumbnail update of the current collection with
// the main window disabled and the run window shown, and restores both also when the run ends by
// an error (which then propagates to the caller's error report).
#pragma once

class QWidget;

namespace vexaris::ui {

void executeThumbnailUpdate(QWidget *mainWindow);

} // namespace vexaris::ui
