// Paint Shop Pro (.psp): a signature, a version and a sequence of "~BK" blocks. The picture is
// drawn from its raster layers, bottom first, with each layer's opacity and transparency mask;
// adjustment and vector layers are left out. No library reads the format, so it is read here
// with every length checked against the data before it is used.
#include <algorithm>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include <zlib.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/bytereader.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

constexpr char kSignature[] = "Paint Shop Pro Image File\n\x1a";
constexpr size_t kSignatureBytes = 32;

enum BlockId : uint16_t {
    kImageAttributesBlock = 0,
    kPaletteBlock = 2,
    kLayerBankBlock = 3,
    kLayerBlock = 4,
    kChannelBlock = 5,
};

enum Compression : uint16_t {
    kUncompressed = 0,
    kRunLength = 1,
    kDeflate = 2,
};

enum ChannelKind : uint16_t {
    kCompositeChannel = 0, // palette index or grey level
    kRedChannel = 1,
    kGreenChannel = 2,
    kBlueChannel = 3,
};

enum BitmapKind : uint16_t {
    kImageBitmap = 0,
    kTransparencyMask = 1,
};

struct Attributes
{
    int32_t width = 0;
    int32_t height = 0;
    uint16_t compression = 0;
    uint16_t depth = 0;
    bool grey = false;
};

struct Block
{
    uint16_t id = 0;
    size_t start = 0; // first byte of the block's data
    size_t fixedEnd = 0; // end of the block's own fields, where its sub-blocks begin (version 3)
    size_t end = 0;
};

// One layer's channel, decompressed, with the distance between its rows.
struct Channel
{
    std::vector<uint8_t> bytes;
    size_t stride = 0;
};

std::string damaged()
{
    return _("The Paint Shop Pro file is damaged");
}

class PspReader
{
public:
    PspReader(const uint8_t *bytes, size_t size, DecodeTarget &target)
        : m_reader(bytes, size, _("The Paint Shop Pro file is truncated"))
        , m_target(target)
    {
    }

    // The layers are drawn on a canvas of our own, which goes to the sink once they all are.
    void read()
    {
        Bitmap &bitmap = m_canvas;
        if (m_reader.size() < kSignatureBytes + 4 || std::memcmp(m_reader.take(kSignatureBytes), kSignature, 27) != 0)
            throw Error(_("Not a Paint Shop Pro file"));
        m_major = m_reader.u16();
        m_reader.u16();
        if (m_major < 3)
            throw Error(formatText(_("Unsupported Paint Shop Pro file version %d"), {std::to_string(m_major)}));

        bool drawn = false;
        while (m_reader.remaining() >= 4) {
            const Block block = readBlockHeader();
            if (block.id == kImageAttributesBlock) {
                readAttributes(block);
            } else if (block.id == kPaletteBlock) {
                readPalette(block);
            } else if (block.id == kLayerBankBlock) {
                if (!m_attributes)
                    throw Error(damaged());
                startCanvas(bitmap);
                m_reader.seek(m_major == 3 ? block.fixedEnd : block.start);
                while (m_reader.offset() + 4 <= block.end) {
                    const Block layer = readBlockHeader(block.end);
                    if (layer.id == kLayerBlock)
                        drawLayer(layer, bitmap);
                    m_reader.seek(layer.end);
                }
                drawn = true;
            }
            m_reader.seek(block.end);
        }
        if (!drawn)
            throw Error(_("The Paint Shop Pro file holds no picture"));
        RowSink &sink = m_target.sink();
        sink.begin(bitmap.width(), bitmap.height(), bitmap.layout(), bitmap.palette);
        for (int y = 0; y < bitmap.height(); ++y) {
            std::memcpy(sink.row(y), bitmap.row(y), bitmap.stride());
            sink.put();
        }
    }

private:
    Block readBlockHeader(size_t limit = SIZE_MAX)
    {
        if (std::memcmp(m_reader.take(4), "~BK\0", 4) != 0)
            throw Error(damaged());
        Block block;
        block.id = m_reader.u16();
        uint32_t fixedLength = 0;
        if (m_major == 3)
            fixedLength = m_reader.u32();
        const uint32_t length = m_reader.u32();
        block.start = m_reader.offset();
        if (length > m_reader.remaining() || fixedLength > length || block.start + length > limit)
            m_reader.fail();
        block.end = block.start + length;
        block.fixedEnd = block.start + fixedLength;
        return block;
    }

    // From version 4 on, each group of fields starts with its own length, which lets later
    // versions add fields that we then skip.
    size_t chunkEnd(size_t blockEnd)
    {
        if (m_major == 3)
            return SIZE_MAX;
        const size_t start = m_reader.offset();
        const uint32_t length = m_reader.u32();
        if (length < 4 || length > blockEnd - start)
            throw Error(damaged());
        return start + length;
    }

    void readAttributes(const Block &block)
    {
        const size_t end = chunkEnd(block.end);
        Attributes attributes;
        attributes.width = m_reader.i32();
        attributes.height = m_reader.i32();
        m_reader.skip(8 + 1); // resolution and its unit
        attributes.compression = m_reader.u16();
        attributes.depth = m_reader.u16();
        m_reader.skip(2 + 4); // plane count, colour count
        attributes.grey = m_reader.u8() != 0;
        if (end != SIZE_MAX)
            m_reader.seek(end);
        checkPictureSize(attributes.width, attributes.height);
        if (attributes.depth != 1 && attributes.depth != 4 && attributes.depth != 8 && attributes.depth != 24)
            throw Error(
                formatText(_("Unsupported Paint Shop Pro colour depth (%d bits)"), {std::to_string(attributes.depth)}));
        if (attributes.compression > kDeflate)
            throw Error(
                formatText(_("Unsupported Paint Shop Pro compression (%d)"), {std::to_string(attributes.compression)}));
        m_attributes = attributes;
    }

    void readPalette(const Block &block)
    {
        const size_t end = chunkEnd(block.end);
        const uint32_t count = m_reader.u32();
        if (end != SIZE_MAX)
            m_reader.seek(end);
        m_palette.assign(256, PaletteEntry {});
        for (uint32_t i = 0; i < count && i < 256; ++i) {
            const uint8_t *quad = m_reader.take(4); // blue, green, red, unused
            m_palette[i] = {quad[2], quad[1], quad[0]};
        }
        m_hasPalette = true;
    }

    // The canvas, and the channels of the largest layer so far: up to four of them at a time.
    void reserve(int64_t layerPixels)
    {
        const Attributes &attributes = *m_attributes;
        const uint64_t canvas = static_cast<uint64_t>(attributes.width) * static_cast<uint64_t>(attributes.height)
            * (attributes.depth == 24 ? 3 : 1);
        m_layerPixels = std::max(m_layerPixels, layerPixels);
        m_target.reserve(attributes.width, attributes.height, canvas + 4 * static_cast<uint64_t>(m_layerPixels));
    }

    void startCanvas(Bitmap &bitmap)
    {
        const Attributes &attributes = *m_attributes;
        reserve(int64_t(attributes.width) * attributes.height);
        if (attributes.depth == 24) {
            bitmap.allocate(attributes.width, attributes.height, Layout::Rgb24);
            std::fill(bitmap.data(), bitmap.data() + bitmap.stride() * static_cast<size_t>(attributes.height), 255);
            return;
        }
        bitmap.allocate(attributes.width, attributes.height, Layout::Palette8);
        if (m_hasPalette) {
            std::copy(m_palette.begin(), m_palette.end(), bitmap.palette.begin());
        } else {
            bitmap.palette = greyPalette();
            if (attributes.depth < 8) {
                // Without a palette, 1- and 4-bit pixels are spread over the grey scale.
                const int levels = 1 << attributes.depth;
                for (int i = 0; i < levels; ++i) {
                    const auto grey = static_cast<uint8_t>(i * 255 / (levels - 1));
                    bitmap.palette[static_cast<size_t>(i)] = {grey, grey, grey};
                }
            }
        }
        std::fill(bitmap.data(), bitmap.data() + bitmap.stride() * static_cast<size_t>(attributes.height), 0);
    }

    // The layer fields that follow the name, laid out alike in every version.
    void readLayerFields(
        uint8_t &type, int32_t &left, int32_t &top, int32_t &right, int32_t &bottom, uint8_t &opacity, uint8_t &flags)
    {
        type = m_reader.u8();
        left = m_reader.i32();
        top = m_reader.i32();
        right = m_reader.i32();
        bottom = m_reader.i32();
        m_reader.skip(16);
        opacity = m_reader.u8();
        m_reader.skip(1);
        flags = m_reader.u8();
    }

    void drawLayer(const Block &block, Bitmap &bitmap)
    {
        const Attributes &attributes = *m_attributes;
        int32_t left = 0, top = 0, right = 0, bottom = 0;
        uint8_t type = 0, opacity = 255, flags = 1;
        uint16_t channelCount = 0;
        if (m_major == 3) {
            m_reader.skip(256); // name
            readLayerFields(type, left, top, right, bottom, opacity, flags);
            m_reader.seek(block.fixedEnd - 2);
            channelCount = m_reader.u16();
            m_reader.seek(block.fixedEnd);
        } else {
            const size_t infoEnd = chunkEnd(block.end);
            m_reader.skip(m_reader.u16()); // name
            readLayerFields(type, left, top, right, bottom, opacity, flags);
            m_reader.seek(infoEnd);
            const size_t bitmapInfoEnd = chunkEnd(block.end);
            m_reader.u16(); // bitmap count
            channelCount = m_reader.u16();
            m_reader.seek(bitmapInfoEnd);
        }
        // Version 3 counts layer types from 0 (normal, floating selection); later versions
        // from 1 (raster, floating raster selection), with vector and adjustment layers after.
        const bool raster = m_major == 3 ? type <= 1 : (type == 1 || type == 2);
        const bool visible = flags & 1;
        const int64_t width = int64_t(right) - left;
        const int64_t height = int64_t(bottom) - top;
        if (!raster || !visible || width <= 0 || height <= 0)
            return;
        checkPictureSize(width, height);
        reserve(width * height);

        const int bitsPerSample = attributes.depth == 24 ? 8 : attributes.depth;
        const size_t rowBytes = (static_cast<size_t>(width) * static_cast<size_t>(bitsPerSample) + 7) / 8;
        Channel red, green, blue, composite, mask;
        for (uint16_t i = 0; i < channelCount && m_reader.offset() + 4 <= block.end; ++i) {
            const Block channelBlock = readBlockHeader(block.end);
            if (channelBlock.id == kChannelBlock) {
                uint16_t bitmapKind = 0, channelKind = 0;
                Channel channel
                    = readChannel(channelBlock, rowBytes, static_cast<size_t>(height), bitmapKind, channelKind);
                if (bitmapKind == kImageBitmap) {
                    if (channelKind == kRedChannel)
                        red = std::move(channel);
                    else if (channelKind == kGreenChannel)
                        green = std::move(channel);
                    else if (channelKind == kBlueChannel)
                        blue = std::move(channel);
                    else if (channelKind == kCompositeChannel)
                        composite = std::move(channel);
                } else if (bitmapKind == kTransparencyMask) {
                    mask = std::move(channel);
                }
            }
            m_reader.seek(channelBlock.end);
        }

        const int x0 = static_cast<int>(std::max<int64_t>(0, left));
        const int y0 = static_cast<int>(std::max<int64_t>(0, top));
        const int x1 = static_cast<int>(std::min<int64_t>(attributes.width, right));
        const int y1 = static_cast<int>(std::min<int64_t>(attributes.height, bottom));
        if (attributes.depth == 24) {
            if (red.bytes.empty() || green.bytes.empty() || blue.bytes.empty())
                return;
            for (int y = y0; y < y1; ++y) {
                const size_t row = static_cast<size_t>(y - top);
                uint8_t *out = bitmap.row(y) + static_cast<size_t>(x0) * 3;
                for (int x = x0; x < x1; ++x, out += 3) {
                    const size_t column = static_cast<size_t>(x - left);
                    const unsigned coverage = mask.bytes.empty() ? 255u : mask.bytes[row * mask.stride + column];
                    const unsigned alpha = coverage * opacity / 255u;
                    const auto blend = [alpha](unsigned over, unsigned under) {
                        return static_cast<uint8_t>((over * alpha + under * (255u - alpha) + 127u) / 255u);
                    };
                    out[0] = blend(blue.bytes[row * blue.stride + column], out[0]);
                    out[1] = blend(green.bytes[row * green.stride + column], out[1]);
                    out[2] = blend(red.bytes[row * red.stride + column], out[2]);
                }
            }
            return;
        }
        if (composite.bytes.empty())
            return;
        const int depth = attributes.depth;
        for (int y = y0; y < y1; ++y) {
            const uint8_t *in = composite.bytes.data() + static_cast<size_t>(y - top) * composite.stride;
            uint8_t *out = bitmap.row(y);
            for (int x = x0; x < x1; ++x) {
                const size_t column = static_cast<size_t>(x - left);
                if (depth == 8) {
                    out[x] = in[column];
                } else {
                    // Packed pixels, the leftmost in the highest bits.
                    const size_t bit = column * static_cast<size_t>(depth);
                    const int shift = 8 - depth - static_cast<int>(bit % 8);
                    out[x] = static_cast<uint8_t>((in[bit / 8] >> shift) & ((1 << depth) - 1));
                }
            }
        }
    }

    Channel readChannel(const Block &block, size_t rowBytes, size_t rows, uint16_t &bitmapKind, uint16_t &channelKind)
    {
        const size_t infoEnd = chunkEnd(block.end);
        const uint32_t compressedLength = m_reader.u32();
        const uint32_t uncompressedLength = m_reader.u32();
        bitmapKind = m_reader.u16();
        channelKind = m_reader.u16();
        m_reader.seek(m_major == 3 ? block.fixedEnd : infoEnd);
        if (compressedLength > block.end - m_reader.offset())
            m_reader.fail();
        const uint8_t *data = m_reader.take(compressedLength);

        // Rows may be padded to four bytes; the channel's length tells which.
        const size_t padded = (rowBytes + 3) & ~size_t(3);
        Channel channel;
        channel.stride = uncompressedLength >= padded * rows && padded != rowBytes ? padded : rowBytes;
        const size_t needed = channel.stride * rows;
        if (uncompressedLength < needed || uncompressedLength > padded * rows)
            throw Error(damaged());
        channel.bytes.resize(needed);
        decompress(data, compressedLength, channel.bytes);
        return channel;
    }

    void decompress(const uint8_t *data, size_t length, std::vector<uint8_t> &out) const
    {
        const uint16_t compression = m_attributes->compression;
        if (compression == kUncompressed) {
            if (length < out.size())
                throw Error(damaged());
            std::copy(data, data + out.size(), out.begin());
        } else if (compression == kRunLength) {
            // A count above 128 repeats the next byte (count − 128) times; otherwise that many
            // bytes follow as they are.
            size_t in = 0, written = 0;
            while (written < out.size()) {
                if (in >= length)
                    throw Error(damaged());
                const unsigned count = data[in++];
                if (count > 128) {
                    if (in >= length)
                        throw Error(damaged());
                    const size_t run = std::min<size_t>(count - 128, out.size() - written);
                    std::fill_n(out.begin() + static_cast<std::ptrdiff_t>(written), run, data[in++]);
                    written += run;
                } else {
                    const size_t run = std::min<size_t>(count, out.size() - written);
                    if (run > length - in)
                        throw Error(damaged());
                    std::copy(data + in, data + in + run, out.begin() + static_cast<std::ptrdiff_t>(written));
                    in += count;
                    written += run;
                }
            }
        } else {
            uLongf produced = static_cast<uLongf>(out.size());
            const int status = uncompress(out.data(), &produced, data, static_cast<uLong>(length));
            if ((status != Z_OK && status != Z_BUF_ERROR) || produced != out.size())
                throw Error(damaged());
        }
    }

    ByteReader m_reader;
    DecodeTarget &m_target;
    Bitmap m_canvas;
    int64_t m_layerPixels = 0;
    uint16_t m_major = 0;
    std::optional<Attributes> m_attributes;
    std::vector<PaletteEntry> m_palette;
    bool m_hasPalette = false;
};

} // namespace

void decodePaintShopPro(const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    PspReader(bytes, size, target).read();
}

} // namespace vexaris::imaging::detail
