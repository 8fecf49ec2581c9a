// The formats no dedicated library reads go through ImageMagick's MagickCore, always with the
// coder our extension table names. The content never chooses the coder: a file is read as what
// its name says or not at all.
#include <algorithm>
#include <cctype>
#include <cstring>
#include <magick/MagickCore.h>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/pictureloader.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

constexpr MagickSizeType kMagickMemoryBytes = MagickSizeType(1) << 30;
// ImageMagick's pixel cache: four 16-bit samples a pixel, and a 16-bit index for a picture with a
// palette.
constexpr uint64_t kMagickPixelBytes = 10;

// One file may not take more than these, whatever its header says. The pixel cache never
// spills to disk: a picture that does not fit in memory fails instead.
void startMagick()
{
    MagickCoreGenesis("vexaris", MagickFalse);
    SetMagickResourceLimit(AreaResource, static_cast<MagickSizeType>(kMaxPicturePixels));
    SetMagickResourceLimit(WidthResource, static_cast<MagickSizeType>(kMaxPictureSide));
    SetMagickResourceLimit(HeightResource, static_cast<MagickSizeType>(kMaxPictureSide));
    SetMagickResourceLimit(MemoryResource, kMagickMemoryBytes);
    SetMagickResourceLimit(MapResource, kMagickMemoryBytes);
    SetMagickResourceLimit(DiskResource, 0);
    SetMagickResourceLimit(ListLengthResource, 64);
}

struct ImageInfoDeleter
{
    void operator()(ImageInfo *info) const { DestroyImageInfo(info); }
};
struct ExceptionDeleter
{
    void operator()(ExceptionInfo *exception) const { DestroyExceptionInfo(exception); }
};
struct ImageListDeleter
{
    void operator()(Image *image) const { DestroyImageList(image); }
};

[[noreturn]] void failMagick(const ExceptionInfo *exception)
{
    std::string text;
    if (exception && exception->reason)
        text = exception->reason;
    if (exception && exception->description) {
        if (!text.empty())
            text += " (";
        text += exception->description;
        if (exception->reason)
            text += ')';
    }
    if (text.empty())
        text = "unreadable file";
    throw Error(formatText(_("Cannot read the picture: %s"), {text}));
}

uint32_t readBe(const uint8_t *bytes, int count)
{
    uint32_t value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

// ImageMagick reads an SGI file cut short without a word, filling the missing rows with black;
// the lengths its header promises are checked here instead.
void checkSgiLength(const uint8_t *bytes, size_t size)
{
    constexpr size_t kHeaderBytes = 512;
    if (size < kHeaderBytes)
        return; // the coder reports the short header itself
    const bool runLength = bytes[2] == 1;
    const uint64_t bytesPerSample = bytes[3] == 2 ? 2 : 1;
    const uint64_t width = readBe(bytes + 6, 2);
    const uint64_t height = readBe(bytes + 8, 2);
    const uint64_t channels = std::max<uint32_t>(1, readBe(bytes + 10, 2));
    const uint64_t rows = height * channels;
    bool complete = true;
    if (!runLength) {
        complete = kHeaderBytes + width * rows * bytesPerSample <= size;
    } else if (kHeaderBytes + rows * 8 > size) {
        complete = false;
    } else {
        // A table of row starts, then one of row lengths.
        for (uint64_t row = 0; row < rows && complete; ++row) {
            const uint64_t start = readBe(bytes + kHeaderBytes + row * 4, 4);
            const uint64_t length = readBe(bytes + kHeaderBytes + (rows + row) * 4, 4);
            complete = start + length <= size;
        }
    }
    if (!complete)
        throw Error(formatText(_("Cannot read the picture: %s"), {"unexpected end of file"}));
}

// The width and height of a portable bitmap, graymap or pixmap ("P1" to "P6"): decimal numbers
// after the magic, with white space and comments from "#" to the end of the line between.
bool readAnymapSize(const uint8_t *bytes, size_t size, int64_t &width, int64_t &height)
{
    if (size < 2 || bytes[0] != 'P' || bytes[1] < '1' || bytes[1] > '6')
        return false;
    size_t at = 2;
    const auto number = [&](int64_t &value) {
        for (;;) {
            while (at < size && std::isspace(bytes[at]))
                ++at;
            if (at >= size || bytes[at] != '#')
                break;
            while (at < size && bytes[at] != '\n' && bytes[at] != '\r')
                ++at;
        }
        const size_t start = at;
        value = 0;
        while (at < size && std::isdigit(bytes[at]) && value <= kMaxPictureSide)
            value = value * 10 + (bytes[at++] - '0');
        return at > start;
    };
    return number(width) && number(height);
}

} // namespace

void decodeWithMagick(const char *coder, const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    if (std::strcmp(coder, "SGI") == 0)
        checkSgiLength(bytes, size);
    static std::once_flag started;
    std::call_once(started, startMagick);

    std::unique_ptr<ImageInfo, ImageInfoDeleter> info(AcquireImageInfo());
    std::unique_ptr<ExceptionInfo, ExceptionDeleter> exception(AcquireExceptionInfo());
    if (!info || !exception)
        throw Error(_("Out of memory"));
    // The prefix names the coder, and affirm tells ImageMagick not to second-guess it.
    CopyMagickString(info->magick, coder, MaxTextExtent);
    const std::string name = std::string(coder) + ":picture";
    CopyMagickString(info->filename, name.c_str(), MaxTextExtent);
    info->affirm = MagickTrue;
    // Photo-CD keeps its base (768 × 512) resolution as image number 3 of the file; every other
    // format's first image is the picture (for Photoshop, the merged composite).
    const bool photoCd = std::strcmp(coder, "PCD") == 0;
    info->scene = photoCd ? 3 : 0;
    info->number_scenes = 1;

    // The header alone tells how large ImageMagick's pixel cache will be. ImageMagick reads it
    // when pinged, but loses a string each time it pings a portable anymap, whose header is
    // simple enough to read here; one that cannot be read here is refused by ImageMagick before
    // it allocates anything.
    int64_t columns = 0;
    int64_t rows = 0;
    bool sized = false;
    if (std::strcmp(coder, "PNM") == 0) {
        sized = readAnymapSize(bytes, size, columns, rows);
    } else {
        std::unique_ptr<Image, ImageListDeleter> header(PingBlob(info.get(), bytes, size, exception.get()));
        if (!header || exception->severity >= ErrorException)
            failMagick(exception.get());
        columns = static_cast<int64_t>(header->columns);
        rows = static_cast<int64_t>(header->rows);
        sized = true;
    }
    if (sized) {
        checkPictureSize(columns, rows);
        target.reserve(columns, rows,
            static_cast<uint64_t>(columns) * static_cast<uint64_t>(rows) * kMagickPixelBytes + uint64_t(columns) * 4);
    }

    std::unique_ptr<Image, ImageListDeleter> image(BlobToImage(info.get(), bytes, size, exception.get()));
    if (!image || exception->severity >= ErrorException)
        failMagick(exception.get());

    checkPictureSize(static_cast<int64_t>(image->columns), static_cast<int64_t>(image->rows));
    if (image->colorspace != sRGBColorspace && image->colorspace != RGBColorspace
        && image->colorspace != GRAYColorspace) {
        if (!TransformImageColorspace(image.get(), sRGBColorspace))
            failMagick(&image->exception);
    }
    const int width = static_cast<int>(image->columns);
    const int height = static_cast<int>(image->rows);
    RowSink &sink = target.sink();
    sink.begin(width, height, Layout::Rgb24, {});

    std::vector<uint8_t> row(image->matte ? static_cast<size_t>(width) * 4 : 0);
    for (int y = 0; y < height; ++y) {
        uint8_t *out = sink.row(y);
        if (!image->matte) {
            if (!ExportImagePixels(image.get(), 0, y, image->columns, 1, "BGR", CharPixel, out, exception.get()))
                failMagick(exception.get());
            sink.put();
            continue;
        }
        if (!ExportImagePixels(image.get(), 0, y, image->columns, 1, "BGRA", CharPixel, row.data(), exception.get()))
            failMagick(exception.get());
        for (int x = 0; x < width; ++x) {
            const uint8_t *in = row.data() + static_cast<size_t>(x) * 4;
            *out++ = onWhite(in[0], in[3]);
            *out++ = onWhite(in[1], in[3]);
            *out++ = onWhite(in[2], in[3]);
        }
        sink.put();
    }
}

} // namespace vexaris::imaging::detail
