// The signature computation. Rounding is integer division throughout, exactly as the stored
// signatures of earlier runs were made; a "cleaner" formula here would make old and new
// signatures of the same picture disagree.
#include "imaging/imgutils.h"

#include <algorithm>
#include <cassert>
#include <cstdlib>
#include <string>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/bitmap.h"
#include "imaging/cellreduction.h"

namespace vexaris::imaging {

namespace {

size_t cellOffset(int r, int c)
{
    return static_cast<size_t>(r) * kThumbnailRowBytes + static_cast<size_t>(c) * 3;
}

} // namespace

void ReduceToCells(const Bitmap &bitmap, CellBuffer &cells)
{
    CellReduction reduction;
    reduction.begin(bitmap.width(), bitmap.height(), bitmap.layout(), bitmap.palette);
    for (int y = 0; y < bitmap.height(); ++y)
        reduction.add(0, y, bitmap.width(), bitmap.row(y));
    reduction.finish(cells);
}

void EqualizeChannel(CellBuffer &cells, int k)
{
    assert(k >= 0 && k < 3);
    std::array<int32_t, 256> count {};
    for (size_t offset = static_cast<size_t>(k); offset < cells.size(); offset += 3)
        ++count[cells[offset]];
    for (size_t v = 1; v < count.size(); ++v)
        count[v] += count[v - 1];
    std::array<uint8_t, 256> map {};
    for (size_t v = 0; v < map.size(); ++v)
        map[v] = static_cast<uint8_t>(std::min(count[v] / 4, 255));
    for (size_t offset = static_cast<size_t>(k); offset < cells.size(); offset += 3)
        cells[offset] = map[cells[offset]];
}

void ComputeDerivative(const CellBuffer &cells, EdgeBuffer &edges)
{
    std::array<int32_t, kCellCount> brightness {};
    for (size_t cell = 0; cell < brightness.size(); ++cell) {
        const uint8_t *bytes = cells.data() + cell * 3;
        brightness[cell] = (76 * bytes[0] + 150 * bytes[1] + 29 * bytes[2]) / 256;
    }
    const auto L = [&brightness](int r, int c) { return brightness[static_cast<size_t>(r * kCellSide + c)]; };

    edges.fill(0);
    for (int r = 1; r < kCellSide - 1; ++r) {
        for (int c = 1; c < kCellSide - 1; ++c) {
            const int32_t g
                = (std::abs(L(r, c + 1) - L(r, c - 1)) + std::abs(L(r + 1, c) - L(r - 1, c))
                      + std::abs(L(r + 1, c + 1) - L(r - 1, c - 1)) + std::abs(L(r - 1, c + 1) - L(r + 1, c - 1)))
                / 4;
            const int32_t neighbours = L(r - 1, c - 1) + L(r - 1, c) + L(r - 1, c + 1) + L(r, c - 1) + L(r, c + 1)
                + L(r + 1, c - 1) + L(r + 1, c) + L(r + 1, c + 1);
            const int32_t a = std::abs(8 * L(r, c) - neighbours) / 8;
            const int32_t e = 255 - (g * (255 - a)) / 255;
            const int32_t s = (e * e) / 255;
            edges[static_cast<size_t>(r * kCellSide + c)] = static_cast<uint8_t>((s * s * (765 - 2 * s)) / 65025);
        }
    }
}

void CellsToHsv(CellBuffer &cells)
{
    for (size_t offset = 0; offset < cells.size(); offset += 3) {
        const int32_t b0 = cells[offset];
        const int32_t b1 = cells[offset + 1];
        const int32_t b2 = cells[offset + 2];
        const int32_t V = std::max({b0, b1, b2});
        const int32_t d = V - std::min({b0, b1, b2});
        int32_t H = 0;
        int32_t S = 0;
        if (V != 0) {
            S = (d * 255) / V;
            if (d != 0) {
                // The order of the tests decides ties: b0 wins over b1, b1 over b2.
                int32_t h;
                if (V == b0)
                    h = ((b1 - b2) * 255) / d;
                else if (V == b1)
                    h = ((b2 - b0) * 255) / d + 512;
                else
                    h = ((b0 - b1) * 255) / d + 1024;
                H = h / 6; // truncates toward zero, so −5..−1 give 0
                if (H < 0)
                    H += 255;
            }
        }
        cells[offset] = static_cast<uint8_t>(H);
        cells[offset + 1] = static_cast<uint8_t>(S);
        cells[offset + 2] = static_cast<uint8_t>(V);
    }
}

int32_t SquareSum(const uint8_t *bytes, size_t length)
{
    int32_t sum = 0;
    for (size_t i = 0; i < length; ++i) {
        const int32_t v = bytes[i];
        sum += static_cast<int16_t>(v * v); // wraps like a 16-bit square: 255 counts as −511
    }
    return sum;
}

Signature ComputeSignature(const Bitmap &bitmap)
{
    CellBuffer cells;
    ReduceToCells(bitmap, cells);
    return SignatureOfCells(cells);
}

Signature SignatureOfCells(const CellBuffer &reduced)
{
    Signature signature;
    CellBuffer &cells = signature.Thumbnail;
    cells = reduced;
    for (int k = 0; k < 3; ++k)
        EqualizeChannel(cells, k);
    ComputeDerivative(cells, signature.Derivative);
    CellsToHsv(cells);
    EqualizeChannel(cells, 2);
    for (size_t offset = 0; offset < cells.size(); offset += 3) {
        cells[offset] /= 4;
        cells[offset + 1] /= 4;
    }
    signature.ColorRank = SquareSum(signature.Thumbnail.data(), signature.Thumbnail.size());
    signature.DerivativeRank = SquareSum(signature.Derivative.data(), signature.Derivative.size());
    return signature;
}

AverageColorsBytes AverageColors(const uint8_t *thumbnail)
{
    constexpr int kBlockSide = kCellSide / 2;
    AverageColorsBytes averages {};
    for (int blockRow = 0; blockRow < 2; ++blockRow) {
        for (int blockColumn = 0; blockColumn < 2; ++blockColumn) {
            for (int k = 0; k < 3; ++k) {
                uint32_t sum = 0;
                for (int y = blockRow * kBlockSide; y < (blockRow + 1) * kBlockSide; ++y)
                    for (int x = blockColumn * kBlockSide; x < (blockColumn + 1) * kBlockSide; ++x)
                        sum += thumbnail[cellOffset(y, x) + static_cast<size_t>(k)];
                averages[static_cast<size_t>(blockRow * 6 + blockColumn * 3 + k)]
                    = static_cast<uint8_t>(sum / (kBlockSide * kBlockSide));
            }
        }
    }
    return averages;
}

} // namespace vexaris::imaging
