#include "app/desktop.h"

#include <QTimer>

#include "app/viewcommand.h"
#include "ui/errorreport.h"

namespace vexaris::ui {

Desktop::Desktop(store::Session &session, log::ProcessingLog &processingLog, const QString &databaseFile)
    : frmMain(session, processingLog, databaseFile)
    , frmLog(processingLog)
    , frmOptions(&frmMain)
    , frmAbout(&frmMain)
    , frmDuplicates(session, &frmMain)
    , frmJournal(session, &frmMain)
    , frmPairs(session, &frmMain)
{
    frmMain.setWindows(
        {&frmGetThumbs, &frmLog, &frmScan, &frmOptions, &frmAbout, &frmDuplicates, &frmJournal, &frmPairs});
    frmDuplicates.setStretchPreference([this] { return frmOptions.stretchDuplicates(); });
    frmDuplicates.setRememberPreference([this] { return frmOptions.rememberNotAMatch(); });
    frmPairs.setRememberPreference([this] { return frmOptions.rememberNotAMatch(); });

    // A pair of the overview opens in the review window above it; what the review changed, the
    // overview reads when it comes back.
    QObject::connect(&frmPairs, &TfrmPairs::pairOpened, &frmPairs, [this](qint64 pairId) {
        guarded(&frmPairs, [&] {
            executeViewPair(frmDuplicates, pairId);
            frmPairs.readPairs();
        });
    });
    // The review's way to the overview: back to the overview it was opened from, or, opened from
    // the main window, the review closes and the overview takes its place at the same pair.
    QObject::connect(&frmDuplicates, &TfrmDuplicates::overviewRequested, &frmPairs, [this](qint64 pairId) {
        frmPairs.setStartPair(pairId);
        const bool fromOverview = frmPairs.isVisible();
        frmDuplicates.close();
        if (!fromOverview)
            QTimer::singleShot(0, &frmMain, [this] { frmMain.actPairsExecute(); });
    });

    using i18n::TranslatedWindow;
    translatedWindows.add(TranslatedWindow::Options, &frmOptions);
    translatedWindows.add(TranslatedWindow::Main, &frmMain);
    translatedWindows.add(TranslatedWindow::About, &frmAbout);
    translatedWindows.add(TranslatedWindow::GetThumbs, &frmGetThumbs);
    translatedWindows.add(TranslatedWindow::Log, &frmLog);
    translatedWindows.add(TranslatedWindow::Scan, &frmScan);
    translatedWindows.add(TranslatedWindow::Duplicates, &frmDuplicates);
    translatedWindows.add(TranslatedWindow::Journal, &frmJournal);
    translatedWindows.add(TranslatedWindow::Pairs, &frmPairs);
    frmOptions.setTranslatedWindows(translatedWindows);
}

} // namespace vexaris::ui
