// HEIF (HEIC) through libheif: the primary image, cropped, turned and mirrored as the file asks
// and as libheif does by default; samples of more than 8 bits are brought to 8 by libheif.
#include <algorithm>
#include <libheif/heif.h>
#include <memory>
#include <mutex>
#include <string>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

struct ContextFree
{
    void operator()(heif_context *context) const { heif_context_free(context); }
};
struct HandleRelease
{
    void operator()(heif_image_handle *handle) const { heif_image_handle_release(handle); }
};
struct ImageRelease
{
    void operator()(heif_image *image) const { heif_image_release(image); }
};
struct OptionsFree
{
    void operator()(heif_decoding_options *options) const { heif_decoding_options_free(options); }
};

// libheif ends some of its messages with a line break; ours are one line.
[[noreturn]] void failHeif(std::string message)
{
    std::replace(message.begin(), message.end(), '\n', ' ');
    while (!message.empty() && message.back() == ' ')
        message.pop_back();
    throw Error(formatText(_("HEIF error: %s"), {message.empty() ? std::string("unreadable file") : message}));
}

void check(const heif_error &error)
{
    if (error.code != heif_error_Ok)
        failHeif(error.message ? error.message : "");
}

// What libheif holds at its peak: the decoded planes, and once more while a picture made of tiles
// is put together or turned (counted as if the chroma were not subsampled, which libheif does
// not say before decoding), the planes brought to 16 bits and then to 8 on the way to
// interleaved samples when the file has more than 8 bits, and the decoder's own state.
uint64_t decoderBytes(const heif_image_handle *handle, int width, int height, bool alpha)
{
    const uint64_t pixels = static_cast<uint64_t>(width) * static_cast<uint64_t>(height);
    const bool deep = heif_image_handle_get_luma_bits_per_pixel(handle) > 8
        || heif_image_handle_get_chroma_bits_per_pixel(handle) > 8;
    const uint64_t sampleBytes = deep ? 2 : 1;
    const uint64_t channels = alpha ? 4 : 3;
    const uint64_t planes = pixels * sampleBytes * channels;
    const uint64_t interleaved = pixels * channels * (deep ? 3 : 1);
    return 2 * planes + interleaved + (uint64_t(32) << 20);
}

} // namespace

void decodeHeif(const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    // Registers the codecs; libheif counts the calls, and the program keeps it for its lifetime.
    static std::once_flag started;
    std::call_once(started, [] { heif_init(nullptr); });

    std::unique_ptr<heif_context, ContextFree> context(heif_context_alloc());
    if (!context)
        throw Error(_("Out of memory"));
    check(heif_context_read_from_memory_without_copy(context.get(), bytes, size, nullptr));
    heif_image_handle *rawHandle = nullptr;
    check(heif_context_get_primary_image_handle(context.get(), &rawHandle));
    std::unique_ptr<heif_image_handle, HandleRelease> handle(rawHandle);

    // The size after the file's own turns and crops, which is the size decoded.
    const int width = heif_image_handle_get_width(handle.get());
    const int height = heif_image_handle_get_height(handle.get());
    checkPictureSize(width, height);
    const bool alpha = heif_image_handle_has_alpha_channel(handle.get()) != 0;
    target.reserve(width, height, decoderBytes(handle.get(), width, height, alpha));

    std::unique_ptr<heif_decoding_options, OptionsFree> options(heif_decoding_options_alloc());
    if (!options)
        throw Error(_("Out of memory"));
    options->convert_hdr_to_8bit = 1;
    heif_image *rawImage = nullptr;
    check(heif_decode_image(handle.get(), &rawImage, heif_colorspace_RGB,
        alpha ? heif_chroma_interleaved_RGBA : heif_chroma_interleaved_RGB, options.get()));
    std::unique_ptr<heif_image, ImageRelease> image(rawImage);

    int stride = 0;
    const uint8_t *plane = heif_image_get_plane_readonly(image.get(), heif_channel_interleaved, &stride);
    if (!plane || stride <= 0 || heif_image_get_bits_per_pixel_range(image.get(), heif_channel_interleaved) != 8
        || heif_image_get_width(image.get(), heif_channel_interleaved) != width
        || heif_image_get_height(image.get(), heif_channel_interleaved) != height)
        failHeif("unexpected decoded picture");

    const SampleFormat format {alpha ? 4 : 3, true, alpha && heif_image_is_premultiplied_alpha(image.get()) != 0};
    const auto rowAt = [&](int y) { return plane + static_cast<size_t>(stride) * static_cast<size_t>(y); };
    // This libheif tells how a picture was coded only by decoding it. A picture coded in grey
    // comes out with equal colour samples, so that is where it is recognised; one decode serves.
    bool grey = true;
    for (int y = 0; y < height && grey; ++y)
        grey = samplesAreGrey(rowAt(y), width, format.channels);

    RowSink &sink = target.sink();
    const Layout layout = grey ? Layout::Palette8 : Layout::Rgb24;
    sink.begin(width, height, layout, grey ? greyPalette() : Palette {});
    for (int y = 0; y < height; ++y) {
        storeSampleRow(rowAt(y), width, format, sink.row(y), layout);
        sink.put();
    }
}

} // namespace vexaris::imaging::detail
