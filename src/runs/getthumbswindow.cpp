#include "runs/getthumbswindow.h"

#include <QCoreApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>
#include <QVariant>

#include "i18n/translate.h"
#include "ui/componenttranslation.h"

namespace vexaris::ui {

namespace {

constexpr char kMaximumProperty[] = "gaugeMaximum";

QLabel *makeLabel(QWidget *parent, const char *name, int left, int top, int width)
{
    auto *label = new QLabel(parent);
    label->setObjectName(QLatin1String(name));
    // Plain text: an ampersand or a "<" in a path shows as itself.
    label->setTextFormat(Qt::PlainText);
    label->setGeometry(left, top, width, label->fontMetrics().height());
    return label;
}

QProgressBar *makeGauge(QWidget *parent, const char *name, int left, int top)
{
    auto *gauge = new QProgressBar(parent);
    gauge->setObjectName(QLatin1String(name));
    gauge->setGeometry(left, top, 385, 17);
    setGauge(gauge, 0, 0);
    return gauge;
}

QString progressText(int done, int count)
{
    return QString::number(done) + QLatin1Char('/') + QString::number(count);
}

} // namespace

void setGauge(QProgressBar *gauge, int maximum, int position)
{
    gauge->setProperty(kMaximumProperty, maximum);
    // QProgressBar turns an empty range into a busy indicator; a gauge at rest shows empty.
    gauge->setRange(0, maximum > 0 ? maximum : 1);
    gauge->setValue(position);
}

int gaugeMaximum(const QProgressBar *gauge)
{
    return gauge->property(kMaximumProperty).toInt();
}

TfrmGetThumbs::TfrmGetThumbs(QWidget *parent)
    : QDialog(parent,
        Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
            | Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint)
{
    setObjectName(QStringLiteral("frmGetThumbs"));
    setFixedSize(563, 119);

    lblProcessing = makeLabel(this, "lblProcessing", 8, 8, 92);
    lblCurrentFolder = makeLabel(this, "lblCurrentFolder", 104, 8, 563 - 104 - 8);
    Label1 = makeLabel(this, "Label1", 8, 32, 92);
    FoldersGauge = makeGauge(this, "FoldersGauge", 104, 32);
    lblFolderProgress = makeLabel(this, "lblFolderProgress", 496, 32, 563 - 496 - 4);
    Label2 = makeLabel(this, "Label2", 8, 56, 92);
    FilesGauge = makeGauge(this, "FilesGauge", 104, 56);
    lblFileProgress = makeLabel(this, "lblFileProgress", 496, 56, 563 - 496 - 4);
    lblFolderProgress->setText(QStringLiteral("0/0"));
    lblFileProgress->setText(QStringLiteral("0/0"));

    btnCancel = new QPushButton(this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setGeometry(244, 88, 75, 25);
    connect(btnCancel, &QPushButton::clicked, this, &TfrmGetThumbs::btnCancelClick);

    setWindowTitle(i18n::english(N_("Collecting and updating thumbnails")));
    lblProcessing->setText(i18n::english(N_("Processing:")));
    Label1->setText(i18n::english(N_("Folders:")));
    Label2->setText(i18n::english(N_("Current folder:")));
    btnCancel->setText(i18n::english(N_("Stop")));
    // Paths and counts, not texts of the window.
    i18n::keepUntranslated(lblCurrentFolder);
    i18n::keepUntranslated(lblFolderProgress);
    i18n::keepUntranslated(lblFileProgress);
    i18n::TranslateComponent(this);
}

TfrmGetThumbs::~TfrmGetThumbs() = default;

void TfrmGetThumbs::btnCancelClick()
{
    StopRequested = true;
}

void TfrmGetThumbs::handlePendingMessages()
{
    QCoreApplication::processEvents();
}

void TfrmGetThumbs::progress(const runs::RunProgress &progress)
{
    using Stage = runs::RunProgress::Stage;
    switch (progress.stage) {
    case Stage::FolderProgress:
        folderProgress(progress.done, progress.total);
        break;
    case Stage::FolderStarted:
        folderStarted(progress.path);
        break;
    case Stage::FilesCounted:
        filesCounted(progress.total);
        break;
    case Stage::FileStarted:
        fileStarted(progress.path);
        break;
    case Stage::FileDone:
        fileDone(progress.done, progress.total);
        break;
    case Stage::ComparisonsStarted:
    case Stage::LeftPictureDone:
        break;
    }
}

void TfrmGetThumbs::folderProgress(int position, int maximum)
{
    setGauge(FoldersGauge, maximum, position);
    lblFolderProgress->setText(progressText(position, maximum));
}

void TfrmGetThumbs::folderStarted(const QString &folderPath)
{
    lblCurrentFolder->setText(folderPath);
    FilesGauge->setValue(0);
    lblFileProgress->setText(QStringLiteral("..."));
}

void TfrmGetThumbs::filesCounted(int fileCount)
{
    setGauge(FilesGauge, fileCount > 1 ? fileCount - 1 : 0, 0);
    lblFileProgress->setText(progressText(0, fileCount));
}

void TfrmGetThumbs::fileStarted(const QString &filePath)
{
    lblCurrentFolder->setText(filePath);
}

void TfrmGetThumbs::fileDone(int index, int fileCount)
{
    FilesGauge->setValue(index);
    lblFileProgress->setText(progressText(index + 1, fileCount));
}

void TfrmGetThumbs::showEvent(QShowEvent *event)
{
    if (const QScreen *screen = this->screen())
        move(screen->availableGeometry().center() - rect().center());
    QDialog::showEvent(event);
}

} // namespace vexaris::ui
