// Opening, stepping and playing shots, as the player does them.
//
// - Opening: the open command on a directory of 5000 small GIF shots (the
//   file dialog answering at once; scan, load of the oldest, repaint notice)
//   and the paint of that first shot; next to it the scan alone
//   (ScanDirectory) and a bare readdir + fstatat listing of the same
//   directory, its floor.
// - Stepping: the next shot, a 1920x1080 photo GIF, loaded and painted
//   fitted to 2560x1440; also the load and the paint alone, and the step
//   with the read-ahead warm (the shot decoded already).
// - Memory: 500 steps through 1920x1080 photo shots; resident set (from
//   /proc/self/statm) before the player's document and view are made, after
//   the first 10 steps, its peak after them and at the end, in MB.
//
// The paint is what the view's paint does, without a window: a DeviceContext
// over the window's 32-bit pixels of the view's size, the white fill (where
// the shot blends) and the fitted Draw of the player's OnDraw. Directories are made at set-up in a temporary
// folder and removed when the program ends; the cache is warm, since every
// benchmark reads its files over and over.
//
//   QT_QPA_PLATFORM=offscreen build/bench/kestrel_bench --benchmark_filter=BM_Shots
//       --benchmark_repetitions=5 --benchmark_report_aggregates_only=true
//
// Times are process CPU time (the "CPU" column), which shared machines
// disturb least.
#include <benchmark/benchmark.h>

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <vector>

#include "app/commands/command_ids.h"
#include "app/framework/file_open_dialog.h"
#include "image/device_context.h"
#include "shots/cache/shot_cache.h"
#include "shots/shot_list_document.h"
#include "tests/support/dithered_photo.h"
#include "tests/support/gif_writer.h"
#include "tests/support/test_paths.h"

namespace {

using kestrel::test::GifBytes;
using kestrel::test::GifPicture;

constexpr int kViewWidth = 2560;
constexpr int kViewHeight = 1440;
constexpr int kSmallShots = CKESTRELDoc::MAX_SHOTS;
constexpr int kPhotoShots = 16;
constexpr int kPlaySteps = 500;
constexpr int kSettleSteps = 10;

// A temporary directory that goes away with the program.
class TempDirectory {
public:
    explicit TempDirectory(const std::string& prefix) : m_path(kestrel::test::MakeTempDir(prefix) + "/") {}
    ~TempDirectory()
    {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
    const std::string& Path() const { return m_path; }

private:
    std::string m_path;
};

void WriteGif(const std::string& path, const GifBytes& bytes)
{
    std::ofstream out(path, std::ios::binary);
    out.write(reinterpret_cast<const char*>(bytes.data()), std::streamsize(bytes.size()));
}

std::string ShotName(int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "shot%04d.gif", number);
    return name;
}

// A photo: smooth colour fields with fine texture and grain, quantised to
// the colour cube. Each seed moves the fields.
GifPicture DitheredPhoto(int width, int height, unsigned seed)
{
    const double phase = seed * 0.7;
    std::vector<double> across[3], down[3];
    for (int c = 0; c < 3; ++c) {
        across[c].resize(std::size_t(width));
        down[c].resize(std::size_t(height));
        for (int x = 0; x < width; ++x)
            across[c][std::size_t(x)] = 70 * std::sin((3.0 + c) * x / width + phase + c) + 12 * std::sin(0.37 * x * (c + 1));
        for (int y = 0; y < height; ++y)
            down[c][std::size_t(y)] = 60 * std::cos((2.0 + c) * y / height - phase) + 12 * std::cos(0.29 * y * (c + 2));
    }
    std::mt19937 random(seed);
    std::uniform_real_distribution<double> grain(-28.0, 28.0);
    return kestrel::test::DitheredToCube(width, height, [&](int x, int y, double rgb[3]) {
        for (int c = 0; c < 3; ++c)
            rgb[c] = 125 + across[c][std::size_t(x)] + down[c][std::size_t(y)] + grain(random);
    });
}

// A small shot: a 320x240 picture in 16 colours, bands and a frame.
GifBytes SmallShot()
{
    GifPicture picture;
    picture.width = 320;
    picture.height = 240;
    for (int i = 0; i < 16; ++i) picture.palette.push_back({std::uint8_t(i * 16), std::uint8_t(255 - i * 16), 128});
    picture.pixels.resize(std::size_t(picture.width) * std::size_t(picture.height));
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) {
            const bool frame = x < 4 || y < 4 || x >= picture.width - 4 || y >= picture.height - 4;
            picture.pixels[std::size_t(y) * std::size_t(picture.width) + std::size_t(x)] =
                std::uint8_t(frame ? 0 : 1 + (x / 20 + y / 30) % 15);
        }
    return kestrel::test::EncodeGif(picture);
}

// 5000 small shots, written in name order (so the oldest is shot0001.gif).
const std::string& SmallShotDirectory()
{
    static const TempDirectory directory("kestrel-shots-bench-small");
    static const bool written = [] {
        const GifBytes shot = SmallShot();
        for (int i = 1; i <= kSmallShots; ++i) WriteGif(directory.Path() + ShotName(i), shot);
        return true;
    }();
    (void)written;
    return directory.Path();
}

// kPhotoShots distinct 1920x1080 photo shots.
const std::string& PhotoShotDirectory()
{
    static const TempDirectory directory("kestrel-shots-bench-photo");
    static const bool written = [] {
        for (int i = 1; i <= kPhotoShots; ++i)
            WriteGif(directory.Path() + ShotName(i), kestrel::test::EncodeGif(DitheredPhoto(1920, 1080, unsigned(i))));
        return true;
    }();
    (void)written;
    return directory.Path();
}

// The view's paint without its window: a context over the window's own
// pixels with the whole area to paint, and the player's OnDraw in fit mode
// (the shot stretched to the client area), as the view paints when the
// window's pixels are plain 32-bit memory (the raster back ends of X11 and
// the off-screen platform).
class ViewPaint {
public:
    ViewPaint() : m_window(kViewWidth, kViewHeight, QImage::Format_ARGB32_Premultiplied) {}

    void Paint(const CKESTRELDoc& document)
    {
        DeviceContext dc(reinterpret_cast<std::uint32_t*>(m_window.bits()), kViewWidth, kViewHeight,
                         int(m_window.bytesPerLine()));
        dc.SetLogicalOrigin(0, 0);
        dc.SetClipRect({0, 0, kViewWidth, kViewHeight});
        // As the view: no white first under a stretched shot that blends
        // nothing, which covers every pixel itself.
        const CDibImage* image = document.m_pImage.get();
        const bool opaque = image && !image->IsEmpty() && image->Info().drawEnabled &&
                            image->Info().transparentIndex == -1 && !image->AlphaPlane() &&
                            !image->Info().paletteHasAlpha;
        if (!opaque) dc.FillSolid(dc.GetClipBox(), 0xFFFFFF);
        if (image && !image->IsEmpty()) image->Draw(&dc, 0, 0, kViewWidth, kViewHeight);
    }

    const QImage& Window() const { return m_window; }

private:
    QImage m_window;
};

std::int64_t ResidentBytes()
{
    long pages = 0, resident = 0;
    if (FILE* statm = std::fopen("/proc/self/statm", "r")) {
        if (std::fscanf(statm, "%ld %ld", &pages, &resident) != 2) resident = 0;
        std::fclose(statm);
    }
    return std::int64_t(resident) * sysconf(_SC_PAGESIZE);
}

void BM_ShotsOpenToFirstPaint(benchmark::State& state)
{
    // The open command as the menu gives it, with a dialog that answers at
    // once with a file of the directory.
    const std::string chosen = SmallShotDirectory() + ShotName(kSmallShots / 2);
    const FileOpenDialog previous = SetFileOpenDialog([&chosen](const FileOpenRequest&, FileOpenChoice& choice) {
        choice.path = chosen;
        choice.fileName = ShotName(kSmallShots / 2);
        return true;
    });
    CKESTRELDoc document;
    ViewPaint view;
    for (auto _ : state) {
        document.HandleCommand(ID_FILE_OPEN);
        view.Paint(document);
    }
    SetFileOpenDialog(previous);
    if (document.m_nShotCount != kSmallShots || !document.m_pImage || document.m_pImage->IsEmpty())
        state.SkipWithError("the directory did not open to its first shot");
}
BENCHMARK(BM_ShotsOpenToFirstPaint)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_ShotsScanDirectory(benchmark::State& state)
{
    CKESTRELDoc document;
    document.m_strDirectory = SmallShotDirectory();
    for (auto _ : state) {
        document.ScanDirectory();
        benchmark::DoNotOptimize(document.m_nShotCount);
    }
    if (document.m_nShotCount != kSmallShots) state.SkipWithError("the scan missed shots");
}
BENCHMARK(BM_ShotsScanDirectory)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The floor of any scan: every entry read and its status taken, nothing kept.
void BM_ShotsBareReaddirFstatat(benchmark::State& state)
{
    const std::string& directory = SmallShotDirectory();
    long listed = 0;
    for (auto _ : state) {
        listed = 0;
        std::int64_t latest = 0;
        DIR* dir = opendir(directory.c_str());
        if (!dir) break;
        const int fd = dirfd(dir);
        while (const struct dirent* entry = readdir(dir)) {
            if (entry->d_name[0] == '.') continue;
            struct stat status {};
            if (fstatat(fd, entry->d_name, &status, 0) != 0) continue;
            latest = std::max<std::int64_t>(latest, status.st_mtim.tv_sec);
            ++listed;
        }
        closedir(dir);
        benchmark::DoNotOptimize(latest);
    }
    if (listed != kSmallShots) state.SkipWithError("the listing missed files");
}
BENCHMARK(BM_ShotsBareReaddirFstatat)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// An open document on the photo shots, ready to step.
struct PhotoDocument {
    PhotoDocument()
    {
        document.m_strDirectory = PhotoShotDirectory();
        document.ScanDirectory();
        document.LoadShot();
    }
    bool Loaded() const
    {
        return document.m_nShotCount == kPhotoShots && document.m_pImage && document.m_pImage->Width() == 1920;
    }
    CKESTRELDoc document;
};

void BM_ShotsNextShot(benchmark::State& state)
{
    PhotoDocument open;
    ViewPaint view;
    for (auto _ : state) {
        open.document.LoadShot();
        view.Paint(open.document);
    }
    if (!open.Loaded()) state.SkipWithError("the photo shots did not load");
}
BENCHMARK(BM_ShotsNextShot)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The next shot with the read-ahead warm: everything around the cursor is
// decoded (outside the timing, on this thread), then the step takes the
// shot and paints it, as the next-shot command does.
void BM_ShotsNextShotReadAhead(benchmark::State& state)
{
    PhotoDocument open;
    open.document.EnableReadAhead(std::size_t(256) << 20, 0);
    ViewPaint view;
    std::int64_t misses = 0;
    for (auto _ : state) {
        state.PauseTiming();
        while (open.document.ReadAhead()->RunOne()) {
        }
        const std::size_t next = std::size_t(open.document.m_nShotPos) % open.document.ShotCount();
        misses += !open.document.ReadAhead()->Holds(open.document.Shot(next).Path());
        state.ResumeTiming();
        open.document.LoadShot();
        view.Paint(open.document);
    }
    if (!open.Loaded()) state.SkipWithError("the photo shots did not load");
    if (misses) state.SkipWithError("a shot was not decoded ahead");
}
BENCHMARK(BM_ShotsNextShotReadAhead)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// The same step without painting: taking the shot from the read-ahead.
void BM_ShotsNextShotReadAheadLoadOnly(benchmark::State& state)
{
    PhotoDocument open;
    open.document.EnableReadAhead(std::size_t(256) << 20, 0);
    for (auto _ : state) {
        state.PauseTiming();
        while (open.document.ReadAhead()->RunOne()) {
        }
        state.ResumeTiming();
        open.document.LoadShot();
    }
    if (!open.Loaded()) state.SkipWithError("the photo shots did not load");
}
BENCHMARK(BM_ShotsNextShotReadAheadLoadOnly)->Unit(benchmark::kMicrosecond)->MeasureProcessCPUTime();

void BM_ShotsNextShotLoadOnly(benchmark::State& state)
{
    PhotoDocument open;
    for (auto _ : state) open.document.LoadShot();
    if (!open.Loaded()) state.SkipWithError("the photo shots did not load");
    // How photo-like the shots are: a dithered photo's LZW data is about as
    // long as its pixels.
    double bytes = 0;
    for (const auto& shot : open.document.m_shots) bytes += double(std::filesystem::file_size(shot->Path()));
    state.counters["file_KB"] = bytes / kPhotoShots / 1024;
}
BENCHMARK(BM_ShotsNextShotLoadOnly)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

void BM_ShotsNextShotPaintOnly(benchmark::State& state)
{
    PhotoDocument open;
    ViewPaint view;
    for (auto _ : state) view.Paint(open.document);
    if (!open.Loaded()) state.SkipWithError("the photo shots did not load");
}
BENCHMARK(BM_ShotsNextShotPaintOnly)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

// One iteration plays 500 steps from a fresh document; each step is a real
// load from the file (the 16 shots are cycled) and a paint.
void BM_ShotsPlayMemory(benchmark::State& state)
{
    PhotoShotDirectory();
    double before = 0, settled = 0, peak = 0, end = 0;
    for (auto _ : state) {
        before = double(ResidentBytes());
        PhotoDocument open;
        ViewPaint view;
        view.Paint(open.document);
        std::int64_t highest = 0;
        for (int step = 1; step < kPlaySteps; ++step) {
            open.document.LoadShot();
            view.Paint(open.document);
            if (step == kSettleSteps - 1) settled = double(ResidentBytes());
            if (step >= kSettleSteps) highest = std::max(highest, ResidentBytes());
        }
        peak = double(highest);
        end = double(ResidentBytes());
        if (!open.Loaded()) state.SkipWithError("the photo shots did not load");
    }
    constexpr double MB = 1024.0 * 1024.0;
    state.counters["RSS_start_MB"] = before / MB;
    state.counters["RSS_after10_MB"] = settled / MB;
    state.counters["RSS_peak_MB"] = peak / MB;
    state.counters["RSS_end_MB"] = end / MB;
    state.counters["growth_MB"] = (peak - settled) / MB;
    // What the player itself holds: everything else in the process was there
    // before its document was made.
    state.counters["player_MB"] = (peak - before) / MB;
}
BENCHMARK(BM_ShotsPlayMemory)->Iterations(1)->Unit(benchmark::kMillisecond)->MeasureProcessCPUTime();

}  // namespace
