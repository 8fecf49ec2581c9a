// Autodesk Animator cel (.cel, .pic): a 32-byte header, a 256-colour palette and one byte a
// pixel, top row first. No library reads it, so it is read here, every length checked.
#include <algorithm>
#include <string>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/bytereader.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

constexpr uint16_t kCelMagic = 0x9119;
constexpr size_t kHeaderBytes = 32;
constexpr size_t kPaletteBytes = 768;

} // namespace

void decodeAnimatorCel(const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    ByteReader reader(bytes, size, _("The cel file is truncated"));
    if (size < 2 || reader.u16() != kCelMagic)
        throw Error(_("Not an Autodesk Animator cel file"));
    const uint16_t width = reader.u16();
    const uint16_t height = reader.u16();
    reader.skip(4); // the cel's offset on the animation's screen
    const uint8_t bitsPerPixel = reader.u8();
    const uint8_t compression = reader.u8();
    if (bitsPerPixel != 8 || compression != 0)
        throw Error(formatText(_("Unsupported Autodesk Animator cel (%d bits a pixel, compression %d)"),
            {std::to_string(bitsPerPixel), std::to_string(compression)}));
    checkPictureSize(width, height);
    reader.seek(kHeaderBytes);
    const uint8_t *palette = reader.take(kPaletteBytes);
    const size_t pixelBytes = size_t(width) * height;
    const uint8_t *pixels = reader.take(pixelBytes);

    // Animator writes VGA palettes of 0..63 a channel; a palette with larger values is taken as
    // full 8-bit.
    bool sixBit = true;
    for (size_t i = 0; i < kPaletteBytes; ++i)
        sixBit = sixBit && palette[i] < 64;
    const auto level
        = [sixBit](uint8_t value) { return sixBit ? static_cast<uint8_t>((value * 255 + 31) / 63) : value; };
    Palette colours {};
    for (size_t i = 0; i < 256; ++i)
        colours[i] = {level(palette[i * 3]), level(palette[i * 3 + 1]), level(palette[i * 3 + 2])};
    // The pixels are the file's own bytes, handed on row by row.
    target.reserve(width, height, 0);
    RowSink &sink = target.sink();
    sink.begin(width, height, Layout::Palette8, colours);
    for (int y = 0; y < height; ++y) {
        std::copy(pixels + size_t(y) * width, pixels + size_t(y + 1) * width, sink.row(y));
        sink.put();
    }
}

} // namespace vexaris::imaging::detail
