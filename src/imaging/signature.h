// The stored signature of one picture, and a view of it that the measures read. The byte layout
// is a stored format: signatures written by earlier runs are compared with new ones, so sizes and
// positions here must never change.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace vexaris::imaging {

constexpr int kCellSide = 32; // cells per row and per column
constexpr int kCellCount = kCellSide * kCellSide;
constexpr size_t kThumbnailBytes = 3072; // 32 × 32 cells of hue, saturation, value
constexpr size_t kThumbnailRowBytes = 96;
constexpr size_t kDerivativeBytes = 1024; // 32 × 32 edge bytes
constexpr size_t kAverageColorsBytes = 12; // 2 × 2 blocks × 3 bytes

using ThumbnailBytes = std::array<uint8_t, kThumbnailBytes>;
using DerivativeBytes = std::array<uint8_t, kDerivativeBytes>;
using AverageColorsBytes = std::array<uint8_t, kAverageColorsBytes>;

// One picture's signature data as the measures read it: pointers into buffers owned elsewhere
// (a record's byte strings, or one contiguous block per scan), so the pair test never copies.
// AverageColors may stay null unless the run compares averaged colours.
struct SignatureView
{
    const uint8_t *Thumbnail = nullptr; // kThumbnailBytes
    const uint8_t *Derivative = nullptr; // kDerivativeBytes
    int32_t ColorRank = 0;
    int32_t DerivativeRank = 0;
    const uint8_t *AverageColors = nullptr; // kAverageColorsBytes
};

struct Signature
{
    ThumbnailBytes Thumbnail {};
    DerivativeBytes Derivative {};
    int32_t ColorRank = 0;
    int32_t DerivativeRank = 0;

    SignatureView view() const { return {Thumbnail.data(), Derivative.data(), ColorRank, DerivativeRank, nullptr}; }
};

} // namespace vexaris::imaging
