// PNG through libpng: every colour type and bit depth. 16-bit samples are cut to 8 bits; alpha
// (an alpha channel, or tRNS) is composited on white, as the picture is usually seen.
#include <cstring>
#include <string>
#include <vector>

#include <csetjmp>
#include <png.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/pictureloader.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

// Text and profile chunks are decompressed by libpng; none is worth more than this.
constexpr png_alloc_size_t kMaxChunkBytes = 16u << 20;

struct PngSource
{
    const uint8_t *bytes = nullptr;
    size_t size = 0;
    size_t offset = 0;
    bool cutShort = false;
};

struct PngFailure
{
    std::jmp_buf jump;
    char message[256] = {};
};

extern "C" void failPng(png_structp png, png_const_charp message)
{
    auto *failure = static_cast<PngFailure *>(png_get_error_ptr(png));
    std::strncpy(failure->message, message ? message : "", sizeof failure->message - 1);
    std::longjmp(failure->jump, 1);
}

extern "C" void ignorePngWarning(png_structp, png_const_charp)
{
}

extern "C" void readPngBytes(png_structp png, png_bytep out, size_t count)
{
    auto *source = static_cast<PngSource *>(png_get_io_ptr(png));
    if (count > source->size - source->offset) {
        source->cutShort = true;
        png_error(png, "unexpected end of file");
    }
    std::memcpy(out, source->bytes + source->offset, count);
    source->offset += count;
}

class PngDecoder
{
public:
    PngDecoder(const uint8_t *bytes, size_t size)
        : m_source {bytes, size, 0, false}
    {
        m_png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &m_failure, failPng, ignorePngWarning);
        if (m_png)
            m_info = png_create_info_struct(m_png);
        if (!m_png || !m_info)
            throw Error(_("Out of memory"));
        png_set_read_fn(m_png, &m_source, readPngBytes);
        png_set_user_limits(m_png, kMaxPictureSide, kMaxPictureSide);
        png_set_chunk_malloc_max(m_png, kMaxChunkBytes);
    }
    ~PngDecoder() { png_destroy_read_struct(&m_png, &m_info, nullptr); }
    PngDecoder(const PngDecoder &) = delete;
    PngDecoder &operator=(const PngDecoder &) = delete;

    bool readInfo()
    {
        if (setjmp(m_failure.jump))
            return false;
        png_read_info(m_png, m_info);
        return true;
    }

    // Sets the transforms that leave one byte a sample: palette indices, grey, grey and alpha,
    // blue-green-red or blue-green-red-alpha. Returns the number of passes.
    bool configure(int &passes, int &channels)
    {
        if (setjmp(m_failure.jump))
            return false;
        const int colourType = png_get_color_type(m_png, m_info);
        const int depth = png_get_bit_depth(m_png, m_info);
        if (colourType == PNG_COLOR_TYPE_PALETTE) {
            if (depth < 8)
                png_set_packing(m_png);
        } else {
            png_set_strip_16(m_png);
            if (colourType == PNG_COLOR_TYPE_GRAY && depth < 8)
                png_set_expand_gray_1_2_4_to_8(m_png);
            if (png_get_valid(m_png, m_info, PNG_INFO_tRNS))
                png_set_tRNS_to_alpha(m_png);
            if (colourType & PNG_COLOR_MASK_COLOR)
                png_set_bgr(m_png);
        }
        passes = png_set_interlace_handling(m_png);
        png_read_update_info(m_png, m_info);
        channels = png_get_channels(m_png, m_info);
        return true;
    }

    bool readRow(uint8_t *row)
    {
        if (setjmp(m_failure.jump))
            return false;
        png_read_row(m_png, row, nullptr);
        return true;
    }

    [[noreturn]] void fail() const
    {
        const std::string reason = m_source.cutShort ? _("the file is cut short") : std::string(m_failure.message);
        throw Error(formatText(_("PNG error: %s"), {reason}));
    }

    png_structp png() const { return m_png; }
    png_infop info() const { return m_info; }

private:
    PngSource m_source;
    PngFailure m_failure {};
    png_structp m_png = nullptr;
    png_infop m_info = nullptr;
};

void fillPalette(png_structp png, png_infop info, Palette &palette)
{
    png_colorp entries = nullptr;
    int count = 0;
    png_get_PLTE(png, info, &entries, &count);
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    png_get_tRNS(png, info, &alphas, &alphaCount, nullptr);
    for (int i = 0; i < count && i < 256; ++i) {
        const unsigned alpha = i < alphaCount ? alphas[i] : 255u;
        palette[static_cast<size_t>(i)]
            = {onWhite(entries[i].red, alpha), onWhite(entries[i].green, alpha), onWhite(entries[i].blue, alpha)};
    }
}

// Grey and alpha to grey, blue-green-red-alpha to blue-green-red.
void compositeRow(const uint8_t *in, int width, int channels, uint8_t *out)
{
    if (channels == 2) {
        for (int x = 0; x < width; ++x, in += 2)
            *out++ = onWhite(in[0], in[1]);
        return;
    }
    for (int x = 0; x < width; ++x, in += 4) {
        *out++ = onWhite(in[0], in[3]);
        *out++ = onWhite(in[1], in[3]);
        *out++ = onWhite(in[2], in[3]);
    }
}

} // namespace

void decodePng(const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    PngDecoder decoder(bytes, size);
    if (!decoder.readInfo())
        decoder.fail();
    const png_uint_32 width = png_get_image_width(decoder.png(), decoder.info());
    const png_uint_32 height = png_get_image_height(decoder.png(), decoder.info());
    checkPictureSize(width, height);
    const bool paletted = png_get_color_type(decoder.png(), decoder.info()) == PNG_COLOR_TYPE_PALETTE;

    int passes = 1;
    int channels = 1;
    if (!decoder.configure(passes, channels))
        decoder.fail();
    if (channels < 1 || channels > 4)
        throw Error(formatText(_("PNG error: %s"), {"unexpected channel count"}));

    const int w = static_cast<int>(width);
    const int h = static_cast<int>(height);
    // An interlaced file needs every row kept until its last pass; otherwise one row serves.
    const size_t rowBytes = static_cast<size_t>(w) * static_cast<size_t>(channels);
    const size_t keptRows = passes > 1 ? static_cast<size_t>(h) : 1;
    // libpng's own rows are of the file's samples, up to 8 bytes a pixel.
    target.reserve(w, h, rowBytes * keptRows + 2 * (static_cast<uint64_t>(w) * 8 + 1));

    const bool grey = channels <= 2;
    Palette palette {};
    if (paletted)
        fillPalette(decoder.png(), decoder.info(), palette);
    else if (grey)
        palette = greyPalette();
    RowSink &sink = target.sink();
    sink.begin(w, h, grey ? Layout::Palette8 : Layout::Rgb24, palette);

    std::vector<uint8_t> rows(rowBytes * keptRows);
    for (int pass = 0; pass < passes; ++pass) {
        for (int y = 0; y < h; ++y) {
            uint8_t *row = rows.data() + (passes > 1 ? rowBytes * static_cast<size_t>(y) : 0);
            if (!decoder.readRow(row))
                decoder.fail();
            // In the last pass each row comes out complete.
            if (pass < passes - 1)
                continue;
            if (channels == 1 || channels == 3)
                std::memcpy(sink.row(y), row, rowBytes);
            else
                compositeRow(row, w, channels, sink.row(y));
            sink.put();
        }
    }
}

} // namespace vexaris::imaging::detail
