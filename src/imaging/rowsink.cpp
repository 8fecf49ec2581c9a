#include "imaging/rowsink.h"

#include <cassert>

namespace vexaris::imaging {

void BitmapSink::begin(int width, int height, Layout layout, const Palette &palette)
{
    m_bitmap.allocate(width, height, layout);
    m_bitmap.palette = palette;
    setWidth(width);
}

uint8_t *BitmapSink::pixels(int x, int y, [[maybe_unused]] int count) noexcept
{
    assert(x >= 0 && y >= 0 && y < m_bitmap.height() && count <= m_bitmap.width() - x);
    return m_bitmap.row(y) + static_cast<size_t>(x) * static_cast<size_t>(m_bitmap.bytesPerPixel());
}

uint64_t BitmapSink::frameBytes(int64_t width, int64_t height) const
{
    return static_cast<uint64_t>(width) * static_cast<uint64_t>(height) * 3;
}

} // namespace vexaris::imaging
