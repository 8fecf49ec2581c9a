#include "ui/progressindication.h"

#include <algorithm>

#include <QCoreApplication>
#include <QProgressDialog>

namespace vexaris::ui {

namespace {

constexpr int kSteps = 1000;

// Paints the box without taking the user's input, which the modal box keeps away anyway.
void letPaint()
{
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

} // namespace

ProgressIndication::ProgressIndication(QWidget *parent, const QString &title)
    : m_dialog(new QProgressDialog(parent))
{
    m_dialog->setObjectName(QStringLiteral("dlgFileOperationProgress"));
    m_dialog->setWindowTitle(title);
    m_dialog->setLabelText(title);
    m_dialog->setCancelButton(nullptr);
    m_dialog->setWindowModality(Qt::ApplicationModal);
    m_dialog->setAutoClose(false);
    m_dialog->setAutoReset(false);
    m_dialog->setMinimumDuration(0);
    m_dialog->setRange(0, 0); // busy until a copy says how far it has come
    m_dialog->show();
    letPaint();
}

ProgressIndication::~ProgressIndication()
{
    delete m_dialog;
}

void ProgressIndication::advanced(qint64 bytesDone, qint64 bytesTotal)
{
    if (bytesTotal > 0) {
        if (m_dialog->maximum() != kSteps)
            m_dialog->setRange(0, kSteps);
        m_dialog->setValue(static_cast<int>(std::min(bytesDone, bytesTotal) * kSteps / bytesTotal));
    }
    letPaint();
}

} // namespace vexaris::ui
