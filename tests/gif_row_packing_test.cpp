// Packing decoded GIF lines into DIB rows, against one pixel at a time, for
// every length around the widths the packers handle in blocks, with every
// packer this processor can run.
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
        GifRowPacker packers[MAX_GIF_ROW_PACKERS];
        const std::size_t packerCount = GifRowPackersFor(bitCount, packers);
        ASSERT_EQ(packers[0], GifRowPackerFor(bitCount));
        // Each packer, then the general entry (p == packerCount).
        for (int count = 0; count <= 200; ++count) for (std::size_t p = 0; p <= packerCount; ++p) {
            CDibImage image(ImageFormat::Gif);
            ASSERT_NE(image.Create(200, 1, bitCount, ImageFormat::Gif), nullptr);
            std::vector<BYTE> before(std::size_t(image.Info().stride));
            for (auto& byte : before) byte = BYTE(random());
            std::vector<BYTE> line(200);
            for (auto& pixel : line) pixel = BYTE(random());

            BYTE* row = image.GetPixels();
            std::copy(before.begin(), before.end(), row);
            CDibImage model(ImageFormat::Gif);
            ASSERT_NE(model.Create(200, 1, bitCount, ImageFormat::Gif), nullptr);
            std::copy(before.begin(), before.end(), model.GetPixels());
            for (int x = 0; x < count; ++x) model.SetPixelIndex(x, 0, line[std::size_t(x)]);

            if (p < packerCount && count > 0) packers[p](row, line.data(), count);
            else PackGifRow(row, line.data(), count, bitCount);
            EXPECT_TRUE(std::equal(row, row + image.Info().stride, model.GetPixels()))
                << bitCount << " bits, " << count << " pixels, packer " << p;
        }
    }
}

}  // namespace
