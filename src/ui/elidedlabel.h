// A label for texts that may not fit: the user's own paths and file names, dates with their time
// zone. It keeps the whole text, draws a shorter form given with it when the whole text does not
// fit, else shortens the text in the middle with an ellipsis, and offers the whole text as its
// tool tip. The middle goes first because the start of a path says where it lies and the end
// names the folder or the file's extension.
#pragma once

#include <QLabel>
#include <QString>

namespace vexaris::ui {

class ElidedLabel : public QLabel
{
    Q_OBJECT

public:
    explicit ElidedLabel(QWidget *parent = nullptr);

    // The whole text, and the form to draw when it does not fit (ignored once another text is set).
    void setText(const QString &text, const QString &shorter);
    using QLabel::setText;

    // What the label draws at its present width.
    QString shownText() const;

    // Room for the shorter form, when there is one.
    QSize minimumSizeHint() const override;

protected:
    bool event(QEvent *event) override;
    void paintEvent(QPaintEvent *event) override;

private:
    QString shorter() const { return text() == m_whole ? m_shorter : QString(); }

    QString m_whole;
    QString m_shorter;
};

} // namespace vexaris::ui
