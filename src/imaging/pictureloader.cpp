// The extension table and the two entry points every caller goes through: LoadPictureFile picks
// the reader, PictureToBitmap hands the result on in one of the two bitmap layouts.
#include "imaging/pictureloader.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cerrno>
#include <cstring>
#include <string>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/memorybudget.h"
#include "imaging/readers.h"
#include "imaging/rowsink.h"

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

const FormatRow &formatOf(std::string_view extension)
{
    const FormatRow *row = findFormat(extension);
    if (!row)
        throw Error(formatText(_("Unknown picture file extension (.%s)"), {extension}));
    return *row;
}

// Buffers that one picture made large are given back after it: the budget counts only the
// memory of the pictures being read.
constexpr size_t kKeptBufferBytes = size_t(16) << 20;

template <typename T> void trim(std::vector<T> &buffer)
{
    if (buffer.capacity() * sizeof(T) > kKeptBufferBytes)
        std::vector<T>().swap(buffer);
}

// The pixels of every format but icons and metafiles, JPEG included, to the target's sink.
void decodePixels(const FormatRow &row, const uint8_t *bytes, size_t size, detail::DecodeTarget &target)
{
    switch (row.format) {
    case Jpeg:
        detail::decodeJpeg(bytes, size, target);
        break;
    case Gif:
        detail::decodeGif(bytes, size, target);
        break;
    case Png:
        detail::decodePng(bytes, size, target);
        break;
    case Tiff:
        detail::decodeTiff(bytes, size, target);
        break;
    case Eps:
        detail::decodeEps(bytes, size, target);
        break;
    case PaintShopPro:
        detail::decodePaintShopPro(bytes, size, target);
        break;
    case AnimatorCel:
        detail::decodeAnimatorCel(bytes, size, target);
        break;
    case Heif:
        detail::decodeHeif(bytes, size, target);
        break;
    case Webp:
        detail::decodeWebp(bytes, size, target);
        break;
    case Avif:
        detail::decodeAvif(bytes, size, target);
        break;
    case JpegXl:
        detail::decodeJpegXl(bytes, size, target);
        break;
    case Icon:
    case Metafile:
        assert(false);
        break;
    default:
        detail::decodeWithMagick(row.coder, bytes, size, target);
        break;
    }
}

// Icons and metafiles are recognised by their size alone.
bool readSizeOnly(const FormatRow &row, const std::vector<uint8_t> &data, Picture &picture)
{
    if (row.format == Icon)
        detail::readIconSize(data.data(), data.size(), picture.width, picture.height);
    else if (row.format == Metafile)
        detail::readMetafileSize(data.data(), data.size(), picture.width, picture.height);
    else
        return false;
    return true;
}

// What LoadPictureFile and LoadPictureData do with the bytes: the header of a JPEG file, the
// whole picture of the other formats.
void loadData(const FormatRow &row, Picture &picture, detail::DecodeTarget &target)
{
    picture.format = row.format;
    if (readSizeOnly(row, picture.data, picture))
        return;
    if (row.format == Jpeg) {
        detail::readJpegHeader(picture.data.data(), picture.data.size(), picture.width, picture.height);
        return;
    }
    decodePixels(row, picture.data.data(), picture.data.size(), target);
    picture.width = picture.bitmap.width();
    picture.height = picture.bitmap.height();
}

// Runs attempt(extra) until it gets through without having to wait for memory. Each attempt
// reserves extra bytes beyond what it holds to begin with: what the attempt before found that
// it needs. The file can change between attempts; a file that keeps changing is given up.
template <typename Attempt> void withinBudget(Attempt attempt)
{
    constexpr int kMaxAttempts = 8;
    uint64_t extra = 0;
    for (int round = 1;; ++round) {
        try {
            attempt(extra);
            return;
        } catch (const detail::MustWaitForMemory &wait) {
            if (round == kMaxAttempts)
                throw Error(_("The file changed while it was being read"));
            extra = std::max(extra, wait.extra);
        }
    }
}

// Reads the file's bytes with the memory for them reserved first, then runs decode(target).
template <typename Decode>
void readWithinBudget(
    const std::filesystem::path &path, Picture &picture, RowSink &sink, MemoryBudget &budget, Decode decode)
{
    withinBudget([&](uint64_t extra) {
        detail::PictureFile file(path);
        MemoryBudget::Lease lease = budget.acquire(file.size() + extra);
        file.read(picture.data);
        detail::DecodeTarget target(sink, budget, lease, picture.data.size());
        try {
            decode(target);
        } catch (const detail::MustWaitForMemory &) {
            // Nothing is held while waiting, the file's bytes included.
            std::vector<uint8_t>().swap(picture.data);
            throw;
        }
    });
}

// Decodes bytes held elsewhere: only the decoding's own memory is reserved.
template <typename Decode> void decodeWithinBudget(RowSink &sink, MemoryBudget &budget, Decode decode)
{
    withinBudget([&](uint64_t extra) {
        MemoryBudget::Lease lease = budget.acquire(extra);
        detail::DecodeTarget target(sink, budget, lease, 0);
        decode(target);
    });
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
    const FormatRow &row = formatOf(pictureExtension(path));
    BitmapSink sink(picture.bitmap);
    readWithinBudget(path, picture, sink, processDecodeBudget(),
        [&](detail::DecodeTarget &target) { loadData(row, picture, target); });
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
    const FormatRow &row = formatOf(extension);
    picture.data.assign(bytes, bytes + size);
    BitmapSink sink(picture.bitmap);
    decodeWithinBudget(
        sink, processDecodeBudget(), [&](detail::DecodeTarget &target) { loadData(row, picture, target); });
}

FileNotes DecodePictureFile(const std::filesystem::path &path, Picture &picture, RowSink &sink, MemoryBudget &budget)
{
    picture.width = 0;
    picture.height = 0;
    const FormatRow &row = formatOf(pictureExtension(path));
    picture.format = row.format;
    struct Trim
    {
        Picture &picture;
        ~Trim() { trim(picture.data); }
    } trimmed {picture};

    FileNotes notes;
    readWithinBudget(path, picture, sink, budget, [&](detail::DecodeTarget &target) {
        if (readSizeOnly(row, picture.data, picture)) {
            // The sink sees the size (to refuse a picture too small) before the icon or
            // metafile is refused for what it is.
            target.reserve(picture.width, picture.height, 0);
            sink.begin(picture.width, picture.height, Layout::Palette8, detail::greyPalette());
            throw Error(row.format == Icon ? _("Icons cannot be converted to a bitmap")
                                           : _("Metafiles cannot be converted to a bitmap"));
        }
        if (row.format == Jpeg) {
            try {
                detail::readJpegHeader(picture.data.data(), picture.data.size(), picture.width, picture.height);
            } catch (const Error &headerFailure) {
                notes.repair = StripJpegPrefix(path, headerFailure.what(), picture);
            }
        }
        decodePixels(row, picture.data.data(), picture.data.size(), target);
        notes.truncated = target.truncated();
    });
    return notes;
}

void PictureToBitmap(const Picture &picture, Bitmap &bitmap)
{
    // A picture whose load failed keeps no size; its buffers may still hold an earlier file.
    if (picture.width <= 0 || picture.height <= 0)
        throw Error(_("No picture has been loaded"));
    switch (picture.format) {
    case Jpeg: {
        BitmapSink sink(bitmap);
        decodeWithinBudget(sink, processDecodeBudget(), [&](detail::DecodeTarget &target) {
            detail::decodeJpeg(picture.data.data(), picture.data.size(), target);
        });
        return;
    }
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

const Palette &greyPalette()
{
    static const Palette grey = [] {
        Palette palette;
        for (size_t i = 0; i < palette.size(); ++i) {
            const auto level = static_cast<uint8_t>(i);
            palette[i] = {level, level, level};
        }
        return palette;
    }();
    return grey;
}

void DecodeTarget::reserve(int64_t width, int64_t height, uint64_t decoderBytes)
{
    const uint64_t needed = m_held + decoderBytes + m_sink.frameBytes(width, height);
    if (needed <= m_lease.bytes())
        return;
    // Holding nothing yet, this reader may wait like any other; holding something, it must not.
    if (m_lease.bytes() == 0) {
        m_lease = m_budget.acquire(needed);
        return;
    }
    if (!m_lease.grow(needed - m_lease.bytes()))
        throw MustWaitForMemory {needed - m_held};
}

namespace {

Error readFailure(int code)
{
    return Error(formatText(_("Cannot read the file: %s"), {std::strerror(code)}));
}

} // namespace

PictureFile::PictureFile(const std::filesystem::path &path)
{
    // Only regular files are pictures: opening a FIFO would block, and a device could be
    // endless or change state by being read.
    struct stat status
    {
    };
    if (::stat(path.c_str(), &status) != 0)
        throw readFailure(errno);
    if (!S_ISREG(status.st_mode))
        throw Error(_("Not a regular file"));
    m_fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOCTTY | O_NONBLOCK);
    if (m_fd < 0)
        throw readFailure(errno);
    if (::fstat(m_fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        const int code = errno;
        ::close(m_fd);
        if (S_ISREG(status.st_mode))
            throw readFailure(code);
        throw Error(_("Not a regular file"));
    }
    if (static_cast<uint64_t>(status.st_size) > kMaxPictureFileBytes) {
        ::close(m_fd);
        throw Error(_("The file is too large to be a picture"));
    }
    m_size = static_cast<uint64_t>(status.st_size);
}

PictureFile::~PictureFile()
{
    ::close(m_fd);
}

void PictureFile::read(std::vector<uint8_t> &data)
{
    data.resize(static_cast<size_t>(m_size));
    size_t done = 0;
    while (done < data.size()) {
        const ssize_t got = ::read(m_fd, data.data() + done, data.size() - done);
        if (got < 0) {
            if (errno == EINTR)
                continue;
            throw readFailure(errno);
        }
        if (got == 0)
            break; // the file shrank while we read it
        done += static_cast<size_t>(got);
    }
    data.resize(done);
}

void readPictureFile(const std::filesystem::path &path, std::vector<uint8_t> &data)
{
    PictureFile(path).read(data);
}

} // namespace detail

} // namespace vexaris::imaging
