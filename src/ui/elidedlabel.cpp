#include "ui/elidedlabel.h"

#include <QEvent>
#include <QPainter>
#include <QStyle>

namespace vexaris::ui {

ElidedLabel::ElidedLabel(QWidget *parent)
    : QLabel(parent)
{
    setTextFormat(Qt::PlainText);
}

void ElidedLabel::setText(const QString &text, const QString &shorter)
{
    m_whole = text;
    m_shorter = shorter;
    QLabel::setText(text);
    updateGeometry();
}

QString ElidedLabel::shownText() const
{
    // Measured as the minimum size is, so that a label given its minimum shows its shorter form
    // whole; elidedText() measures a little differently.
    const QFontMetrics metrics = fontMetrics();
    const int width = contentsRect().width();
    const QString alternative = shorter();
    for (const QString &candidate : {text(), alternative}) {
        if (!candidate.isEmpty() && metrics.horizontalAdvance(candidate) <= width)
            return candidate;
    }
    return metrics.elidedText(alternative.isEmpty() ? text() : alternative, Qt::ElideMiddle, width);
}

QSize ElidedLabel::minimumSizeHint() const
{
    QSize size = QLabel::minimumSizeHint();
    const QString alternative = shorter();
    if (!alternative.isEmpty()) {
        const QMargins margins = contentsMargins();
        size.setWidth(fontMetrics().horizontalAdvance(alternative) + margins.left() + margins.right() + 2 * margin());
    }
    return size;
}

bool ElidedLabel::event(QEvent *event)
{
    // Set as the tip is asked for, so that it always names the text shown now.
    if (event->type() == QEvent::ToolTip)
        setToolTip(text());
    return QLabel::event(event);
}

void ElidedLabel::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    drawFrame(&painter);
    style()->drawItemText(&painter, contentsRect(), QStyle::visualAlignment(layoutDirection(), alignment()), palette(),
        isEnabled(), shownText(), foregroundRole());
}

} // namespace vexaris::ui
