// The main window's Scan command: runs the duplicate scan with the main window disabled and the
// scan window shown, and restores both also when the run ends by an error (which then
// propagates). A run that added lines to the processing log shows it at its end. The caller
// reloads the collection before and after in every case.
#pragma once

#include "runs/duplicatescan.h"

class QWidget;

namespace vexaris::log {
class ProcessingLog;
class TfrmLog;
} // namespace vexaris::log

namespace vexaris::store {
class Session;
}

namespace vexaris::ui {

class TfrmScan;

// Returns what the run did.
runs::ScanSummary executeScan(QWidget *mainWindow, store::Session &session, const runs::ScanParameters &parameters,
    TfrmScan &window, log::ProcessingLog &processingLog, log::TfrmLog &logWindow);

} // namespace vexaris::ui
