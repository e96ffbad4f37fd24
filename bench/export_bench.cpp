// Exporting a run of 100 shots of 1920x1080, written by ImageMagick from a
// photo-like picture with grain that drifts from shot to shot (made on the
// first run and kept in the pictures folder):
//
// - GIF: our export (decode, LZW on the workers, in order) against
//   ImageMagick assembling the same files (`convert -delay 10 *.gif
//   out.gif`) and against giflib encoding the same frames (decoded and with
//   the tables our export gives them, so only the encoders differ). The
//   counter size_vs_giflib is our file's size over giflib's, in percent.
// - MP4 (H.264): shots a second.
// - A contact sheet of 10 x 10 thumbnails, 2480 pixels wide.
//
// All by wall-clock time (the work is spread over threads, or done by
// another program), in one iteration each:
//
//   build/bench/kestrel_bench --benchmark_filter=BM_Export
#include <benchmark/benchmark.h>
#include <gif_lib.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <vector>

#include "bench/ratio_table.h"
#include "export/shot_export.h"
#include "formats/gif_writer.h"
#include "tests/support/external_decoders.h"
#include "tests/support/test_paths.h"

namespace {

constexpr int kShots = 100;
constexpr int kWidth = 1920;
constexpr int kHeight = 1080;
constexpr int kIntervalMs = 100;
constexpr const char* kSetVersion = "export-v1";

// A smooth colour field with a camera's grain; shot moves it along.
kestrel::test::ReferenceImage DriftingPhoto(int shot)
{
    kestrel::test::ReferenceImage image;
    image.width = kWidth;
    image.height = kHeight;
    image.rgba.resize(std::size_t(kWidth) * kHeight * 4);
    std::uint32_t seed = 0x9E3779B9u * std::uint32_t(shot + 1);
    for (int y = 0; y < kHeight; ++y) {
        for (int x = 0; x < kWidth; ++x) {
            const double u = (x + 13.0 * shot) / kWidth;
            const double v = double(y) / kHeight;
            const double rgb[3] = {128 + 100 * std::sin(6.0 * u + 2.0 * v), 128 + 90 * std::cos(4.0 * v - 3.0 * u),
                                   128 + 110 * std::sin(5.0 * (u + v) + shot * 0.05)};
            std::uint8_t* pixel = &image.rgba[(std::size_t(y) * kWidth + std::size_t(x)) * 4];
            for (int c = 0; c < 3; ++c) {
                seed = seed * 1664525u + 1013904223u;
                pixel[c] = std::uint8_t(std::clamp(rgb[c] + double(seed >> 27) - 16.0, 0.0, 255.0));
            }
            pixel[3] = 255;
        }
    }
    return image;
}

struct ShotSet {
    std::vector<ExportShot> shots;
    std::string dir;
    std::string missing;
};

// The shots, made with convert unless an earlier run kept them.
const ShotSet& Shots()
{
    static const ShotSet set = [] {
        ShotSet made;
        made.dir = std::string(KESTREL_BENCH_PICTURES) + "/" + kSetVersion;
        std::error_code error;
        std::filesystem::create_directories(made.dir, error);
        const std::string& convert = kestrel::test::ImageMagickConvert();
        for (int i = 0; i < kShots; ++i) {
            char name[32];
            std::snprintf(name, sizeof name, "/shot%04d.gif", i + 1);
            const std::string path = made.dir + name;
            if (!std::filesystem::exists(path)) {
                if (convert.empty()) {
                    made.missing = "ImageMagick's convert is not installed (scripts/install-deps.sh installs it)";
                    return made;
                }
                const std::string pam = path + ".pam";
                const bool written = kestrel::test::WritePam(pam, DriftingPhoto(i)) &&
                                     kestrel::test::RunQuiet(convert + " " + kestrel::test::ShellQuote(pam) +
                                                             " -alpha off -dither FloydSteinberg -colors 256 " +
                                                             kestrel::test::ShellQuote("gif:" + path + ".part"));
                std::filesystem::remove(pam, error);
                if (written) std::filesystem::rename(path + ".part", path, error);
                if (!written || error) {
                    made.missing = "convert could not write " + path;
                    return made;
                }
            }
            made.shots.push_back({path, std::string(name + 5, 4), 0});
        }
        return made;
    }();
    return set;
}

std::string OutPath(const char* name)
{
    static const std::string dir = kestrel::test::MakeTempDir("kestrel-export-bench");
    return dir + "/" + name;
}

bool Ready(benchmark::State& state)
{
    if (!Shots().missing.empty()) {
        state.SkipWithError(Shots().missing.c_str());
        return false;
    }
    return true;
}

double FileBytes(const std::string& path)
{
    std::error_code error;
    const auto size = std::filesystem::file_size(path, error);
    return error ? 0.0 : double(size);
}

void RunExport(benchmark::State& state, const char* name, const ExportSettings& base)
{
    if (!Ready(state)) return;
    ExportSettings settings = base;
    settings.out = OutPath(name);
    for (auto _ : state) {
        const ExportOutcome outcome = ExportShots(Shots().shots, settings);
        if (outcome.status != ExportOutcome::Status::Done) {
            state.SkipWithError(outcome.message.c_str());
            return;
        }
    }
    state.counters["shots/s"] = benchmark::Counter(kShots, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB"] = FileBytes(settings.out) / 1e6;
}

// giflib encoding the frames as our export makes them, into path.
bool EncodeWithGiflib(const std::vector<GifFrame>& frames, const std::string& path)
{
    int error = 0;
    GifFileType* gif = EGifOpenFileName(path.c_str(), false, &error);
    if (!gif) return false;
    auto colourMap = [](const GifColourTable& table) {
        return GifMakeMapObject(table.size, reinterpret_cast<const GifColorType*>(table.rgb.data()));
    };
    ColorMapObject* global = colourMap(frames.front().table);
    bool ok = EGifPutScreenDesc(gif, kWidth, kHeight, 8, 0, global) == GIF_OK;
    EGifSetGifVersion(gif, true);
    for (const GifFrame& frame : frames) {
        GraphicsControlBlock control{};
        control.DisposalMode = 1;
        control.DelayTime = frame.delay;
        control.TransparentColor = frame.transparentIndex;
        GifByteType extension[4];
        EGifGCBToExtension(&control, extension);
        ok = ok && EGifPutExtension(gif, GRAPHICS_EXT_FUNC_CODE, 4, extension) == GIF_OK;
        ColorMapObject* local = frame.table == frames.front().table ? nullptr : colourMap(frame.table);
        ok = ok && EGifPutImageDesc(gif, 0, 0, frame.width, frame.height, false, local) == GIF_OK;
        for (int y = 0; ok && y < frame.height; ++y)
            ok = EGifPutLine(gif, const_cast<GifPixelType*>(frame.indices.data()) + std::size_t(y) * frame.width,
                             frame.width) == GIF_OK;
        GifFreeMapObject(local);
    }
    GifFreeMapObject(global);
    return EGifCloseFile(gif, &error) == GIF_OK && ok;
}

std::vector<GifFrame> DecodedFrames()
{
    std::vector<GifFrame> frames;
    for (const ExportShot& shot : Shots().shots) {
        CDibImage image(shot.path.c_str(), ImageFormat::Gif);
        GifFrame frame;
        GifFrameFromImage(image, kIntervalMs / 10, frame);
        frames.push_back(std::move(frame));
    }
    return frames;
}

void BM_Export_Gif_Kestrel(benchmark::State& state)
{
    ExportSettings settings;
    settings.intervalMs = kIntervalMs;
    RunExport(state, "kestrel.gif", settings);
    if (state.error_occurred()) return;
    // The size against giflib's encoding of the same frames.
    const std::string giflib = OutPath("size-giflib.gif");
    if (EncodeWithGiflib(DecodedFrames(), giflib))
        state.counters["size_vs_giflib_%"] = 100.0 * FileBytes(OutPath("kestrel.gif")) / FileBytes(giflib);
}

void BM_Export_Gif_ImageMagick(benchmark::State& state)
{
    if (!Ready(state)) return;
    const std::string out = OutPath("imagemagick.gif");
    // Debian's policy holds ImageMagick to 256 MiB of memory and 1 GiB of
    // disk, too little for 100 frames of 1080p: a policy of our own beside
    // the pictures lets it have what it needs.
    const std::string policy = Shots().dir + "/policy";
    std::error_code error;
    std::filesystem::create_directories(policy, error);
    kestrel::test::WriteFileBytes(policy + "/policy.xml",
                                  "<policymap>\n"
                                  "  <policy domain=\"resource\" name=\"memory\" value=\"8GiB\"/>\n"
                                  "  <policy domain=\"resource\" name=\"map\" value=\"8GiB\"/>\n"
                                  "  <policy domain=\"resource\" name=\"disk\" value=\"16GiB\"/>\n"
                                  "</policymap>\n");
    const std::string command = "MAGICK_CONFIGURE_PATH=" + kestrel::test::ShellQuote(policy) + " " +
                                kestrel::test::ImageMagickConvert() + " -delay " + std::to_string(kIntervalMs / 10) +
                                " " + kestrel::test::ShellQuote(Shots().dir) + "/*.gif " +
                                kestrel::test::ShellQuote(out);
    for (auto _ : state) {
        if (!kestrel::test::RunQuiet(command)) {
            state.SkipWithError("convert failed");
            return;
        }
    }
    state.counters["shots/s"] = benchmark::Counter(kShots, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB"] = FileBytes(out) / 1e6;
}

// Decoding by our reader, then giflib's encoder, one thread.
void BM_Export_Gif_Giflib(benchmark::State& state)
{
    if (!Ready(state)) return;
    const std::string out = OutPath("giflib.gif");
    for (auto _ : state) {
        if (!EncodeWithGiflib(DecodedFrames(), out)) {
            state.SkipWithError("giflib could not write");
            return;
        }
    }
    state.counters["shots/s"] = benchmark::Counter(kShots, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["MB"] = FileBytes(out) / 1e6;
}

void BM_Export_Mp4_Kestrel(benchmark::State& state)
{
    ExportSettings settings;
    settings.intervalMs = kIntervalMs;
    RunExport(state, "kestrel.mp4", settings);
}

void BM_Export_Sheet_Kestrel(benchmark::State& state)
{
    ExportSettings settings;
    settings.sheet = SheetLayout{10, 10};
    RunExport(state, "kestrel-sheet.png", settings);
}

#define EXPORT_BENCHMARK(name) BENCHMARK(name)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1)
EXPORT_BENCHMARK(BM_Export_Gif_Kestrel);
EXPORT_BENCHMARK(BM_Export_Gif_ImageMagick);
EXPORT_BENCHMARK(BM_Export_Gif_Giflib);
EXPORT_BENCHMARK(BM_Export_Mp4_Kestrel);
EXPORT_BENCHMARK(BM_Export_Sheet_Kestrel);

[[maybe_unused]] const bool kRatios = [] {
    kestrel::bench::CompareWallTimeAtEnd("GIF export, 100 1080p shots", "over ImageMagick", "BM_Export_Gif_Kestrel",
                                         "BM_Export_Gif_ImageMagick");
    kestrel::bench::CompareWallTimeAtEnd("GIF export, 100 1080p shots", "over giflib", "BM_Export_Gif_Kestrel",
                                         "BM_Export_Gif_Giflib");
    return true;
}();

}  // namespace
