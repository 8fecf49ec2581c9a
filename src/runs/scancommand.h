// The main window's Scan command: runs the duplicate scan of the current collection over the
// checked folders (all when none is checked) with the main window disabled and the scan window
// shown, and restores both also when the run ends by an error (which then propagates). The
// caller reloads the collection afterwards in every case.
#pragma once

#include <QList>

class QWidget;

namespace vexaris::ui {

void executeScan(QWidget *mainWindow, const QList<int> &checkedFolderIds);

} // namespace vexaris::ui
