// A picture as a format reader returns it: its size and either the decoded pixels or, for JPEG,
// the file's bytes waiting to be decoded.
#pragma once

#include <cstdint>
#include <vector>

#include "imaging/bitmap.h"

namespace vexaris::imaging {

enum class PictureFormat {
    WindowsBitmap,
    Jpeg,
    Gif,
    Png,
    Tiff,
    Eps,
    Targa,
    Pcx,
    Photoshop,
    PaintShopPro,
    Sgi,
    PortableAnymap,
    Rla,
    AnimatorCel,
    PhotoCd,
    DrHalo,
    Icon,
    Metafile,
    Heif,
    Webp,
    Avif,
    JpegXl,
};

// One picture kept by a run serves every file: the byte and pixel buffers keep their capacity
// from one load to the next.
struct Picture
{
    PictureFormat format = PictureFormat::WindowsBitmap;
    int width = 0;
    int height = 0;
    // The decoded pixels for every format but JPEG, icons and metafiles.
    Bitmap bitmap;
    // The file's bytes; a JPEG picture is decoded from them by PictureToBitmap.
    std::vector<uint8_t> data;
};

} // namespace vexaris::imaging
