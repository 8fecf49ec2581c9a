// Decoding time per picture file, with one picture and one bitmap kept for every file (as the
// update run keeps them) against fresh ones for each file. Prints milliseconds per file and
// megapixels per second.
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/picture.h"
#include "imaging/pictureloader.h"

using namespace vexaris::imaging;

namespace {

constexpr int kRounds = 5;

template <typename Decode> double bestMilliseconds(Decode decode)
{
    double best = 1e300;
    for (int round = 0; round < kRounds; ++round) {
        const auto start = std::chrono::steady_clock::now();
        decode();
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        best = std::min(best, took.count());
    }
    return best;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PICTURE...\n", argv[0]);
        return 2;
    }
    std::printf("%-34s %10s %12s %12s %10s\n", "file", "pixels", "kept ms", "fresh ms", "MP/s kept");
    Picture keptPicture;
    Bitmap keptBitmap;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path = argv[i];
        try {
            const double kept = bestMilliseconds([&] {
                LoadPictureFile(path, keptPicture);
                PictureToBitmap(keptPicture, keptBitmap);
            });
            const double fresh = bestMilliseconds([&] {
                Picture picture;
                Bitmap bitmap;
                LoadPictureFile(path, picture);
                PictureToBitmap(picture, bitmap);
            });
            const double megapixels = double(keptBitmap.width()) * keptBitmap.height() / 1e6;
            std::printf("%-34s %10.1fM %12.1f %12.1f %10.1f\n", path.filename().c_str(), megapixels, kept, fresh,
                megapixels / (kept / 1000.0));
        } catch (const std::exception &error) {
            std::printf("%-34s failed: %s\n", path.filename().c_str(), error.what());
        }
    }
    return 0;
}
