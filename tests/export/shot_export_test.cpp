// Exports of shots written in code, read back by the oracles: giflib and our
// reader for GIF, FFmpeg's decoders for video, our PNG reader for sheets.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <sstream>

#include "export/export_command.h"
#include "export/export_parts.h"
#include "export/shot_export.h"
#include "formats/gif_image.h"
#include "formats/gif_writer.h"
#include "image/shot_placeholder.h"
#include "tests/export/export_test_files.h"
#include "tests/support/memory_file.h"
#include "tools/png_writer.h"

namespace export_test {
namespace {

using Status = ExportOutcome::Status;

// Five shots of three sizes and table sizes, one with a transparent index.
// Numbers run against the times, so the list order comes from the times.
std::vector<ShotSpec> FiveShots()
{
    return {
        {"run0005.gif", PatternPicture(40, 30, 256, 1), 1'700'000'000},
        {"run0004.gif", PatternPicture(40, 30, 16, 2, 5), 1'700'000'010},
        {"run0003.gif", PatternPicture(23, 31, 4, 3), 1'700'000'020},
        {"run0002.gif", SolidPicture(40, 30, {200, 40, 90}), 1'700'000'030},
        {"run0001.gif", PatternPicture(39, 29, 64, 5), 1'700'000'040},
    };
}

class ShotExportTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        m_dir = kestrel::test::MakeTempDir("kestrel-export");
        m_outDir = m_dir + "/out";
        std::filesystem::create_directory(m_outDir);
        m_paths = WriteShots(m_dir, FiveShots());
        for (std::size_t i = 0; i < m_paths.size(); ++i) m_shots.push_back({m_paths[i], "000" + std::to_string(5 - i), FiveShots()[i].seconds * 10000000 + kFileTimeEpochOffset});
    }
    void TearDown() override { std::filesystem::remove_all(m_dir); }

    ExportOutcome Export(const std::string& name, ExportSettings settings = {}, const ExportProgress& progress = nullptr)
    {
        settings.out = m_outDir + "/" + name;
        return ExportShots(m_shots, settings, progress);
    }

    static std::unique_ptr<CDibImage> Read(const std::string& path)
    {
        return std::make_unique<CDibImage>(path.c_str(), ImageFormat::Gif);
    }

    static constexpr std::int64_t kFileTimeEpochOffset = 116444736000000000;
    std::string m_dir;
    std::string m_outDir;
    std::vector<std::string> m_paths;
    std::vector<ExportShot> m_shots;
};

// Each image of an exported file on its own, as a one-image file our reader
// can take: the header and global table, then that image's blocks.
std::vector<kestrel::test::GifBytes> SplitFrames(const kestrel::test::GifBytes& file)
{
    std::vector<kestrel::test::GifBytes> frames;
    std::size_t at = 13 + ((file[10] & 0x80) ? 3u * (2u << (file[10] & 7)) : 0);
    const kestrel::test::GifBytes head(file.begin(), file.begin() + std::ptrdiff_t(at));
    std::size_t blockStart = at;
    auto skipSubBlocks = [&] {
        while (at < file.size() && file[at] != 0) at += file[at] + 1u;
        ++at;
    };
    while (at < file.size() && file[at] != GIF_TRAILER) {
        if (file[at] == 0x21) {
            if (file[at + 1] == 0xF9) blockStart = at;  // the frame starts at its graphic control
            at += 2;
            skipSubBlocks();
        } else {
            const std::uint8_t flags = file[at + 9];
            at += 10 + ((flags & 0x80) ? 3u * (2u << (flags & 7)) : 0) + 1;
            skipSubBlocks();
            kestrel::test::GifBytes frame = head;
            frame.insert(frame.end(), file.begin() + std::ptrdiff_t(blockStart), file.begin() + std::ptrdiff_t(at));
            frame.push_back(GIF_TRAILER);
            frames.push_back(frame);
        }
    }
    return frames;
}

TEST_F(ShotExportTest, GifFramesKeepEachShotsIndicesColoursTransparencyAndDelay)
{
    ExportSettings settings;
    settings.intervalMs = 130;
    const ExportOutcome outcome = Export("run.gif", settings);
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    const std::string out = m_outDir + "/run.gif";
    GiflibFile gif = SlurpWithGiflib(out);
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->ImageCount, 5);
    EXPECT_EQ(gif->SWidth, 40);
    EXPECT_EQ(gif->SHeight, 31);
    const std::string bytes = kestrel::test::ReadFileBytes(out);
    const std::vector<kestrel::test::GifBytes> frames = SplitFrames({bytes.begin(), bytes.end()});
    ASSERT_EQ(frames.size(), 5u);

    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(m_paths[std::size_t(k)]);
        const auto shot = Read(m_paths[std::size_t(k)]);
        const SavedImage& image = gif->SavedImages[k];
        ASSERT_EQ(image.ImageDesc.Width, shot->Width());
        ASSERT_EQ(image.ImageDesc.Height, shot->Height());
        EXPECT_EQ(image.ImageDesc.Left, 0);
        GraphicsControlBlock control;
        ASSERT_EQ(DGifSavedExtensionToGCB(gif.get(), k, &control), GIF_OK);
        EXPECT_EQ(control.DelayTime, 13);
        EXPECT_EQ(control.TransparentColor, shot->Info().transparentIndex);
        const ColorMapObject* map = image.ImageDesc.ColorMap ? image.ImageDesc.ColorMap : gif->SColorMap;
        for (int i = 0; i < 256; ++i) {
            const GifColour want = PaletteEntryOrFill(*shot, i);
            const GifColour got = EntryOrFill(map->Colors, map->ColorCount, i, shot->Info().transparentIndex >= 0);
            ASSERT_TRUE(want.red == got.red && want.green == got.green && want.blue == got.blue) << "entry " << i;
        }
        for (int y = 0; y < shot->Height(); ++y)
            for (int x = 0; x < shot->Width(); ++x)
                ASSERT_EQ(image.RasterBits[y * shot->Width() + x], shot->GetPixelIndex(x, shot->Height() - 1 - y));

        // Our reader gives the shot back: indices, colours, transparency, delay.
        CGifImage back(ImageFormat::Gif);
        FILE* stream = kestrel::test::OpenMemoryFile(frames[std::size_t(k)]);
        ASSERT_TRUE(back.Decode(stream));
        std::fclose(stream);
        EXPECT_EQ(back.Info().frameDelay, 13);
        EXPECT_EQ(back.Info().transparentIndex, shot->Info().transparentIndex);
        GifFrame want;
        GifFrame got;
        ASSERT_TRUE(GifFrameFromImage(*shot, 13, want));
        ASSERT_TRUE(GifFrameFromImage(back, 13, got));
        EXPECT_EQ(got.indices, want.indices);
        EXPECT_EQ(got.table, want.table);
    }
    EXPECT_EQ(FilesIn(m_outDir), std::vector<std::string>{"run.gif"});
}

TEST_F(ShotExportTest, TheSameBytesForAnyNumberOfWorkers)
{
    for (const char* name : {"same.gif", "same.png"}) {
        std::string first;
        for (int workers : {0, 1, 3}) {
            ExportSettings settings;
            settings.workers = workers;
            if (std::string(name).ends_with(".png")) settings.sheet = SheetLayout{3, 1};
            settings.sheetWidth = 300;
            ASSERT_EQ(Export(name, settings).status, Status::Done);
            const std::string path = m_outDir + "/" + (settings.sheet ? "same-001.png" : name);
            const std::string bytes = kestrel::test::ReadFileBytes(path);
            if (first.empty()) first = bytes;
            EXPECT_EQ(bytes, first) << name << " with " << workers << " workers";
        }
    }
}

TEST_F(ShotExportTest, VideoHasOneFrameAShotAtTheRateOfTheInterval)
{
    struct Case {
        const char* name;
        int interval;
    };
    for (const Case& c : {Case{"v.mp4", 40}, Case{"v.webm", 250}, Case{"v.mkv", 1000}}) {
        ExportSettings settings;
        settings.intervalMs = c.interval;
        // From the solid shot on, so the first frame's colour is known.
        std::vector<ExportShot> shots(m_shots.begin() + 3, m_shots.end());
        settings.out = m_outDir + "/" + c.name;
        const ExportOutcome outcome = ExportShots(shots, settings);
        ASSERT_EQ(outcome.status, Status::Done) << c.name << ": " << outcome.message;
        const DecodedVideo video = DecodeVideo(settings.out);
        ASSERT_TRUE(video.opened) << c.name;
        EXPECT_EQ(video.frames, 2) << c.name;
        EXPECT_EQ(video.width, 40) << c.name;
        EXPECT_EQ(video.height, 30) << c.name;  // 29 of the second shot padded to even is less
        EXPECT_NEAR(video.rate, 1000.0 / c.interval, 0.01) << c.name;
        EXPECT_NEAR(video.firstMean[0], 200, 8) << c.name;
        EXPECT_NEAR(video.firstMean[1], 40, 8) << c.name;
        EXPECT_NEAR(video.firstMean[2], 90, 8) << c.name;
    }
}

TEST_F(ShotExportTest, OddSizesArePaddedToEven)
{
    ExportSettings settings;
    settings.out = m_outDir + "/odd.mp4";
    const ExportOutcome outcome = ExportShots({m_shots[2]}, settings);  // 23 x 31
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    const DecodedVideo video = DecodeVideo(settings.out);
    EXPECT_EQ(video.width, 24);
    EXPECT_EQ(video.height, 32);
}

TEST_F(ShotExportTest, ContactSheetsFillPagesInOrderWithCaptions)
{
    ExportSettings settings;
    settings.sheet = SheetLayout{2, 2};
    settings.sheetWidth = 400;
    const ExportOutcome outcome = Export("sheet.png", settings);
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    EXPECT_EQ(FilesIn(m_outDir), (std::vector<std::string>{"sheet-001.png", "sheet-002.png"}));
    SheetGeometry g;
    std::string reason;
    ASSERT_TRUE(ComputeSheetGeometry({2, 2}, 400, 40, 31, g, reason));
    CDibImage first((m_outDir + "/sheet-001.png").c_str(), ImageFormat::Png);
    ASSERT_EQ(first.Width(), 400);
    ASSERT_EQ(first.Height(), g.pageHeight);
    // The fourth cell holds the solid shot: its colour at the box's centre,
    // and black caption pixels under it.
    const int left = g.cellWidth;
    const int top = g.cellHeight;
    const RGBQUAD centre = [&] {
        const BYTE* p = first.GetPixels() + std::size_t(first.Height() - 1 - (top + g.margin + g.boxHeight / 2)) *
                                                 std::size_t(first.Info().stride) +
                        std::size_t(left + g.cellWidth / 2) * 3;
        return RGBQUAD{p[0], p[1], p[2], 0};
    }();
    EXPECT_EQ(centre.rgbRed, 200);
    EXPECT_EQ(centre.rgbGreen, 40);
    EXPECT_EQ(centre.rgbBlue, 90);
    int black = 0;
    for (int y = top + g.captionTop; y < top + g.cellHeight; ++y)
        for (int x = left; x < left + g.cellWidth; ++x) {
            const BYTE* p = first.GetPixels() + std::size_t(first.Height() - 1 - y) * std::size_t(first.Info().stride) +
                            std::size_t(x) * 3;
            black += p[0] == 0 && p[1] == 0 && p[2] == 0;
        }
    EXPECT_GT(black, 50);

    settings.sheet = SheetLayout{5, 1};
    ASSERT_EQ(Export("one.jpg", settings).status, Status::Done);
    EXPECT_TRUE(std::filesystem::exists(m_outDir + "/one.jpg")) << "one page keeps OUT's own name";
}

TEST_F(ShotExportTest, AShotThatFailsToLoadIsItsPlaceholderAndCounted)
{
    kestrel::test::WriteFileBytes(m_paths[1], "not a picture");
    const ExportOutcome outcome = Export("bad.gif");
    ASSERT_EQ(outcome.status, Status::Done) << outcome.message;
    EXPECT_EQ(outcome.placeholders, 1u);
    EXPECT_NE(ExportSummary(outcome).find("1 as a placeholder"), std::string::npos) << ExportSummary(outcome);

    GiflibFile gif = SlurpWithGiflib(m_outDir + "/bad.gif");
    ASSERT_TRUE(gif);
    const auto placeholder = MakeShotPlaceholder(40, 31, ShotPlaceholderText(m_paths[1], "not a GIF file"));
    GifFrame want;
    ASSERT_TRUE(GifFrameFromImage(*placeholder, 100, want));
    const SavedImage& image = gif->SavedImages[1];
    ASSERT_EQ(image.ImageDesc.Width * image.ImageDesc.Height, int(want.indices.size()));
    EXPECT_EQ(std::vector<std::uint8_t>(image.RasterBits, image.RasterBits + want.indices.size()), want.indices);
}

TEST_F(ShotExportTest, FailuresAndCancelsLeaveNothingBehind)
{
    struct Case {
        const char* what;
        std::string out;
        int cancelAt;  // 0: no cancel
        Status status;
    };
    const std::vector<Case> cases = {
        {"a folder that does not exist", m_outDir + "/missing/x.gif", 0, Status::Failed},
        {"a folder that is a file", m_paths[0] + "/x.gif", 0, Status::Failed},
        {"a folder no one may write in", "/proc/kestrel-export.gif", 0, Status::Failed},
        {"an unknown extension", m_outDir + "/x.bmp", 0, Status::Failed},
        {"GIF cancelled half-way", m_outDir + "/c.gif", 2, Status::Cancelled},
        {"video cancelled half-way", m_outDir + "/c.mp4", 3, Status::Cancelled},
        {"sheet cancelled after a page", m_outDir + "/c.png", 3, Status::Cancelled},
    };
    for (const Case& c : cases) {
        ExportSettings settings;
        settings.out = c.out;
        if (c.out.ends_with(".png")) settings.sheet = SheetLayout{2, 1};
        const ExportOutcome outcome = ExportShots(m_shots, settings, [&c](std::size_t done, std::size_t) {
            return c.cancelAt == 0 || int(done) < c.cancelAt;
        });
        EXPECT_EQ(outcome.status, c.status) << c.what;
        EXPECT_FALSE(outcome.message.empty()) << c.what;
        EXPECT_TRUE(FilesIn(m_outDir).empty()) << c.what;
        EXPECT_EQ(FilesIn(m_dir).size(), 6u) << c.what;  // the shots and out/
    }
}

TEST_F(ShotExportTest, ASignalDuringTheExportLeavesNothingBehind)
{
    for (int signal : {SIGINT, SIGTERM}) {
        const pid_t child = fork();
        ASSERT_GE(child, 0);
        if (child == 0) {
            InstallExportSignalCleanup();
            ExportSettings settings;
            settings.out = m_outDir + "/signal.gif";
            settings.workers = 0;
            ExportShots(m_shots, settings, [signal](std::size_t done, std::size_t) {
                if (done == 3) std::raise(signal);
                return true;
            });
            _exit(0);
        }
        int status = 0;
        ASSERT_EQ(waitpid(child, &status, 0), child);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signal);
        EXPECT_TRUE(FilesIn(m_outDir).empty());
    }
}

TEST_F(ShotExportTest, TheCommandLineExportsTheRangeInEitherDirection)
{
    struct Case {
        std::optional<int> in;
        std::optional<int> out;
        bool reverse;
        int status;
        std::vector<int> widths;  // of the frames, in order
    };
    const std::vector<Case> cases = {
        {std::nullopt, std::nullopt, false, EXPORT_OK, {40, 40, 23, 40, 39}},
        {4, 2, false, EXPORT_OK, {40, 23, 40}},
        {5, 3, true, EXPORT_OK, {23, 40, 40}},
        {3, std::nullopt, true, EXPORT_OK, {39, 40, 23}},
        {9, std::nullopt, false, EXPORT_FAILED, {}},
        {2, 4, false, EXPORT_FAILED, {}},
    };
    for (const Case& c : cases) {
        ExportCommand command;
        command.path = m_paths[0];
        command.inShot = c.in;
        command.outShot = c.out;
        command.reverse = c.reverse;
        command.settings.out = m_outDir + "/cli.gif";
        std::ostringstream err;
        ASSERT_EQ(RunExportCommand(command, err, false), c.status) << err.str();
        if (c.status != EXPORT_OK) {
            EXPECT_TRUE(FilesIn(m_outDir).empty());
            continue;
        }
        EXPECT_NE(err.str().find("exported " + std::to_string(c.widths.size()) + " shots"), std::string::npos);
        GiflibFile gif = SlurpWithGiflib(command.settings.out);
        ASSERT_TRUE(gif);
        std::vector<int> widths;
        for (int k = 0; k < gif->ImageCount; ++k) widths.push_back(gif->SavedImages[k].ImageDesc.Width);
        EXPECT_EQ(widths, c.widths);
        std::filesystem::remove(command.settings.out);
    }
}

// PNG shots are read by their own reader, and their true colours go to one
// fixed table: colours on its levels come back exactly (giflib reads it).
TEST(TrueColourExport, PngShotsExportAsGifByTheirType)
{
    const std::string dir = kestrel::test::MakeTempDir("kestrel-export-png");
    const std::array<std::array<BYTE, 3>, 2> colours = {{{255, 0, 102}, {0, 255, 51}}};  // red, green, blue levels
    for (std::size_t n = 0; n < colours.size(); ++n) {
        CDibImage image(ImageFormat::Png);
        ASSERT_NE(image.Create(6 + int(n), 4, 24, ImageFormat::Png), nullptr);
        BYTE* pixels = image.GetPixels();
        for (int y = 0; y < 4; ++y) {
            for (int x = 0; x < image.Width(); ++x) {
                BYTE* at = pixels + y * image.Info().stride + 3 * x;
                at[0] = colours[n][2];
                at[1] = colours[n][1];
                at[2] = colours[n][0];
            }
        }
        const std::string path = dir + "/cam000" + std::to_string(n + 1) + ".png";
        std::string error;
        ASSERT_TRUE(WritePngFile(image, path, error)) << error;
        const timespec times[2] = {{1'700'000'000 + long(n), 0}, {1'700'000'000 + long(n), 0}};
        ASSERT_EQ(utimensat(AT_FDCWD, path.c_str(), times, 0), 0);
    }
    ExportCommand command;
    command.path = dir + "/cam0001.png";
    command.settings.out = dir + "/out.gif";
    std::ostringstream err;
    ASSERT_EQ(RunExportCommand(command, err, false), EXPORT_OK) << err.str();
    GiflibFile gif = SlurpWithGiflib(command.settings.out);
    ASSERT_TRUE(gif);
    ASSERT_EQ(gif->ImageCount, 2);
    EXPECT_EQ(gif->SWidth, 7);
    for (int k = 0; k < 2; ++k) {
        const SavedImage& frame = gif->SavedImages[k];
        const ColorMapObject* map = frame.ImageDesc.ColorMap ? frame.ImageDesc.ColorMap : gif->SColorMap;
        ASSERT_NE(map, nullptr);
        const GifColorType colour = map->Colors[frame.RasterBits[0]];
        EXPECT_EQ((std::array<BYTE, 3>{colour.Red, colour.Green, colour.Blue}), colours[std::size_t(k)]) << k;
    }
    std::filesystem::remove_all(dir);
}

TEST(ExportProgressLine, AFileGetsALineASecondATerminalABarRedrawn)
{
    auto now = std::chrono::steady_clock::time_point{};
    std::ostringstream file;
    ExportProgressLine toFile(file, false, [&now] { return now; });
    for (int done = 1; done <= 5; ++done) {
        now += std::chrono::milliseconds(400);
        toFile(std::size_t(done), 5);
    }
    EXPECT_EQ(file.str(), "export: 3 of 5 shots\n");

    std::ostringstream terminal;
    ExportProgressLine toTerminal(terminal, true, [&now] { return now; });
    toTerminal(1, 2);
    toTerminal(2, 2);
    toTerminal.Finish();
    EXPECT_EQ(terminal.str(), "\rexport: [###############               ] 1 of 2 shots"
                              "\rexport: [##############################] 2 of 2 shots\n");
}

TEST(ExportKindFor, TheExtensionAndTheSheetChooseTheKind)
{
    struct Case {
        const char* out;
        bool sheet;
        bool ok;
        ExportKind kind;
    };
    for (const Case& c : {Case{"a.gif", false, true, ExportKind::Gif}, Case{"dir.x/A.MP4", false, true, ExportKind::Mp4},
                          Case{"a.webm", false, true, ExportKind::WebM}, Case{"a.mkv", false, true, ExportKind::Mkv},
                          Case{"a.png", true, true, ExportKind::SheetPng}, Case{"a.jpeg", true, true, ExportKind::SheetJpeg},
                          Case{"a.png", false, false, {}}, Case{"a.gif", true, false, {}}, Case{"dir.gif/a", false, false, {}},
                          Case{"a.avi", false, false, {}}}) {
        ExportSettings settings;
        settings.out = c.out;
        if (c.sheet) settings.sheet = SheetLayout{2, 2};
        ExportKind kind{};
        std::string reason;
        EXPECT_EQ(ExportKindFor(settings, kind, reason), c.ok) << c.out;
        if (c.ok) {
            EXPECT_EQ(kind, c.kind) << c.out;
        } else {
            EXPECT_FALSE(reason.empty()) << c.out;
        }
    }
}

TEST(ParseSheetLayout, ColumnsByRows)
{
    struct Case {
        const char* text;
        bool ok;
        int columns;
        int rows;
    };
    for (const Case& c : {Case{"4x6", true, 4, 6}, Case{"1x1", true, 1, 1}, Case{"10x100", true, 10, 100},
                          Case{"0x3", false, 0, 0}, Case{"4x", false, 0, 0}, Case{"4x6x", false, 0, 0},
                          Case{"-4x6", false, 0, 0}, Case{"40x26", false, 0, 0}, Case{" 4x6", false, 0, 0}}) {
        SheetLayout layout;
        EXPECT_EQ(ParseSheetLayout(c.text, layout), c.ok) << c.text;
        if (c.ok) {
            EXPECT_TRUE(layout.columns == c.columns && layout.rows == c.rows) << c.text;
        }
    }
}

}  // namespace
}  // namespace export_test
