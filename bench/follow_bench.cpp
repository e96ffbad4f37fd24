// What following a directory costs on a directory of 5000 shots:
// - one change applied to the list in memory (ShotListPatcher), next to a
//   full rescan of the same directory, which is what it saves;
// - one new file taken in by the follower, from the kernel's events to the
//   status box (ReadChanges called at once, no event loop);
// - the time from a writer closing a new file to its count in the status
//   box, through the event loop as in the running program.
//
//   ./build/bench/kestrel_bench --benchmark_filter=Follow
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QEventLoop>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>

#include "shots/follow/qt/shot_directory_follower.h"
#include "shots/follow/shot_list_patcher.h"
#include "tests/support/gif_writer.h"
#include "tests/qt/shot_files.h"
#include "tests/support/test_paths.h"

namespace {

constexpr int kShots = CKESTRELDoc::MAX_SHOTS;

std::string ShotName(int number)
{
    char name[32];
    std::snprintf(name, sizeof name, "bench%05d.gif", number);
    return name;
}

// A small but whole GIF: a 2-entry table and one 1x1 image.
const std::string& TinyGif()
{
    static const std::string gif = [] {
        kestrel::test::GifPicture picture;
        picture.width = 1;
        picture.height = 1;
        picture.pixels = {0};
        picture.palette = {{0, 0, 0}, {255, 255, 255}};
        const kestrel::test::GifBytes bytes = kestrel::test::EncodeGif(picture);
        return std::string(bytes.begin(), bytes.end());
    }();
    return gif;
}

// A directory of kShots - 1 shots, made once for all the benchmarks here,
// so that one more still fits the list.
const std::string& ShotDirectory()
{
    static const std::string directory = [] {
        const std::string dir = kestrel::test::MakeTempDir("kestrel-follow-bench") + "/";
        for (int i = 0; i < kShots - 1; ++i) kestrel::test::WriteFileBytes(dir + ShotName(i), TinyGif());
        return dir;
    }();
    return directory;
}

void EnsureApplication()
{
    if (QCoreApplication::instance()) return;
    static int argc = 1;
    static char name[] = "kestrel_bench";
    static char* argv[] = {name, nullptr};
    // A widget application, so that the timeline's benchmarks can run after
    // these in the same binary; off screen where there is no display.
    if (qEnvironmentVariableIsEmpty("DISPLAY") && qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    static QApplication application(argc, argv);
}

struct OpenDocument {
    OpenDocument()
    {
        doc.m_pStatusBox = &status;
        doc.m_pShotNumberBox = &number;
        doc.m_strDirectory = ShotDirectory();
        doc.ScanDirectory();
        doc.LoadShot();
    }
    CKESTRELDoc doc;
    shots_test::RecordingTextBox status;
    shots_test::RecordingTextBox number;
};

void BM_FollowPatchOneShot(benchmark::State& state)
{
    // In memory only: the list of a 5000-shot directory, one shot in and out.
    OpenDocument open;
    ShotListPatcher patcher(open.doc);
    patcher.Reset();
    const std::int64_t middle = open.doc.m_shots[std::size_t(kShots / 2)]->lastWriteTime;
    for (auto _ : state) {
        patcher.Apply({ShotFileState{"new0001.gif", true, middle}});
        open.status.SetWindowText(patcher.StatusText());
        patcher.Apply({ShotFileState{"new0001.gif", false, 0}});
        open.status.SetWindowText(patcher.StatusText());
    }
    state.SetItemsProcessed(state.iterations() * 2);
    state.SetLabel("one change = half the time per iteration");
}
BENCHMARK(BM_FollowPatchOneShot)->Unit(benchmark::kMicrosecond);

void BM_FollowFullRescanForComparison(benchmark::State& state)
{
    OpenDocument open;
    for (auto _ : state) {
        open.doc.ScanDirectory();
        benchmark::DoNotOptimize(open.doc.m_nShotCount);
    }
}
BENCHMARK(BM_FollowFullRescanForComparison)->Unit(benchmark::kMillisecond);

void BM_FollowTakeInOneNewFile(benchmark::State& state)
{
    // From the kernel's queued events to the status box: read, stat, GIF
    // structure check, list patch, status text. The file is written outside
    // the timing.
    EnsureApplication();
    OpenDocument open;
    ShotDirectoryFollower follower(open.doc);
    const std::string path = ShotDirectory() + ShotName(kShots + 1);
    for (auto _ : state) {
        state.PauseTiming();
        kestrel::test::WriteFileBytes(path, TinyGif());
        state.ResumeTiming();
        follower.ReadChanges();
        state.PauseTiming();
        if (open.doc.m_nShotCount != kShots) state.SkipWithError("the new file was not taken in");
        std::filesystem::remove(path);
        follower.ReadChanges();
        state.ResumeTiming();
    }
}
BENCHMARK(BM_FollowTakeInOneNewFile)->Unit(benchmark::kMicrosecond);

void BM_FollowCloseToStatusBox(benchmark::State& state)
{
    // Wall time from close() of a new file to the new count in the status
    // box, with the follower woken by the event loop as in the program.
    EnsureApplication();
    OpenDocument open;
    ShotDirectoryFollower follower(open.doc);
    const std::string path = ShotDirectory() + ShotName(kShots + 2);
    const std::string expected = "1 of " + std::to_string(kShots) + " Shots";
    for (auto _ : state) {
        FILE* file = std::fopen(path.c_str(), "wb");
        std::fwrite(TinyGif().data(), 1, TinyGif().size(), file);
        std::fclose(file);
        const auto closed = std::chrono::steady_clock::now();
        while (open.status.m_text.rfind(expected, 0) != 0) {
            QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
            if (std::chrono::steady_clock::now() - closed > std::chrono::seconds(5)) {
                state.SkipWithError("not in the status box after 5 s");
                return;
            }
        }
        const auto shown = std::chrono::steady_clock::now();
        state.SetIterationTime(std::chrono::duration<double>(shown - closed).count());

        std::filesystem::remove(path);
        while (open.doc.m_nShotCount != kShots - 1) QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
    }
}
BENCHMARK(BM_FollowCloseToStatusBox)->UseManualTime()->Unit(benchmark::kMicrosecond);

}  // namespace
