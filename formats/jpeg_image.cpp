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
//     store the inks inverted, so these are the visible levels); RGB rows are
//     swapped to blue, green, red once all rows are in.
//
// Damage: fatal errors (not a JPEG, corrupt tables, unsupported features)
// end the read with libjpeg's message. Missing data is only a warning:
// libjpeg fills the rest of the picture and the read succeeds. libjpeg's
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

namespace {

constexpr const char* MSG_NO_MEMORY = "Can't allocate memory for JPEG image";
constexpr const char* MSG_TOO_MANY_SCANS = "Too many scans in JPEG file";
constexpr int MAX_SCANS = 100;

struct JpegErrorManager {
    jpeg_error_mgr standard;  // first, so libjpeg's err pointer is ours too
    std::jmp_buf recovery;
    char message[JMSG_LENGTH_MAX];
};

[[noreturn]] void ExitToRecoveryPoint(j_common_ptr common)
{
    auto* errors = reinterpret_cast<JpegErrorManager*>(common->err);
    (*common->err->format_message)(common, errors->message);
    std::longjmp(errors->recovery, 1);
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
    jpeg_start_decompress(&jpeg);

    const int components = jpeg.output_components;
    const int width = int(jpeg.output_width);
    const int height = int(jpeg.output_height);
    if (!Create(width, height, 8 * components, ImageFormat(0))) return MSG_NO_MEMORY;
    if (jpeg.jpeg_color_space == JCS_GRAYSCALE) SetGreyPalette();

    const JDIMENSION rowStride = jpeg.output_width * JDIMENSION(components);
    JSAMPARRAY buffer = (*jpeg.mem->alloc_sarray)(reinterpret_cast<j_common_ptr>(&jpeg),
                                                   JPOOL_IMAGE, rowStride, 1);
    const std::size_t stride = std::size_t(m_info.stride);
    const std::size_t copyBytes = rowStride < stride ? rowStride : stride;

    int y = height - 1;
    while (jpeg.output_scanline < jpeg.output_height) {
        jpeg_read_scanlines(&jpeg, buffer, 1);
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
        }
        if (y > 0) --y;
    }
    jpeg_finish_decompress(&jpeg);

    if (components == 3) {
        for (int row = 0; row < height; ++row)
            SwapRedBlue(m_info.pixels + std::size_t(row) * stride, 3 * width);
    }
    return nullptr;
}
