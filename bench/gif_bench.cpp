// GIF decoding speed: Kestrel's reader (CDibImage::Decode from memory, giving
// the packed bottom-up DIB) against two peers on the same bytes, in the same
// run: giflib's DGifGetLine path (8-bit lines) and Wuffs (palette indices;
// only where ../shared/peers/wuffs was there when the build was configured).
// Each round decodes the first image into a new picture. Counter "MP/s":
// megapixels per CPU second. The run ends with a table of our speed over each
// peer's for every file.
//
// Files, in three sets:
//   - imagemagick/: pictures a real encoder wrote, made with ImageMagick's
//     convert on the first run (skipped with a message when it is missing)
//     and kept in the build tree: a dithered 256-colour photo at 1920x1080,
//     plain and interlaced, and at 4096x4096, a 16-colour screenshot at
//     1920x1080, a dithered two-colour picture at 640x480 and a 64x64
//     256-colour icon;
//   - writer/: the test GIF writer's pictures, whose strings run longer than
//     a real encoder's: the photo at 1920x1080 (plain and interlaced) and
//     4096x4096, the screenshot, a 640x480 two-colour picture;
//   - testdata/: harvesters.gif and hibiscus.regular.gif from
//     ../shared/testdata/gif (skipped when absent).
// Before a file is timed, the decoders are checked to give the same pixels.
//
//   build/bench/kestrel_bench --benchmark_filter=BM_Gif
//       --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// Times are CPU time, which shared machines disturb least.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "bench/ratio_table.h"
#include "image/dib_image.h"
#include "tests/support/dithered_photo.h"
#include "tests/support/external_decoders.h"
#include "tests/support/gif_writer.h"
#include "tests/support/giflib_memory_reader.h"
#include "tests/support/memory_file.h"
#include "tests/support/test_paths.h"

#if KESTREL_BENCH_WUFFS
#define WUFFS_CONFIG__MODULES
#define WUFFS_CONFIG__MODULE__BASE
#define WUFFS_CONFIG__MODULE__GIF
#define WUFFS_CONFIG__MODULE__LZW
#include "wuffs-v0.3.c"
#endif

namespace {

using kestrel::test::GifBytes;
using kestrel::test::GifPicture;
using kestrel::test::MemoryReader;
using kestrel::test::ReadFromMemory;
using kestrel::test::ReferenceImage;

// A smooth "photo": overlapping waves of colour, with fine texture.
void PhotoColour(int x, int y, int width, int height, double rgb[3])
{
    const double u = double(x) / width, v = double(y) / height;
    rgb[0] = 128 + 90 * std::sin(6.0 * u + 2.0 * std::sin(5.0 * v)) + 30 * std::sin(40.0 * u * v);
    rgb[1] = 120 + 80 * std::sin(4.0 * v + 3.0 * u) + 25 * std::cos(23.0 * (u - v));
    rgb[2] = 110 + 100 * std::cos(3.0 * u * v + 5.0 * v) + 20 * std::sin(31.0 * u);
}

// The photo quantised to the colour cube.
GifPicture DitheredPhoto(int width, int height)
{
    return kestrel::test::DitheredToCube(width, height, [&](int x, int y, double rgb[3]) {
        PhotoColour(x, y, width, height, rgb);
    });
}

// A desktop: flat window backgrounds, title bars, borders, lines of "text"
// and a few icons, in 16 colours.
GifPicture Screenshot(int width, int height)
{
    GifPicture picture;
    picture.width = width;
    picture.height = height;
    picture.palette = {{0, 0, 0},       {255, 255, 255}, {192, 192, 192}, {128, 128, 128},
                       {0, 0, 128},     {0, 120, 215},   {240, 240, 240}, {255, 0, 0},
                       {0, 128, 0},     {255, 255, 0},   {0, 128, 128},   {128, 0, 128},
                       {64, 64, 64},    {200, 220, 240}, {255, 165, 0},   {30, 30, 30}};
    picture.pixels.assign(std::size_t(width) * std::size_t(height), 10);  // desktop colour
    std::mt19937 random(42);
    auto fill = [&](int x0, int y0, int x1, int y1, int colour) {
        for (int y = std::max(0, y0); y < std::min(height, y1); ++y)
            for (int x = std::max(0, x0); x < std::min(width, x1); ++x)
                picture.pixels[std::size_t(y) * width + x] = std::uint8_t(colour);
    };
    const int windows[4][4] = {{60, 40, 1100, 760}, {900, 200, 1860, 1000}, {300, 500, 1000, 1040},
                               {1400, 60, 1900, 400}};
    for (const auto& w : windows) {
        fill(w[0] - 1, w[1] - 1, w[2] + 1, w[3] + 1, 3);  // border
        fill(w[0], w[1], w[2], w[3], 6);                  // client area
        fill(w[0], w[1], w[2], w[1] + 30, 5);             // title bar
        fill(w[2] - 28, w[1] + 6, w[2] - 8, w[1] + 24, 7);
        // Lines of text: glyphs are 7x12 cells of random strokes.
        for (int line = w[1] + 50; line + 14 < w[3] - 10; line += 18) {
            int x = w[0] + 12;
            const int lineEnd = w[0] + 12 + int(random() % unsigned(std::max(1, w[2] - w[0] - 40)));
            while (x + 8 < lineEnd) {
                if (random() % 6 == 0) {
                    x += 8;  // a space
                    continue;
                }
                const unsigned glyph = random();
                for (int gy = 0; gy < 12; ++gy)
                    for (int gx = 0; gx < 7; ++gx)
                        if ((glyph >> ((gy * 7 + gx) % 31)) & (gy % 3 == 1 ? 1u : (gx % 3 == 0 ? 1u : 0u)))
                            picture.pixels[std::size_t(line + gy) * width + std::size_t(x + gx)] = 0;
                x += 8;
            }
        }
    }
    // A task bar with icons.
    fill(0, height - 40, width, height, 12);
    for (int i = 0; i < 12; ++i) fill(10 + i * 44, height - 34, 38 + i * 44, height - 6, 7 + i % 8);
    return picture;
}

// Two colours: black shapes and text-like strokes on white.
GifPicture TwoColour(int width, int height)
{
    GifPicture picture;
    picture.width = width;
    picture.height = height;
    picture.palette = {{255, 255, 255}, {0, 0, 0}};
    picture.pixels.assign(std::size_t(width) * std::size_t(height), 0);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double dx = x - width / 2.0, dy = y - height / 2.0;
            const double r = std::sqrt(dx * dx + dy * dy);
            bool black = (int(r) / 20) % 2 == 0 && r < 200;
            if (y > height - 60 && ((x / 6 + y / 9) % 5 == 0)) black = true;
            if (x < 4 || y < 4 || x >= width - 4 || y >= height - 4) black = true;
            picture.pixels[std::size_t(y) * width + x] = black ? 1 : 0;
        }
    }
    return picture;
}


// ---- Pictures a real encoder wrote

// A camera's grain: a few levels of noise per channel, the same every run.
double Grain(int x, int y, int channel)
{
    std::uint32_t h = std::uint32_t(x) * 0x9E3779B1u ^ std::uint32_t(y) * 0x85EBCA77u ^ std::uint32_t(channel) * 0xC2B2AE3Du;
    h ^= h >> 15;
    h *= 0x2C1B3C6Du;
    h ^= h >> 13;
    return double(h % 25) - 12.0;
}

// The photo's colours with grain, as the 24-bit picture a camera would give.
ReferenceImage PhotoSource(int width, int height, bool grey)
{
    ReferenceImage image;
    image.width = width;
    image.height = height;
    image.rgba.resize(std::size_t(width) * std::size_t(height) * 4);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            double rgb[3];
            PhotoColour(x, y, width, height, rgb);
            std::uint8_t* pixel = &image.rgba[(std::size_t(y) * std::size_t(width) + std::size_t(x)) * 4];
            if (grey) rgb[0] = rgb[1] = rgb[2] = 0.3 * rgb[0] + 0.59 * rgb[1] + 0.11 * rgb[2];
            for (int c = 0; c < 3; ++c) pixel[c] = std::uint8_t(std::clamp(rgb[c] + Grain(x, y, grey ? 0 : c), 0.0, 255.0));
            pixel[3] = 255;
        }
    }
    return image;
}

ReferenceImage PictureSource(const GifPicture& picture)
{
    ReferenceImage image;
    image.width = picture.width;
    image.height = picture.height;
    image.rgba.reserve(picture.pixels.size() * 4);
    for (const std::uint8_t index : picture.pixels) {
        const kestrel::test::GifColour c = picture.palette[index];
        image.rgba.insert(image.rgba.end(), {c.red, c.green, c.blue, 255});
    }
    return image;
}

// How each picture is made: its source and what convert is told.
struct EncoderRecipe {
    const char* name;
    ReferenceImage (*source)();
    const char* options;
};

const EncoderRecipe ENCODER_RECIPES[] = {
    {"photo_1920x1080", [] { return PhotoSource(1920, 1080, false); }, "-dither FloydSteinberg -colors 256"},
    {"photo_1920x1080_interlaced", [] { return PhotoSource(1920, 1080, false); },
     "-dither FloydSteinberg -colors 256 -interlace GIF"},
    {"photo_4096x4096", [] { return PhotoSource(4096, 4096, false); }, "-dither FloydSteinberg -colors 256"},
    {"screenshot_1920x1080_16colours", [] { return PictureSource(Screenshot(1920, 1080)); }, "+dither -colors 16"},
    {"two_colour_640x480", [] { return PhotoSource(640, 480, true); }, "-dither FloydSteinberg -monochrome"},
    {"icon_64x64", [] { return PhotoSource(64, 64, false); }, "-dither FloydSteinberg -colors 256"},
};

// Bumped when a recipe changes, so that pictures kept from an earlier run
// are made again.
constexpr const char* RECIPE_VERSION = "v1";

// The file convert wrote for the recipe, made now unless an earlier run
// kept it. Empty, with the reason in `missing`, when it cannot be made.
std::string EncodedByImageMagick(const EncoderRecipe& recipe, std::string& missing)
{
    const std::string dir = KESTREL_BENCH_PICTURES;
    const std::string path = dir + "/" + RECIPE_VERSION + "-" + recipe.name + ".gif";
    std::string content = kestrel::test::ReadFileBytes(path);
    if (content.size() >= 13) return content;
    const std::string& convert = kestrel::test::ImageMagickConvert();
    if (convert.empty()) {
        missing = "ImageMagick's convert is not installed (scripts/install-deps.sh installs it)";
        return std::string();
    }
    std::error_code error;
    std::filesystem::create_directories(dir, error);
    const std::string input = path + ".pam", written = path + ".part";
    const bool made = kestrel::test::WritePam(input, recipe.source()) &&
                      kestrel::test::RunQuiet(convert + " " + kestrel::test::ShellQuote(input) + " -alpha off " +
                                              recipe.options + " " + kestrel::test::ShellQuote("gif:" + written));
    std::filesystem::remove(input, error);
    if (made) std::filesystem::rename(written, path, error);
    content = made && !error ? kestrel::test::ReadFileBytes(path) : std::string();
    if (content.size() < 13) missing = std::string("convert could not write ") + path;
    return content;
}

// ---- The files

struct BenchFile {
    GifBytes bytes;
    double megapixels = 0;
    std::string missing;  // why the file is not there
    bool checked = false;
};

GifPicture WriterPicture(const std::string& name)
{
    if (name == "photo_1920x1080") return DitheredPhoto(1920, 1080);
    if (name == "photo_1920x1080_interlaced") {
        GifPicture picture = DitheredPhoto(1920, 1080);
        picture.interlaced = true;
        return picture;
    }
    if (name == "screenshot_1920x1080") return Screenshot(1920, 1080);
    if (name == "two_colour_640x480") return TwoColour(640, 480);
    return DitheredPhoto(4096, 4096);
}

std::string SharedFile(const std::string& name, std::string& missing)
{
    const std::string dir = kestrel::test::SharedTestDataDir();
    std::string content = dir.empty() ? std::string() : kestrel::test::ReadFileBytes(dir + "/gif/" + name);
    if (content.size() < 13) missing = "../shared/testdata/gif/" + name + " is absent";
    return content;
}

// A file by set and name, made or read once.
BenchFile& FileFor(const std::string& set, const std::string& name)
{
    static std::map<std::string, BenchFile> cache;
    auto found = cache.find(set + "/" + name);
    if (found != cache.end()) return found->second;
    BenchFile file;
    std::string content;
    if (set == "writer") {
        file.bytes = kestrel::test::EncodeGif(WriterPicture(name));
    } else if (set == "testdata") {
        content = SharedFile(name, file.missing);
    } else {
        for (const EncoderRecipe& recipe : ENCODER_RECIPES)
            if (name == recipe.name) content = EncodedByImageMagick(recipe, file.missing);
    }
    if (!content.empty()) file.bytes.assign(content.begin(), content.end());
    if (file.missing.empty()) {
        // The first image's size, from the reader itself.
        CDibImage image(ImageFormat::Gif);
        FILE* stream = kestrel::test::OpenMemoryFile(file.bytes);
        image.Decode(stream, ImageFormat::Gif);
        std::fclose(stream);
        file.megapixels = double(image.Width()) * image.Height() / 1e6;
    }
    return cache[set + "/" + name] = std::move(file);
}

// ---- The decoders

bool KestrelDecode(const GifBytes& bytes, CDibImage& image)
{
    FILE* stream = kestrel::test::OpenMemoryFile(bytes);
    const bool ok = image.Decode(stream, ImageFormat::Gif);
    std::fclose(stream);
    return ok;
}

// giflib's line-by-line path for the first image: DGifGetLine into one
// buffer of width x height bytes (rows in file order).
bool GiflibDecodeFirstImage(const GifBytes& bytes, std::vector<GifPixelType>& pixels, bool& interlaced)
{
    MemoryReader reader{&bytes, 0};
    int error = 0;
    GifFileType* gif = DGifOpen(&reader, ReadFromMemory, &error);
    if (!gif) return false;
    bool decoded = false;
    GifRecordType record;
    while (!decoded && DGifGetRecordType(gif, &record) == GIF_OK && record != TERMINATE_RECORD_TYPE) {
        if (record == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* extension = nullptr;
            if (DGifGetExtension(gif, &code, &extension) != GIF_OK) break;
            while (extension && DGifGetExtensionNext(gif, &extension) == GIF_OK) {
            }
            continue;
        }
        if (record != IMAGE_DESC_RECORD_TYPE || DGifGetImageDesc(gif) != GIF_OK) break;
        const int width = gif->Image.Width, height = gif->Image.Height;
        interlaced = gif->Image.Interlace;
        pixels.resize(std::size_t(width) * std::size_t(height));
        decoded = true;
        for (int y = 0; y < height && decoded; ++y)
            decoded = DGifGetLine(gif, pixels.data() + std::size_t(y) * width, width) == GIF_OK;
    }
    DGifCloseFile(gif, &error);
    return decoded;
}

#if KESTREL_BENCH_WUFFS
// Wuffs to palette indices. The decoder's struct is kept from round to round
// (it is initialised in each, as a new decode needs); the picture is a new
// block every time, as ours is, left uncleared since Wuffs writes it all.
class WuffsPeer {
public:
    WuffsPeer() : m_decoder(wuffs_gif__decoder__alloc()) {}
    ~WuffsPeer() { std::free(m_decoder); }
    WuffsPeer(const WuffsPeer&) = delete;
    WuffsPeer& operator=(const WuffsPeer&) = delete;

    // The picture, top row first, in `pixels` (width x height indices).
    bool Decode(const GifBytes& bytes, std::vector<std::uint8_t>* pixels = nullptr)
    {
        if (!m_decoder) return false;
        wuffs_base__status status = wuffs_gif__decoder__initialize(
            m_decoder, sizeof__wuffs_gif__decoder(), WUFFS_VERSION,
            WUFFS_INITIALIZE__LEAVE_INTERNAL_BUFFERS_UNINITIALIZED);
        if (!wuffs_base__status__is_ok(&status)) return false;
        wuffs_base__io_buffer source =
            wuffs_base__ptr_u8__reader(const_cast<std::uint8_t*>(bytes.data()), bytes.size(), true);
        wuffs_base__image_config config;
        status = wuffs_gif__decoder__decode_image_config(m_decoder, &config, &source);
        if (!wuffs_base__status__is_ok(&status)) return false;
        const std::uint32_t width = wuffs_base__pixel_config__width(&config.pixcfg);
        const std::uint32_t height = wuffs_base__pixel_config__height(&config.pixcfg);
        wuffs_base__pixel_config__set(&config.pixcfg, WUFFS_BASE__PIXEL_FORMAT__INDEXED__BGRA_BINARY,
                                      WUFFS_BASE__PIXEL_SUBSAMPLING__NONE, width, height);
        // The 1024-byte palette, then the index plane.
        const std::size_t bytesNeeded = 1024 + std::size_t(width) * height;
        std::uint8_t* block = static_cast<std::uint8_t*>(std::malloc(bytesNeeded));
        if (!block) return false;
        wuffs_base__pixel_buffer buffer;
        status = wuffs_base__pixel_buffer__set_from_slice(&buffer, &config.pixcfg,
                                                          wuffs_base__make_slice_u8(block, bytesNeeded));
        const wuffs_base__range_ii_u64 work = wuffs_gif__decoder__workbuf_len(m_decoder);
        m_work.resize(std::size_t(work.max_incl));
        if (wuffs_base__status__is_ok(&status))
            status = wuffs_gif__decoder__decode_frame(m_decoder, &buffer, &source, WUFFS_BASE__PIXEL_BLEND__SRC,
                                                      wuffs_base__make_slice_u8(m_work.data(), m_work.size()),
                                                      nullptr);
        const bool ok = wuffs_base__status__is_ok(&status);
        if (ok && pixels) pixels->assign(block + 1024, block + bytesNeeded);
        benchmark::DoNotOptimize(block);
        std::free(block);
        return ok;
    }

private:
    wuffs_gif__decoder* m_decoder;
    std::vector<std::uint8_t> m_work;
};
#endif

// The decoders must agree before their speeds mean anything: our picture's
// rows against giflib's lines (in interlace order where the file is
// interlaced) and Wuffs' rows. Empty when they agree.
std::string Disagreement(const BenchFile& file)
{
    CDibImage image(ImageFormat::Gif);
    if (!KestrelDecode(file.bytes, image) || image.IsEmpty()) return "our reader gave no picture";
    const int width = image.Width(), height = image.Height();
    auto ours = [&](int x, int row) { return image.GetPixelIndex(x, height - 1 - row); };
    std::vector<GifPixelType> lines;
    bool interlaced = false;
    if (!GiflibDecodeFirstImage(file.bytes, lines, interlaced)) return "giflib could not decode the file";
    std::vector<int> rowOfLine;
    if (interlaced) {
        const int starts[4] = {0, 4, 2, 1}, steps[4] = {8, 8, 4, 2};
        for (int pass = 0; pass < 4; ++pass)
            for (int row = starts[pass]; row < height; row += steps[pass]) rowOfLine.push_back(row);
    } else {
        for (int row = 0; row < height; ++row) rowOfLine.push_back(row);
    }
    for (int line = 0; line < height; ++line)
        for (int x = 0; x < width; ++x)
            if (lines[std::size_t(line) * width + x] != ours(x, rowOfLine[std::size_t(line)]))
                return "giflib's pixels differ from ours";
#if KESTREL_BENCH_WUFFS
    WuffsPeer wuffs;
    std::vector<std::uint8_t> rows;
    if (!wuffs.Decode(file.bytes, &rows)) return "Wuffs could not decode the file";
    if (rows.size() != std::size_t(width) * height) return "Wuffs' picture has another size";
    for (int row = 0; row < height; ++row)
        for (int x = 0; x < width; ++x)
            if (rows[std::size_t(row) * width + x] != ours(x, row)) return "Wuffs' pixels differ from ours";
#endif
    return std::string();
}

// ---- The benchmarks

enum class Peer { Kestrel, Giflib, Wuffs };

void SetCounters(benchmark::State& state, const BenchFile& file)
{
    state.counters["MP/s"] = benchmark::Counter(file.megapixels, benchmark::Counter::kIsIterationInvariantRate);
}

void DecodeFile(benchmark::State& state, const std::string& set, const std::string& name, Peer peer)
{
    BenchFile& file = FileFor(set, name);
    if (!file.missing.empty()) {
        state.SkipWithError(file.missing.c_str());
        return;
    }
    // The test data's files may have frames smaller than their screens,
    // which the peers lay out differently; only the generated ones are compared.
    if (!file.checked && set != "testdata") {
        const std::string disagreement = Disagreement(file);
        if (!disagreement.empty()) {
            state.SkipWithError(disagreement.c_str());
            return;
        }
    }
    file.checked = true;
    switch (peer) {
    case Peer::Kestrel:
        for (auto _ : state) {
            CDibImage image(ImageFormat::Gif);
            const bool ok = KestrelDecode(file.bytes, image);
            benchmark::DoNotOptimize(ok);
            benchmark::DoNotOptimize(image.Dib());
        }
        break;
    case Peer::Giflib: {
        std::vector<GifPixelType> pixels;
        bool interlaced = false;
        for (auto _ : state) {
            const bool ok = GiflibDecodeFirstImage(file.bytes, pixels, interlaced);
            benchmark::DoNotOptimize(ok);
            benchmark::DoNotOptimize(pixels.data());
        }
        break;
    }
    case Peer::Wuffs: {
#if KESTREL_BENCH_WUFFS
        WuffsPeer wuffs;
        for (auto _ : state) {
            const bool ok = wuffs.Decode(file.bytes);
            benchmark::DoNotOptimize(ok);
        }
#else
        state.SkipWithError("the Wuffs peer was not built: ../shared/peers/wuffs was absent at configure time");
        return;
#endif
        break;
    }
    }
    SetCounters(state, file);
}

const bool REGISTERED = [] {
    struct Case {
        const char* set;
        const char* name;
    };
    std::vector<Case> cases;
    for (const EncoderRecipe& recipe : ENCODER_RECIPES) cases.push_back({"imagemagick", recipe.name});
    for (const char* name : {"photo_1920x1080", "photo_1920x1080_interlaced", "photo_4096x4096",
                             "screenshot_1920x1080", "two_colour_640x480"})
        cases.push_back({"writer", name});
    for (const char* name : {"harvesters.gif", "hibiscus.regular.gif"}) cases.push_back({"testdata", name});
    const std::pair<Peer, const char*> peers[] = {
        {Peer::Kestrel, "Kestrel"}, {Peer::Giflib, "Giflib"}, {Peer::Wuffs, "Wuffs"}};
    for (const Case& c : cases) {
        const std::string label = std::string(c.set) + "/" + c.name;
        for (const auto& [peer, peerName] : peers) {
            const std::string set = c.set, name = c.name;
            const Peer which = peer;
            benchmark::RegisterBenchmark(("BM_Gif_" + std::string(peerName) + "/" + label).c_str(),
                                         [=](benchmark::State& state) { DecodeFile(state, set, name, which); })
                ->Unit(benchmark::kMillisecond);
        }
        kestrel::bench::CompareAtEnd(label, "over giflib", "BM_Gif_Kestrel/" + label, "BM_Gif_Giflib/" + label);
        kestrel::bench::CompareAtEnd(label, "over Wuffs", "BM_Gif_Kestrel/" + label, "BM_Gif_Wuffs/" + label);
    }
    return true;
}();

}  // namespace
