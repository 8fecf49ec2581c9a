// JPEG through libjpeg-turbo. The longjmp regions are small functions over plain data and the
// C handle; the C++ callers throw once libjpeg has returned.
#include <cstdio>
#include <string>
#include <vector>

#include <csetjmp>
#include <jerror.h>
#include <jpeglib.h>

#include "common/error.h"
#include "i18n/translate.h"
#include "imaging/readers.h"

namespace vexaris::imaging::detail {

namespace {

// A progressive file can declare thousands of tiny scans, each a pass over the whole picture;
// no encoder writes more than a few dozen.
constexpr int kMaxScans = 1000;
// A hard cap on libjpeg's own working memory (coefficient buffers of progressive files).
constexpr long kMaxDecoderMemory = 3L << 30;

struct JpegFailure
{
    jpeg_error_mgr manager; // must stay first: libjpeg hands us only its address
    std::jmp_buf jump;
    int code = 0;
    bool tooManyScans = false;
    bool endedEarly = false;
};

extern "C" void failJpeg(j_common_ptr info)
{
    auto *failure = reinterpret_cast<JpegFailure *>(info->err);
    failure->code = info->err->msg_code;
    std::longjmp(failure->jump, 1);
}

// Warnings are damage the decoder steps over; the picture is still worth a signature. Only the
// end of the data before the end of the picture is noted: the decoder fills in the rest, and the
// run says so.
extern "C" void noteJpegWarning(j_common_ptr info, int level)
{
    if (level < 0 && info->err->msg_code == JWRN_JPEG_EOF)
        reinterpret_cast<JpegFailure *>(info->err)->endedEarly = true;
}
extern "C" void ignoreJpegOutput(j_common_ptr)
{
}

extern "C" void limitJpegScans(j_common_ptr info)
{
    auto *decoder = reinterpret_cast<j_decompress_ptr>(info);
    if (decoder->input_scan_number > kMaxScans) {
        auto *failure = reinterpret_cast<JpegFailure *>(info->err);
        failure->tooManyScans = true;
        std::longjmp(failure->jump, 1);
    }
}

class JpegDecoder
{
public:
    JpegDecoder()
    {
        m_info.err = jpeg_std_error(&m_failure.manager);
        m_failure.manager.error_exit = failJpeg;
        m_failure.manager.emit_message = noteJpegWarning;
        m_failure.manager.output_message = ignoreJpegOutput;
        m_progress.progress_monitor = limitJpegScans;
        jpeg_create_decompress(&m_info);
        m_info.progress = &m_progress;
        m_info.mem->max_memory_to_use = kMaxDecoderMemory;
    }
    ~JpegDecoder() { jpeg_destroy_decompress(&m_info); }
    JpegDecoder(const JpegDecoder &) = delete;
    JpegDecoder &operator=(const JpegDecoder &) = delete;

    bool readHeader(const uint8_t *bytes, size_t size)
    {
        if (setjmp(m_failure.jump))
            return false;
        jpeg_mem_src(&m_info, bytes, static_cast<unsigned long>(size));
        jpeg_read_header(&m_info, TRUE);
        return true;
    }

    // Full size, accurate integer IDCT and fancy upsampling: the decoder's best output.
    bool start(J_COLOR_SPACE outSpace)
    {
        if (setjmp(m_failure.jump))
            return false;
        m_info.out_color_space = outSpace;
        m_info.dct_method = JDCT_ISLOW;
        m_info.do_fancy_upsampling = TRUE;
        m_info.scale_num = 1;
        m_info.scale_denom = 1;
        jpeg_start_decompress(&m_info);
        return true;
    }

    bool readRow(uint8_t *row)
    {
        if (setjmp(m_failure.jump))
            return false;
        JSAMPROW sample = row;
        jpeg_read_scanlines(&m_info, &sample, 1);
        return true;
    }

    [[noreturn]] void fail() const
    {
        if (m_failure.tooManyScans)
            throw Error(_("The JPEG file has too many scans"));
        throw Error(formatText(_("JPEG error #%d"), {std::to_string(m_failure.code)}));
    }

    jpeg_decompress_struct &info() { return m_info; }
    bool endedEarly() const { return m_failure.endedEarly; }

private:
    jpeg_decompress_struct m_info {};
    JpegFailure m_failure {};
    jpeg_progress_mgr m_progress {};
};

// Adobe writes CMYK inverted (0 is full ink), which is how nearly every CMYK JPEG comes.
void cmykToBgr(const uint8_t *cmyk, int width, bool inverted, uint8_t *bgr)
{
    for (int x = 0; x < width; ++x, cmyk += 4, bgr += 3) {
        unsigned c = cmyk[0], m = cmyk[1], y = cmyk[2], k = cmyk[3];
        if (!inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        bgr[0] = static_cast<uint8_t>((y * k + 127) / 255);
        bgr[1] = static_cast<uint8_t>((m * k + 127) / 255);
        bgr[2] = static_cast<uint8_t>((c * k + 127) / 255);
    }
}

// What libjpeg holds while it decodes: a band of rows, unless it must see every scan before the
// first row (progressive files, or components sent in scans of their own); then the whole
// picture's coefficients, two bytes for each sample of every component.
uint64_t decoderBytes(const jpeg_decompress_struct &info)
{
    const bool wholePicture = info.progressive_mode || info.comps_in_scan < info.num_components;
    uint64_t bytes = static_cast<uint64_t>(info.image_width) * 4 * 2 + (1u << 16);
    for (int c = 0; c < info.num_components; ++c) {
        const jpeg_component_info &component = info.comp_info[c];
        const uint64_t columns = static_cast<uint64_t>(component.width_in_blocks) + info.max_h_samp_factor;
        if (wholePicture) {
            const uint64_t rows = static_cast<uint64_t>(component.height_in_blocks) + info.max_v_samp_factor;
            bytes += columns * rows * DCTSIZE2 * sizeof(JCOEF);
        } else {
            // Sample rows of two block rows, with context above and below for the upsampling.
            bytes += columns * DCTSIZE * static_cast<uint64_t>(component.v_samp_factor) * DCTSIZE * 4;
        }
    }
    return bytes;
}

} // namespace

void readJpegHeader(const uint8_t *bytes, size_t size, int &width, int &height)
{
    JpegDecoder decoder;
    if (!decoder.readHeader(bytes, size))
        decoder.fail();
    checkPictureSize(decoder.info().image_width, decoder.info().image_height);
    width = static_cast<int>(decoder.info().image_width);
    height = static_cast<int>(decoder.info().image_height);
}

void decodeJpeg(const uint8_t *bytes, size_t size, DecodeTarget &target)
{
    JpegDecoder decoder;
    if (!decoder.readHeader(bytes, size))
        decoder.fail();
    jpeg_decompress_struct &info = decoder.info();
    checkPictureSize(info.image_width, info.image_height);
    const int width = static_cast<int>(info.image_width);
    const int height = static_cast<int>(info.image_height);

    J_COLOR_SPACE outSpace = JCS_EXT_BGR;
    if (info.jpeg_color_space == JCS_GRAYSCALE)
        outSpace = JCS_GRAYSCALE;
    else if (info.jpeg_color_space == JCS_CMYK || info.jpeg_color_space == JCS_YCCK)
        outSpace = JCS_CMYK;

    target.reserve(width, height, decoderBytes(info));
    RowSink &sink = target.sink();
    const bool grey = outSpace == JCS_GRAYSCALE;
    sink.begin(width, height, grey ? Layout::Palette8 : Layout::Rgb24, grey ? greyPalette() : Palette {});

    if (!decoder.start(outSpace))
        decoder.fail();
    if (info.output_width != info.image_width || info.output_height != info.image_height
        || info.output_components
            != (outSpace == JCS_CMYK            ? 4
                    : outSpace == JCS_GRAYSCALE ? 1
                                                : 3))
        throw Error(_("The JPEG decoder returned an unexpected picture size"));

    if (outSpace != JCS_CMYK) {
        for (int y = 0; y < height; ++y) {
            if (!decoder.readRow(sink.row(y)))
                decoder.fail();
            sink.put();
        }
    } else {
        std::vector<uint8_t> cmyk(static_cast<size_t>(width) * 4);
        const bool inverted = info.saw_Adobe_marker;
        for (int y = 0; y < height; ++y) {
            if (!decoder.readRow(cmyk.data()))
                decoder.fail();
            cmykToBgr(cmyk.data(), width, inverted, sink.row(y));
            sink.put();
        }
    }
    if (decoder.endedEarly())
        target.noteTruncated();
}

} // namespace vexaris::imaging::detail
