// kestrel_fuzz_seeds OUTDIR [TESTDATA]
//
// Writes the seed corpora of both fuzz targets: OUTDIR/decode and OUTDIR/draw,
// each file in its target's input layout (fuzz/fuzz_cases.h). The crafted
// files come first; the public test suites in TESTDATA, when given and
// present, are read in place and added with their format's prefix.
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <sstream>

#include "fuzz/seeds/seed_files.h"

namespace fs = std::filesystem;
using kestrel::fuzz::SeedFile;

namespace {

constexpr std::size_t DRAW_PARAM_BYTES = 16;

// Two ways to draw each seed: at its own size over the whole surface, and
// scaled and keyed on a transparent index inside a clip rectangle.
const unsigned char DRAW_VARIANTS[2][DRAW_PARAM_BYTES] = {
    {64, 48, 0, 0, 0xFF, 0xFF, 0xFF, 0xFF, 0, 0, 0, 0, 0, 0, 0, 255},
    {80, 60, 3, 0xFE, 37, 0, 23, 0, 2 | 4 | 8, 0, 0, 1, 2, 50, 40, 200},
};

bool WriteFile(const fs::path& path, const std::string& bytes)
{
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), std::streamsize(bytes.size()));
    return bool(out);
}

std::string ReadFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool WriteSeed(const fs::path& outDir, const SeedFile& seed)
{
    std::string prefix;
    prefix.push_back(char(int(seed.format)));
    prefix.push_back(char(seed.frameIndex));
    bool ok = WriteFile(outDir / "decode" / seed.name, prefix + seed.bytes);
    for (int v = 0; v < 2; ++v) {
        const std::string params(reinterpret_cast<const char*>(DRAW_VARIANTS[v]), DRAW_PARAM_BYTES);
        ok = WriteFile(outDir / "draw" / (seed.name + "-" + std::to_string(v)), prefix + params + seed.bytes) && ok;
    }
    return ok;
}

// The public suites: GIFs of every kind, the PngSuite, libtiff's images.
std::vector<SeedFile> TestDataSeeds(const fs::path& root)
{
    struct Folder { const char* name; ImageFormat format; const char* extension; };
    const Folder folders[] = {{"gif", ImageFormat::Gif, ".gif"},
                              {"pngsuite", ImageFormat::Png, ".png"},
                              {"tiff", ImageFormat::Tiff, ".tif"},
                              {"tiff", ImageFormat::Tiff, ".tiff"}};
    std::vector<SeedFile> seeds;
    for (const Folder& folder : folders) {
        const fs::path dir = root / folder.name;
        if (!fs::is_directory(dir)) continue;
        for (const auto& entry : fs::recursive_directory_iterator(dir)) {
            if (!entry.is_regular_file() || entry.path().extension() != folder.extension) continue;
            std::string name = "testdata-" + fs::relative(entry.path(), root).string();
            for (char& c : name) if (c == '/') c = '-';
            seeds.push_back({name, folder.format, 0, ReadFile(entry.path())});
        }
    }
    return seeds;
}

}  // namespace

int main(int argc, char** argv)
{
    if (argc < 2 || argc > 3) {
        std::fprintf(stderr, "usage: kestrel_fuzz_seeds OUTDIR [TESTDATA]\n");
        return 2;
    }
    const fs::path outDir = argv[1];
    fs::create_directories(outDir / "decode");
    fs::create_directories(outDir / "draw");

    std::vector<SeedFile> seeds;
    for (auto* make : {kestrel::fuzz::GifSeeds, kestrel::fuzz::BmpSeeds, kestrel::fuzz::PcxTgaIcoSeeds,
                       kestrel::fuzz::LibraryFormatSeeds}) {
        for (SeedFile& seed : make()) seeds.push_back(std::move(seed));
    }
    const std::size_t crafted = seeds.size();
    if (argc == 3 && fs::is_directory(argv[2])) {
        for (SeedFile& seed : TestDataSeeds(argv[2])) seeds.push_back(std::move(seed));
    }

    for (const SeedFile& seed : seeds) {
        if (seed.bytes.empty()) {
            std::fprintf(stderr, "seed %s could not be made\n", seed.name.c_str());
            return 1;
        }
        if (!WriteSeed(outDir, seed)) {
            std::fprintf(stderr, "cannot write seed %s under %s\n", seed.name.c_str(), argv[1]);
            return 1;
        }
    }
    std::printf("%zu crafted and %zu test-suite seeds written to %s\n", crafted, seeds.size() - crafted,
                argv[1]);
    return 0;
}
