// Where a format reader puts the pixels it decodes, piece by piece, in one of the two bitmap
// layouts: a whole bitmap when the picture is to be shown, or the signature's reduction, which
// keeps only a sum per cell, so that the update run never holds a picture whole where the codec
// library does not.
#pragma once

#include <cstdint>

#include "imaging/bitmap.h"

namespace vexaris::imaging {

class RowSink
{
public:
    virtual ~RowSink() = default;

    // The picture's size and layout, before any pixel; the palette counts for Palette8. May fail
    // (a picture too small for its use) before the reader decodes anything more.
    virtual void begin(int width, int height, Layout layout, const Palette &palette) = 0;
    // A place for count pixels of row y from column x on, to be filled before put(). Each pixel
    // of the picture is put exactly once, in any order. Neither call throws, so both may be made
    // from a codec library's callback.
    virtual uint8_t *pixels(int x, int y, int count) noexcept = 0;
    virtual void put() noexcept = 0;
    uint8_t *row(int y) noexcept { return pixels(0, y, m_width); }

    // What the sink itself holds for a picture of that size, for the reader's memory estimate.
    virtual uint64_t frameBytes(int64_t width, int64_t height) const = 0;

protected:
    void setWidth(int width) { m_width = width; }

private:
    int m_width = 0;
};

// Keeps the whole picture in a bitmap, whose buffer keeps its capacity from one picture to the
// next.
class BitmapSink final : public RowSink
{
public:
    explicit BitmapSink(Bitmap &bitmap)
        : m_bitmap(bitmap)
    {
    }

    void begin(int width, int height, Layout layout, const Palette &palette) override;
    uint8_t *pixels(int x, int y, int count) noexcept override;
    void put() noexcept override { }
    uint64_t frameBytes(int64_t width, int64_t height) const override;

private:
    Bitmap &m_bitmap;
};

} // namespace vexaris::imaging
