// GIF decoding speed: Kestrel's reader (CDibImage::Decode from memory, giving
// the packed bottom-up DIB) against giflib's DGifGetLine path (8-bit lines)
// on the same bytes, in the same run. Counter "MP/s": megapixels per second.
//
// Files: harvesters.gif and hibiscus.regular.gif from ../shared/testdata/gif
// (reported as skipped when absent), and pictures generated at set-up with the
// test GIF writer: a dithered 256-colour photo at 1920x1080 (plain and
// interlaced) and 4096x4096, a screenshot-like 1920x1080 image, and a
// 640x480 two-colour image.
//
//   build/bench/kestrel_bench --benchmark_filter=BM_Gif
//       --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The counter is per CPU second, which shared machines disturb least; compare
// our line with giflib's line of the same file from the same run.
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <map>
#include <memory>
#include <random>
#include <string>

#include "image/dib_image.h"
#include "tests/support/dithered_photo.h"
#include "tests/support/gif_writer.h"
#include "tests/support/giflib_memory_reader.h"
#include "tests/support/memory_file.h"
#include "tests/support/test_paths.h"

namespace {

using kestrel::test::GifBytes;
using kestrel::test::GifPicture;
using kestrel::test::MemoryReader;
using kestrel::test::ReadFromMemory;

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

struct BenchFile {
    GifBytes bytes;
    double megapixels = 0;
    std::string missing;  // why the file is not there
};

const BenchFile& Generated(const std::string& name)
{
    static std::map<std::string, BenchFile> cache;
    auto found = cache.find(name);
    if (found != cache.end()) return found->second;
    GifPicture picture;
    if (name == "photo1080")
        picture = DitheredPhoto(1920, 1080);
    else if (name == "photo1080_interlaced") {
        picture = DitheredPhoto(1920, 1080);
        picture.interlaced = true;
    } else if (name == "screenshot1080")
        picture = Screenshot(1920, 1080);
    else if (name == "twocolour480")
        picture = TwoColour(640, 480);
    else
        picture = DitheredPhoto(4096, 4096);
    BenchFile file;
    file.bytes = kestrel::test::EncodeGif(picture);
    file.megapixels = double(picture.width) * picture.height / 1e6;
    return cache[name] = std::move(file);
}

const BenchFile& Shared(const std::string& name)
{
    static std::map<std::string, BenchFile> cache;
    auto found = cache.find(name);
    if (found != cache.end()) return found->second;
    BenchFile file;
    const std::string dir = kestrel::test::SharedTestDataDir();
    const std::string content = dir.empty() ? std::string() : kestrel::test::ReadFileBytes(dir + "/gif/" + name);
    if (content.size() < 13) {
        file.missing = "../shared/testdata/gif/" + name + " is absent";
    } else {
        file.bytes.assign(content.begin(), content.end());
        // The first image's size, from the reader itself.
        CDibImage image(ImageFormat::Gif);
        FILE* stream = kestrel::test::OpenMemoryFile(file.bytes);
        image.Decode(stream, ImageFormat::Gif);
        std::fclose(stream);
        file.megapixels = double(image.Width()) * image.Height() / 1e6;
    }
    return cache[name] = std::move(file);
}

const BenchFile& FileFor(const std::string& name)
{
    return name.find(".gif") != std::string::npos ? Shared(name) : Generated(name);
}

// giflib's line-by-line path for the first image: DGifGetLine into one
// buffer of width x height bytes (rows in file order).
bool GiflibDecodeFirstImage(const GifBytes& bytes, std::vector<GifPixelType>& pixels)
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
        pixels.resize(std::size_t(width) * std::size_t(height));
        decoded = true;
        for (int y = 0; y < height && decoded; ++y)
            decoded = DGifGetLine(gif, pixels.data() + std::size_t(y) * width, width) == GIF_OK;
    }
    DGifCloseFile(gif, &error);
    return decoded;
}

void SetCounters(benchmark::State& state, const BenchFile& file)
{
    state.counters["MP/s"] = benchmark::Counter(file.megapixels, benchmark::Counter::kIsIterationInvariantRate);
}

void BM_GifKestrel(benchmark::State& state, const char* name)
{
    const BenchFile& file = FileFor(name);
    if (!file.missing.empty()) {
        state.SkipWithError(file.missing.c_str());
        return;
    }
    for (auto _ : state) {
        CDibImage image(ImageFormat::Gif);
        FILE* stream = kestrel::test::OpenMemoryFile(file.bytes);
        const bool ok = image.Decode(stream, ImageFormat::Gif);
        std::fclose(stream);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(image.Dib());
    }
    SetCounters(state, file);
}

void BM_GifGiflib(benchmark::State& state, const char* name)
{
    const BenchFile& file = FileFor(name);
    if (!file.missing.empty()) {
        state.SkipWithError(file.missing.c_str());
        return;
    }
    std::vector<GifPixelType> pixels;
    for (auto _ : state) {
        const bool ok = GiflibDecodeFirstImage(file.bytes, pixels);
        benchmark::DoNotOptimize(ok);
        benchmark::DoNotOptimize(pixels.data());
    }
    SetCounters(state, file);
}

#define GIF_CASE(label, name)                                             \
    BENCHMARK_CAPTURE(BM_GifKestrel, label, name)->Unit(benchmark::kMillisecond); \
    BENCHMARK_CAPTURE(BM_GifGiflib, label, name)->Unit(benchmark::kMillisecond)

GIF_CASE(harvesters, "harvesters.gif");
GIF_CASE(hibiscus_regular, "hibiscus.regular.gif");
GIF_CASE(photo_1920x1080, "photo1080");
GIF_CASE(photo_1920x1080_interlaced, "photo1080_interlaced");
GIF_CASE(screenshot_1920x1080, "screenshot1080");
GIF_CASE(two_colour_640x480, "twocolour480");
GIF_CASE(photo_4096x4096, "photo4096");

}  // namespace
