// Reading a 1920x1080 photo shot from file to picture, as the player reads
// it (ReadShotImage with the reader the extension names): a PNG written by
// ImageMagick at its default compression and a JPEG of quality 90. Beside
// each, ImageMagick's own decode of the same file: its -bench timing of
// "convert FILE null:" on one thread (MAGICK_THREAD_LIMIT=1), taken in the
// same run and reported as manual time. Both are wall times, one thread each.
//
//   build/bench/kestrel_bench --benchmark_filter=BM_ShotType
//       --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// The pictures are made once under the bench pictures folder and kept;
// without ImageMagick the benchmarks say so and skip.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>

#include "shots/cache/shot_reader.h"
#include "shots/list/shot_types.h"

namespace {

// The photo as extension (".png" or ".jpg"), made when missing; empty when
// it cannot be made.
std::string Photo(const std::string& extension)
{
    const std::string folder = std::string(KESTREL_BENCH_PICTURES) + "/shot-types";
    const std::string path = folder + "/photo1080" + extension;
    std::error_code error;
    if (std::filesystem::exists(path, error)) return path;
    std::filesystem::create_directories(folder, error);
    const std::string quality = extension == ".jpg" ? " -quality 90" : "";
    const std::string command = "convert -size 1920x1080 -seed 7 plasma:fractal -blur 0x3 -depth 8" + quality +
                                " '" + path + "' 2>/dev/null";
    if (std::system(command.c_str()) != 0 || !std::filesystem::exists(path, error)) return {};
    return path;
}

// Seconds ImageMagick takes for one decode of path, from its own -bench
// report ("Performance[1]: 5i 7.85ips ..."); 0 when it cannot say.
double MagickSecondsPerDecode(const std::string& path)
{
    const std::string command = "MAGICK_THREAD_LIMIT=1 convert -bench 5 '" + path + "' null: 2>&1";
    FILE* pipe = popen(command.c_str(), "r");
    if (!pipe) return 0;
    double ips = 0;
    char line[512];
    while (std::fgets(line, sizeof line, pipe)) {
        int iterations = 0;
        double rate = 0;
        if (std::sscanf(line, " Performance[1]: %di %lfips", &iterations, &rate) == 2 && rate > 0) ips = rate;
    }
    pclose(pipe);
    return ips > 0 ? 1.0 / ips : 0;
}

void BM_ShotTypeRead(benchmark::State& state, const std::string& extension)
{
    const std::string path = Photo(extension);
    if (path.empty()) {
        state.SkipWithError("ImageMagick's convert could not make the picture");
        return;
    }
    for (auto _ : state) {
        const std::unique_ptr<CDibImage> image = ReadShotFile(path).image;
        if (!image || image->IsEmpty()) {
            state.SkipWithError("the shot could not be read");
            return;
        }
        benchmark::DoNotOptimize(image.get());
    }
}

void BM_ShotTypeMagickPeer(benchmark::State& state, const std::string& extension)
{
    const std::string path = Photo(extension);
    if (path.empty()) {
        state.SkipWithError("ImageMagick's convert could not make the picture");
        return;
    }
    for (auto _ : state) {
        const double seconds = MagickSecondsPerDecode(path);
        if (seconds <= 0) {
            state.SkipWithError("ImageMagick gave no timing");
            return;
        }
        state.SetIterationTime(seconds);
    }
}

}  // namespace

BENCHMARK_CAPTURE(BM_ShotTypeRead, png_1920x1080, std::string(".png"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ShotTypeMagickPeer, png_1920x1080, std::string(".png"))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);
BENCHMARK_CAPTURE(BM_ShotTypeRead, jpeg_1920x1080, std::string(".jpg"))->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK_CAPTURE(BM_ShotTypeMagickPeer, jpeg_1920x1080, std::string(".jpg"))
    ->Unit(benchmark::kMillisecond)
    ->UseManualTime()
    ->Iterations(3);
