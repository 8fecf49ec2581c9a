// JPEG XL through libjxl: the first frame, composed and turned upright as libjxl does by default,
// in 8-bit samples. The decoder hands the pixels over row piece by row piece, straight to the
// sink, so no copy of the picture is held beside libjxl's own.
#include <algorithm>
#include <exception>
#include <jxl/decode.h>
#include <memory>
#include <sched.h>
#include <string>
#include <thread>

#include <fcntl.h>
#include <unistd.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

struct DecoderDestroy
{
    void operator()(JxlDecoder *decoder) const { JxlDecoderDestroy(decoder); }
};

[[noreturn]] void failJxl(const char *reason)
{
    throw Error(formatText(_("JPEG XL error: %s"), {_(reason)}));
}

struct PixelSink
{
    RowSink *sink = nullptr;
    int width = 0;
    int height = 0;
    Layout layout = Layout::Rgb24;
    SampleFormat format;
};

// Called by libjxl with C frames around it: nothing here may throw.
extern "C" void storeJxlPixels(void *opaque, size_t x, size_t y, size_t count, const void *pixels)
{
    auto *out = static_cast<PixelSink *>(opaque);
    // libjxl stays within the size it announced; this only keeps a fault there from writing
    // outside the picture.
    if (y >= static_cast<size_t>(out->height) || x > static_cast<size_t>(out->width)
        || count > static_cast<size_t>(out->width) - x)
        return;
    const int column = static_cast<int>(x);
    const int n = static_cast<int>(count);
    storeSampleRow(static_cast<const uint8_t *>(pixels), n, out->format,
        out->sink->pixels(column, static_cast<int>(y), n), out->layout);
    out->sink->put();
}

// libjxl keeps the frame it decodes in planes of 32-bit samples, three for the colour even of
// a grey picture, one for every extra channel, and more than one set of them on the way to the
// output: about six bytes a sample at its peak.
uint64_t decoderBytes(const JxlBasicInfo &info)
{
    const uint64_t pixels = static_cast<uint64_t>(info.xsize) * info.ysize;
    const uint64_t channels = std::max<uint64_t>(3, info.num_color_channels) + info.num_extra_channels;
    return pixels * channels * 6 + (uint64_t(16) << 20);
}

void decode(const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    std::unique_ptr<JxlDecoder, DecoderDestroy> decoder(JxlDecoderCreate(nullptr));
    if (!decoder)
        throw Error(_("Out of memory"));
    JxlDecoder *d = decoder.get();
    if (JxlDecoderSubscribeEvents(d, JXL_DEC_BASIC_INFO | JXL_DEC_FULL_IMAGE) != JXL_DEC_SUCCESS
        || JxlDecoderSetUnpremultiplyAlpha(d, JXL_TRUE) != JXL_DEC_SUCCESS
        || JxlDecoderSetInput(d, bytes, size) != JXL_DEC_SUCCESS)
        failJxl(N_("the decoder cannot be set up"));
    JxlDecoderCloseInput(d);

    PixelSink sink {&target.sink(), 0, 0, Layout::Rgb24, {}};
    JxlPixelFormat pixelFormat {3, JXL_TYPE_UINT8, JXL_NATIVE_ENDIAN, 0};
    bool sized = false;
    for (;;) {
        switch (JxlDecoderProcessInput(d)) {
        case JXL_DEC_BASIC_INFO: {
            JxlBasicInfo info;
            if (JxlDecoderGetBasicInfo(d, &info) != JXL_DEC_SUCCESS)
                failJxl(N_("the file is damaged"));
            const bool transposed = info.orientation >= JXL_ORIENT_TRANSPOSE;
            const uint32_t width = transposed ? info.ysize : info.xsize;
            const uint32_t height = transposed ? info.xsize : info.ysize;
            checkPictureSize(width, height);
            target.reserve(width, height, decoderBytes(info));
            const bool grey = info.num_color_channels == 1;
            const bool alpha = info.alpha_bits > 0;
            sink.format = {(grey ? 1 : 3) + (alpha ? 1 : 0), true, false};
            sink.width = static_cast<int>(width);
            sink.height = static_cast<int>(height);
            sink.layout = grey ? Layout::Palette8 : Layout::Rgb24;
            pixelFormat.num_channels = static_cast<uint32_t>(sink.format.channels);
            target.sink().begin(sink.width, sink.height, sink.layout, grey ? greyPalette() : Palette {});
            sized = true;
            break;
        }
        case JXL_DEC_NEED_IMAGE_OUT_BUFFER:
            if (!sized || JxlDecoderSetImageOutCallback(d, &pixelFormat, storeJxlPixels, &sink) != JXL_DEC_SUCCESS)
                failJxl(N_("the file is damaged"));
            break;
        case JXL_DEC_FULL_IMAGE:
            return; // the first frame is all we read
        case JXL_DEC_NEED_MORE_INPUT:
            failJxl(N_("the file is cut short"));
        case JXL_DEC_SUCCESS:
            failJxl(N_("the file holds no picture"));
        default:
            failJxl(N_("the file is damaged"));
        }
    }
}

// libjxl as this system builds it writes every failure on the way out of a damaged file to
// standard error, and offers neither a callback nor a level for that; our one log line per file
// already says what failed. So the decoding runs on a thread of its own whose table of open files
// is a private copy, with standard error pointing nowhere in that copy alone: the process's
// standard error, which every other thread writes to, stays as it was. Where the copy cannot be
// made, libjxl speaks as before.
template <typename Work> void withoutStandardError(Work work)
{
    std::exception_ptr failure;
    std::thread quiet([&] {
        try {
            if (::unshare(CLONE_FILES) == 0) {
                const int nowhere = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
                if (nowhere >= 0) {
                    ::dup2(nowhere, STDERR_FILENO);
                    ::close(nowhere);
                }
            }
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    });
    quiet.join();
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace

void decodeJpegXl(const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    withoutStandardError([&] { decode(bytes, size, target); });
}

} // namespace vexaris::imaging::detail
