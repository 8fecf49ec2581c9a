// vexaris-cli signature FILE...: the signature the update run would store for each file, one
// JSON object a line. Files are only read: a JPEG file with bytes in front of its data is
// reported as unreadable here, where the update run would repair it on disk.
#include <exception>
#include <filesystem>
#include <iostream>
#include <string>
#include <string_view>

#include "cli/command.h"
#include "common/error.h"
#include "common/paths.h"
#include "i18n/translate.h"
#include "imaging/bitmap.h"
#include "imaging/imgutils.h"
#include "imaging/picture.h"
#include "imaging/pictureloader.h"

namespace vexaris::cli {

namespace {

std::string hexBytes(const uint8_t *bytes, size_t length)
{
    static const char hex[] = "0123456789abcdef";
    std::string out;
    out.reserve(length * 2 + 2);
    out += '"';
    for (size_t i = 0; i < length; ++i) {
        out += hex[bytes[i] >> 4];
        out += hex[bytes[i] & 0xf];
    }
    return out + '"';
}

// The update run's steps without its repair: decode, refuse a side below the minimum (on the
// size the header gave, before the pixels are decoded), reduce.
std::string signatureLine(
    const std::string &shownName, const std::filesystem::path &path, imaging::Picture &picture, imaging::Bitmap &bitmap)
{
    imaging::LoadPictureFile(path, picture);
    imaging::checkMinPictureSide(picture.width, picture.height);
    imaging::PictureToBitmap(picture, bitmap);
    const imaging::Signature signature = imaging::ComputeSignature(bitmap);
    return "{\"file\": " + jsonString(shownName) + ", \"width\": " + std::to_string(picture.width)
        + ", \"height\": " + std::to_string(picture.height) + ", \"colorRank\": " + std::to_string(signature.ColorRank)
        + ", \"derivativeRank\": " + std::to_string(signature.DerivativeRank)
        + ", \"thumbnail\": " + hexBytes(signature.Thumbnail.data(), signature.Thumbnail.size())
        + ", \"derivative\": " + hexBytes(signature.Derivative.data(), signature.Derivative.size()) + "}";
}

int runSignature(Context &, const QStringList &args)
{
    for (const QString &arg : args) {
        if (arg.startsWith(QLatin1String("--")))
            throw UsageError(formatText(_("Unknown option %s"), {arg.toStdString()}));
    }
    if (args.isEmpty())
        throw UsageError(formatText(_("Wrong number of arguments for %s"), {"signature"}));

    imaging::Picture picture;
    imaging::Bitmap bitmap;
    bool anyFailed = false;
    for (const QString &arg : args) {
        const std::string shownName = arg.toStdString();
        std::string line;
        try {
            line = signatureLine(shownName, toFsPath(arg), picture, bitmap);
        } catch (const std::exception &e) {
            // One bad file must not hide the others: report it in its own line and go on.
            line = "{\"file\": " + jsonString(shownName) + ", \"error\": " + jsonString(e.what()) + "}";
            anyFailed = true;
        }
        std::cout << line << '\n';
    }
    std::cout.flush();
    if (!std::cout)
        throw Error(_("Could not write the output"));
    return anyFailed ? 1 : 0;
}

const bool registered = registerCommand({
    "signature",
    N_("FILE..."),
    N_("print the signature of each picture file as one JSON line, without changing any file"),
    runSignature,
    N_("Each line holds the file's name, its width and height, its two ranks, and its thumbnail and edge image in "
       "hexadecimal; a file that cannot be read gets a line with its error, and the exit status is then 1."),
});

} // namespace

} // namespace vexaris::cli
