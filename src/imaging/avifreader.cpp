// AVIF through libavif: the first image (of a sequence, the first frame), converted to 8-bit
// blue-green-red by libavif. libavif leaves the file's rotation, mirroring and clean aperture to
// its caller, and like a caller that takes the library's defaults we leave them too.
#include <avif/avif.h>
#include <memory>
#include <string>
#include <vector>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/pictureloader.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

struct DecoderDestroy
{
    void operator()(avifDecoder *decoder) const { avifDecoderDestroy(decoder); }
};

void check(avifResult result)
{
    if (result != AVIF_RESULT_OK)
        throw Error(formatText(_("AVIF error: %s"), {std::string(avifResultToString(result))}));
}

} // namespace

void decodeAvif(const uint8_t *bytes, size_t size, Bitmap &bitmap)
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
    check(avifDecoderNextImage(decoder.get()));

    const avifImage *image = decoder->image;
    checkPictureSize(image->width, image->height);
    const int width = static_cast<int>(image->width);
    const int height = static_cast<int>(image->height);
    const bool alpha = image->alphaPlane != nullptr;
    const bool grey = image->yuvFormat == AVIF_PIXEL_FORMAT_YUV400;

    avifRGBImage rgb;
    avifRGBImageSetDefaults(&rgb, image);
    rgb.depth = 8;
    rgb.format = alpha ? AVIF_RGB_FORMAT_BGRA : AVIF_RGB_FORMAT_BGR;
    bitmap.allocate(width, height, grey ? Layout::Palette8 : Layout::Rgb24);
    if (!alpha && !grey) {
        rgb.pixels = bitmap.data();
        rgb.rowBytes = static_cast<uint32_t>(bitmap.stride());
        check(avifImageYUVToRGB(image, &rgb));
        return;
    }
    // Grey or alpha pictures pass through colour samples before they reach the bitmap.
    const SampleFormat format {alpha ? 4 : 3, false, false};
    std::vector<uint8_t> samples(
        static_cast<size_t>(width) * static_cast<size_t>(format.channels) * static_cast<size_t>(height));
    rgb.pixels = samples.data();
    rgb.rowBytes = static_cast<uint32_t>(width * format.channels);
    check(avifImageYUVToRGB(image, &rgb));
    if (grey)
        setGreyPalette(bitmap);
    for (int y = 0; y < height; ++y)
        storeSampleRow(samples.data() + static_cast<size_t>(rgb.rowBytes) * static_cast<size_t>(y), width, format,
            bitmap.row(y), bitmap.layout());
}

} // namespace vexaris::imaging::detail
