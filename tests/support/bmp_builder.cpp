#include "tests/support/bmp_builder.h"

#include "tests/support/byte_builder.h"

namespace kestrel::test {

std::string BuildBmp(const BmpRecipe& r)
{
    ByteBuilder info;
    if (r.headerSize == 12) {
        info.U32(12).U16(std::uint32_t(r.width)).U16(std::uint32_t(r.height)).U16(1).U16(r.bitCount);
    } else {
        info.U32(r.headerSize).I32(r.width).I32(r.height).U16(1).U16(r.bitCount).U32(r.compression)
            .U32(std::uint32_t(r.pixels.size())).I32(r.xPelsPerMetre).I32(r.yPelsPerMetre)
            .U32(r.coloursUsed).U32(0);
        if (r.headerSize > 40) {
            // Red, green, blue and alpha masks, as many as the header holds.
            for (std::size_t i = 0; i < 4 && info.Size() + 4 <= r.headerSize; ++i)
                info.U32(i < r.masks.size() ? r.masks[i] : 0);
            info.Fill(r.headerSize - info.Size(), 0);  // colour space, endpoints, gamma, ...
        } else {
            for (std::uint32_t mask : r.masks) info.U32(mask);
        }
    }
    // A shorter header is the 40-byte one cut after its first headerSize bytes.
    const bool cut = r.headerSize > 12 && r.headerSize < 40;
    const std::string infoBytes = cut ? info.Str().substr(0, r.headerSize) : info.Str();
    ByteBuilder table;
    for (const RGBQUAD& q : r.palette) {
        table.U8(q.rgbBlue).U8(q.rgbGreen).U8(q.rgbRed);
        if (r.headerSize != 12) table.U8(q.rgbReserved);
    }

    const std::size_t fileHeaderSize = r.fileHeader ? 14 : 0;
    const std::size_t offset = fileHeaderSize + infoBytes.size() + table.Size() + r.gap.size();
    ByteBuilder file;
    if (r.fileHeader)
        file.Bytes({'B', 'M'}).U32(std::uint32_t(offset + r.pixels.size())).U32(0)
            .U32(r.pixelOffset ? std::uint32_t(offset) : 0);
    file.Append(infoBytes).Append(table.Str()).Append(r.gap).Append(r.pixels);
    return file.Str();
}

std::string PackBmpRows(const std::vector<std::vector<std::uint32_t>>& rowsFromTop, int bitCount,
                        bool topDown)
{
    ByteBuilder out;
    const std::size_t n = rowsFromTop.size();
    for (std::size_t k = 0; k < n; ++k) {
        const auto& row = rowsFromTop[topDown ? k : n - 1 - k];
        const std::size_t start = out.Size();
        if (bitCount < 8) {
            unsigned acc = 0;
            int used = 0;
            for (std::uint32_t v : row) {
                acc = (acc << bitCount) | (v & ((1u << bitCount) - 1));
                used += bitCount;
                if (used == 8) {
                    out.U8(acc);
                    acc = 0;
                    used = 0;
                }
            }
            if (used > 0) out.U8(acc << (8 - used));
        } else {
            for (std::uint32_t v : row) {
                if (bitCount == 8) out.U8(v);
                else if (bitCount == 16) out.U16(v);
                else if (bitCount == 24) out.U8(v).U8(v >> 8).U8(v >> 16);
                else out.U32(v);
            }
        }
        while ((out.Size() - start) % 4 != 0) out.U8(0);
    }
    return out.Str();
}

}  // namespace kestrel::test
