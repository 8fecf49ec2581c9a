#include "review/panegeometry.h"

#include <algorithm>
#include <cmath>
#include <cstdint>

namespace vexaris::review {

namespace {

int placeAlong(int start, int length, int paneLength)
{
    if (length < paneLength)
        return (paneLength - length) / 2;
    if (start + length < paneLength)
        start = paneLength - length;
    if (start > 0)
        start = 0;
    return start;
}

// Products are formed in 64 bits; within the zoom limits they equal the 32-bit ones.
int followAlong(int sourcePane, int sourceStart, int sourceLength, int targetLength, int targetPane)
{
    const int64_t offset = static_cast<int64_t>(sourcePane / 2 - sourceStart) * targetLength / sourceLength;
    return static_cast<int>(targetPane / 2 - offset);
}

int roundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

QRect placeImage(const QRect &image, const QSize &pane)
{
    QRect placed = image;
    placed.moveTo(
        placeAlong(image.left(), image.width(), pane.width()), placeAlong(image.top(), image.height(), pane.height()));
    return placed;
}

QPoint followImage(const QRect &source, const QSize &sourcePane, const QSize &targetSize, const QSize &targetPane)
{
    return {followAlong(sourcePane.width(), source.left(), source.width(), targetSize.width(), targetPane.width()),
        followAlong(sourcePane.height(), source.top(), source.height(), targetSize.height(), targetPane.height())};
}

QSize fitSize(const QSize &image, const QSize &pane)
{
    if (image.isEmpty())
        return image;
    const double sx = static_cast<double>(pane.width() - 2) / image.width();
    const double sy = static_cast<double>(pane.height() - 2) / image.height();
    const double scale = sx > sy ? sy : sx;
    return {std::max(kMinZoomSide, roundHalfEven(image.width() * scale)),
        std::max(kMinZoomSide, roundHalfEven(image.height() * scale))};
}

QRect zoomInAboutCentre(const QRect &image, const QSize &pane)
{
    const int ox = (pane.width() / 2 - image.left()) * 2;
    const int oy = (pane.height() / 2 - image.top()) * 2;
    return {pane.width() / 2 - ox, pane.height() / 2 - oy, image.width() * 2, image.height() * 2};
}

bool canZoomIn(const QSize &image)
{
    return image.width() <= kMaxZoomSide / 2 && image.height() <= kMaxZoomSide / 2;
}

QSize halveSize(const QSize &image)
{
    return {std::max(kMinZoomSide, image.width() / 2), std::max(kMinZoomSide, image.height() / 2)};
}

} // namespace vexaris::review
