// The format readers behind the loader. Each decodes a whole file held in memory and hands the
// pixels to a sink as it goes (the JPEG reader in two steps), and fails with a vexaris::Error of
// one line. Before a reader or its codec library allocates memory that grows with the picture, it
// reserves that memory from the decode budget.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/memorybudget.h"
#include "imaging/rowsink.h"

namespace vexaris::imaging::detail {

// Raised by DecodeTarget::reserve when the memory can only be had by waiting: the loader lets go
// of everything the attempt holds, the file's bytes included, waits until extra bytes more than
// the file's are free, and starts over. So a reader that waits holds nothing that another waits
// for, and readers cannot wait for each other in a circle.
struct MustWaitForMemory
{
    uint64_t extra = 0;
};

// What a reader decodes into: the sink, and the lease that covers the decoding's memory.
class DecodeTarget
{
public:
    // held: the bytes the lease already covers for the caller (the file's bytes).
    DecodeTarget(RowSink &sink, MemoryBudget &budget, MemoryBudget::Lease &lease, uint64_t held)
        : m_sink(sink)
        , m_budget(budget)
        , m_lease(lease)
        , m_held(held)
    {
    }

    RowSink &sink() const { return m_sink; }

    // Call before the reader or its codec library allocates what grows with the picture:
    // decoderBytes is what they will hold at most at one time; the sink's own share is added
    // here. A later call with more takes the difference. Fails with one line when the picture
    // needs more than the whole budget; raises MustWaitForMemory when it must wait.
    void reserve(int64_t width, int64_t height, uint64_t decoderBytes);

    // The data ended before the picture did, and the decoder filled in the rest.
    void noteTruncated() { m_truncated = true; }
    bool truncated() const { return m_truncated; }

private:
    RowSink &m_sink;
    MemoryBudget &m_budget;
    MemoryBudget::Lease &m_lease;
    uint64_t m_held;
    bool m_truncated = false;
};

// A picture file opened for reading: a regular file (after following symbolic links), never a
// FIFO or a device, and no larger than kMaxPictureFileBytes. Its size is known before its bytes
// are read, so that the memory for them can be reserved first.
class PictureFile
{
public:
    explicit PictureFile(const std::filesystem::path &path);
    ~PictureFile();
    PictureFile(const PictureFile &) = delete;
    PictureFile &operator=(const PictureFile &) = delete;

    uint64_t size() const { return m_size; }
    // Reads the file into data, whose capacity is reused; never more than size() bytes.
    void read(std::vector<uint8_t> &data);

private:
    int m_fd = -1;
    uint64_t m_size = 0;
};

// Opens and reads a picture file in one step.
void readPictureFile(const std::filesystem::path &path, std::vector<uint8_t> &data);

// Fails when a declared size is empty or too large to decode safely; call before allocating.
void checkPictureSize(int64_t width, int64_t height);

// Index i is the grey level i.
const Palette &greyPalette();

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
void decodeJpeg(const uint8_t *bytes, size_t size, DecodeTarget &target);

void decodePng(const uint8_t *bytes, size_t size, DecodeTarget &target);
void decodeTiff(const uint8_t *bytes, size_t size, DecodeTarget &target);
// A binary EPS file: its TIFF preview only.
void decodeEps(const uint8_t *bytes, size_t size, DecodeTarget &target);
// The first frame drawn on the logical screen.
void decodeGif(const uint8_t *bytes, size_t size, DecodeTarget &target);
// ImageMagick with the coder named (never one guessed from the content).
void decodeWithMagick(const char *coder, const uint8_t *bytes, size_t size, DecodeTarget &target);
void decodePaintShopPro(const uint8_t *bytes, size_t size, DecodeTarget &target);
void decodeAnimatorCel(const uint8_t *bytes, size_t size, DecodeTarget &target);

// The primary image of a HEIF file, turned and mirrored as the file says.
void decodeHeif(const uint8_t *bytes, size_t size, DecodeTarget &target);
// The first frame of a WebP, AVIF or JPEG XL file.
void decodeWebp(const uint8_t *bytes, size_t size, DecodeTarget &target);
void decodeAvif(const uint8_t *bytes, size_t size, DecodeTarget &target);
void decodeJpegXl(const uint8_t *bytes, size_t size, DecodeTarget &target);

// Icons and metafiles are never decoded; only their size is read.
void readIconSize(const uint8_t *bytes, size_t size, int &width, int &height);
void readMetafileSize(const uint8_t *bytes, size_t size, int &width, int &height);

} // namespace vexaris::imaging::detail
