// The loader's entry point, as the update run drives it: the first byte picks the extension,
// the rest is the file. Loading and converting end in a bitmap or a vexaris::Error.
#include <array>
#include <cstddef>
#include <cstdint>

#include "common/error.h"
#include "imaging/pictureloader.h"

namespace {

constexpr std::array kExtensions = {"bmp", "rle", "jpg", "gif", "png", "tif", "eps", "tga", "pcx", "psd", "psp", "sgi",
    "ppm", "rla", "cel", "pcd", "cut", "ico", "wmf", "emf", "heic", "webp", "avif", "jxl"};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const char *extension = kExtensions[data[0] % kExtensions.size()];
    // One picture and one bitmap for every input, as a run keeps them.
    static vexaris::imaging::Picture picture;
    static vexaris::imaging::Bitmap bitmap;
    try {
        vexaris::imaging::LoadPictureData(extension, data + 1, size - 1, picture);
        vexaris::imaging::PictureToBitmap(picture, bitmap);
    } catch (const vexaris::Error &) {
    }
    return 0;
}
