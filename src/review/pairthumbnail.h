// The small pictures of the overview, drawn from each picture's stored thumbnail (32 × 32 cells
// of hue, saturation and value) rather than from its file, so that a table of many pairs never
// decodes a file. The stored cells are equalised, so the colours are a likeness, not the picture.
#pragma once

#include <array>
#include <cstdint>

#include <QByteArray>
#include <QByteArrayView>
#include <QString>

#include "store/database.h"

namespace vexaris::review {

constexpr int kThumbnailSide = 32;
constexpr qsizetype kThumbnailBytes = 3 * kThumbnailSide * kThumbnailSide;

// Reads stored thumbnails one picture at a time, as rows come into view.
class ThumbnailReader
{
public:
    explicit ThumbnailReader(store::Database &database);

    // The picture's Thumbnail blob; empty when the row is gone or its blob is not a thumbnail.
    QByteArray read(int pictureId);

private:
    store::Statement m_statement;
};

// The cells as red, green and blue bytes, row by row from the top. The signature keeps the three
// channels of a picture read from a palette in the opposite order to one read as colour bytes,
// which the thumbnail alone cannot tell: paletteOrder says which it was.
std::array<uint8_t, kThumbnailBytes> thumbnailColors(QByteArrayView thumbnail, bool paletteOrder);

// Whether the file's format is read from a palette: its thumbnail keeps red in the first byte.
bool readFromPalette(const QString &fileName);

} // namespace vexaris::review
