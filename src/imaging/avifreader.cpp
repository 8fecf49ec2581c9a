// AVIF through libavif: the first image (of a sequence, the first frame), converted to 8-bit
// blue-green-red by libavif. libavif leaves the file's rotation, mirroring and clean aperture to
// its caller, and like a caller that takes the library's defaults we leave them too.
#include <avif/avif.h>
#include <dav1d/dav1d.h>
#include <dlfcn.h>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/pictureloader.h"
#include "imaging/readers.h"

// dav1d, the AV1 decoder libavif (and libheif) decode with, writes its own diagnostics of a
// damaged file on standard error through the logger in its settings, which libavif gives its
// callers no way to set; our one log line per file already says what failed. libavif takes
// dav1d's settings from dav1d_default_settings(), so this definition, found before dav1d's own,
// takes dav1d's defaults and leaves the logger out, as dav1d's documentation allows.
extern "C" void dav1d_default_settings(Dav1dSettings *settings)
{
    using Defaults = void (*)(Dav1dSettings *);
    static const auto dav1dDefaults = reinterpret_cast<Defaults>(dlsym(RTLD_NEXT, "dav1d_default_settings"));
    dav1dDefaults(settings);
    settings->logger.callback = nullptr;
}

namespace vexaris::imaging::detail {

namespace {

struct DecoderDestroy
{
    void operator()(avifDecoder *decoder) const { avifDecoderDestroy(decoder); }
};

void check(avifResult result)
{
    if (result == AVIF_RESULT_OK)
        return;
    const std::string reason
        = result == AVIF_RESULT_TRUNCATED_DATA ? _("the file is cut short") : std::string(avifResultToString(result));
    throw Error(formatText(_("AVIF error: %s"), {reason}));
}

// What decoding takes beside the converted picture: the AV1 decoder's frame with its borders, or
// a picture made of tiles once more as a whole, and the alpha plane's decoder alike; samples
// above 8 bits take two bytes.
uint64_t decoderBytes(const avifDecoder &decoder)
{
    const avifImage &image = *decoder.image;
    const uint64_t pixels = static_cast<uint64_t>(image.width) * image.height;
    const uint64_t sampleBytes = image.depth > 8 ? 2 : 1;
    uint64_t chromaQuarters = 2; // 4:2:0
    if (image.yuvFormat == AVIF_PIXEL_FORMAT_YUV444)
        chromaQuarters = 8;
    else if (image.yuvFormat == AVIF_PIXEL_FORMAT_YUV422)
        chromaQuarters = 4;
    const uint64_t frame = pixels * sampleBytes * (4 + chromaQuarters) / 4;
    const uint64_t alphaFrame = decoder.alphaPresent ? pixels * sampleBytes : 0;
    const uint64_t converted = pixels * (decoder.alphaPresent ? 4 : 3);
    return 2 * (frame + alphaFrame) + converted + (uint64_t(16) << 20);
}

} // namespace

void decodeAvif(const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    std::unique_ptr<avifDecoder, DecoderDestroy> decoder(avifDecoderCreate());
    if (!decoder)
        throw Error(_("Out of memory"));
    // libavif refuses these before it allocates a plane; ours are the limits of every reader.
    decoder->imageSizeLimit = static_cast<uint32_t>(kMaxPicturePixels);
    decoder->imageDimensionLimit = static_cast<uint32_t>(kMaxPictureSide);
    decoder->ignoreExif = AVIF_TRUE;
    decoder->ignoreXMP = AVIF_TRUE;
    check(avifDecoderSetIOMemory(decoder.get(), bytes, size));
    check(avifDecoderParse(decoder.get()));
    checkPictureSize(decoder->image->width, decoder->image->height);
    target.reserve(decoder->image->width, decoder->image->height, decoderBytes(*decoder));
    check(avifDecoderNextImage(decoder.get()));

    const avifImage *image = decoder->image;
    checkPictureSize(image->width, image->height);
    const int width = static_cast<int>(image->width);
    const int height = static_cast<int>(image->height);
    const bool alpha = image->alphaPlane != nullptr;
    const bool grey = image->yuvFormat == AVIF_PIXEL_FORMAT_YUV400;

    // libavif converts the whole picture at once; converting it in bands would change the
    // colours along the bands' edges, where the chroma samples are interpolated.
    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.depth = 8;
    rgb.format = alpha ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_BGR;
    const SampleFormat format {alpha ? 4 : 3, false, false};
    std::vector<uint8_t> samples(
        static_cast<size_t>(width) * static_cast<size_t>(format.channels) * static_cast<size_t>(height));
    rgb.pixels = samples.data();
    rgb.rowBytes = static_cast<uint32_t>(width * format.channels);
    check(avifImageYUVToRGB(image, &rgb));

    RowSink &sink = target.sink();
    const Layout layout = grey ? Layout::Palette8 : Layout::Rgb24;
    sink.begin(width, height, layout, grey ? greyPalette() : Palette {});
    for (int y = 0; y < height; ++y) {
        storeSampleRow(samples.data() + static_cast<size_t>(rgb.rowBytes) * static_cast<size_t>(y), width, format,
            sink.row(y), layout);
        sink.put();
    }
}

} // namespace vexaris::imaging::detail
