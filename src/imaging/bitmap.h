// A decoded picture in one of the two layouts that the signature computation reduces.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

namespace vexaris::imaging {

enum class Layout {
    Palette8, // one byte a pixel, an index into the palette
    Rgb24, // three bytes a pixel in the storage order blue, green, red
};

struct PaletteEntry
{
    uint8_t red = 0;
    uint8_t green = 0;
    uint8_t blue = 0;
};

using Palette = std::array<PaletteEntry, 256>;

// Rows run from the top of the picture, columns from the left, with no padding between rows.
// The pixel buffer keeps its capacity across allocate() calls, so one bitmap kept by a run
// serves every file without mapping fresh memory each time.
class Bitmap
{
public:
    void allocate(int width, int height, Layout layout);

    int width() const { return m_width; }
    int height() const { return m_height; }
    Layout layout() const { return m_layout; }
    int bytesPerPixel() const { return m_layout == Layout::Rgb24 ? 3 : 1; }
    size_t stride() const { return static_cast<size_t>(m_width) * static_cast<size_t>(bytesPerPixel()); }

    uint8_t *row(int y) { return m_pixels.data() + static_cast<size_t>(y) * stride(); }
    const uint8_t *row(int y) const { return m_pixels.data() + static_cast<size_t>(y) * stride(); }
    uint8_t *data() { return m_pixels.data(); }
    const uint8_t *data() const { return m_pixels.data(); }

    // Only meaningful for Palette8; entries past the palette's size read as black.
    Palette palette {};

private:
    int m_width = 0;
    int m_height = 0;
    Layout m_layout = Layout::Rgb24;
    std::vector<uint8_t> m_pixels;
};

} // namespace vexaris::imaging
