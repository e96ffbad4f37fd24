#include "tests/support/jpeg_test_files.h"

#include <cstdint>
#include <cstdlib>

namespace kestrel::test {

std::string WriteJpeg(const JpegRecipe& recipe)
{
    const std::size_t rowBytes = std::size_t(recipe.width) * recipe.components;
    if (recipe.pixels.size() < rowBytes * std::size_t(recipe.height)) return {};

    jpeg_compress_struct jpeg{};
    jpeg_error_mgr errors{};
    jpeg.err = jpeg_std_error(&errors);  // valid recipes only: errors end the test run
    jpeg_create_compress(&jpeg);
    unsigned char* buffer = nullptr;
    unsigned long size = 0;
    jpeg_mem_dest(&jpeg, &buffer, &size);
    jpeg.image_width = JDIMENSION(recipe.width);
    jpeg.image_height = JDIMENSION(recipe.height);
    jpeg.input_components = recipe.components;
    jpeg.in_color_space = recipe.input;
    jpeg_set_defaults(&jpeg);
    if (recipe.stored != JCS_UNKNOWN) jpeg_set_colorspace(&jpeg, recipe.stored);
    jpeg_set_quality(&jpeg, recipe.quality, TRUE);
    if (recipe.progressive) jpeg_simple_progression(&jpeg);
    jpeg.restart_interval = recipe.restartInterval;
    jpeg_start_compress(&jpeg, TRUE);
    while (jpeg.next_scanline < jpeg.image_height) {
        JSAMPROW row = const_cast<JSAMPROW>(recipe.pixels.data() + rowBytes * jpeg.next_scanline);
        jpeg_write_scanlines(&jpeg, &row, 1);
    }
    jpeg_finish_compress(&jpeg);
    jpeg_destroy_compress(&jpeg);
    std::string file(reinterpret_cast<const char*>(buffer), size);
    std::free(buffer);
    return file;
}

std::string WithFrameSize(std::string jpeg, int width, int height)
{
    for (std::size_t at = 2; at + 9 <= jpeg.size(); ++at) {
        if (std::uint8_t(jpeg[at]) == 0xFF &&
            (std::uint8_t(jpeg[at + 1]) == 0xC0 || std::uint8_t(jpeg[at + 1]) == 0xC2)) {
            jpeg[at + 5] = char(height >> 8);
            jpeg[at + 6] = char(height);
            jpeg[at + 7] = char(width >> 8);
            jpeg[at + 8] = char(width);
            break;
        }
    }
    return jpeg;
}

}  // namespace kestrel::test
