// BMP seeds: every depth the reader knows, both run-length codings, the OS/2
// core header and a bare bitmap without a file header.
#include "fuzz/seeds/seed_files.h"

namespace kestrel::fuzz {
namespace {

struct BmpImage {
    int width = 6;
    int height = 5;
    int bits = 8;
    int compression = 0;
    bool fileHeader = true;
    bool coreHeader = false;
};

int PaletteEntries(int bits) { return bits <= 8 ? 1 << bits : 0; }

std::string PixelData(const BmpImage& b)
{
    kestrel::test::ByteBuilder out;
    if (b.compression == 1) {  // RLE8: a run, an absolute run, a delta, end of line, end
        for (int y = 0; y < b.height; ++y) {
            if (y == 2) {
                out.U8(0).U8(2).U8(1).U8(1);
                continue;
            }
            out.U8(3).U8(y).U8(0).U8(3).U8(1).U8(2).U8(3).U8(0).U8(0).U8(0);
        }
        out.U8(0).U8(1);
    } else if (b.compression == 2) {  // RLE4
        for (int y = 0; y < b.height; ++y) out.U8(4).U8(0x12).U8(0).U8(5).U8(0x34).U8(0x56).U8(0x70).U8(0).U8(0).U8(0);
        out.U8(0).U8(1);
    } else {
        const int stride = ((b.width * b.bits + 31) / 32) * 4;
        for (int y = 0; y < b.height; ++y)
            for (int i = 0; i < stride; ++i) out.U8(y * 31 + i * 7);
    }
    return out.Str();
}

std::string MakeBmp(const BmpImage& b)
{
    kestrel::test::ByteBuilder info;
    const int entries = PaletteEntries(b.bits);
    if (b.coreHeader) {
        info.U32(12).U16(b.width).U16(b.height).U16(1).U16(b.bits);
    } else {
        info.U32(40).U32(b.width).U32(b.height).U16(1).U16(b.bits).U32(b.compression);
        info.U32(0).U32(2835).U32(3780).U32(entries).U32(0);
    }
    for (int i = 0; i < entries; ++i) {
        info.U8(i * 3).U8(255 - i).U8(i * 7);
        if (!b.coreHeader) info.U8(0);
    }
    const std::string pixels = PixelData(b);
    kestrel::test::ByteBuilder out;
    if (b.fileHeader) {
        const std::uint32_t offset = 14 + std::uint32_t(info.Str().size());
        out.Append("BM").U32(offset + std::uint32_t(pixels.size())).U32(0).U32(offset);
    }
    out.Append(info.Str()).Append(pixels);
    return out.Str();
}

}  // namespace

std::vector<SeedFile> BmpSeeds()
{
    std::vector<SeedFile> seeds;
    auto add = [&](const char* name, const BmpImage& b) {
        seeds.push_back({name, ImageFormat::Bmp, 0, MakeBmp(b)});
    };
    add("bmp-1bit", BmpImage{13, 3, 1});
    add("bmp-4bit", BmpImage{7, 4, 4});
    add("bmp-8bit", BmpImage{});
    add("bmp-16bit", BmpImage{5, 3, 16});
    add("bmp-24bit", BmpImage{5, 4, 24});
    add("bmp-32bit-bitfields", BmpImage{4, 3, 32, 3});
    add("bmp-rle8", BmpImage{8, 4, 8, 1});
    add("bmp-rle4", BmpImage{10, 3, 4, 2});
    add("bmp-os2-core", BmpImage{6, 2, 8, 0, true, true});
    add("bmp-bare-4bit", BmpImage{6, 2, 4, 0, false});
    return seeds;
}

}  // namespace kestrel::fuzz
