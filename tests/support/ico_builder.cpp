#include "tests/support/ico_builder.h"

#include "tests/support/byte_builder.h"

namespace kestrel::test {

std::string BuildIco(const std::vector<IcoEntry>& entries, int type)
{
    ByteBuilder b;
    b.U16(0).U16(type).U16(unsigned(entries.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(entries.size());
    for (const IcoEntry& e : entries) {
        b.U8(e.widthByte).U8(e.heightByte).U8(e.colourCount).U8(0).U16(1).U16(e.bitCount)
            .U32(std::uint32_t(e.image.size())).U32(offset);
        offset += std::uint32_t(e.image.size());
    }
    for (const IcoEntry& e : entries) b.Append(e.image);
    return b.Str();
}

std::string IcoBitmap(int width, int height, int bitCount, const std::vector<RGBQUAD>& palette,
                      const std::string& rows, std::uint32_t coloursUsed, unsigned maskByte)
{
    ByteBuilder b;
    b.U32(40).I32(width).I32(2 * height).U16(1).U16(bitCount).U32(0).U32(0).U32(0).U32(0)
        .U32(coloursUsed).U32(0);
    for (const RGBQUAD& q : palette) b.U8(q.rgbBlue).U8(q.rgbGreen).U8(q.rgbRed).U8(q.rgbReserved);
    b.Append(rows);
    const std::size_t maskStride = std::size_t((width + 31) / 32) * 4;
    b.Fill(maskStride * std::size_t(height), maskByte);
    return b.Str();
}

}  // namespace kestrel::test
