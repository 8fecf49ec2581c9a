// Autodesk Animator cel reader: any bytes end in a bitmap or a vexaris::Error.
#include <cstddef>
#include <cstdint>

#include "common/error.h"
#include "imaging/readers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    vexaris::imaging::Bitmap bitmap;
    try {
        vexaris::imaging::detail::decodeAnimatorCel(data, size, bitmap);
    } catch (const vexaris::Error &) {
    }
    return 0;
}
