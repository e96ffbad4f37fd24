#include "tests/support/tga_builder.h"

#include "tests/support/byte_builder.h"

namespace kestrel::test {

std::string BuildTga(const TgaRecipe& r)
{
    ByteBuilder b;
    b.U8(unsigned(r.id.size())).U8(r.colourMapType).U8(r.imageType)
        .U16(r.mapFirst).U16(r.mapLength).U8(r.mapEntryBits)
        .U16(0).U16(0).U16(r.width).U16(r.height).U8(r.depth).U8(r.descriptor);
    b.Append(r.id).Append(r.colourMap).Append(r.data);
    return b.Str();
}

}  // namespace kestrel::test
