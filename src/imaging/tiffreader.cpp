// TIFF through libtiff, from memory: the first image of the file, whatever its compression
// (fax Group 3 and 4 included), and the TIFF preview of a binary EPS file.
#include <algorithm>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <tiffio.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

constexpr tmsize_t kMaxTiffAllocation = tmsize_t(1) << 30;
// Rows converted at a time: the band buffer stays small whatever the picture's size.
constexpr uint32_t kBandPixels = 1u << 20;

struct TiffSource
{
    const uint8_t *bytes = nullptr;
    uint64_t size = 0;
    uint64_t offset = 0;
    std::string message;
    bool cutShort = false;
};

extern "C" tmsize_t readTiffBytes(thandle_t handle, void *out, tmsize_t count)
{
    auto *source = static_cast<TiffSource *>(handle);
    if (count <= 0)
        return 0;
    const uint64_t available = source->offset < source->size ? source->size - source->offset : 0;
    const uint64_t taken = std::min<uint64_t>(available, static_cast<uint64_t>(count));
    source->cutShort = source->cutShort || taken < static_cast<uint64_t>(count);
    if (taken == 0)
        return 0;
    std::memcpy(out, source->bytes + source->offset, taken);
    source->offset += taken;
    return static_cast<tmsize_t>(taken);
}

extern "C" tmsize_t writeTiffBytes(thandle_t, void *, tmsize_t)
{
    return 0;
}

extern "C" toff_t seekTiff(thandle_t handle, toff_t offset, int whence)
{
    auto *source = static_cast<TiffSource *>(handle);
    uint64_t base = 0;
    if (whence == SEEK_CUR)
        base = source->offset;
    else if (whence == SEEK_END)
        base = source->size;
    if (offset > UINT64_MAX - base)
        return static_cast<toff_t>(-1);
    source->offset = base + offset;
    return source->offset;
}

extern "C" int closeTiff(thandle_t)
{
    return 0;
}
extern "C" toff_t tiffSize(thandle_t handle)
{
    return static_cast<TiffSource *>(handle)->size;
}
extern "C" int mapTiff(thandle_t, void **, toff_t *)
{
    return 0;
}
extern "C" void unmapTiff(thandle_t, void *, toff_t)
{
}

// The first error is the one that explains the failure; later ones follow from it.
extern "C" int keepTiffError(TIFF *, void *userData, const char *, const char *format, va_list args)
{
    auto *source = static_cast<TiffSource *>(userData);
    if (source->message.empty()) {
        char text[512];
        std::vsnprintf(text, sizeof text, format, args);
        source->message = text;
    }
    return 1;
}

extern "C" int ignoreTiffWarning(TIFF *, void *, const char *, const char *, va_list)
{
    return 1;
}

[[noreturn]] void failTiff(const TiffSource &source, const std::string &message)
{
    std::string reason = message.empty() ? std::string("unreadable file") : message;
    if (source.cutShort)
        reason = _("the file is cut short");
    throw Error(formatText(_("TIFF error: %s"), {reason}));
}

struct TiffCloser
{
    void operator()(TIFF *tiff) const { TIFFClose(tiff); }
};

struct RgbaImageEnd
{
    void operator()(TIFFRGBAImage *image) const { TIFFRGBAImageEnd(image); }
};

} // namespace

void decodeTiff(const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    TiffSource source {bytes, size, 0, {}, false};
    TIFFOpenOptions *options = TIFFOpenOptionsAlloc();
    if (!options)
        throw Error(_("Out of memory"));
    TIFFOpenOptionsSetMaxSingleMemAlloc(options, kMaxTiffAllocation);
    TIFFOpenOptionsSetErrorHandlerExtR(options, keepTiffError, &source);
    TIFFOpenOptionsSetWarningHandlerExtR(options, ignoreTiffWarning, nullptr);
    // "m": never map; the bytes are already in memory and must not be written.
    std::unique_ptr<TIFF, TiffCloser> tiff(TIFFClientOpenExt("picture", "rm", &source, readTiffBytes, writeTiffBytes,
        seekTiff, closeTiff, tiffSize, mapTiff, unmapTiff, options));
    TIFFOpenOptionsFree(options);
    if (!tiff)
        failTiff(source, source.message);

    char reason[1024] = {};
    if (!TIFFRGBAImageOK(tiff.get(), reason))
        failTiff(source, source.message.empty() ? std::string(reason) : source.message);
    TIFFRGBAImage image {};
    if (!TIFFRGBAImageBegin(&image, tiff.get(), 1, reason))
        failTiff(source, source.message.empty() ? std::string(reason) : source.message);
    std::unique_ptr<TIFFRGBAImage, RgbaImageEnd> imageEnd(&image);
    // libtiff flips rows only within the band it is asked for, which scrambles a picture read
    // band by band. So it hands the rows over as stored, and they are put in place here.
    uint16_t orientation = ORIENTATION_TOPLEFT;
    TIFFGetFieldDefaulted(tiff.get(), TIFFTAG_ORIENTATION, &orientation);
    if (orientation < ORIENTATION_TOPLEFT || orientation > ORIENTATION_LEFTBOT)
        orientation = ORIENTATION_TOPLEFT;
    image.req_orientation = orientation;
    // The transposed orientations (5 to 8) are read like their untransposed pairs.
    const bool bottomUp = orientation == ORIENTATION_BOTLEFT || orientation == ORIENTATION_BOTRIGHT
        || orientation == ORIENTATION_RIGHTBOT || orientation == ORIENTATION_LEFTBOT;
    const bool mirrored = orientation == ORIENTATION_TOPRIGHT || orientation == ORIENTATION_BOTRIGHT
        || orientation == ORIENTATION_RIGHTTOP || orientation == ORIENTATION_RIGHTBOT;

    checkPictureSize(image.width, image.height);
    const int width = static_cast<int>(image.width);
    const int height = static_cast<int>(image.height);
    const bool grey = (image.photometric == PHOTOMETRIC_MINISBLACK || image.photometric == PHOTOMETRIC_MINISWHITE)
        && image.samplesperpixel == 1;

    const uint32_t bandRows = std::max<uint32_t>(1, std::min<uint32_t>(image.height, kBandPixels / image.width));
    // libtiff reads one strip or tile at a time, its raw bytes and the decoded ones, for every
    // plane of a file stored plane by plane. A strip can be the whole picture.
    const uint64_t chunk
        = static_cast<uint64_t>(TIFFIsTiled(tiff.get()) ? TIFFTileSize64(tiff.get()) : TIFFStripSize64(tiff.get()))
        * (image.isContig ? 1 : std::max<uint64_t>(1, image.samplesperpixel));
    target.reserve(width, height, static_cast<uint64_t>(bandRows) * image.width * 4 + 2 * chunk);
    RowSink &sink = target.sink();
    sink.begin(width, height, grey ? Layout::Palette8 : Layout::Rgb24, grey ? greyPalette() : Palette {});

    std::vector<uint32_t> band(static_cast<size_t>(bandRows) * image.width);
    for (uint32_t top = 0; top < image.height; top += bandRows) {
        const uint32_t rows = std::min(bandRows, image.height - top);
        image.row_offset = static_cast<int>(top);
        image.col_offset = 0;
        if (!TIFFRGBAImageGet(&image, band.data(), image.width, rows))
            failTiff(source, source.message);
        for (uint32_t r = 0; r < rows; ++r) {
            const uint32_t *in = band.data() + static_cast<size_t>(r) * image.width;
            const uint32_t storedRow = top + r;
            uint8_t *out = sink.row(static_cast<int>(bottomUp ? image.height - 1 - storedRow : storedRow));
            // The raster holds colour already multiplied by alpha, so white shows through
            // by adding what alpha leaves out.
            for (int x = 0; x < width; ++x) {
                const uint32_t pixel = in[mirrored ? width - 1 - x : x];
                const unsigned alphaGap = 255u - TIFFGetA(pixel);
                const auto channel
                    = [alphaGap](unsigned value) { return static_cast<uint8_t>(std::min(255u, value + alphaGap)); };
                if (grey) {
                    *out++ = channel(TIFFGetR(pixel));
                } else {
                    *out++ = channel(TIFFGetB(pixel));
                    *out++ = channel(TIFFGetG(pixel));
                    *out++ = channel(TIFFGetR(pixel));
                }
            }
            sink.put();
        }
    }
}

void decodeEps(const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    static constexpr uint8_t kMagic[4] = {0xC5, 0xD0, 0xD3, 0xC6};
    constexpr size_t kHeaderBytes = 30;
    if (size < kHeaderBytes || std::memcmp(bytes, kMagic, 4) != 0)
        throw Error(_("Not a binary EPS file with a TIFF preview"));
    const auto readLe32 = [bytes](size_t at) {
        return uint64_t(bytes[at]) | uint64_t(bytes[at + 1]) << 8 | uint64_t(bytes[at + 2]) << 16
            | uint64_t(bytes[at + 3]) << 24;
    };
    const uint64_t offset = readLe32(20);
    const uint64_t length = readLe32(24);
    if (offset == 0 || length == 0)
        throw Error(_("The EPS file has no TIFF preview"));
    if (offset > size || length > size - offset)
        throw Error(_("The EPS file's TIFF preview lies outside the file"));
    decodeTiff(bytes + offset, static_cast<size_t>(length), target);
}

} // namespace vexaris::imaging::detail
