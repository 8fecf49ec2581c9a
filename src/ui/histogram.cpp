#include "ui/histogram.h"

#include <algorithm>
#include <cmath>

#include <QHelpEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QToolTip>

namespace vexaris::ui {

namespace {

constexpr int kMargin = 3;
// How near to an end of the interval a press takes that end rather than starting a new interval.
constexpr int kGrip = 4;

} // namespace

Histogram::Histogram(QWidget *parent)
    : QWidget(parent)
{
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(false);
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
}

void Histogram::setCounts(std::vector<qint64> counts)
{
    m_counts = std::move(counts);
    const int top = std::max(0, static_cast<int>(m_counts.size()) - 1);
    m_first = std::clamp(m_first, 0, top);
    m_last = std::clamp(m_last, m_first, top);
    update();
}

void Histogram::setInterval(int first, int last)
{
    const int top = std::max(0, static_cast<int>(m_counts.size()) - 1);
    m_first = std::clamp(std::min(first, last), 0, top);
    m_last = std::clamp(std::max(first, last), 0, top);
    update();
}

void Histogram::setBinText(std::function<QString(int, qint64)> text)
{
    m_binText = std::move(text);
}

QSize Histogram::sizeHint() const
{
    return {320, 72};
}

QSize Histogram::minimumSizeHint() const
{
    return {120, 48};
}

QRect Histogram::barArea() const
{
    return rect().adjusted(kMargin, kMargin, -kMargin, -kMargin);
}

int Histogram::binLeft(int bin) const
{
    const QRect area = barArea();
    const auto bins = static_cast<qint64>(std::max<size_t>(1, m_counts.size()));
    return area.left() + static_cast<int>(qint64(area.width()) * bin / bins);
}

int Histogram::binAt(int x) const
{
    const QRect area = barArea();
    if (m_counts.empty() || area.width() <= 0)
        return 0;
    const qint64 bin = qint64(x - area.left()) * static_cast<qint64>(m_counts.size()) / area.width();
    return static_cast<int>(std::clamp<qint64>(bin, 0, static_cast<qint64>(m_counts.size()) - 1));
}

void Histogram::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    const QPalette &colors = palette();
    painter.fillRect(rect(), colors.color(QPalette::Base));
    const QRect area = barArea();
    if (!m_counts.empty()) {
        const qint64 highest = std::max<qint64>(1, *std::max_element(m_counts.begin(), m_counts.end()));
        // Square roots keep a bin of a few pairs visible beside one of thousands.
        const double scale = area.height() / std::sqrt(static_cast<double>(highest));
        const QRect chosen(binLeft(m_first), area.top(), binLeft(m_last + 1) - binLeft(m_first), area.height());
        painter.fillRect(chosen, colors.color(QPalette::AlternateBase));
        for (int bin = 0; bin < static_cast<int>(m_counts.size()); ++bin) {
            const qint64 count = m_counts[static_cast<size_t>(bin)];
            if (count == 0)
                continue;
            const int height
                = std::max(1, static_cast<int>(std::lround(std::sqrt(static_cast<double>(count)) * scale)));
            const int left = binLeft(bin);
            const int width = std::max(1, binLeft(bin + 1) - left - (binLeft(bin + 1) - left > 3 ? 1 : 0));
            const bool inside = bin >= m_first && bin <= m_last;
            painter.fillRect(QRect(left, area.bottom() - height + 1, width, height),
                colors.color(isEnabled() && inside ? QPalette::Highlight : QPalette::Mid));
        }
        QPen edge(colors.color(QPalette::Highlight));
        edge.setWidth(2);
        painter.setPen(edge);
        painter.drawLine(chosen.left(), area.top(), chosen.left(), area.bottom());
        painter.drawLine(chosen.right(), area.top(), chosen.right(), area.bottom());
    }
    painter.setPen(colors.color(hasFocus() ? QPalette::Highlight : QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));
}

void Histogram::choose(int first, int last)
{
    const int low = std::min(first, last);
    const int high = std::max(first, last);
    if (low == m_first && high == m_last)
        return;
    m_first = low;
    m_last = high;
    update();
    emit intervalChanged(m_first, m_last);
}

void Histogram::mousePressEvent(QMouseEvent *event)
{
    if (event->button() != Qt::LeftButton || m_counts.empty())
        return QWidget::mousePressEvent(event);
    const int x = event->position().toPoint().x();
    if (std::abs(x - binLeft(m_first)) <= kGrip)
        m_anchor = m_last;
    else if (std::abs(x - binLeft(m_last + 1)) <= kGrip)
        m_anchor = m_first;
    else
        m_anchor = binAt(x);
    choose(m_anchor, binAt(x));
}

void Histogram::mouseMoveEvent(QMouseEvent *event)
{
    if (m_anchor < 0)
        return QWidget::mouseMoveEvent(event);
    choose(m_anchor, binAt(event->position().toPoint().x()));
}

void Histogram::mouseReleaseEvent(QMouseEvent *event)
{
    if (m_anchor < 0)
        return QWidget::mouseReleaseEvent(event);
    m_anchor = -1;
}

void Histogram::keyPressEvent(QKeyEvent *event)
{
    const int top = static_cast<int>(m_counts.size()) - 1;
    // The arrows move the upper end, with Shift the lower one; Home and End take either end to
    // the edge.
    const bool lower = event->modifiers().testFlag(Qt::ShiftModifier);
    switch (event->key()) {
    case Qt::Key_Left:
        lower ? choose(std::max(0, m_first - 1), m_last) : choose(m_first, std::max(m_first, m_last - 1));
        return;
    case Qt::Key_Right:
        lower ? choose(std::min(m_last, m_first + 1), m_last) : choose(m_first, std::min(top, m_last + 1));
        return;
    case Qt::Key_Home:
        choose(0, m_last);
        return;
    case Qt::Key_End:
        choose(m_first, top);
        return;
    default:
        QWidget::keyPressEvent(event);
    }
}

bool Histogram::event(QEvent *event)
{
    if (event->type() == QEvent::ToolTip && m_binText && !m_counts.empty()) {
        auto *help = static_cast<QHelpEvent *>(event);
        const int bin = binAt(help->pos().x());
        QToolTip::showText(help->globalPos(), m_binText(bin, m_counts[static_cast<size_t>(bin)]), this);
        return true;
    }
    return QWidget::event(event);
}

} // namespace vexaris::ui
