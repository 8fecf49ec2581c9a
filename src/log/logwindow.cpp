#include "log/logwindow.h"

#include <QHBoxLayout>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include "i18n/translate.h"
#include "log/processinglog.h"
#include "ui/componenttranslation.h"

namespace vexaris::log {

namespace {

constexpr int kButtonStripHeight = 41;
} // namespace

TfrmLog::TfrmLog(ProcessingLog &log, QWidget *parent)
    : QDialog(parent)
    , m_log(log)
{
    setObjectName(QStringLiteral("frmLog"));
    resize(696, 480);

    LogWindow = new QPlainTextEdit(this);
    LogWindow->setObjectName(QStringLiteral("LogWindow"));
    LogWindow->setReadOnly(true);
    LogWindow->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    // A click gives it the keys to select, copy and page; the Tab key passes it by.
    LogWindow->setFocusPolicy(Qt::ClickFocus);
    LogWindow->setUndoRedoEnabled(false);

    auto *strip = new QWidget(this);
    strip->setObjectName(QStringLiteral("pnlButtons"));
    strip->setFixedHeight(kButtonStripHeight);
    btnOK = new QPushButton(strip);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    auto *stripLayout = new QHBoxLayout(strip);
    stripLayout->setContentsMargins(0, 0, 0, 0);
    stripLayout->addStretch();
    stripLayout->addWidget(btnOK);
    stripLayout->addStretch();

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->addWidget(LogWindow, 1);
    layout->addWidget(strip);

    for (const QString &line : m_log.lines())
        appendLine(line);
    m_log.setListener([this](const QString &line) { appendLine(line); });

    setWindowTitle(i18n::english(N_("Vexaris 3.0 processing log")));
    btnOK->setText(i18n::english(N_("OK")));
    i18n::keepUntranslated(LogWindow); // the lines were translated when they were made
    i18n::TranslateComponent(this);
    btnOK->setFocus();
}

TfrmLog::~TfrmLog()
{
    m_log.setListener(nullptr);
}

void TfrmLog::appendLine(const QString &line)
{
    LogWindow->appendPlainText(line);
}

void TfrmLog::showLog()
{
    btnOK->setFocus();
    exec();
}

void TfrmLog::showEvent(QShowEvent *event)
{
    if (!m_centred) {
        if (const QScreen *screen = this->screen())
            move(screen->availableGeometry().center() - rect().center());
        m_centred = true;
    }
    QDialog::showEvent(event);
}

} // namespace vexaris::log
