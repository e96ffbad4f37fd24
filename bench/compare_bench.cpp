// The difference of two 1080p shots for the compare view's diff mode, beside
// the draw benchmarks: our loop (SSE2, four pixels a step) against the plain
// per-pixel, per-channel loop in the same run. Target: at most 3 ms for two
// 1920x1080 pictures. Also the whole diff paint of a 1080p surface: both 8-bit
// shots drawn, then differenced.
//
//   kestrel_bench --benchmark_filter='CompareDifference|ComparePaint'
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "bench/ratio_table.h"
#include "compare/compare_paint.h"
#include "compare/shot_difference.h"
#include "image/device_context.h"
#include "image/dib_image.h"

namespace {

constexpr int WIDTH = 1920;
constexpr int HEIGHT = 1080;
constexpr std::size_t PIXELS = std::size_t(WIDTH) * HEIGHT;

// Two pictures that differ in about one pixel of eight, slightly.
struct Pair {
    Pair() : a(PIXELS), b(PIXELS), out(PIXELS)
    {
        std::mt19937 random(3);
        for (std::size_t i = 0; i < PIXELS; ++i) {
            a[i] = random() | 0xFF000000u;
            b[i] = random() % 8 ? a[i] : a[i] ^ 0x00030507u;
        }
    }
    std::vector<std::uint32_t> a, b, out;
};

void CountPixels(benchmark::State& state)
{
    state.counters["Mpx/s"] =
        benchmark::Counter(double(PIXELS) / 1e6, benchmark::Counter::kIsIterationInvariantRate);
}

template <void (*Difference)(const std::uint32_t*, const std::uint32_t*, std::uint32_t*, std::size_t, int)>
void DifferenceOf1080p(benchmark::State& state)
{
    static Pair pair;
    const int gain = int(state.range(0));
    for (auto _ : state) {
        Difference(pair.a.data(), pair.b.data(), pair.out.data(), PIXELS, gain);
        benchmark::DoNotOptimize(pair.out.data());
        benchmark::ClobberMemory();
    }
    CountPixels(state);
}

void BM_CompareDifference_1920x1080(benchmark::State& state) { DifferenceOf1080p<DifferencePixels>(state); }
void BM_CompareDifferencePlain_1920x1080(benchmark::State& state) { DifferenceOf1080p<DifferencePixelsPlain>(state); }

// Two 8-bit shots with random pixels and tables, painted in diff mode onto a
// surface of their own size.
void BM_ComparePaintDiff_8bit_1920x1080(benchmark::State& state)
{
    CDibImage a(ImageFormat::Gif), b(ImageFormat::Gif);
    std::mt19937 random(5);
    for (CDibImage* image : {&a, &b}) {
        image->Create(WIDTH, HEIGHT, 8, ImageFormat::Gif);
        for (int i = 0; i < 256; ++i)
            image->SetPaletteEntry(BYTE(i), BYTE(random()), BYTE(random()), BYTE(random()), 0);
        BYTE* pixels = image->GetPixels();
        for (DWORD i = 0; i < image->Header().biSizeImage; ++i) pixels[i] = BYTE(random());
    }
    std::vector<std::uint32_t> surface(PIXELS);
    CompareScene scene;
    scene.mode = CompareMode::Diff;
    ComparePaint paint;
    paint.a = &a;
    paint.b = &b;
    paint.mode = CompareMode::Diff;
    paint.layout = LayoutCompare(ViewGeometry(), {WIDTH, HEIGHT}, {WIDTH, HEIGHT}, {WIDTH, HEIGHT}, false, {0, 0}, scene);
    CompareBuffers buffers;
    for (auto _ : state) {
        DeviceContext dc(surface.data(), WIDTH, HEIGHT, WIDTH * 4);
        PaintCompare(&dc, paint, buffers);
        benchmark::DoNotOptimize(surface.data());
        benchmark::ClobberMemory();
    }
    CountPixels(state);
}

const bool kRatios = [] {
    using kestrel::bench::CompareAtEnd;
    CompareAtEnd("difference 1920x1080, gain 1", "over the plain loop", "BM_CompareDifference_1920x1080/1",
                 "BM_CompareDifferencePlain_1920x1080/1");
    CompareAtEnd("difference 1920x1080, gain 8", "over the plain loop", "BM_CompareDifference_1920x1080/8",
                 "BM_CompareDifferencePlain_1920x1080/8");
    return true;
}();

}  // namespace

BENCHMARK(BM_CompareDifference_1920x1080)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CompareDifferencePlain_1920x1080)->Arg(1)->Arg(8)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_ComparePaintDiff_8bit_1920x1080)->Unit(benchmark::kMillisecond);
