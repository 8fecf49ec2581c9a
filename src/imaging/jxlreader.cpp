// JPEG XL through libjxl: the first frame, composed and turned upright as libjxl does by default,
// in 8-bit samples. The decoder hands the pixels over row piece by row piece, straight into the
// bitmap, so no second copy of the picture is ever held.
#include <jxl/decode.h>
#include <memory>
#include <string>

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
    Bitmap *bitmap = nullptr;
    SampleFormat format;
};

extern "C" void storeJxlPixels(void *opaque, size_t x, size_t y, size_t count, const void *pixels)
{
    auto *sink = static_cast<PixelSink *>(opaque);
    Bitmap &bitmap = *sink->bitmap;
    // libjxl stays within the size it announced; this only keeps a fault there from writing
    // outside the bitmap.
    if (y >= static_cast<size_t>(bitmap.height()) || x > static_cast<size_t>(bitmap.width())
        || count > static_cast<size_t>(bitmap.width()) - x)
        return;
    uint8_t *out = bitmap.row(static_cast<int>(y)) + x * static_cast<size_t>(bitmap.bytesPerPixel());
    storeSampleRow(static_cast<const uint8_t *>(pixels), static_cast<int>(count), sink->format, out, bitmap.layout());
}

} // namespace

void decodeJpegXl(const uint8_t *bytes, size_t size, Bitmap &bitmap)
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

    PixelSink sink {&bitmap, {}};
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
            const bool grey = info.num_color_channels == 1;
            const bool alpha = info.alpha_bits > 0;
            sink.format = {(grey ? 1 : 3) + (alpha ? 1 : 0), true, false};
            pixelFormat.num_channels = static_cast<uint32_t>(sink.format.channels);
            bitmap.allocate(static_cast<int>(width), static_cast<int>(height), grey ? Layout::Palette8 : Layout::Rgb24);
            if (grey)
                setGreyPalette(bitmap);
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

} // namespace vexaris::imaging::detail
