// GIF seeds (GIF89a): tables of every size class, interlacing, transparency,
// extensions and a second frame.
#include <vector>

#include "fuzz/seeds/seed_files.h"
#include "tests/support/gif_writer.h"

namespace kestrel::fuzz {
namespace {

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

std::vector<kestrel::test::GifColour> ColourTable(int bits)
{
    std::vector<kestrel::test::GifColour> table;
    for (int i = 0; i < (1 << bits); ++i) {
        table.push_back({std::uint8_t(i * 37), std::uint8_t(255 - i * 11), std::uint8_t(i * 5)});
    }
    return table;
}

std::string MakeGif(const GifImage& g)
{
    using kestrel::test::GifBytes;
    kestrel::test::GifWriter out;
    if (g.globalTable) {
        out.Header(g.width, g.height, ColourTable(g.tableBits));
    } else {
        out.HeaderPacked(g.width, g.height, std::uint8_t(g.tableBits - 1));
    }
    if (g.extensions) {
        out.Comment("seed!");
        out.Extension(0xFF, {GifBytes{'N', 'E', 'T', 'S', 'C', 'A', 'P', 'E', '2', '.', '0'}, GifBytes{1, 0, 0}});
    }
    if (g.transparent >= 0) out.GraphicControl(10, g.transparent);

    GifBytes pixels;
    for (int i = 0; i < g.width * g.height; ++i) pixels.push_back(std::uint8_t((i * 7 + i / g.width) % (1 << g.tableBits)));
    const int minCodeSize = kestrel::test::GifMinCodeSize(1 << g.tableBits);
    kestrel::test::LzwOptions lzw;
    lzw.minCodeSize = minCodeSize;
    const GifBytes raster = kestrel::test::LzwEncode(pixels, lzw);
    for (int frame = 0; frame < (g.extraFrame ? 2 : 1); ++frame) {
        out.ImageDescriptor(0, 0, g.width, g.height, g.interlaced,
                            g.localTable ? ColourTable(g.tableBits) : std::vector<kestrel::test::GifColour>{});
        out.Raster(minCodeSize, raster);
    }
    out.Trailer();
    return std::string(out.Data().begin(), out.Data().end());
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
