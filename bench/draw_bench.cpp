// CDibImage::Draw next to Qt doing the same job: reaching a 32-bit surface
// of the destination size from the same pixels, nearest neighbour. Qt's peer
// converts to RGB32 and scales with Qt::FastTransformation, in both orders
// (the faster one is the fair comparison); for the blend path it converts to
// premultiplied ARGB32 with the transparent entry clear and paints the result
// over the surface. Every case reports megapixels of output per second
// (Mpx/s) of wall-clock time, and CPU time of the whole process, since Qt
// may spread its work over threads.
//
// The direct and fitted cases are also set against memcpy filling the same
// destination in the same run; the run ends with those ratios (our rate over
// memcpy's).
//
//   kestrel_bench --benchmark_filter='Draw|QtPeer|Memcpy'
#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

#include <QImage>
#include <QPainter>

#include "bench/ratio_table.h"
#include "image/device_context.h"
#include "image/dib_image.h"

namespace {

struct Size {
    int width, height;
};

constexpr Size HD{1920, 1080};
constexpr Size QHD{2560, 1440};
constexpr Size SXGA{1280, 1024};
constexpr Size HUGE_SQUARE{4096, 4096};

void CountOutput(benchmark::State& state, Size out)
{
    state.counters["Mpx/s"] = benchmark::Counter(double(out.width) * out.height / 1e6,
                                                 benchmark::Counter::kIsIterationInvariantRate);
}

// Random pixels and a random 256-colour table (reserved bytes 0).
void FillImage(CDibImage& image, Size size, int bits)
{
    image.Create(size.width, size.height, bits, ImageFormat::Gif);
    std::mt19937 random(42);
    for (int i = 0; bits == 8 && i < 256; ++i)
        image.SetPaletteEntry(BYTE(i), BYTE(random()), BYTE(random()), BYTE(random()), 0);
    BYTE* pixels = image.GetPixels();
    for (DWORD i = 0; i < image.Header().biSizeImage; ++i) pixels[i] = BYTE(random());
}

// The same pixels and table as a QImage (rows in picture order).
QImage ToQImage(const CDibImage& image)
{
    const int w = image.Width(), h = image.Height();
    QImage out(w, h, image.BitCount() == 8 ? QImage::Format_Indexed8 : QImage::Format_BGR888);
    for (int y = 0; y < h; ++y)
        std::memcpy(out.scanLine(y), image.Info().pixels + std::size_t(h - 1 - y) * image.Info().stride,
                    std::size_t(w) * (image.BitCount() / 8));
    if (image.BitCount() == 8) {
        QList<QRgb> table;
        for (int i = 0; i < 256; ++i) {
            const RGBQUAD c = image.GetPaletteColour(BYTE(i));
            table.append(qRgb(c.rgbRed, c.rgbGreen, c.rgbBlue));
        }
        out.setColorTable(table);
    }
    return out;
}

struct Surface {
    explicit Surface(Size size) : size(size), pixels(std::size_t(size.width) * size.height, 0xFFFFFFFFu) {}
    DeviceContext Context() { return DeviceContext(pixels.data(), size.width, size.height, size.width * 4); }
    Size size;
    std::vector<std::uint32_t> pixels;
};

void DrawCase(benchmark::State& state, Size source, int bits, Size out, bool transparent)
{
    CDibImage image(ImageFormat::Gif);
    FillImage(image, source, bits);
    if (transparent) image.SetTransparentIndex(0);
    Surface surface(out);
    DeviceContext dc = surface.Context();
    for (auto _ : state) {
        image.Draw(&dc, 0, 0, out.width, out.height);
        benchmark::DoNotOptimize(surface.pixels.data());
        benchmark::ClobberMemory();
    }
    CountOutput(state, out);
}

// Qt's two orders of getting a scaled picture in format: scale then
// convert, or convert then scale.
QImage QtScaled(const QImage& input, Size out, QImage::Format format, bool scaleFirst)
{
    if (scaleFirst)
        return input.scaled(out.width, out.height, Qt::IgnoreAspectRatio, Qt::FastTransformation)
            .convertToFormat(format);
    return input.convertToFormat(format).scaled(out.width, out.height, Qt::IgnoreAspectRatio,
                                                Qt::FastTransformation);
}

void QtCase(benchmark::State& state, Size source, int bits, Size out, bool scaleFirst)
{
    CDibImage image(ImageFormat::Gif);
    FillImage(image, source, bits);
    const QImage input = ToQImage(image);
    for (auto _ : state) {
        const QImage result = QtScaled(input, out, QImage::Format_RGB32, scaleFirst);
        benchmark::DoNotOptimize(result.constBits());
    }
    CountOutput(state, out);
}

// Qt's way to the blend path's result: entry 0 transparent, scaled, and
// painted over the surface.
void QtBlendCase(benchmark::State& state, Size source, Size out, bool scaleFirst)
{
    CDibImage image(ImageFormat::Gif);
    FillImage(image, source, 8);
    QImage input = ToQImage(image);
    QList<QRgb> table = input.colorTable();
    table[0] = qRgba(0, 0, 0, 0);
    input.setColorTable(table);
    QImage surface(out.width, out.height, QImage::Format_RGB32);
    surface.fill(Qt::white);
    for (auto _ : state) {
        const QImage layer = QtScaled(input, out, QImage::Format_ARGB32_Premultiplied, scaleFirst);
        QPainter painter(&surface);
        painter.drawImage(0, 0, layer);
        painter.end();
        benchmark::DoNotOptimize(surface.constBits());
    }
    CountOutput(state, out);
}

// Scaled, opaque.
void BM_Draw_8bit_1920x1080_to_2560x1440(benchmark::State& s) { DrawCase(s, HD, 8, QHD, false); }
void BM_QtPeer_8bit_1920x1080_to_2560x1440_ConvertThenScale(benchmark::State& s) { QtCase(s, HD, 8, QHD, false); }
void BM_QtPeer_8bit_1920x1080_to_2560x1440_ScaleThenConvert(benchmark::State& s) { QtCase(s, HD, 8, QHD, true); }

void BM_Draw_24bit_1920x1080_to_2560x1440(benchmark::State& s) { DrawCase(s, HD, 24, QHD, false); }
void BM_QtPeer_24bit_1920x1080_to_2560x1440_ConvertThenScale(benchmark::State& s) { QtCase(s, HD, 24, QHD, false); }
void BM_QtPeer_24bit_1920x1080_to_2560x1440_ScaleThenConvert(benchmark::State& s) { QtCase(s, HD, 24, QHD, true); }

void BM_Draw_8bit_4096x4096_to_1280x1024(benchmark::State& s) { DrawCase(s, HUGE_SQUARE, 8, SXGA, false); }
void BM_QtPeer_8bit_4096x4096_to_1280x1024_ConvertThenScale(benchmark::State& s) { QtCase(s, HUGE_SQUARE, 8, SXGA, false); }
void BM_QtPeer_8bit_4096x4096_to_1280x1024_ScaleThenConvert(benchmark::State& s) { QtCase(s, HUGE_SQUARE, 8, SXGA, true); }

// Blend path: the same 8-bit picture with a transparent index, next to the
// opaque case above.
void BM_Draw_8bit_Transparent_1920x1080_to_2560x1440(benchmark::State& s) { DrawCase(s, HD, 8, QHD, true); }
void BM_QtPeer_8bit_Transparent_1920x1080_to_2560x1440_ConvertThenScale(benchmark::State& s) { QtBlendCase(s, HD, QHD, false); }
void BM_QtPeer_8bit_Transparent_1920x1080_to_2560x1440_ScaleThenConvert(benchmark::State& s) { QtBlendCase(s, HD, QHD, true); }

// Direct path: own size, against copying the same output bytes.
void BM_Draw_Direct_8bit_1920x1080(benchmark::State& s) { DrawCase(s, HD, 8, HD, false); }
void BM_Draw_Direct_24bit_1920x1080(benchmark::State& s) { DrawCase(s, HD, 24, HD, false); }
// memcpy filling a surface of the given size from another.
void MemcpyCase(benchmark::State& state, Size size)
{
    Surface from(size), to(size);
    for (auto _ : state) {
        std::memcpy(to.pixels.data(), from.pixels.data(), from.pixels.size() * 4);
        benchmark::DoNotOptimize(to.pixels.data());
        benchmark::ClobberMemory();
    }
    CountOutput(state, size);
}
void BM_Memcpy_Surface_1920x1080(benchmark::State& s) { MemcpyCase(s, HD); }
void BM_Memcpy_Surface_2560x1440(benchmark::State& s) { MemcpyCase(s, QHD); }

const bool COMPARED = [] {
    using kestrel::bench::CompareAtEnd;
    CompareAtEnd("draw direct 8-bit 1920x1080", "over memcpy", "BM_Draw_Direct_8bit_1920x1080",
                 "BM_Memcpy_Surface_1920x1080");
    CompareAtEnd("draw direct 24-bit 1920x1080", "over memcpy", "BM_Draw_Direct_24bit_1920x1080",
                 "BM_Memcpy_Surface_1920x1080");
    CompareAtEnd("draw fitted 8-bit 1920x1080 to 2560x1440", "over memcpy", "BM_Draw_8bit_1920x1080_to_2560x1440",
                 "BM_Memcpy_Surface_2560x1440");
    CompareAtEnd("draw fitted 24-bit 1920x1080 to 2560x1440", "over memcpy",
                 "BM_Draw_24bit_1920x1080_to_2560x1440", "BM_Memcpy_Surface_2560x1440");
    return true;
}();

}  // namespace

BENCHMARK(BM_Draw_8bit_1920x1080_to_2560x1440)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_QtPeer_8bit_1920x1080_to_2560x1440_ConvertThenScale)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_QtPeer_8bit_1920x1080_to_2560x1440_ScaleThenConvert)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_Draw_24bit_1920x1080_to_2560x1440)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_QtPeer_24bit_1920x1080_to_2560x1440_ConvertThenScale)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_QtPeer_24bit_1920x1080_to_2560x1440_ScaleThenConvert)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_Draw_8bit_4096x4096_to_1280x1024)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_QtPeer_8bit_4096x4096_to_1280x1024_ConvertThenScale)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_QtPeer_8bit_4096x4096_to_1280x1024_ScaleThenConvert)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_Draw_8bit_Transparent_1920x1080_to_2560x1440)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_QtPeer_8bit_Transparent_1920x1080_to_2560x1440_ConvertThenScale)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_QtPeer_8bit_Transparent_1920x1080_to_2560x1440_ScaleThenConvert)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_Draw_Direct_8bit_1920x1080)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_Draw_Direct_24bit_1920x1080)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_Memcpy_Surface_1920x1080)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
BENCHMARK(BM_Memcpy_Surface_2560x1440)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime()->UseRealTime();
