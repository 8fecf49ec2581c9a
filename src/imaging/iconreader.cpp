// Icons and metafiles are recognised but never decoded: only the size their header declares is
// read, so that they are reported as pictures that cannot be converted.
#include <cstdlib>
#include <string>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/bytereader.h"
#include "imaging/pictureloader.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

void readIconSize(const uint8_t *bytes, size_t size, int &width, int &height)
{
    ByteReader reader(bytes, size, _("The icon file is truncated"));
    const uint16_t reserved = reader.u16();
    const uint16_t type = reader.u16();
    const uint16_t count = reader.u16();
    if (reserved != 0 || (type != 1 && type != 2) || count == 0)
        throw Error(_("Not an icon file"));
    // The largest image of the icon stands for it; a stored 0 means 256.
    width = 0;
    height = 0;
    for (uint16_t i = 0; i < count; ++i) {
        const uint8_t *entry = reader.take(16);
        const int w = entry[0] ? entry[0] : 256;
        const int h = entry[1] ? entry[1] : 256;
        if (w * h > width * height) {
            width = w;
            height = h;
        }
    }
}

void readMetafileSize(const uint8_t *bytes, size_t size, int &width, int &height)
{
    ByteReader reader(bytes, size, _("The metafile is truncated"));
    if (size >= 4 && bytes[0] == 0xD7 && bytes[1] == 0xCD && bytes[2] == 0xC6 && bytes[3] == 0x9A) {
        // A placeable metafile: its frame in units of which `inch` make an inch, shown at 96 dpi.
        reader.skip(6);
        const auto left = static_cast<int16_t>(reader.u16());
        const auto top = static_cast<int16_t>(reader.u16());
        const auto right = static_cast<int16_t>(reader.u16());
        const auto bottom = static_cast<int16_t>(reader.u16());
        const uint16_t inch = reader.u16();
        if (inch == 0)
            throw Error(_("Metafiles cannot be converted to a bitmap"));
        width = std::abs(right - left) * 96 / inch;
        height = std::abs(bottom - top) * 96 / inch;
        return;
    }
    if (size >= 44 && bytes[40] == ' ' && bytes[41] == 'E' && bytes[42] == 'M' && bytes[43] == 'F') {
        // An enhanced metafile: its bounds in device pixels, both ends included.
        reader.skip(8);
        const int32_t left = reader.i32();
        const int32_t top = reader.i32();
        const int32_t right = reader.i32();
        const int32_t bottom = reader.i32();
        const int64_t w = int64_t(right) - left + 1;
        const int64_t h = int64_t(bottom) - top + 1;
        if (w > 0 && h > 0 && w <= kMaxPictureSide && h <= kMaxPictureSide) {
            width = static_cast<int>(w);
            height = static_cast<int>(h);
            return;
        }
    }
    // A plain metafile states no size at all.
    throw Error(_("Metafiles cannot be converted to a bitmap"));
}

} // namespace vexaris::imaging::detail
