// Turning a picture file into a bitmap: the extension table, the readers behind it and the
// repair of JPEG files that carry foreign bytes in front of their data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>

#include "imaging/bitmap.h"
#include "imaging/picture.h"

namespace vexaris::imaging {

class MemoryBudget;
class RowSink;

// Pictures narrower or lower than this cannot be reduced to the 32 × 32 signature grid.
constexpr int MinPictureSide = 32;

// The largest picture any reader accepts: room for a 250-megapixel photo, but a header that
// declares more fails before anything is allocated from it.
constexpr int64_t kMaxPicturePixels = 250'000'000;
constexpr int kMaxPictureSide = 1 << 18;
// Files are read whole; nothing bigger is a picture we can hold.
constexpr uint64_t kMaxPictureFileBytes = uint64_t(1) << 30;

// The format of an extension given without its dot, letter case ignored.
std::optional<PictureFormat> formatForExtension(std::string_view extension);

// The text after the last dot of the file name, empty when there is none.
std::string pictureExtension(const std::filesystem::path &path);

// Reads the file named by the path with the reader its extension chooses. JPEG files are only
// checked up to their header here; their pixels are decoded by PictureToBitmap.
void LoadPictureFile(const std::filesystem::path &path, Picture &picture);
Picture LoadPictureFile(const std::filesystem::path &path);

// The same from bytes already in memory (the extension chooses the reader).
void LoadPictureData(std::string_view extension, const uint8_t *bytes, size_t size, Picture &picture);

// What became of the file on disk when StripJpegPrefix could read the picture.
struct JpegRepair
{
    bool repairedOnDisk = false;
    // Why the file could not be repaired on disk (an unwritable folder, a full disk); the picture
    // was read from the repaired bytes in memory all the same.
    std::string failure;
};

// Repairs a .jpg/.jpeg/.jpe file whose JPEG data does not start at its first byte: the bytes in
// front of the first FF D8 pair are dropped, and the picture is read from what remains. Fails
// with firstMessage for any other extension. The file on disk is replaced by the repaired bytes
// in one step, or, when that cannot be done, stays exactly as it was.
JpegRepair StripJpegPrefix(const std::filesystem::path &path, const std::string &firstMessage, Picture &picture);
Picture StripJpegPrefix(const std::filesystem::path &path, const std::string &firstMessage);

// What DecodePictureFile found out about the file besides its picture.
struct FileNotes
{
    JpegRepair repair;
    // The file ended before its picture did (cut short, or damaged); the decoder filled in the
    // rest, so the picture holds what could be read.
    bool truncated = false;
};

// Reads the picture in the file and hands its pixels to the sink as they are decoded (a JPEG
// file's too), never holding the picture whole where the codec library does not. The memory this
// takes (the file's bytes, the codec library's, the sink's) is reserved from the budget before it
// is allocated; the call waits while other readers hold too much of it. A JPEG file whose header
// cannot be read is repaired as StripJpegPrefix does. The picture holder serves for the file's
// bytes; its buffer keeps its capacity from one file to the next up to a few megabytes.
FileNotes DecodePictureFile(const std::filesystem::path &path, Picture &picture, RowSink &sink, MemoryBudget &budget);

// Fills the bitmap (whose buffer is reused) from the picture; decodes JPEG pictures here.
void PictureToBitmap(const Picture &picture, Bitmap &bitmap);
Bitmap PictureToBitmap(const Picture &picture);

// Fails with "Image is less than 32 pixels wide or high." when a side is below MinPictureSide.
void checkMinPictureSide(int width, int height);

} // namespace vexaris::imaging
