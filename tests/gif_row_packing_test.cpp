// Packing decoded GIF lines into DIB rows, against one pixel at a time, for
// every length around the widths the packer handles in blocks.
#include <gtest/gtest.h>

#include <random>
#include <vector>

#include "formats/gif_row_packing.h"
#include "image/dib_image.h"

namespace {

TEST(GifRowPacking, EveryLengthMatchesSettingPixelsOneByOne)
{
    std::mt19937 random(11);
    for (const int bitCount : {1, 4, 8}) {
        for (int count = 0; count <= 100; ++count) {
            CDibImage image(ImageFormat::Gif);
            ASSERT_NE(image.Create(100, 1, bitCount, ImageFormat::Gif), nullptr);
            std::vector<BYTE> before(std::size_t(image.Info().stride));
            for (auto& byte : before) byte = BYTE(random());
            std::vector<BYTE> line(100);
            for (auto& pixel : line) pixel = BYTE(random());

            BYTE* row = image.GetPixels();
            std::copy(before.begin(), before.end(), row);
            CDibImage model(ImageFormat::Gif);
            ASSERT_NE(model.Create(100, 1, bitCount, ImageFormat::Gif), nullptr);
            std::copy(before.begin(), before.end(), model.GetPixels());
            for (int x = 0; x < count; ++x) model.SetPixelIndex(x, 0, line[std::size_t(x)]);

            PackGifRow(row, line.data(), count, bitCount);
            EXPECT_TRUE(std::equal(row, row + image.Info().stride, model.GetPixels()))
                << bitCount << " bits, " << count << " pixels";
        }
    }
}

}  // namespace
