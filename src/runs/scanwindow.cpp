#include "runs/scanwindow.h"

#include <algorithm>
#include <utility>

#include <QApplication>
#include <QCloseEvent>
#include <QCoreApplication>
#include <QGridLayout>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include "app/dialogs.h"
#include "i18n/componenttranslation.h"
#include "i18n/translate.h"
#include "i18n/translatedwindows.h"
#include "log/logwindow.h"
#include "settings/optionswindow.h"
#include "settings/settingsstore.h"
#include "store/data.h"

namespace vexaris::ui {

namespace {

TfrmScan *s_instance = nullptr;

// The preferences window holds the current method and threshold while the program runs; without
// one (a test, a start-up that has not made it yet) the stored preferences stand in.
std::pair<int, int> currentPreferences()
{
    for (QWidget *widget : QApplication::topLevelWidgets()) {
        if (const auto *options = qobject_cast<const settings::TfrmOptions *>(widget))
            return {options->method(), options->threshold()};
    }
    const settings::Preferences stored = settings::SettingsStore().load();
    return {stored.method, stored.threshold};
}

} // namespace

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
    i18n::registerTranslatedWindow(i18n::TranslatedWindow::Scan, this);
    if (const QScreen *screen = QGuiApplication::primaryScreen()) {
        adjustSize();
        move(screen->availableGeometry().center() - rect().center());
    }
    s_instance = this;
}

TfrmScan::~TfrmScan()
{
    if (s_instance == this)
        s_instance = nullptr;
}

TfrmScan *TfrmScan::instance()
{
    return s_instance;
}

void TfrmScan::btnCancelClick()
{
    m_stopRequested = true;
}

runs::ScanSummary TfrmScan::RunScan(const runs::ScanParameters &parameters)
{
    m_running = true;
    struct Finish
    {
        TfrmScan *window;
        ~Finish()
        {
            window->m_running = false;
            window->m_stopRequested = true;
        }
    } finish {this};
    runs::DuplicateScan scan(*this);
    return scan.run(parameters);
}

runs::ScanSummary TfrmScan::RunScan(const QList<int> &checkedFolderIds)
{
    runs::ScanParameters parameters;
    parameters.collectionName = store::CurrentCollection.Name;
    parameters.checkedFolderIds = checkedFolderIds;
    const auto [method, threshold] = currentPreferences();
    parameters.method = method;
    parameters.threshold = threshold;
    parameters.fullRun = QGuiApplication::queryKeyboardModifiers().testFlag(Qt::ShiftModifier);
    return RunScan(parameters);
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

void TfrmScan::comparisonsStarted(int progress, int maximum)
{
    m_stopRequested = false;
    showProgress(progress, maximum);
}

void TfrmScan::progressChanged(int progress, int maximum)
{
    showProgress(progress, maximum);
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

void TfrmScan::showMessage(const QString &message)
{
    notify(this, applicationTitle(), message);
}

void TfrmScan::showNotice(const QString &caption, const QString &message)
{
    notify(this, caption, message);
}

bool TfrmScan::askQuestion(const QString &caption, const QString &question)
{
    return askYesNo(this, caption, question, QMessageBox::Question);
}

void TfrmScan::showLog()
{
    log::TfrmLog::instance()->showLog();
}

} // namespace vexaris::ui
