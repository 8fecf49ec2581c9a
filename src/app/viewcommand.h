// The main window's View duplicates command: counts the current collection's pairs, says so when
// there are none, and otherwise shows the review window modally.
#pragma once

class QWidget;

namespace vexaris::store {
class Session;
}

namespace vexaris::ui {

class TfrmDuplicates;

void executeViewDuplicates(QWidget *mainWindow, store::Session &session, TfrmDuplicates &window);

} // namespace vexaris::ui
