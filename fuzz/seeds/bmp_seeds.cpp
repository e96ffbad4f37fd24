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
    Bytes out;
    if (b.compression == 1) {  // RLE8: a run, an absolute run, a delta, end of line, end
        for (int y = 0; y < b.height; ++y) {
            if (y == 2) {
                out.u8(0).u8(2).u8(1).u8(1);
                continue;
            }
            out.u8(3).u8(y).u8(0).u8(3).u8(1).u8(2).u8(3).u8(0).u8(0).u8(0);
        }
        out.u8(0).u8(1);
    } else if (b.compression == 2) {  // RLE4
        for (int y = 0; y < b.height; ++y) out.u8(4).u8(0x12).u8(0).u8(5).u8(0x34).u8(0x56).u8(0x70).u8(0).u8(0).u8(0);
        out.u8(0).u8(1);
    } else {
        const int stride = ((b.width * b.bits + 31) / 32) * 4;
        for (int y = 0; y < b.height; ++y)
            for (int i = 0; i < stride; ++i) out.u8(y * 31 + i * 7);
    }
    return out.data;
}

std::string MakeBmp(const BmpImage& b)
{
    Bytes info;
    const int entries = PaletteEntries(b.bits);
    if (b.coreHeader) {
        info.u32(12).u16(b.width).u16(b.height).u16(1).u16(b.bits);
    } else {
        info.u32(40).u32(b.width).u32(b.height).u16(1).u16(b.bits).u32(b.compression);
        info.u32(0).u32(2835).u32(3780).u32(entries).u32(0);
    }
    for (int i = 0; i < entries; ++i) {
        info.u8(i * 3).u8(255 - i).u8(i * 7);
        if (!b.coreHeader) info.u8(0);
    }
    const std::string pixels = PixelData(b);
    Bytes out;
    if (b.fileHeader) {
        const std::uint32_t offset = 14 + std::uint32_t(info.data.size());
        out.text("BM").u32(offset + std::uint32_t(pixels.size())).u32(0).u32(offset);
    }
    out.text(info.data).text(pixels);
    return out.data;
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
