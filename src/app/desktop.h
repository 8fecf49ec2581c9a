// The desktop program's windows, made in their fixed order and wired to each other and to the
// session and the processing log they share: each window is handed what it uses, none looks for
// another. main() makes one for the program's life; the tests of the whole program make their own.
#pragma once

#include <QString>

#include "app/aboutwindow.h"
#include "app/mainwindow.h"
#include "log/logwindow.h"
#include "review/duplicateswindow.h"
#include "review/journalwindow.h"
#include "review/pairswindow.h"
#include "runs/getthumbswindow.h"
#include "runs/scanwindow.h"
#include "settings/optionswindow.h"
#include "ui/translatedwindows.h"

namespace vexaris::ui {

class Desktop
{
public:
    // Opens the database file through the main window, which comes first: it selects the stored
    // interface language before any other window translates itself. Raises an error when the
    // file cannot be opened.
    Desktop(store::Session &session, log::ProcessingLog &processingLog, const QString &databaseFile);

    TfrmMain frmMain;
    // The run windows and the log are shown while the main window is disabled, so they must not
    // be its children: a disabled window disables its children with it.
    TfrmGetThumbs frmGetThumbs;
    log::TfrmLog frmLog;
    TfrmScan frmScan;
    settings::TfrmOptions frmOptions;
    TfrmAbout frmAbout;
    TfrmDuplicates frmDuplicates;
    TfrmJournal frmJournal;
    TfrmPairs frmPairs;
    i18n::TranslatedWindows translatedWindows;
};

} // namespace vexaris::ui
