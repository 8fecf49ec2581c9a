// The arithmetic of the two picture panes: where an image sits in its pane, how the other image
// follows it, and the sizes that fitting and zooming give. Kept apart from the widgets so that
// the figures can be checked without a window.
#pragma once

#include <QPoint>
#include <QRect>
#include <QSize>

namespace vexaris::review {

// Zooming in stops before a side of either image would pass this many pixels. With every image
// placed in its pane, the products that FollowImage forms stay below 32767 × 32767, inside a
// 32-bit int, and a picture's own size may be larger than this without harm.
inline constexpr int kMaxZoomSide = 32767;
// Zooming out never takes a side below one pixel, so no later division meets a zero.
inline constexpr int kMinZoomSide = 1;

// An image smaller than its pane along an axis is centred along it; a larger one is kept from
// leaving a strip of empty pane beside it.
QRect placeImage(const QRect &image, const QSize &pane);

// The top-left corner that puts the same relative picture point at the centre of the target's
// pane as the centre of the source's pane shows of the source. Both images need a size of at
// least one pixel.
QPoint followImage(const QRect &source, const QSize &sourcePane, const QSize &targetSize, const QSize &targetPane);

// The size that fits an image of the given size into its pane with a pixel of room at each
// edge, keeping its proportions; never below one pixel a side.
QSize fitSize(const QSize &image, const QSize &pane);

// The image doubled about the centre of its pane: the picture point at the centre stays there.
QRect zoomInAboutCentre(const QRect &image, const QSize &pane);

// Whether doubling keeps both sides within kMaxZoomSide.
bool canZoomIn(const QSize &image);

// Both sides halved, rounding down, but never below kMinZoomSide.
QSize halveSize(const QSize &image);

} // namespace vexaris::review
