#include <cerrno>
#include <csetjmp>
#include <cstddef>
#include <cstdio>
#include <cstring>
#include <vector>

#include "export/export_parts.h"

// jpeglib.h needs size_t and FILE declared first.
#include <jpeglib.h>

namespace {

// libjpeg's fatal errors come back here instead of ending the program.
struct JpegErrors {
    jpeg_error_mgr manager;
    std::jmp_buf recovery;
    char message[JMSG_LENGTH_MAX];
};

extern "C" void JpegFatal(j_common_ptr info)
{
    auto* errors = reinterpret_cast<JpegErrors*>(info->err);
    (*info->err->format_message)(info, errors->message);
    std::longjmp(errors->recovery, 1);
}

}  // namespace

bool WriteJpegFile(const CDibImage& image, const std::string& path, int quality, std::string& reason)
{
    if (image.IsEmpty() || image.BitCount() != 24) {
        reason = "only 24-bit pictures are written as JPEG";
        return false;
    }
    FILE* file = std::fopen(path.c_str(), "wb");
    if (!file) {
        reason = "cannot write '" + path + "': " + std::strerror(errno);
        return false;
    }
    jpeg_compress_struct info {};
    JpegErrors errors {};
    info.err = jpeg_std_error(&errors.manager);
    errors.manager.error_exit = JpegFatal;
    std::vector<JSAMPLE> row(std::size_t(image.Width()) * 3);
    if (setjmp(errors.recovery)) {
        jpeg_destroy_compress(&info);
        std::fclose(file);
        reason = "cannot write '" + path + "': " + errors.message;
        return false;
    }
    jpeg_create_compress(&info);
    jpeg_stdio_dest(&info, file);
    info.image_width = JDIMENSION(image.Width());
    info.image_height = JDIMENSION(image.Height());
    info.input_components = 3;
    info.in_color_space = JCS_RGB;
    jpeg_set_defaults(&info);
    jpeg_set_quality(&info, quality, TRUE);
    jpeg_start_compress(&info, TRUE);
    while (info.next_scanline < info.image_height) {
        // Top row first; the picture's rows are stored bottom-up, blue first.
        const BYTE* from = image.GetPixels() +
                           std::size_t(image.Height() - 1 - int(info.next_scanline)) * std::size_t(image.Info().stride);
        for (int x = 0; x < image.Width(); ++x) {
            row[3 * std::size_t(x)] = from[3 * x + 2];
            row[3 * std::size_t(x) + 1] = from[3 * x + 1];
            row[3 * std::size_t(x) + 2] = from[3 * x];
        }
        JSAMPROW rows[1] = {row.data()};
        jpeg_write_scanlines(&info, rows, 1);
    }
    jpeg_finish_compress(&info);
    jpeg_destroy_compress(&info);
    const bool failed = std::ferror(file) != 0;
    if (std::fclose(file) != 0 || failed) {
        reason = "cannot write '" + path + "': " + std::strerror(errno);
        return false;
    }
    return true;
}
