// The format readers behind the loader. Each decodes a whole file held in memory into a bitmap
// (the JPEG reader in two steps) and fails with a vexaris::Error of one line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "imaging/bitmap.h"

namespace vexaris::imaging::detail {

// Reads a regular file (after following symbolic links) into data, whose capacity is reused.
// Fails for FIFOs, devices and anything larger than kMaxPictureFileBytes.
void readPictureFile(const std::filesystem::path &path, std::vector<uint8_t> &data);

// Fails when a declared size is empty or too large to decode safely; call before allocating.
void checkPictureSize(int64_t width, int64_t height);

void setGreyPalette(Bitmap &bitmap);

// Transparent parts are shown on white, as most viewers show them: the colour under a fully
// transparent pixel is often left-over garbage that would otherwise enter the signature.
inline uint8_t onWhite(unsigned colour, unsigned alpha)
{
    return static_cast<uint8_t>((colour * alpha + 255u * (255u - alpha) + 127u) / 255u);
}

// JPEG: the header alone (the picture's size), then the pixels at full size.
void readJpegHeader(const uint8_t *bytes, size_t size, int &width, int &height);
void decodeJpeg(const uint8_t *bytes, size_t size, Bitmap &bitmap);

void decodePng(const uint8_t *bytes, size_t size, Bitmap &bitmap);
void decodeTiff(const uint8_t *bytes, size_t size, Bitmap &bitmap);
// A binary EPS file: its TIFF preview only.
void decodeEps(const uint8_t *bytes, size_t size, Bitmap &bitmap);
// The first frame drawn on the logical screen.
void decodeGif(const uint8_t *bytes, size_t size, Bitmap &bitmap);
// ImageMagick with the coder named (never one guessed from the content).
void decodeWithMagick(const char *coder, const uint8_t *bytes, size_t size, Bitmap &bitmap);
void decodePaintShopPro(const uint8_t *bytes, size_t size, Bitmap &bitmap);
void decodeAnimatorCel(const uint8_t *bytes, size_t size, Bitmap &bitmap);

// Icons and metafiles are never decoded; only their size is read.
void readIconSize(const uint8_t *bytes, size_t size, int &width, int &height);
void readMetafileSize(const uint8_t *bytes, size_t size, int &width, int &height);

} // namespace vexaris::imaging::detail
