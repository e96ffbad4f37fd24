// PCX, TGA and icon seeds: each depth and plane layout, plain and
// run-length data, both TGA origins, several icon entries.
#include "fuzz/seeds/seed_files.h"

namespace kestrel::fuzz {
namespace {

// PCX run-length coding: runs of one byte, or any byte that looks like a count.
std::string PcxRle(const std::string& raw)
{
    kestrel::test::ByteBuilder out;
    for (std::size_t i = 0; i < raw.size();) {
        std::size_t run = 1;
        while (i + run < raw.size() && run < 63 && raw[i + run] == raw[i]) ++run;
        const unsigned byte = std::uint8_t(raw[i]);
        if (run > 1 || byte >= 0xC0) out.U8(0xC0 | unsigned(run));
        out.U8(byte);
        i += run;
    }
    return out.Str();
}

std::string MakePcx(int width, int height, int bits, int planes)
{
    const int bytesPerLine = ((width * bits + 15) / 16) * 2;
    kestrel::test::ByteBuilder out;
    out.U8(10).U8(5).U8(1).U8(bits).U16(0).U16(0).U16(width - 1).U16(height - 1).U16(72).U16(72);
    for (int i = 0; i < 16; ++i) out.U8(i * 16).U8(255 - i * 16).U8(i * 8);
    out.U8(0).U8(planes).U16(bytesPerLine).U16(1).Fill(58, 0);
    std::string raw;
    for (int i = 0; i < bytesPerLine * planes * height; ++i) raw.push_back(char(i % 5 == 0 ? 0xAA : i * 13));
    out.Append(PcxRle(raw));
    if (bits == 8 && planes == 1) {
        out.U8(12);
        for (int i = 0; i < 256; ++i) out.U8(i).U8(255 - i).U8(i / 2);
    }
    return out.Str();
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

void TgaPixel(kestrel::test::ByteBuilder& out, int depth, int v)
{
    if (depth == 8) out.U8(v);
    else if (depth == 16) out.U16((v * 1237) & 0xFFFF);
    else if (depth == 24) out.U8(v).U8(v * 3).U8(v * 5);
    else out.U8(v).U8(v * 3).U8(v * 5).U8(v * 7);
}

std::string MakeTga(const TgaImage& t)
{
    kestrel::test::ByteBuilder out;
    out.U8(t.idLength).U8(t.mapEntries ? 1 : 0).U8(t.type).U16(0).U16(t.mapEntries).U8(t.mapEntries ? 24 : 0);
    out.U16(0).U16(0).U16(t.width).U16(t.height).U8(t.depth).U8(t.descriptor);
    out.Fill(t.idLength, 'i');
    for (int i = 0; i < t.mapEntries; ++i) out.U8(i * 9).U8(i * 5).U8(255 - i);
    const bool rle = t.type >= 9;
    for (int y = 0; y < t.height; ++y) {
        if (!rle) {
            for (int x = 0; x < t.width; ++x) TgaPixel(out, t.depth, x + y * t.width);
            continue;
        }
        // A run of two, then a raw packet for the rest of the row.
        out.U8(0x81);
        TgaPixel(out, t.depth, y);
        out.U8(t.width - 3);
        for (int x = 2; x < t.width; ++x) TgaPixel(out, t.depth, x * 3 + y);
    }
    return out.Str();
}

// An icon with one entry per colour count, each image a 40-byte header, the
// colour table, the rows and the mask.
std::string MakeIco(const std::vector<int>& colourCounts)
{
    kestrel::test::ByteBuilder directory;
    kestrel::test::ByteBuilder images;
    directory.U16(0).U16(1).U16(unsigned(colourCounts.size()));
    std::uint32_t offset = 6 + 16 * std::uint32_t(colourCounts.size());
    int side = 4;
    for (int colours : colourCounts) {
        const int bits = colours == 2 ? 1 : colours == 16 ? 4 : 8;
        const int entries = 1 << bits;
        const int stride = ((side * bits + 31) / 32) * 4;
        const int maskStride = ((side + 31) / 32) * 4;
        kestrel::test::ByteBuilder image;
        image.U32(40).U32(side).U32(side * 2).U16(1).U16(bits).U32(0).U32(0).U32(0).U32(0).U32(0).U32(0);
        for (int i = 0; i < entries; ++i) image.U8(i).U8(i * 2).U8(255 - i).U8(0);
        for (int i = 0; i < stride * side; ++i) image.U8(i * 11);
        image.Fill(std::size_t(maskStride) * side, 0x0F);
        directory.U8(side).U8(side).U8(colours == 256 ? 0 : colours).U8(0).U16(1).U16(bits);
        directory.U32(std::uint32_t(image.Str().size())).U32(offset);
        offset += std::uint32_t(image.Str().size());
        images.Append(image.Str());
        side += 4;
    }
    return directory.Str() + images.Str();
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
