// WebP through libwebp: a still picture straight into the bitmap, the first frame of an animation
// as libwebp's animation decoder draws it on the canvas. WebP has no grey coding, so every
// picture comes out as Rgb24.
#include <memory>
#include <string>
#include <vector>
#include <webp/decode.h>
#include <webp/demux.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

[[noreturn]] void failWebp(VP8StatusCode status)
{
    const char *reason = N_("the file is damaged");
    switch (status) {
    case VP8_STATUS_OUT_OF_MEMORY:
        reason = N_("out of memory");
        break;
    case VP8_STATUS_UNSUPPORTED_FEATURE:
        reason = N_("a feature this decoder does not support");
        break;
    case VP8_STATUS_SUSPENDED:
    case VP8_STATUS_NOT_ENOUGH_DATA:
        reason = N_("the file is cut short");
        break;
    default:
        break;
    }
    throw Error(formatText(_("WebP error: %s"), {_(reason)}));
}

struct AnimationDelete
{
    void operator()(WebPAnimDecoder *decoder) const { WebPAnimDecoderDelete(decoder); }
};

void decodeFirstFrame(const uint8_t *bytes, size_t size, int width, int height, Bitmap &bitmap)
{
    WebPAnimDecoderOptions options;
    if (!WebPAnimDecoderOptionsInit(&options))
        failWebp(VP8_STATUS_INVALID_PARAM);
    options.color_mode = MODE_BGRA;
    options.use_threads = 0;
    const WebPData data {bytes, size};
    std::unique_ptr<WebPAnimDecoder, AnimationDelete> decoder(WebPAnimDecoderNew(&data, &options));
    if (!decoder)
        failWebp(VP8_STATUS_BITSTREAM_ERROR);
    WebPAnimInfo info {};
    if (!WebPAnimDecoderGetInfo(decoder.get(), &info) || info.canvas_width != static_cast<uint32_t>(width)
        || info.canvas_height != static_cast<uint32_t>(height))
        failWebp(VP8_STATUS_BITSTREAM_ERROR);
    uint8_t *canvas = nullptr;
    int timestamp = 0;
    if (!WebPAnimDecoderGetNext(decoder.get(), &canvas, &timestamp) || !canvas)
        failWebp(VP8_STATUS_BITSTREAM_ERROR);
    // The canvas starts transparent, so what the first frame leaves uncovered shows white.
    bitmap.allocate(width, height, Layout::Rgb24);
    const SampleFormat format {4, false, false};
    for (int y = 0; y < height; ++y)
        storeSampleRow(canvas + static_cast<size_t>(width) * 4 * static_cast<size_t>(y), width, format, bitmap.row(y),
            Layout::Rgb24);
}

} // namespace

void decodeWebp(const uint8_t *bytes, size_t size, Bitmap &bitmap)
{
    WebPDecoderConfig config;
    if (!WebPInitDecoderConfig(&config))
        failWebp(VP8_STATUS_INVALID_PARAM);
    const VP8StatusCode status = WebPGetFeatures(bytes, size, &config.input);
    if (status != VP8_STATUS_OK)
        failWebp(status);
    // For an animation this is the canvas, which every frame must fit in.
    const int width = config.input.width;
    const int height = config.input.height;
    checkPictureSize(width, height);
    if (config.input.has_animation) {
        decodeFirstFrame(bytes, size, width, height, bitmap);
        return;
    }

    const bool alpha = config.input.has_alpha != 0;
    const size_t pixels = static_cast<size_t>(width) * static_cast<size_t>(height);
    std::vector<uint8_t> withAlpha;
    bitmap.allocate(width, height, Layout::Rgb24);
    config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    if (alpha) {
        withAlpha.resize(pixels * 4);
        config.output.u.RGBA.rgba = withAlpha.data();
        config.output.u.RGBA.stride = width * 4;
        config.output.u.RGBA.size = withAlpha.size();
    } else {
        config.output.u.RGBA.rgba = bitmap.data();
        config.output.u.RGBA.stride = width * 3;
        config.output.u.RGBA.size = pixels * 3;
    }
    const VP8StatusCode decoded = WebPDecode(bytes, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (decoded != VP8_STATUS_OK)
        failWebp(decoded);
    if (alpha) {
        const SampleFormat format {4, false, false};
        for (int y = 0; y < height; ++y)
            storeSampleRow(withAlpha.data() + static_cast<size_t>(width) * 4 * static_cast<size_t>(y), width, format,
                bitmap.row(y), Layout::Rgb24);
    }
}

} // namespace vexaris::imaging::detail
