#include "app/desktop.h"

namespace vexaris::ui {

Desktop::Desktop(store::Session &session, log::ProcessingLog &processingLog, const QString &databaseFile)
    : frmMain(session, processingLog, databaseFile)
    , frmLog(processingLog)
    , frmOptions(&frmMain)
    , frmAbout(&frmMain)
    , frmDuplicates(session, &frmMain)
    , frmJournal(session, &frmMain)
{
    frmMain.setWindows({&frmGetThumbs, &frmLog, &frmScan, &frmOptions, &frmAbout, &frmDuplicates, &frmJournal});
    frmDuplicates.setStretchPreference([this] { return frmOptions.stretchDuplicates(); });
    frmDuplicates.setRememberPreference([this] { return frmOptions.rememberNotAMatch(); });

    using i18n::TranslatedWindow;
    translatedWindows.add(TranslatedWindow::Options, &frmOptions);
    translatedWindows.add(TranslatedWindow::Main, &frmMain);
    translatedWindows.add(TranslatedWindow::About, &frmAbout);
    translatedWindows.add(TranslatedWindow::GetThumbs, &frmGetThumbs);
    translatedWindows.add(TranslatedWindow::Log, &frmLog);
    translatedWindows.add(TranslatedWindow::Scan, &frmScan);
    translatedWindows.add(TranslatedWindow::Duplicates, &frmDuplicates);
    translatedWindows.add(TranslatedWindow::Journal, &frmJournal);
    frmOptions.setTranslatedWindows(translatedWindows);
}

} // namespace vexaris::ui
