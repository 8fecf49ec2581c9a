// GIF through giflib: only the first frame is decoded, drawn on the logical screen, whose size
// is the picture's size. Later frames are never read.
#include <algorithm>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <gif_lib.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

struct GifSource
{
    const uint8_t *bytes = nullptr;
    size_t size = 0;
    size_t offset = 0;
    bool cutShort = false;
};

extern "C" int readGifBytes(GifFileType *gif, GifByteType *out, int count)
{
    auto *source = static_cast<GifSource *>(gif->UserData);
    if (count <= 0)
        return 0;
    const size_t taken = std::min(source->size - source->offset, static_cast<size_t>(count));
    source->cutShort = source->cutShort || taken < static_cast<size_t>(count);
    // An empty file has no bytes to point at; memcpy must not see its null pointer.
    if (taken == 0)
        return 0;
    std::memcpy(out, source->bytes + source->offset, taken);
    source->offset += taken;
    return static_cast<int>(taken);
}

[[noreturn]] void failGif(int code, const GifSource &source)
{
    const char *text = GifErrorString(code);
    const std::string reason = source.cutShort ? _("the file is cut short")
        : text                                 ? std::string(text)
                                               : std::to_string(code);
    throw Error(formatText(_("GIF error: %s"), {reason}));
}

struct GifCloser
{
    void operator()(GifFileType *gif) const
    {
        int ignored = 0;
        DGifCloseFile(gif, &ignored);
    }
};

// The palette index that shows the screen's background: an unused slot when there is one.
int backgroundIndex(Palette &palette, int mapCount, PaletteEntry background)
{
    if (mapCount < 256) {
        palette[static_cast<size_t>(mapCount)] = background;
        return mapCount;
    }
    int best = 0;
    int bestDistance = 1 << 30;
    for (int i = 0; i < 256; ++i) {
        const PaletteEntry &entry = palette[static_cast<size_t>(i)];
        const int dr = entry.red - background.red;
        const int dg = entry.green - background.green;
        const int db = entry.blue - background.blue;
        const int distance = dr * dr + dg * dg + db * db;
        if (distance < bestDistance) {
            best = i;
            bestDistance = distance;
        }
    }
    return best;
}

} // namespace

void decodeGif(const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    GifSource source {bytes, size, 0, false};
    int code = 0;
    std::unique_ptr<GifFileType, GifCloser> gif(DGifOpen(&source, readGifBytes, &code));
    if (!gif)
        failGif(code, source);

    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            failGif(gif->Error, source);
        if (type == IMAGE_DESC_RECORD_TYPE)
            break;
        if (type == TERMINATE_RECORD_TYPE)
            throw Error(_("The GIF file holds no picture"));
        if (type != EXTENSION_RECORD_TYPE)
            continue;
        int extensionCode = 0;
        GifByteType *extension = nullptr;
        if (DGifGetExtension(gif.get(), &extensionCode, &extension) == GIF_ERROR)
            failGif(gif->Error, source);
        if (extensionCode == GRAPHICS_EXT_FUNC_CODE && extension && extension[0] >= 4) {
            GraphicsControlBlock control {};
            if (DGifExtensionToGCB(extension[0], extension + 1, &control) == GIF_OK)
                transparent = control.TransparentColor;
        }
        while (extension) {
            if (DGifGetExtensionNext(gif.get(), &extension) == GIF_ERROR)
                failGif(gif->Error, source);
        }
    }
    if (DGifGetImageDesc(gif.get()) == GIF_ERROR)
        failGif(gif->Error, source);

    const GifImageDesc &frame = gif->Image;
    if (frame.Width <= 0 || frame.Height <= 0)
        throw Error(_("The GIF file's first frame is empty"));
    checkPictureSize(frame.Width, frame.Height);
    // A screen of no size (written by careless encoders) takes the frame's extent.
    int64_t screenWidth = gif->SWidth;
    int64_t screenHeight = gif->SHeight;
    if (screenWidth <= 0 || screenHeight <= 0) {
        screenWidth = int64_t(frame.Left) + frame.Width;
        screenHeight = int64_t(frame.Top) + frame.Height;
    }
    checkPictureSize(screenWidth, screenHeight);
    const int width = static_cast<int>(screenWidth);
    const int height = static_cast<int>(screenHeight);

    // One line of the frame and one of the screen at a time: the screen is handed on row by row.
    target.reserve(width, height, static_cast<uint64_t>(frame.Width) + static_cast<uint64_t>(width));
    Palette palette {};
    const ColorMapObject *map = frame.ColorMap ? frame.ColorMap : gif->SColorMap;
    int mapCount = 0;
    if (map && map->Colors) {
        mapCount = std::clamp(map->ColorCount, 0, 256);
        for (int i = 0; i < mapCount; ++i)
            palette[static_cast<size_t>(i)] = {map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue};
    } else {
        palette = greyPalette();
        mapCount = 256;
    }

    PaletteEntry background;
    const ColorMapObject *screenMap = gif->SColorMap;
    if (screenMap && screenMap->Colors && gif->SBackGroundColor >= 0 && gif->SBackGroundColor < screenMap->ColorCount) {
        const GifColorType &colour = screenMap->Colors[gif->SBackGroundColor];
        background = {colour.Red, colour.Green, colour.Blue};
    }
    int fill = 0;
    const bool coversScreen = frame.Left <= 0 && frame.Top <= 0 && int64_t(frame.Left) + frame.Width >= width
        && int64_t(frame.Top) + frame.Height >= height;
    if (!coversScreen || transparent != NO_TRANSPARENT_COLOR)
        fill = backgroundIndex(palette, mapCount, background);
    RowSink &sink = target.sink();
    sink.begin(width, height, Layout::Palette8, palette);

    // Screen rows that the frame does not reach show the background; every other row is put when
    // its frame line has been decoded, so each row of the screen is put once.
    const int64_t frameTop = std::clamp<int64_t>(frame.Top, 0, height);
    const int64_t frameBottom = std::clamp<int64_t>(int64_t(frame.Top) + frame.Height, 0, height);
    for (int64_t y = 0; y < height; ++y) {
        if (y >= frameTop && y < frameBottom)
            continue;
        std::memset(sink.row(static_cast<int>(y)), fill, static_cast<size_t>(width));
        sink.put();
    }
    std::vector<GifPixelType> line(static_cast<size_t>(frame.Width));
    const auto drawLine = [&](int frameRow) {
        const int64_t y = int64_t(frame.Top) + frameRow;
        if (y < 0 || y >= height)
            return;
        uint8_t *out = sink.row(static_cast<int>(y));
        std::memset(out, fill, static_cast<size_t>(width));
        for (int x = 0; x < frame.Width; ++x) {
            const int64_t screenX = int64_t(frame.Left) + x;
            if (screenX < 0 || screenX >= width)
                continue;
            const GifPixelType pixel = line[static_cast<size_t>(x)];
            out[screenX] = pixel == transparent ? static_cast<uint8_t>(fill) : pixel;
        }
        sink.put();
    };
    if (frame.Interlace) {
        static constexpr int kStart[4] = {0, 4, 2, 1};
        static constexpr int kStep[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass) {
            for (int row = kStart[pass]; row < frame.Height; row += kStep[pass]) {
                if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
                    failGif(gif->Error, source);
                drawLine(row);
            }
        }
    } else {
        // Rows below the screen are never seen: stop decoding there.
        const int visibleRows = static_cast<int>(std::min<int64_t>(frame.Height, int64_t(height) - frame.Top));
        for (int row = 0; row < visibleRows; ++row) {
            if (DGifGetLine(gif.get(), line.data(), frame.Width) == GIF_ERROR)
                failGif(gif->Error, source);
            drawLine(row);
        }
    }
}

} // namespace vexaris::imaging::detail
