// Reduces a decoded bitmap to the stored signature. Every step works in integers on fixed
// buffers; the order of the steps and their rounding are part of the stored format.
#pragma once

#include <cstddef>
#include <cstdint>

#include "imaging/signature.h"

namespace vexaris::imaging {

class Bitmap;

using CellBuffer = ThumbnailBytes; // three bytes a cell, cell (r, c) at r·96 + c·3
using EdgeBuffer = DerivativeBytes; // one byte a cell, cell (r, c) at r·32 + c

// The whole signature of a bitmap at least 32 pixels wide and high; throws vexaris::Error for a
// smaller one, which the loader refuses before it gets here.
Signature ComputeSignature(const Bitmap &bitmap);
// The rest of the signature from the cells of a picture reduced as it was read (CellReduction).
Signature SignatureOfCells(const CellBuffer &cells);

// Averages each cell's block of source pixels, reading each pixel once, row by row (through a
// CellReduction, so a picture reduced as it is read gets the very same cells). Both layouts
// leave blue in byte 0, green in byte 1 and red in byte 2, so a picture gets the same cells
// whether it was stored with a palette or with true colour.
void ReduceToCells(const Bitmap &bitmap, CellBuffer &cells);

// Replaces byte k (0, 1 or 2) of every cell by its rank among the 1024 cells, scaled to 0..255.
void EqualizeChannel(CellBuffer &cells, int k);

// The edge image of the equalized cells: 255 on flat areas, lower on edges, 0 on the border.
void ComputeDerivative(const CellBuffer &cells, EdgeBuffer &edges);

// Turns every cell into hue 0..254, saturation 0..255 and value 0..255, in that byte order.
void CellsToHsv(CellBuffer &cells);

// The sum of every byte's square taken as a signed 16-bit value (so 255 counts as −511).
int32_t SquareSum(const uint8_t *bytes, size_t length);

// The 2 × 2 block averages of a 3072-byte thumbnail: index blockRow·6 + blockColumn·3 + byte,
// each the mean of 16 × 16 cells rounded down. For whoever loads picture records for a scan:
// call this on each record's Thumbnail when the run compares averaged colours, and only after
// checking that the stored value really is kThumbnailBytes long.
AverageColorsBytes AverageColors(const uint8_t *thumbnail);

} // namespace vexaris::imaging
