#include "imaging/cellreduction.h"

#include <algorithm>
#include <string>

#include "common/error.h"
#include "i18n/translate.h"

namespace vexaris::imaging {

namespace {

// First source row (or column) of cell i along a side of the given length. Computed in 64 bits
// so that sides beyond 67 million pixels cannot overflow the product.
int cellStart(int i, int side)
{
    return static_cast<int>(static_cast<int64_t>(i) * side / kCellSide);
}

// The cell whose pixels along a side include position p.
int cellOf(const std::array<int, kCellSide + 1> &starts, int p)
{
    return static_cast<int>(std::upper_bound(starts.begin() + 1, starts.end(), p) - starts.begin()) - 1;
}

} // namespace

void CellReduction::begin(int width, int height, Layout layout, const Palette &palette)
{
    if (width < kCellSide || height < kCellSide)
        throw Error(formatText(_("The picture is too small for a signature (%d × %d pixels)"),
            {std::to_string(width), std::to_string(height)}));
    m_width = width;
    m_height = height;
    setWidth(width);
    for (int i = 0; i <= kCellSide; ++i) {
        m_rowStart[static_cast<size_t>(i)] = cellStart(i, height);
        m_columnStart[static_cast<size_t>(i)] = cellStart(i, width);
    }
    m_paletted = layout == Layout::Palette8;
    if (m_paletted) {
        for (size_t index = 0; index < palette.size(); ++index)
            m_paletteBgr[index] = {palette[index].blue, palette[index].green, palette[index].red};
    }
    m_sums.fill(0);
    m_added = 0;
    m_begun = true;
    m_scratch.resize(static_cast<size_t>(width) * (m_paletted ? 1 : 3));
}

uint64_t CellReduction::frameBytes(int64_t width, int64_t) const
{
    return static_cast<uint64_t>(width) * 3;
}

uint8_t *CellReduction::pixels(int x, int y, int count) noexcept
{
    m_pendingX = x;
    m_pendingY = y;
    m_pendingCount = count;
    return m_scratch.data();
}

void CellReduction::put() noexcept
{
    add(m_pendingX, m_pendingY, m_pendingCount, m_scratch.data());
}

void CellReduction::add(int x, int y, int count, const uint8_t *pixels) noexcept
{
    // A reader that strays outside the picture adds nothing here, and finish() then fails.
    if (y < 0 || y >= m_height || x < 0 || count <= 0 || count > m_width - x)
        return;
    uint64_t *sums = m_sums.data() + static_cast<size_t>(cellOf(m_rowStart, y)) * kCellSide * 3;
    const int end = x + count;
    for (int j = cellOf(m_columnStart, x); j < kCellSide && m_columnStart[static_cast<size_t>(j)] < end; ++j) {
        const int from = std::max(x, m_columnStart[static_cast<size_t>(j)]);
        const int to = std::min(end, m_columnStart[static_cast<size_t>(j) + 1]);
        uint64_t s0 = 0;
        uint64_t s1 = 0;
        uint64_t s2 = 0;
        if (m_paletted) {
            const uint8_t *pixel = pixels + (from - x);
            for (int column = from; column < to; ++column, ++pixel) {
                const std::array<uint8_t, 3> &colour = m_paletteBgr[*pixel];
                s0 += colour[0];
                s1 += colour[1];
                s2 += colour[2];
            }
        } else {
            const uint8_t *pixel = pixels + static_cast<size_t>(from - x) * 3;
            for (int column = from; column < to; ++column, pixel += 3) {
                s0 += pixel[0];
                s1 += pixel[1];
                s2 += pixel[2];
            }
        }
        uint64_t *cell = sums + static_cast<size_t>(j) * 3;
        cell[0] += s0;
        cell[1] += s1;
        cell[2] += s2;
    }
    m_added += static_cast<uint64_t>(count);
}

void CellReduction::finish(CellBuffer &cells)
{
    const bool whole = m_begun && m_added == static_cast<uint64_t>(m_width) * static_cast<uint64_t>(m_height);
    m_begun = false;
    if (!whole)
        throw Error(_("The picture could not be read whole"));
    for (size_t i = 0; i < static_cast<size_t>(kCellSide); ++i) {
        const auto rows = static_cast<uint64_t>(m_rowStart[i + 1] - m_rowStart[i]);
        for (size_t j = 0; j < static_cast<size_t>(kCellSide); ++j) {
            const uint64_t count = rows * static_cast<uint64_t>(m_columnStart[j + 1] - m_columnStart[j]);
            for (size_t k = 0; k < 3; ++k) {
                const size_t at = (i * kCellSide + j) * 3 + k;
                cells[i * kThumbnailRowBytes + j * 3 + k] = static_cast<uint8_t>(m_sums[at] / count);
            }
        }
    }
}

} // namespace vexaris::imaging
