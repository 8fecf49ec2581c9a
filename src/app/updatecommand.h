// The main window's Update command: runs the thumbnail update of the current collection with
// the main window disabled and the run window shown, and restores both also when the run ends by
// an error (which then propagates to the caller's error report). A run that added lines to the
// processing log shows it at its end.
#pragma once

#include "runs/thumbnailrun.h"

class QWidget;

namespace vexaris::log {
class ProcessingLog;
class TfrmLog;
} // namespace vexaris::log

namespace vexaris::store {
class Session;
}

namespace vexaris::ui {

class TfrmGetThumbs;

// threads: the readers of the run (0 for one per core). Returns what the run did.
runs::ThumbnailRunSummary executeThumbnailUpdate(QWidget *mainWindow, store::Session &session,
    log::ProcessingLog &processingLog, TfrmGetThumbs &window, log::TfrmLog &logWindow, unsigned threads = 1);

} // namespace vexaris::ui
