// One of the readers over a codec library (HEIF, WebP, AVIF, JPEG XL), chosen when the target is
// built: any bytes end in a bitmap or a vexaris::Error. The bitmap is kept from one input to the
// next, as a run keeps it.
#include <cstddef>
#include <cstdint>

#include "common/error.h"
#include "imaging/readers.h"

#ifndef VEXARIS_FUZZ_DECODE
#error "Build with VEXARIS_FUZZ_DECODE naming the reader, e.g. decodeWebp"
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static vexaris::imaging::Bitmap bitmap;
    try {
        vexaris::imaging::detail::VEXARIS_FUZZ_DECODE(data, size, bitmap);
    } catch (const vexaris::Error &) {
    }
    return 0;
}
