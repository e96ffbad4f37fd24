#include "tests/support/pcx_builder.h"

#include "tests/support/byte_builder.h"

namespace kestrel::test {

std::string BuildPcx(const PcxRecipe& r)
{
    ByteBuilder b;
    b.U8(r.manufacturer).U8(5).U8(r.encoding).U8(r.bitsPerPixel)
        .U16(r.xmin).U16(r.ymin).U16(r.xmax).U16(r.ymax).U16(72).U16(72);
    for (std::uint8_t v : r.headerPalette) b.U8(v);
    b.U8(0).U8(r.planes).U16(r.bytesPerLine).U16(1).Fill(128 - 70, 0);
    b.Append(r.data).Append(r.trailer);
    return b.Str();
}

std::string PcxEncode(const std::string& raw)
{
    ByteBuilder b;
    for (std::size_t i = 0; i < raw.size();) {
        std::size_t run = 1;
        while (i + run < raw.size() && raw[i + run] == raw[i] && run < 63) ++run;
        const unsigned value = std::uint8_t(raw[i]);
        if (run > 1 || (value & 0xC0) == 0xC0)
            b.U8(0xC0 | unsigned(run)).U8(value);
        else
            b.U8(value);
        i += run;
    }
    return b.Str();
}

std::string PcxVgaPalette(const std::string& triples)
{
    ByteBuilder b;
    b.U8(12);
    if (!triples.empty()) return b.Append(triples).Str();
    for (unsigned i = 0; i < 256; ++i) b.U8(i).U8(255 - i).U8(i / 2);
    return b.Str();
}

}  // namespace kestrel::test
