#include "runs/scanwindow.h"

#include <algorithm>

#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "i18n/qtranslate.h"
#include "runs/scannotice.h"
#include "ui/componenttranslation.h"
#include "ui/dialogs.h"

namespace vexaris::ui {

TfrmScan::TfrmScan(QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint
            | Qt::WindowStaysOnTopHint | Qt::MSWindowsFixedSizeDialogHint)
{
    setObjectName(QStringLiteral("frmScan"));

    lblScanProgress = new QLabel(this);
    lblScanProgress->setObjectName(QStringLiteral("lblScanProgress"));
    GaugeLeft = new QProgressBar(this);
    GaugeLeft->setObjectName(QStringLiteral("GaugeLeft"));
    GaugeLeft->setTextVisible(false);
    GaugeLeft->setMinimumWidth(320);
    lblLeftRecNo = new QLabel(this);
    lblLeftRecNo->setObjectName(QStringLiteral("lblLeftRecNo"));
    lblLeftRecNo->setMinimumWidth(90);
    btnCancel = new QPushButton(this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmScan::btnCancelClick);

    auto *layout = new QGridLayout(this);
    layout->addWidget(lblScanProgress, 0, 0, 1, 2);
    layout->addWidget(GaugeLeft, 1, 0);
    layout->addWidget(lblLeftRecNo, 1, 1);
    layout->addWidget(btnCancel, 2, 0, 1, 2, Qt::AlignHCenter);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // Written in English; TranslateComponent translates the window and keeps the English for a
    // later change of language. The count is a number, not a text of the window.
    setWindowTitle(QStringLiteral(N_("Scanning for duplicates")));
    lblScanProgress->setText(QStringLiteral(N_("Scan progress:")));
    btnCancel->setText(QStringLiteral(N_("Stop")));
    showProgress(0, 0);
    i18n::keepUntranslated(lblLeftRecNo);
    i18n::TranslateComponent(this);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        adjustSize();
        move(screen->availableGeometry().center() - rect().center());
    }
}

TfrmScan::~TfrmScan() = default;

void TfrmScan::btnCancelClick()
{
    m_stopRequested = true;
}

runs::ScanSummary TfrmScan::RunScan(store::Session &session, log::ProcessingLog &log, runs::ScanParameters parameters)
{
    runs::DuplicateScan scan(session, log, *this);
    switch (scan.plan(parameters)) {
    case runs::ScanPlan::Unchanged:
        notify(this, applicationTitle(),
            qtr("The database for this collection has not changed since the last scan. If pictures have been are "
                "added or deleted, update the DB, then retry the scan."));
        return {};
    case runs::ScanPlan::NeedsConfirmation:
        if (!askYesNo(this, qtr("Confirmation"),
                qtr("The scan settings are different from the previous scan. Do you want to use these new settings? "
                    "(The current duplicate data will be lost.)"),
                QMessageBox::Question))
            return {runs::ScanOutcome::Declined};
        parameters.newSettingsConfirmed = true;
        break;
    case runs::ScanPlan::Ready:
        break;
    }

    m_running = true;
    // A Stop left over from before (the flag rests set between runs) is not meant for this run.
    m_stopRequested = false;
    struct Finish
    {
        TfrmScan *window;
        ~Finish()
        {
            window->m_running = false;
            window->m_stopRequested = true;
        }
    } finish {this};
    const runs::ScanSummary summary = scan.run(parameters);
    if (summary.outcome == runs::ScanOutcome::Completed && summary.pairsWritten == 0)
        notify(this, qtr("No Duplicates"), QString::fromStdString(runs::noDuplicatesNotice(parameters.method)));
    return summary;
}

void TfrmScan::showEvent(QShowEvent *event)
{
    showProgress(0, 0);
    QDialog::showEvent(event);
}

// Closing the window during a run is taken as the Stop button; the window hides itself when the
// run has ended.
void TfrmScan::closeEvent(QCloseEvent *event)
{
    if (m_running) {
        m_stopRequested = true;
        event->ignore();
        return;
    }
    QDialog::closeEvent(event);
}

void TfrmScan::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && m_running) {
        m_stopRequested = true;
        event->accept();
        return;
    }
    QDialog::keyPressEvent(event);
}

void TfrmScan::handlePendingMessages()
{
    QCoreApplication::processEvents();
}

void TfrmScan::progress(const runs::RunProgress &progress)
{
    showProgress(progress.done, progress.total);
}

// A resumed run counts on from the saved count, which can pass the number of pictures when
// pictures were removed since; the gauge and the label stop at the maximum rather than show
// more done than there is.
void TfrmScan::showProgress(int progress, int maximum)
{
    const int shown = std::clamp(progress, 0, std::max(maximum, 0));
    // A range of 0..0 would turn the gauge into a busy indicator.
    GaugeLeft->setMaximum(std::max(maximum, 1));
    GaugeLeft->setValue(shown);
    lblLeftRecNo->setText(QStringLiteral("%1/%2").arg(shown).arg(maximum));
}

} // namespace vexaris::ui
