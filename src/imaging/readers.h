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

// One row of 8-bit samples as a codec library hands it out: grey, grey and alpha, colour, or
// colour and alpha (channels 1 to 4), the colours red first or blue first.
struct SampleFormat
{
    int channels = 3;
    bool redFirst = true;
    bool premultiplied = false; // colour already multiplied by alpha
};

// Stores count pixels of samples at out, a place in a bitmap row of the given layout, with alpha
// composited on white. A Palette8 row (grey palette) takes the first colour sample of each
// pixel, so colour samples go there only when they are grey.
void storeSampleRow(const uint8_t *samples, int count, const SampleFormat &format, uint8_t *out, Layout layout);

// Whether every pixel of a row of colour samples (three or four channels) is grey.
bool samplesAreGrey(const uint8_t *samples, int count, int channels);

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

// The primary image of a HEIF file, turned and mirrored as the file says.
void decodeHeif(const uint8_t *bytes, size_t size, Bitmap &bitmap);
// The first frame of a WebP, AVIF or JPEG XL file.
void decodeWebp(const uint8_t *bytes, size_t size, Bitmap &bitmap);
void decodeAvif(const uint8_t *bytes, size_t size, Bitmap &bitmap);
void decodeJpegXl(const uint8_t *bytes, size_t size, Bitmap &bitmap);

// Icons and metafiles are never decoded; only their size is read.
void readIconSize(const uint8_t *bytes, size_t size, int &width, int &height);
void readMetafileSize(const uint8_t *bytes, size_t size, int &width, int &height);

} // namespace vexaris::imaging::detail
