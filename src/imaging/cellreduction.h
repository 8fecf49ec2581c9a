// The first step of the signature as a sink for a reader: each cell's sum of blue, green and red
// grows as the pixels arrive, in whatever order the codec library hands them over, so a picture
// is reduced without ever being held whole. The sums are exact integers, so the order cannot
// change a cell's value.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "imaging/imgutils.h"
#include "imaging/rowsink.h"
#include "imaging/signature.h"

namespace vexaris::imaging {

class CellReduction : public RowSink
{
public:
    // Fails for a picture below 32 pixels a side, which has a pixel too few for some cell.
    void begin(int width, int height, Layout layout, const Palette &palette) override;
    uint8_t *pixels(int x, int y, int count) noexcept override;
    void put() noexcept override;
    uint64_t frameBytes(int64_t width, int64_t height) const override;

    // Adds count pixels of row y from column x on, in the layout begun with.
    void add(int x, int y, int count, const uint8_t *pixels) noexcept;
    // Each cell's average, rounded down; fails when some pixels never came, or no picture did
    // since the last call.
    void finish(CellBuffer &cells);

private:
    int m_width = 0;
    int m_height = 0;
    bool m_paletted = false;
    std::array<int, kCellSide + 1> m_rowStart {};
    std::array<int, kCellSide + 1> m_columnStart {};
    // Palette colours in the byte order of a true-colour pixel, so both layouts sum alike.
    std::array<std::array<uint8_t, 3>, 256> m_paletteBgr {};
    // 64 bits: a cell of a very large picture can hold more than 8 million pixels.
    std::array<uint64_t, static_cast<size_t>(kCellCount) * 3> m_sums {};
    uint64_t m_added = 0;
    bool m_begun = false;
    std::vector<uint8_t> m_scratch;
    int m_pendingX = 0;
    int m_pendingY = 0;
    int m_pendingCount = 0;
};

} // namespace vexaris::imaging
