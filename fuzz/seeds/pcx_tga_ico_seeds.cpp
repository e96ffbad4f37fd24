// PCX, TGA and icon seeds: each depth and plane layout, plain and
// run-length data, both TGA origins, several icon entries.
#include "fuzz/seeds/seed_files.h"

namespace kestrel::fuzz {
namespace {

// PCX run-length coding: runs of one byte, or any byte that looks like a count.
std::string PcxRle(const std::string& raw)
{
    Bytes out;
    for (std::size_t i = 0; i < raw.size();) {
        std::size_t run = 1;
        while (i + run < raw.size() && run < 63 && raw[i + run] == raw[i]) ++run;
        const unsigned byte = std::uint8_t(raw[i]);
        if (run > 1 || byte >= 0xC0) out.u8(0xC0 | unsigned(run));
        out.u8(byte);
        i += run;
    }
    return out.data;
}

std::string MakePcx(int width, int height, int bits, int planes)
{
    const int bytesPerLine = ((width * bits + 15) / 16) * 2;
    Bytes out;
    out.u8(10).u8(5).u8(1).u8(bits).u16(0).u16(0).u16(width - 1).u16(height - 1).u16(72).u16(72);
    for (int i = 0; i < 16; ++i) out.u8(i * 16).u8(255 - i * 16).u8(i * 8);
    out.u8(0).u8(planes).u16(bytesPerLine).u16(1).fill(58, 0);
    std::string raw;
    for (int i = 0; i < bytesPerLine * planes * height; ++i) raw.push_back(char(i % 5 == 0 ? 0xAA : i * 13));
    out.text(PcxRle(raw));
    if (bits == 8 && planes == 1) {
        out.u8(12);
        for (int i = 0; i < 256; ++i) out.u8(i).u8(255 - i).u8(i / 2);
    }
    return out.data;
}

struct TgaImage {
    int type = 2;
    int depth = 24;
    int width = 5;
    int height = 4;
    int descriptor = 0;
    int idLength = 0;
    int mapEntries = 0;
};

void TgaPixel(Bytes& out, int depth, int v)
{
    if (depth == 8) out.u8(v);
    else if (depth == 16) out.u16((v * 1237) & 0xFFFF);
    else if (depth == 24) out.u8(v).u8(v * 3).u8(v * 5);
    else out.u8(v).u8(v * 3).u8(v * 5).u8(v * 7);
}

std::string MakeTga(const TgaImage& t)
{
    Bytes out;
    out.u8(t.idLength).u8(t.mapEntries ? 1 : 0).u8(t.type).u16(0).u16(t.mapEntries).u8(t.mapEntries ? 24 : 0);
    out.u16(0).u16(0).u16(t.width).u16(t.height).u8(t.depth).u8(t.descriptor);
    out.fill(t.idLength, 'i');
    for (int i = 0; i < t.mapEntries; ++i) out.u8(i * 9).u8(i * 5).u8(255 - i);
    const bool rle = t.type >= 9;
    for (int y = 0; y < t.height; ++y) {
        if (!rle) {
            for (int x = 0; x < t.width; ++x) TgaPixel(out, t.depth, x + y * t.width);
            continue;
        }
        // A run of two, then a raw packet for the rest of the row.
        out.u8(0x81);
        TgaPixel(out, t.depth, y);
        out.u8(t.width - 3);
        for (int x = 2; x < t.width; ++x) TgaPixel(out, t.depth, x * 3 + y);
    }
    return out.data;
}

// An icon with one entry per colour count, each image a 40-byte header, the
// colour table, the rows and the mask.
std::string MakeIco(const std::vector<int>& colourCounts)
{
    Bytes directory;
    Bytes images;
    directory.u16(0).u16(1).u16(unsigned(colourCounts.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(colourCounts.size());
    int side = 4;
    for (int colours : colourCounts) {
        const int bits = colours == 2 ? 1 : colours == 16 ? 4 : 8;
        const int entries = 1 << bits;
        const int stride = ((side * bits + 31) / 32) * 4;
        const int maskStride = ((side + 31) / 32) * 4;
        Bytes image;
        image.u32(40).u32(side).u32(side * 2).u16(1).u16(bits).u32(0).u32(0).u32(0).u32(0).u32(0).u32(0);
        for (int i = 0; i < entries; ++i) image.u8(i).u8(i * 2).u8(255 - i).u8(0);
        for (int i = 0; i < stride * side; ++i) image.u8(i * 11);
        image.fill(std::size_t(maskStride) * side, 0x0F);
        directory.u8(side).u8(side).u8(colours == 256 ? 0 : colours).u8(0).u16(1).u16(bits);
        directory.u32(std::uint32_t(image.data.size())).u32(offset);
        offset += std::uint32_t(image.data.size());
        images.text(image.data);
        side += 4;
    }
    return directory.data + images.data;
}

}  // namespace

std::vector<SeedFile> PcxTgaIcoSeeds()
{
    std::vector<SeedFile> seeds;
    seeds.push_back({"pcx-1bit", ImageFormat::Pcx, 0, MakePcx(19, 3, 1, 1)});
    seeds.push_back({"pcx-1bit-4planes", ImageFormat::Pcx, 0, MakePcx(9, 4, 1, 4)});
    seeds.push_back({"pcx-2bit", ImageFormat::Pcx, 0, MakePcx(7, 3, 2, 1)});
    seeds.push_back({"pcx-4bit", ImageFormat::Pcx, 0, MakePcx(5, 3, 4, 1)});
    seeds.push_back({"pcx-8bit-palette", ImageFormat::Pcx, 0, MakePcx(6, 4, 8, 1)});
    seeds.push_back({"pcx-8bit-3planes", ImageFormat::Pcx, 0, MakePcx(5, 3, 8, 3)});

    auto tga = [&](const char* name, const TgaImage& t) {
        seeds.push_back({name, ImageFormat::Tga, 0, MakeTga(t)});
    };
    tga("tga-mapped", TgaImage{1, 8, 6, 3, 0, 0, 16});
    tga("tga-16bit", TgaImage{2, 16, 4, 3, 0x20});
    tga("tga-24bit-id", TgaImage{2, 24, 5, 4, 0, 26});
    tga("tga-32bit-mirrored", TgaImage{2, 32, 4, 2, 0x10});
    tga("tga-grey", TgaImage{3, 8, 7, 2});
    tga("tga-rle-mapped", TgaImage{9, 8, 6, 3, 0x20, 0, 8});
    tga("tga-rle-24bit", TgaImage{10, 24, 6, 3});
    tga("tga-rle-32bit", TgaImage{10, 32, 5, 3, 0x30});
    tga("tga-rle-16bit", TgaImage{10, 16, 5, 2});
    tga("tga-rle-grey", TgaImage{11, 8, 4, 4});

    const std::string icon = MakeIco({2, 16, 256});
    seeds.push_back({"ico-frame0", ImageFormat::Ico, 0, icon});
    seeds.push_back({"ico-frame1", ImageFormat::Ico, 1, icon});
    seeds.push_back({"ico-frame2", ImageFormat::Ico, 2, icon});
    return seeds;
}

}  // namespace kestrel::fuzz
