#include "review/pairthumbnail.h"

#include <algorithm>

#include "review/rule.h"

namespace vexaris::review {

ThumbnailReader::ThumbnailReader(store::Database &database)
    : m_statement(database, QStringLiteral("SELECT Thumbnail FROM Picture WHERE ID = ?"))
{
}

QByteArray ThumbnailReader::read(int pictureId)
{
    m_statement.reset();
    m_statement.bind(0, pictureId);
    if (!m_statement.step() || m_statement.columnIsNull(0))
        return {};
    const QByteArrayView bytes = m_statement.columnBytes(0);
    return bytes.size() == kThumbnailBytes ? bytes.toByteArray() : QByteArray();
}

std::array<uint8_t, kThumbnailBytes> thumbnailColors(QByteArrayView thumbnail, bool paletteOrder)
{
    std::array<uint8_t, kThumbnailBytes> colors {};
    if (thumbnail.size() != kThumbnailBytes)
        return colors;
    const auto *cells = reinterpret_cast<const uint8_t *>(thumbnail.data());
    for (qsizetype cell = 0; cell < kThumbnailBytes; cell += 3) {
        // Hue and saturation were kept in 64 steps: each is taken from the middle of its step.
        // The hue's full turn is 256, with the first channel's sector reaching below zero.
        int hue = cells[cell] * 4 + 2;
        if (hue >= 213)
            hue -= 255;
        // A saturation of 0 stays 0, so that greys stay grey.
        const int stored = cells[cell + 1];
        const double saturation = (stored == 0 ? 0 : std::min(255, stored * 4 + 2)) / 255.0;
        const double value = cells[cell + 2];
        const double spread = saturation * value;
        const double lowest = value - spread;
        // Three sectors, each centred on the channel that is largest, the other two rising and
        // falling across it.
        const double scaled = hue * 6.0;
        const int sector = scaled < 256 ? 0 : (scaled < 768 ? 1 : 2);
        const double offset = std::clamp((scaled - 512.0 * sector) / 255.0, -1.0, 1.0);
        double channel[3];
        const int largest = sector;
        const int next = (sector + 1) % 3;
        const int after = (sector + 2) % 3;
        channel[largest] = value;
        channel[next] = offset >= 0 ? lowest + offset * spread : lowest;
        channel[after] = offset >= 0 ? lowest : lowest - offset * spread;
        const auto byte = [](double v) { return static_cast<uint8_t>(std::clamp(v + 0.5, 0.0, 255.0)); };
        // Colour bytes are kept blue first, palette entries red first.
        colors[static_cast<size_t>(cell)] = byte(paletteOrder ? channel[0] : channel[2]);
        colors[static_cast<size_t>(cell + 1)] = byte(channel[1]);
        colors[static_cast<size_t>(cell + 2)] = byte(paletteOrder ? channel[2] : channel[0]);
    }
    return colors;
}

bool readFromPalette(const QString &fileName)
{
    const QString format = formatOf(fileName);
    // Paint Shop Pro files are read either way; most are in colour bytes.
    return format == QLatin1String("gif") || format == QLatin1String("cel") || format == QLatin1String("pic");
}

} // namespace vexaris::review
