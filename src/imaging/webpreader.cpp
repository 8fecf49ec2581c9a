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

void decodeFirstFrame(const uint8_t *bytes, size_t size, int width, int height, RowSink &sink)
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
    sink.begin(width, height, Layout::Rgb24, {});
    const SampleFormat format {4, false, false};
    for (int y = 0; y < height; ++y) {
        storeSampleRow(canvas + static_cast<size_t>(width) * 4 * static_cast<size_t>(y), width, format, sink.row(y),
            Layout::Rgb24);
        sink.put();
    }
}

} // namespace

void decodeWebp(const uint8_t *bytes, size_t size, DecodeTarget &target)
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
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    // libwebp has no way to hand rows over as it decodes, so the picture is decoded whole. A
    // lossy picture needs little beside the output but its alpha plane; a lossless one is
    // decoded in full into libwebp's own 32-bit pixels first.
    const uint64_t rows = static_cast<uint64_t>(width) * 256;
    if (config.input.has_animation) {
        // The canvas, the previous canvas, and a frame as large as the canvas.
        target.reserve(width, height, pixels * 4 * 3 + rows);
        decodeFirstFrame(bytes, size, width, height, target.sink());
        return;
    }

    const bool alpha = config.input.has_alpha != 0;
    const bool lossy = config.input.format == 1;
    const int channels = alpha ? 4 : 3;
    target.reserve(width, height,
        pixels * static_cast<uint64_t>(channels) + (lossy ? (alpha ? pixels * 2 : 0) : pixels * 4) + rows);

    std::vector<uint8_t> decoded(static_cast<size_t>(pixels) * static_cast<size_t>(channels));
    const int stride = width * channels;
    config.output.colorspace = alpha ? MODE_BGRA : MODE_BGR;
    config.output.is_external_memory = 1;
    config.output.u.RGBA.rgba = decoded.data();
    config.output.u.RGBA.stride = stride;
    config.output.u.RGBA.size = decoded.size();
    const VP8StatusCode result = WebPDecode(bytes, size, &config);
    WebPFreeDecBuffer(&config.output);
    if (result != VP8_STATUS_OK)
        failWebp(result);
    RowSink &sink = target.sink();
    sink.begin(width, height, Layout::Rgb24, {});
    const SampleFormat format {channels, false, false};
    for (int y = 0; y < height; ++y) {
        storeSampleRow(decoded.data() + static_cast<size_t>(stride) * static_cast<size_t>(y), width, format,
            sink.row(y), Layout::Rgb24);
        sink.put();
    }
}

} // namespace vexaris::imaging::detail
