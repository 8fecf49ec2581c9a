// The image control of a picture pane: a label that draws its whole picture scaled to its own
// size with a smooth filter. Only the part inside the pane is drawn, so a picture zoomed far
// beyond the screen costs no more than one that fits.
#pragma once

#include <QImage>
#include <QLabel>
#include <QSize>

namespace vexaris::ui {

class PictureLabel : public QLabel
{
    Q_OBJECT

public:
    explicit PictureLabel(QWidget *parent = nullptr);

    // Takes the picture and the picture's own pixel size (auto-size).
    void setPicture(const QImage &picture);
    // An empty pane: no picture, no size.
    void clearPicture();
    bool hasPicture() const { return !m_picture.isNull(); }
    QSize pictureSize() const { return m_picture.size(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    QImage m_picture;
    // The picture reduced to the label's size, kept while the size stays; only for sizes at or
    // below the picture's own, where the reduction needs no more memory than the picture.
    QImage m_reduced;
};

// Decodes a picture file for display through the program's own readers (no JPEG repair); the
// file is read whole and closed again. Raises vexaris::Error with the reader's message.
QImage loadPictureImage(const QString &path);

} // namespace vexaris::ui
