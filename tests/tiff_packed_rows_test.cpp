// Moving packed pixel values between rows, as the TIFF reader lays tiles
// into rows and widens 2-bit pixels: every alignment of source and
// destination, against a bit-at-a-time model.
#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

#include "formats/packed_rows.h"

namespace {

int BitAt(const std::vector<BYTE>& bytes, std::size_t bit) { return (bytes[bit / 8] >> (7 - bit % 8)) & 1; }

TEST(PackedRows, CopyBitsMovesExactlyTheRangeAtEveryAlignment)
{
    std::vector<BYTE> src(16);
    for (std::size_t i = 0; i < src.size(); ++i) src[i] = BYTE(i * 151 + 77);
    for (std::size_t srcBit = 0; srcBit < 16; ++srcBit) {
        for (std::size_t dstBit = 0; dstBit < 16; ++dstBit) {
            for (std::size_t count = 0; srcBit + count <= 8 * src.size() && count < 90; ++count) {
                // Only the bytes the range touches exist, so reads or writes
                // past them show under the address sanitizer.
                const std::vector<BYTE> source(src.begin(), src.begin() + std::ptrdiff_t((srcBit + count + 7) / 8));
                std::vector<BYTE> dst((dstBit + count + 7) / 8, 0xA5);
                const std::vector<BYTE> before = dst;
                CopyBits(source.data(), srcBit, dst.data(), dstBit, count);
                for (std::size_t bit = 0; bit < 8 * dst.size(); ++bit) {
                    const bool inRange = bit >= dstBit && bit < dstBit + count;
                    const int want = inRange ? BitAt(source, srcBit + bit - dstBit) : BitAt(before, bit);
                    ASSERT_EQ(BitAt(dst, bit), want)
                        << "src bit " << srcBit << ", dst bit " << dstBit << ", count " << count << ", bit " << bit;
                }
            }
        }
    }
}

TEST(PackedRows, TwoBitValuesWidenToNibblesInPlace)
{
    for (std::size_t width = 1; width <= 9; ++width) {
        std::vector<BYTE> row((width + 1) / 2 + 1, 0);
        std::vector<unsigned> values;
        for (std::size_t n = 0; n < width; ++n) {
            values.push_back(unsigned(n * 3 + 1) % 4);
            row[n / 4] = BYTE(row[n / 4] | (values[n] << (6 - 2 * (n % 4))));
        }
        WidenTwoBitRow(row.data(), row.data(), width);
        for (std::size_t n = 0; n < width; ++n) {
            const unsigned nibble = n % 2 == 0 ? row[n / 2] >> 4 : row[n / 2] & 15u;
            EXPECT_EQ(nibble, values[n]) << "width " << width << ", pixel " << n;
        }
    }
}

}  // namespace
