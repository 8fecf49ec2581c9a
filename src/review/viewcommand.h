// The main window's View duplicates command: counts the current collection's pairs, says so when
// there are none, and otherwise shows the review window modally.
#pragma once

class QWidget;

namespace vexaris::ui {

void executeViewDuplicates(QWidget *mainWindow);

} // namespace vexaris::ui
