// Rows of 8-bit samples, as the newer codec libraries hand them out, into the bitmap layouts.
#include <algorithm>
#include <cassert>

#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

// Colour already multiplied by alpha only needs what alpha leaves out added, for white to show.
inline uint8_t premultipliedOnWhite(unsigned colour, unsigned alpha)
{
    return static_cast<uint8_t>(std::min(255u, colour + 255u - alpha));
}

template <bool kPremultiplied> inline uint8_t composite(unsigned colour, unsigned alpha)
{
    if constexpr (kPremultiplied)
        return premultipliedOnWhite(colour, alpha);
    else
        return onWhite(colour, alpha);
}

template <bool kPremultiplied>
void storeWithAlpha(const uint8_t *in, int count, const SampleFormat &format, uint8_t *out, Layout layout)
{
    const int channels = format.channels;
    const int alphaAt = channels - 1;
    if (layout == Layout::Palette8) {
        for (int x = 0; x < count; ++x, in += channels)
            *out++ = composite<kPremultiplied>(in[0], in[alphaAt]);
        return;
    }
    const int blueAt = format.redFirst ? 2 : 0;
    const int redAt = 2 - blueAt;
    for (int x = 0; x < count; ++x, in += channels) {
        *out++ = composite<kPremultiplied>(in[blueAt], in[alphaAt]);
        *out++ = composite<kPremultiplied>(in[1], in[alphaAt]);
        *out++ = composite<kPremultiplied>(in[redAt], in[alphaAt]);
    }
}

} // namespace

void storeSampleRow(const uint8_t *in, int count, const SampleFormat &format, uint8_t *out, Layout layout)
{
    const int channels = format.channels;
    if (channels == 2 || channels == 4) {
        if (format.premultiplied)
            storeWithAlpha<true>(in, count, format, out, layout);
        else
            storeWithAlpha<false>(in, count, format, out, layout);
        return;
    }
    if (layout == Layout::Palette8) {
        for (int x = 0; x < count; ++x, in += channels)
            *out++ = in[0];
        return;
    }
    assert(channels == 3);
    if (!format.redFirst) {
        std::copy(in, in + static_cast<size_t>(count) * 3, out);
        return;
    }
    for (int x = 0; x < count; ++x, in += 3) {
        *out++ = in[2];
        *out++ = in[1];
        *out++ = in[0];
    }
}

bool samplesAreGrey(const uint8_t *in, int count, int channels)
{
    for (int x = 0; x < count; ++x, in += channels) {
        if (in[0] != in[1] || in[1] != in[2])
            return false;
    }
    return true;
}

} // namespace vexaris::imaging::detail
