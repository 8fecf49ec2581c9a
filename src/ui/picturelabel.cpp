#include "ui/picturelabel.h"

#include <cstring>

#include <QPaintEvent>
#include <QPainter>

#include "common/error.h"
#include "common/paths.h"
#include "i18n/translate.h"
#include "imaging/pictureloader.h"

namespace vexaris::ui {

PictureLabel::PictureLabel(QWidget *parent)
    : QLabel(parent)
{
    setCursor(Qt::SizeAllCursor);
    setAttribute(Qt::WA_OpaquePaintEvent, false);
}

void PictureLabel::setPicture(const QImage &picture)
{
    m_picture = picture;
    m_reduced = QImage();
    resize(m_picture.size());
    update();
}

void PictureLabel::clearPicture()
{
    m_picture = QImage();
    m_reduced = QImage();
    resize(0, 0);
    update();
}

void PictureLabel::paintEvent(QPaintEvent *event)
{
    if (m_picture.isNull() || width() <= 0 || height() <= 0)
        return;
    const QRect visible = event->rect() & visibleRegion().boundingRect();
    if (visible.isEmpty())
        return;
    QPainter painter(this);
    if (size() == m_picture.size()) {
        painter.drawImage(visible.topLeft(), m_picture, visible);
        return;
    }
    if (width() <= m_picture.width() && height() <= m_picture.height()) {
        if (m_reduced.size() != size())
            m_reduced = m_picture.scaled(size(), Qt::IgnoreAspectRatio, Qt::SmoothTransformation);
        painter.drawImage(visible.topLeft(), m_reduced, visible);
        return;
    }
    // Enlarged (in at least one direction): filter only the part that shows.
    m_reduced = QImage();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const double sx = static_cast<double>(m_picture.width()) / width();
    const double sy = static_cast<double>(m_picture.height()) / height();
    const QRectF source(visible.x() * sx, visible.y() * sy, visible.width() * sx, visible.height() * sy);
    painter.drawImage(QRectF(visible), m_picture, source);
}

QImage loadPictureImage(const QString &path)
{
    const imaging::Picture picture = imaging::LoadPictureFile(toFsPath(path));
    const imaging::Bitmap bitmap = imaging::PictureToBitmap(picture);
    const bool palette = bitmap.layout() == imaging::Layout::Palette8;
    QImage image(bitmap.width(), bitmap.height(), palette ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    if (image.isNull())
        throw Error(_("Not enough memory to show the picture"));
    if (palette) {
        QList<QRgb> colors;
        colors.reserve(256);
        for (const imaging::PaletteEntry &entry : bitmap.palette)
            colors.append(qRgb(entry.red, entry.green, entry.blue));
        image.setColorTable(colors);
    }
    for (int y = 0; y < bitmap.height(); ++y)
        std::memcpy(image.scanLine(y), bitmap.row(y), bitmap.stride());
    // Drawing converts any other format on every paint; convert once here.
    QImage shown = image.convertToFormat(QImage::Format_RGB32);
    if (shown.isNull())
        throw Error(_("Not enough memory to show the picture"));
    return shown;
}

} // namespace vexaris::ui
