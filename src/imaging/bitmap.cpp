#include "imaging/bitmap.h"

#include <cassert>

namespace vexaris::imaging {

void Bitmap::allocate(int width, int height, Layout layout)
{
    assert(width >= 0 && height >= 0);
    m_width = width;
    m_height = height;
    m_layout = layout;
    m_pixels.resize(stride() * static_cast<size_t>(height));
    palette = {};
}

} // namespace vexaris::imaging
