// Signature time per megapixel beside the decode time of the same JPEG files: how much of the
// update run's time per file the signature itself takes.
//
// Usage: bench_signature FILE.jpg...   (bench/signature.sh makes a set of JPEGs and passes them)
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <vector>

#include "imaging/bitmap.h"
#include "imaging/imgutils.h"
#include "imaging/pictureloader.h"

using namespace vexaris::imaging;

namespace {

using Clock = std::chrono::steady_clock;

double secondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

} // namespace

int main(int argc, char **argv)
{
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s FILE.jpg...\n", argv[0]);
        return 2;
    }
    std::printf("%-28s %11s %8s %12s %12s %12s %9s\n", "file", "size", "Mpixel", "decode ms/MP", "sign. ms/MP",
        "both MP/s", "sign. %");
    Picture picture;
    Bitmap bitmap;
    int32_t checksum = 0;
    for (int i = 1; i < argc; ++i) {
        const std::filesystem::path path(argv[i]);
        try {
            // Enough rounds that the smallest files still run for a measurable time.
            LoadPictureFile(path, picture);
            const double megapixels = static_cast<double>(picture.width) * picture.height / 1e6;
            const int rounds = megapixels < 1 ? 20 : megapixels < 5 ? 5 : 2;

            const auto decodeStart = Clock::now();
            for (int round = 0; round < rounds; ++round) {
                LoadPictureFile(path, picture);
                PictureToBitmap(picture, bitmap);
            }
            const double decodeSeconds = secondsSince(decodeStart) / rounds;

            const auto signatureStart = Clock::now();
            for (int round = 0; round < rounds; ++round)
                checksum += ComputeSignature(bitmap).ColorRank;
            const double signatureSeconds = secondsSince(signatureStart) / rounds;

            std::printf("%-28s %5dx%-5d %8.2f %12.2f %12.2f %12.1f %8.1f%%\n", path.filename().c_str(), picture.width,
                picture.height, megapixels, decodeSeconds * 1e3 / megapixels, signatureSeconds * 1e3 / megapixels,
                megapixels / (decodeSeconds + signatureSeconds),
                100 * signatureSeconds / (decodeSeconds + signatureSeconds));
        } catch (const std::exception &e) {
            std::fprintf(stderr, "%s: %s\n", argv[i], e.what());
            return 1;
        }
    }
    std::printf("(checksum %d)\n", checksum);
    return 0;
}
