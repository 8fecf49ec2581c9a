// The extension table and the two entry points every caller goes through: LoadPictureFile picks
// the reader, PictureToBitmap hands the result on in one of the two bitmap layouts.
#include "imaging/pictureloader.h"

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/readers.h"

namespace vexaris::imaging {

namespace {

struct FormatRow
{
    std::string_view extension;
    PictureFormat format;
    const char *coder; // ImageMagick's coder, for the formats it reads for us
};

using enum PictureFormat;

// Each extension is read as what this table says; the content never decides. ImageMagick's own
// idea of some of these extensions differs (its "rle", "rgb", "scr", "win" and "pic" are other
// formats), which is why its coder is always named here.
constexpr std::array kFormats = {
    FormatRow {"bmp", WindowsBitmap, "BMP"},
    FormatRow {"dib", WindowsBitmap, "BMP"},
    FormatRow {"rle", WindowsBitmap, "BMP"},
    FormatRow {"jpg", Jpeg, nullptr},
    FormatRow {"jpeg", Jpeg, nullptr},
    FormatRow {"jpe", Jpeg, nullptr},
    FormatRow {"jfif", Jpeg, nullptr},
    FormatRow {"gif", Gif, nullptr},
    FormatRow {"png", Png, nullptr},
    FormatRow {"tif", Tiff, nullptr},
    FormatRow {"tiff", Tiff, nullptr},
    FormatRow {"fax", Tiff, nullptr},
    FormatRow {"eps", Eps, nullptr},
    FormatRow {"tga", Targa, "TGA"},
    FormatRow {"win", Targa, "TGA"},
    FormatRow {"vst", Targa, "TGA"},
    FormatRow {"vda", Targa, "TGA"},
    FormatRow {"icb", Targa, "TGA"},
    FormatRow {"pcx", Pcx, "PCX"},
    FormatRow {"pcc", Pcx, "PCX"},
    FormatRow {"scr", Pcx, "PCX"},
    FormatRow {"psd", Photoshop, "PSD"},
    FormatRow {"pdd", Photoshop, "PSD"},
    FormatRow {"psp", PaintShopPro, nullptr},
    FormatRow {"sgi", Sgi, "SGI"},
    FormatRow {"rgb", Sgi, "SGI"},
    FormatRow {"rgba", Sgi, "SGI"},
    FormatRow {"bw", Sgi, "SGI"},
    FormatRow {"ppm", PortableAnymap, "PNM"},
    FormatRow {"pgm", PortableAnymap, "PNM"},
    FormatRow {"pbm", PortableAnymap, "PNM"},
    FormatRow {"rla", Rla, "RLA"},
    FormatRow {"rpf", Rla, "RLA"},
    FormatRow {"cel", AnimatorCel, nullptr},
    FormatRow {"pic", AnimatorCel, nullptr},
    FormatRow {"pcd", PhotoCd, "PCD"},
    FormatRow {"cut", DrHalo, "CUT"},
    FormatRow {"ico", Icon, nullptr},
    FormatRow {"wmf", Metafile, nullptr},
    FormatRow {"emf", Metafile, nullptr},
    FormatRow {"heic", Heif, nullptr},
    FormatRow {"heif", Heif, nullptr},
    FormatRow {"hif", Heif, nullptr},
    FormatRow {"webp", Webp, nullptr},
    FormatRow {"avif", Avif, nullptr},
    FormatRow {"jxl", JpegXl, nullptr},
};

bool sameLetters(std::string_view a, std::string_view b)
{
    const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c; };
    return a.size() == b.size()
        && std::equal(a.begin(), a.end(), b.begin(), [&](char x, char y) { return lower(x) == lower(y); });
}

const FormatRow *findFormat(std::string_view extension)
{
    for (const FormatRow &row : kFormats) {
        if (sameLetters(row.extension, extension))
            return &row;
    }
    return nullptr;
}

void decodeData(const FormatRow &row, Picture &picture)
{
    picture.format = row.format;
    const uint8_t *bytes = picture.data.data();
    const size_t size = picture.data.size();
    switch (row.format) {
    case Jpeg:
        detail::readJpegHeader(bytes, size, picture.width, picture.height);
        return;
    case Icon:
        detail::readIconSize(bytes, size, picture.width, picture.height);
        return;
    case Metafile:
        detail::readMetafileSize(bytes, size, picture.width, picture.height);
        return;
    case Gif:
        detail::decodeGif(bytes, size, picture.bitmap);
        break;
    case Png:
        detail::decodePng(bytes, size, picture.bitmap);
        break;
    case Tiff:
        detail::decodeTiff(bytes, size, picture.bitmap);
        break;
    case Eps:
        detail::decodeEps(bytes, size, picture.bitmap);
        break;
    case PaintShopPro:
        detail::decodePaintShopPro(bytes, size, picture.bitmap);
        break;
    case AnimatorCel:
        detail::decodeAnimatorCel(bytes, size, picture.bitmap);
        break;
    case Heif:
        detail::decodeHeif(bytes, size, picture.bitmap);
        break;
    case Webp:
        detail::decodeWebp(bytes, size, picture.bitmap);
        break;
    case Avif:
        detail::decodeAvif(bytes, size, picture.bitmap);
        break;
    case JpegXl:
        detail::decodeJpegXl(bytes, size, picture.bitmap);
        break;
    default:
        detail::decodeWithMagick(row.coder, bytes, size, picture.bitmap);
        break;
    }
    picture.width = picture.bitmap.width();
    picture.height = picture.bitmap.height();
}

} // namespace

std::optional<PictureFormat> formatForExtension(std::string_view extension)
{
    if (const FormatRow *row = findFormat(extension))
        return row->format;
    return std::nullopt;
}

std::string pictureExtension(const std::filesystem::path &path)
{
    const std::string name = path.filename().native();
    const size_t dot = name.rfind('.');
    return dot == std::string::npos ? std::string() : name.substr(dot + 1);
}

void LoadPictureFile(const std::filesystem::path &path, Picture &picture)
{
    picture.width = 0;
    picture.height = 0;
    const std::string extension = pictureExtension(path);
    const FormatRow *row = findFormat(extension);
    if (!row)
        throw Error(formatText(_("Unknown picture file extension (.%s)"), {extension}));
    detail::readPictureFile(path, picture.data);
    decodeData(*row, picture);
}

Picture LoadPictureFile(const std::filesystem::path &path)
{
    Picture picture;
    LoadPictureFile(path, picture);
    return picture;
}

void LoadPictureData(std::string_view extension, const uint8_t *bytes, size_t size, Picture &picture)
{
    picture.width = 0;
    picture.height = 0;
    const FormatRow *row = findFormat(extension);
    if (!row)
        throw Error(formatText(_("Unknown picture file extension (.%s)"), {extension}));
    picture.data.assign(bytes, bytes + size);
    decodeData(*row, picture);
}

void PictureToBitmap(const Picture &picture, Bitmap &bitmap)
{
    // A picture whose load failed keeps no size; its buffers may still hold an earlier file.
    if (picture.width <= 0 || picture.height <= 0)
        throw Error(_("No picture has been loaded"));
    switch (picture.format) {
    case Jpeg:
        detail::decodeJpeg(picture.data.data(), picture.data.size(), bitmap);
        return;
    case Icon:
        throw Error(_("Icons cannot be converted to a bitmap"));
    case Metafile:
        throw Error(_("Metafiles cannot be converted to a bitmap"));
    default:
        break;
    }
    const Bitmap &source = picture.bitmap;
    if (source.width() != picture.width || source.height() != picture.height)
        throw Error(_("No picture has been loaded"));
    bitmap.allocate(source.width(), source.height(), source.layout());
    std::copy(source.data(), source.data() + source.stride() * static_cast<size_t>(source.height()), bitmap.data());
    bitmap.palette = source.palette;
}

Bitmap PictureToBitmap(const Picture &picture)
{
    Bitmap bitmap;
    PictureToBitmap(picture, bitmap);
    return bitmap;
}

void checkMinPictureSide(int width, int height)
{
    // This text is written to the processing log as it stands, untranslated.
    if (width < MinPictureSide || height < MinPictureSide)
        throw Error("Image is less than 32 pixels wide or high.");
}

namespace detail {

void checkPictureSize(int64_t width, int64_t height)
{
    if (width <= 0 || height <= 0)
        throw Error(_("The picture has no pixels"));
    if (width > kMaxPictureSide || height > kMaxPictureSide || width * height > kMaxPicturePixels)
        throw Error(formatText(
            _("The picture is too large to load (%d x %d pixels)"), {std::to_string(width), std::to_string(height)}));
}

void setGreyPalette(Bitmap &bitmap)
{
    for (size_t i = 0; i < bitmap.palette.size(); ++i) {
        const auto level = static_cast<uint8_t>(i);
        bitmap.palette[i] = {level, level, level};
    }
}

void readPictureFile(const std::filesystem::path &path, std::vector<uint8_t> &data)
{
    const auto failed
        = [](int code) { return Error(formatText(_("Cannot read the file: %s"), {std::strerror(code)})); };
    // Only regular files are pictures: opening a FIFO would block, and a device could be
    // endless or change state by being read.
    struct stat status
    {
    };
    if (::stat(path.c_str(), &status) != 0)
        throw failed(errno);
    if (!S_ISREG(status.st_mode))
        throw Error(_("Not a regular file"));
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (fd < 0)
        throw failed(errno);
    struct Closer
    {
        int fd;
        ~Closer() { ::close(fd); }
    } closer {fd};
    if (::fstat(fd, &status) != 0)
        throw failed(errno);
    if (!S_ISREG(status.st_mode))
        throw Error(_("Not a regular file"));
    if (static_cast<uint64_t>(status.st_size) > kMaxPictureFileBytes)
        throw Error(_("The file is too large to be a picture"));

    data.resize(static_cast<size_t>(status.st_size));
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t got = ::read(fd, data.data() + done, data.size() - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw failed(errno);
        }
        if (got == 0)
            break; // the file shrank while we read it
        done += static_cast<size_t>(got);
    }
    data.resize(done);
}

} // namespace detail

} // namespace vexaris::imaging
