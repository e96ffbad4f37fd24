// JPEG reader on libjpeg (libjpeg-turbo through the libjpeg API).
//
// What it reads, in order:
//  1. The standard error manager with our own fatal-error routine, then a
//     recovery point: any fatal libjpeg error formats libjpeg's message and
//     jumps back, and that message becomes lastError.
//  2. The decompressor over the stream, the header (an image is required)
//     and the start of decompression, all at libjpeg's defaults: no scaling,
//     no quantisation, the default colour conversion.
//  3. The image: 8 bits per component, so greyscale files give an 8-bit image
//     with a grey ramp, three components 24 bits, and four components (CMYK
//     or YCCK, delivered as CMYK) 24 bits too.
//  4. Scanlines, top first, into the bottom-up rows: CMYK through
//     blue = Y * K / 255, green = M * K / 255, red = C * K / 255 (Adobe files
//     store the inks inverted, so these are the visible levels); colour rows
//     come from libjpeg-turbo as blue, green, red.
//
// Damage: fatal errors (not a JPEG, corrupt tables, unsupported features)
// end the read with libjpeg's message. Missing data is only a warning:
// libjpeg fills the rest of the picture and the read succeeds (once a
// single-scan file's data is used up, the rows left all repeat the last, so
// they are copied rather than decoded). libjpeg's
// working memory is capped like the image itself, so a small file claiming
// a huge progressive picture fails instead of taking the machine's memory.
// Each scan of a progressive file passes over the whole picture, so a file of
// a few kilobytes repeating one tiny scan a thousand times would take
// seconds: more than MAX_SCANS scans fail (real files have a dozen or so).
//
// The recovery point uses setjmp/longjmp: the functions a jump can leave
// (ReadGuarded, ReadPicture) hold only plain values; the decompressor lives
// in JpegSession, which Decode destroys on every way out.
#include "formats/jpeg_image.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>

#include <jpeglib.h>
#include <jerror.h>

namespace {

constexpr const char* MSG_NO_MEMORY = "Can't allocate memory for JPEG image";
constexpr const char* MSG_TOO_MANY_SCANS = "Too many scans in JPEG file";
constexpr int MAX_SCANS = 100;

struct JpegErrorManager {
    jpeg_error_mgr standard;  // first, so libjpeg's err pointer is ours too
    std::jmp_buf recovery;
    char message[JMSG_LENGTH_MAX];
    void (*emitStandard)(j_common_ptr, int);
    // The entropy decoder needed bits past the end-of-image marker: the
    // scan data is used up and nothing but zeros follows.
    bool dataEnded;
};

[[noreturn]] void ExitToRecoveryPoint(j_common_ptr common)
{
    auto* errors = reinterpret_cast<JpegErrorManager*>(common->err);
    (*common->err->format_message)(common, errors->message);
    std::longjmp(errors->recovery, 1);
}

// libjpeg's message hook, told of every warning and trace.
void NoteEndOfData(j_common_ptr common, int level)
{
    auto* errors = reinterpret_cast<JpegErrorManager*>(common->err);
    if (level < 0 && common->err->msg_code == JWRN_HIT_MARKER && common->is_decompressor &&
        reinterpret_cast<j_decompress_ptr>(common)->unread_marker == JPEG_EOI)
        errors->dataEnded = true;
    errors->emitStandard(common, level);
}

// libjpeg's progress monitor, called between the passes over the input.
void LimitScans(j_common_ptr common)
{
    if (!common->is_decompressor) return;
    if (reinterpret_cast<j_decompress_ptr>(common)->input_scan_number <= MAX_SCANS) return;
    auto* errors = reinterpret_cast<JpegErrorManager*>(common->err);
    std::strcpy(errors->message, MSG_TOO_MANY_SCANS);
    std::longjmp(errors->recovery, 1);
}

// Once a single-scan file has no data left (the entropy decoder needed bits
// past the end-of-image marker, which libjpeg's source also puts where a
// file ends early), every block still to come is made of zero
// coefficients: one flat colour per component, reset to mid-level at each
// restart boundary. Past that boundary and the upsampler's reach into the
// previous row of blocks, every row libjpeg would still put out equals the
// last. This is how many rows after the data ends that certainly holds.
int RowsUntilRowsRepeat(const jpeg_decompress_struct& jpeg)
{
    const int blockRows = jpeg.max_v_samp_factor * DCTSIZE;
    const int mcusPerRow = jpeg.MCUs_per_row > 0 ? int(jpeg.MCUs_per_row) : 1;
    const int restartRows = int((jpeg.restart_interval + unsigned(mcusPerRow) - 1) / unsigned(mcusPerRow));
    // Up to two block rows decoded ahead of the output, the row where the
    // data ended, the restart reset and the upsampler's context.
    return blockRows * (restartRows + 5);
}

}  // namespace

struct JpegSession {
    jpeg_decompress_struct decompressor;
    JpegErrorManager errors;
    jpeg_progress_mgr progress;
};

bool CJpegImage::Decode(FILE* file)
{
    if (!file) return false;
    JpegSession session;
    std::memset(&session, 0, sizeof session);
    session.decompressor.err = jpeg_std_error(&session.errors.standard);
    session.errors.standard.error_exit = ExitToRecoveryPoint;
    session.errors.emitStandard = session.errors.standard.emit_message;
    session.errors.standard.emit_message = NoteEndOfData;

    const bool ok = DecodeGuarded([&] {
        if (const char* failure = ReadGuarded(file, session)) throw failure;
    });
    // Safe at any stage: it frees nothing when the decompressor was never made.
    jpeg_destroy_decompress(&session.decompressor);
    return ok;
}

// The recovery point. A fatal libjpeg error anywhere below returns here
// with libjpeg's formatted message.
const char* CJpegImage::ReadGuarded(FILE* file, JpegSession& session)
{
    if (setjmp(session.errors.recovery)) return session.errors.message;
    return ReadPicture(file, session);
}

const char* CJpegImage::ReadPicture(FILE* file, JpegSession& session)
{
    jpeg_decompress_struct& jpeg = session.decompressor;
    jpeg_create_decompress(&jpeg);
    // Without a cap, a 600-byte progressive file claiming 65000 x 65000
    // makes libjpeg buffer 12 GB of coefficients.
    jpeg.mem->max_memory_to_use = long(MAX_DIB_BYTES);
    session.progress.progress_monitor = LimitScans;
    jpeg.progress = &session.progress;
    jpeg_stdio_src(&jpeg, file);
    jpeg_read_header(&jpeg, TRUE);
    // Colour rows are kept blue, green, red: libjpeg-turbo writes them so;
    // any other three components are swapped row by row.
#ifdef JCS_EXTENSIONS
    if (jpeg.out_color_space == JCS_RGB) jpeg.out_color_space = JCS_EXT_BGR;
    const bool writesBgr = jpeg.out_color_space == JCS_EXT_BGR;
#else
    const bool writesBgr = false;
#endif
    jpeg_start_decompress(&jpeg);

    const int components = jpeg.output_components;
    const bool swapRows = components == 3 && !writesBgr;
    const int width = int(jpeg.output_width);
    const int height = int(jpeg.output_height);
    if (!Create(width, height, 8 * components, ImageFormat(0))) return MSG_NO_MEMORY;
    if (jpeg.jpeg_color_space == JCS_GRAYSCALE) SetGreyPalette();

    const JDIMENSION rowStride = jpeg.output_width * JDIMENSION(components);
    JSAMPARRAY buffer = (*jpeg.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&jpeg),
                                                   JPOOL_IMAGE, rowStride, 1);
    const std::size_t stride = std::size_t(m_info.stride);
    const std::size_t copyBytes = rowStride < stride ? rowStride : stride;

    // A small file claiming a huge picture would otherwise have libjpeg
    // decode seconds of rows that are all the same.
    const bool oneScan = !jpeg_has_multiple_scans(&jpeg);
    const int rowsUntilRepeat = RowsUntilRowsRepeat(jpeg);
    int rowsSinceDataEnded = -1;
    bool repeated = false;

    int y = height - 1;
    while (jpeg.output_scanline < jpeg.output_height) {
        if (rowsSinceDataEnded >= rowsUntilRepeat) {
            // Row y + 1 is the last one put out; all the rest repeat it.
            const BYTE* last = m_info.pixels + std::size_t(y + 1) * stride;
            for (int row = y; row >= 0; --row) std::memcpy(m_info.pixels + std::size_t(row) * stride, last, stride);
            jpeg_abort_decompress(&jpeg);
            repeated = true;
            break;
        }
        jpeg_read_scanlines(&jpeg, buffer, 1);
        if (rowsSinceDataEnded >= 0)
            ++rowsSinceDataEnded;
        else if (oneScan && session.errors.dataEnded)
            rowsSinceDataEnded = 0;
        BYTE* stored = m_info.pixels + std::size_t(y) * stride;
        const JSAMPLE* in = buffer[0];
        if (components == 4) {
            for (int x = 0; x < width; ++x, in += 4, stored += 3) {
                const unsigned k = in[3];
                stored[0] = BYTE(in[2] * k / 255);
                stored[1] = BYTE(in[1] * k / 255);
                stored[2] = BYTE(in[0] * k / 255);
            }
        } else {
            std::memcpy(stored, in, copyBytes);
            if (swapRows) SwapRedBlue(stored, 3 * width);
        }
        if (y > 0) --y;
    }
    if (!repeated) jpeg_finish_decompress(&jpeg);
    return nullptr;
}
