// A histogram of counts in bins, drawn as bars, with an interval of bins the user drags out with
// the mouse (or moves an end of) and the arrow keys widen or narrow. It knows bins only; what a
// bin stands for is told by the caller's tool tips.
#pragma once

#include <functional>
#include <vector>

#include <QWidget>

namespace vexaris::ui {

class Histogram : public QWidget
{
    Q_OBJECT

public:
    explicit Histogram(QWidget *parent = nullptr);

    // The counts, one per bin; the interval stays where it was, within the new bins.
    void setCounts(std::vector<qint64> counts);
    const std::vector<qint64> &counts() const { return m_counts; }

    // The chosen bins, first to last inclusive. Setting them does not signal.
    void setInterval(int first, int last);
    int first() const { return m_first; }
    int last() const { return m_last; }

    // The text of a bin's tool tip: what it stands for and its count.
    void setBinText(std::function<QString(int bin, qint64 count)> text);

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override;

signals:
    // The user changed the interval, while dragging as well as at its end.
    void intervalChanged(int first, int last);

protected:
    void paintEvent(QPaintEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    bool event(QEvent *event) override;

private:
    QRect barArea() const;
    // The bin under an x position, clamped to the bins.
    int binAt(int x) const;
    int binLeft(int bin) const;
    void choose(int first, int last);

    std::vector<qint64> m_counts;
    int m_first = 0;
    int m_last = 0;
    // While dragging: the end that stays put.
    int m_anchor = -1;
    std::function<QString(int, qint64)> m_binText;
};

} // namespace vexaris::ui
