// Files whose scan data ends early: the reader's rows must be exactly the
// rows libjpeg itself puts out, including where the reader stops decoding
// and repeats the last row.
#include <gtest/gtest.h>

#include <csetjmp>
#include <ostream>
#include <cstdint>
#include <string>
#include <vector>

#include <jpeglib.h>

#include "formats/jpeg_image.h"
#include "tests/support/decode_bytes.h"
#include "tests/support/jpeg_test_files.h"

namespace {

using kestrel::test::DecodeFromBytes;
using kestrel::test::JpegRecipe;
using kestrel::test::WithFrameSize;
using kestrel::test::WriteJpeg;

struct PlainErrors {
    jpeg_error_mgr standard;
    std::jmp_buf recovery;
};

// libjpeg's own rows, top first, as it puts them out with warnings ignored.
bool PlainRows(const std::string& file, std::vector<std::vector<JSAMPLE>>& rows)
{
    jpeg_decompress_struct jpeg{};
    PlainErrors errors{};
    jpeg.err = jpeg_std_error(&errors.standard);
    errors.standard.error_exit = [](j_common_ptr common) {
        std::longjmp(reinterpret_cast<PlainErrors*>(common->err)->recovery, 1);
    };
    errors.standard.emit_message = [](j_common_ptr, int) {};
    if (setjmp(errors.recovery)) {
        jpeg_destroy_decompress(&jpeg);
        return false;
    }
    jpeg_create_decompress(&jpeg);
    jpeg_mem_src(&jpeg, reinterpret_cast<const unsigned char*>(file.data()), file.size());
    jpeg_read_header(&jpeg, TRUE);
    jpeg_start_decompress(&jpeg);
    std::vector<JSAMPLE> row(std::size_t(jpeg.output_width) * std::size_t(jpeg.output_components));
    while (jpeg.output_scanline < jpeg.output_height) {
        JSAMPROW at = row.data();
        jpeg_read_scanlines(&jpeg, &at, 1);
        rows.push_back(row);
    }
    jpeg_destroy_decompress(&jpeg);
    return true;
}

struct TruncatedCase {
    const char* name;
    int width, height, components;
    bool progressive;
    unsigned restartInterval;
    double keptShare;          // of the file's bytes
    int claimedWidth, claimedHeight;  // 0: as encoded
};

void PrintTo(const TruncatedCase& c, std::ostream* os) { *os << c.name; }

class JpegTruncated : public testing::TestWithParam<TruncatedCase> {};

TEST_P(JpegTruncated, RowsAreLibjpegsOwn)
{
    const TruncatedCase& c = GetParam();
    JpegRecipe recipe;
    recipe.width = c.width;
    recipe.height = c.height;
    recipe.components = c.components;
    recipe.input = c.components == 1 ? JCS_GRAYSCALE : JCS_RGB;
    recipe.progressive = c.progressive;
    recipe.restartInterval = c.restartInterval;
    recipe.quality = 80;
    for (int i = 0; i < c.width * c.height * c.components; ++i) recipe.pixels.push_back(JSAMPLE((i * 7919) % 251));
    std::string file = WriteJpeg(recipe);
    if (c.claimedWidth) file = WithFrameSize(file, c.claimedWidth, c.claimedHeight);
    file.resize(std::size_t(double(file.size()) * c.keptShare));

    std::vector<std::vector<JSAMPLE>> expected;
    ASSERT_TRUE(PlainRows(file, expected));
    CDibImage image(ImageFormat::Jpeg);
    ASSERT_TRUE(DecodeFromBytes(image, file, ImageFormat::Jpeg)) << image.LastError();
    ASSERT_EQ(std::size_t(image.Height()), expected.size());

    const int width = image.Width();
    const BYTE* pixels = image.GetPixels();
    for (int row = 0; row < image.Height(); ++row) {
        const BYTE* stored = pixels + std::size_t(image.Height() - 1 - row) * std::size_t(image.Info().stride);
        for (int x = 0; x < width; ++x) {
            for (int k = 0; k < c.components; ++k) {
                // Colour rows are kept blue, green, red.
                const int from = c.components == 3 ? 2 - k : k;
                ASSERT_EQ(int(stored[x * c.components + from]), int(expected[std::size_t(row)][std::size_t(x * c.components + k)]))
                    << "row " << row << " x " << x << " component " << k;
            }
        }
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, JpegTruncated,
    testing::Values(
        // One block wide: the decoder's look-ahead spans many block rows.
        TruncatedCase{"NarrowGrey", 8, 2000, 1, false, 0, 0.5, 0, 0},
        TruncatedCase{"Colour", 120, 300, 3, false, 0, 0.3, 0, 0},
        TruncatedCase{"ColourWithRestarts", 120, 300, 3, false, 7, 0.3, 0, 0},
        TruncatedCase{"RestartsLongerThanARow", 64, 400, 3, false, 50, 0.2, 0, 0},
        TruncatedCase{"ColourCutLate", 96, 200, 3, false, 0, 0.6, 0, 0},
        TruncatedCase{"ProgressiveCut", 96, 200, 3, true, 0, 0.6, 0, 0},
        TruncatedCase{"SmallFileClaimingAHugePicture", 32, 32, 3, false, 0, 1.0, 3000, 2000},
        TruncatedCase{"SmallGreyClaimingAHugePicture", 32, 32, 1, false, 3, 1.0, 2500, 2500}),
    [](const testing::TestParamInfo<TruncatedCase>& info) { return std::string(info.param.name); });

}  // namespace
