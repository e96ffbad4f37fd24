// GIF seeds (GIF89a): tables of every size class, interlacing, transparency,
// extensions and a second frame.
#include <vector>

#include "fuzz/seeds/seed_files.h"

namespace kestrel::fuzz {
namespace {

// LZW data that never lets the table grow past the first code width: a clear
// code goes out before the decoder would widen its codes. Valid, if large.
std::string LzwSubBlocks(const std::vector<int>& pixels, int minCodeSize)
{
    const int clear = 1 << minCodeSize;
    const int codeSize = minCodeSize + 1;
    const int codesPerClear = clear - 2;
    std::string packed;
    std::uint32_t bitBuffer = 0;
    int bitCount = 0;
    auto put = [&](int code) {
        bitBuffer |= std::uint32_t(code) << bitCount;
        bitCount += codeSize;
        while (bitCount >= 8) {
            packed.push_back(char(bitBuffer & 0xFF));
            bitBuffer >>= 8;
            bitCount -= 8;
        }
    };
    int sinceClear = codesPerClear;
    for (int pixel : pixels) {
        if (sinceClear == codesPerClear) {
            put(clear);
            sinceClear = 0;
        }
        put(pixel & (clear - 1));
        ++sinceClear;
    }
    put(clear + 1);
    if (bitCount) packed.push_back(char(bitBuffer & 0xFF));

    Bytes out;
    out.u8(minCodeSize);
    for (std::size_t at = 0; at < packed.size(); at += 255) {
        const std::string chunk = packed.substr(at, 255);
        out.u8(unsigned(chunk.size())).text(chunk);
    }
    out.u8(0);
    return out.data;
}

struct GifImage {
    int width = 8;
    int height = 6;
    int tableBits = 4;        // table of 2^tableBits entries
    bool globalTable = true;
    bool localTable = false;
    bool interlaced = false;
    int transparent = -1;     // graphic control extension when >= 0
    bool extraFrame = false;
    bool extensions = false;  // comment and application extensions first
};

void ColourTable(Bytes& out, int bits)
{
    for (int i = 0; i < (1 << bits); ++i) out.u8(i * 37).u8(255 - i * 11).u8(i * 5);
}

std::string MakeGif(const GifImage& g)
{
    Bytes out;
    out.text("GIF89a").u16(g.width).u16(g.height);
    out.u8((g.globalTable ? 0x80 : 0) | (g.tableBits - 1)).u8(0).u8(0);
    if (g.globalTable) ColourTable(out, g.tableBits);
    if (g.extensions) {
        out.u8(0x21).u8(0xFE).u8(5).text("seed!").u8(0);
        out.u8(0x21).u8(0xFF).u8(11).text("NETSCAPE2.0").u8(3).u8(1).u16(0).u8(0);
    }
    if (g.transparent >= 0) out.u8(0x21).u8(0xF9).u8(4).u8(1).u16(10).u8(g.transparent).u8(0);

    std::vector<int> pixels;
    for (int i = 0; i < g.width * g.height; ++i) pixels.push_back((i * 7 + i / g.width) % (1 << g.tableBits));
    const int minCodeSize = g.tableBits < 2 ? 2 : g.tableBits;
    for (int frame = 0; frame < (g.extraFrame ? 2 : 1); ++frame) {
        out.u8(0x2C).u16(0).u16(0).u16(g.width).u16(g.height);
        out.u8((g.localTable ? 0x80 | (g.tableBits - 1) : 0) | (g.interlaced ? 0x40 : 0));
        if (g.localTable) ColourTable(out, g.tableBits);
        out.text(LzwSubBlocks(pixels, minCodeSize));
    }
    out.u8(0x3B);
    return out.data;
}

}  // namespace

std::vector<SeedFile> GifSeeds()
{
    std::vector<SeedFile> seeds;
    auto add = [&](const char* name, const GifImage& g) {
        seeds.push_back({name, ImageFormat::Gif, 0, MakeGif(g)});
    };
    add("gif-4bit", GifImage{});
    add("gif-1bit-local", GifImage{16, 4, 1, false, true});
    add("gif-8bit-interlaced-transparent", GifImage{9, 9, 8, true, false, true, 3});
    add("gif-no-table", GifImage{5, 3, 2, false});
    add("gif-two-frames-extensions", GifImage{7, 5, 3, true, false, false, 2, true, true});
    add("gif-interlaced-tall", GifImage{3, 17, 2, true, false, true});
    return seeds;
}

}  // namespace kestrel::fuzz
