// When a PNG or JPEG file is whole: every cut of a real file is incomplete
// and only the whole file complete; the follower does not show a PNG or JPEG
// written slowly before its end; other types wait for their size to settle.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "shots/follow/shot_follow_core.h"
#include "shots/list/shot_completeness.h"
#include "tests/qt/shot_files.h"
#include "tests/support/jpeg_test_files.h"
#include "tests/support/png_test_files.h"
#include "tests/support/test_paths.h"

namespace {

using shots_test::RecordingTextBox;
using shots_test::ShotDir;
using std::chrono::milliseconds;

std::string Png(int width, int height)
{
    kestrel::test::PngRecipe recipe;
    recipe.width = width;
    recipe.height = height;
    recipe.colourType = PNG_COLOR_TYPE_RGB;
    for (int i = 0; i < width * height * 3; ++i) recipe.pixels.push_back(png_byte(i * 37));
    return kestrel::test::WritePng(recipe);
}

std::string Jpeg(bool progressive, unsigned restartInterval)
{
    kestrel::test::JpegRecipe recipe;
    recipe.width = 24;
    recipe.height = 17;
    recipe.progressive = progressive;
    recipe.restartInterval = restartInterval;
    recipe.quality = 90;
    for (int i = 0; i < recipe.width * recipe.height * 3; ++i) recipe.pixels.push_back(JSAMPLE(i * 91 + i / 7));
    return kestrel::test::WriteJpeg(recipe);
}

// jpeg with an APP1 segment right after its start that holds a whole small
// JPEG, as an embedded thumbnail is held.
std::string WithThumbnail(const std::string& jpeg, const std::string& thumbnail)
{
    const std::size_t length = thumbnail.size() + 2;
    std::string app1 = "\xFF\xE1";
    app1 += char(length >> 8);
    app1 += char(length & 0xFF);
    return jpeg.substr(0, 2) + app1 + thumbnail + jpeg.substr(2);
}

using Check = ShotCompleteness (*)(const std::uint8_t*, std::size_t);

TEST(ShotCompleteness, EveryCutOfAWholeFileIsIncomplete)
{
    const std::string thumbnail = Jpeg(false, 0);
    struct Case {
        const char* name;
        Check check;
        std::string file;
        std::size_t thumbnailEnd;  // a cut there is still incomplete (0: none)
    };
    const Case cases[] = {
        {"png", CheckPngCompleteness, Png(9, 5), 0},
        {"jpeg", CheckJpegCompleteness, Jpeg(false, 0), 0},
        {"jpeg with restarts", CheckJpegCompleteness, Jpeg(false, 1), 0},
        {"progressive jpeg", CheckJpegCompleteness, Jpeg(true, 0), 0},
        {"jpeg with a thumbnail", CheckJpegCompleteness, WithThumbnail(Jpeg(true, 0), thumbnail),
         6 + thumbnail.size()},
    };
    for (const Case& c : cases) {
        ASSERT_GT(c.file.size(), 60u) << c.name;
        const auto* bytes = reinterpret_cast<const std::uint8_t*>(c.file.data());
        for (std::size_t cut = 0; cut < c.file.size(); ++cut) {
            ASSERT_EQ(c.check(bytes, cut), ShotCompleteness::Incomplete) << c.name << " cut at " << cut;
        }
        EXPECT_EQ(c.check(bytes, c.file.size()), ShotCompleteness::Complete) << c.name;
        if (c.thumbnailEnd) {
            EXPECT_EQ(c.check(bytes, c.thumbnailEnd), ShotCompleteness::Incomplete) << c.name;
        }
        // Bytes after the end (padding some writers add) change nothing.
        const std::string padded = c.file + std::string(5, '\0');
        EXPECT_EQ(c.check(reinterpret_cast<const std::uint8_t*>(padded.data()), padded.size()),
                  ShotCompleteness::Complete)
            << c.name;
    }
}

TEST(ShotCompleteness, OtherBytesAreDamaged)
{
    const struct {
        Check check;
        std::string bytes;
    } cases[] = {
        {CheckPngCompleteness, "GIF89a"},
        {CheckPngCompleteness, std::string("\x89PNG\r\n\x1A\n\xFF\xFF\xFF\xFFIHDR", 16)},
        {CheckJpegCompleteness, "GIF89a"},
        {CheckJpegCompleteness, std::string("\xFF\xD8\x12\x34", 4)},
        {CheckJpegCompleteness, std::string("\xFF\xD8\xFF\xE0\x00\x01", 6)},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(c.check(reinterpret_cast<const std::uint8_t*>(c.bytes.data()), c.bytes.size()),
                  ShotCompleteness::Damaged);
    }
}

// Damaged lengths and markers never lead the walks outside the bytes (the
// sanitizer build checks the reads); each copy is cut to a fresh buffer.
TEST(ShotCompleteness, DamagedFilesAreWalkedWithinTheirBytes)
{
    const struct {
        Check check;
        std::string file;
    } cases[] = {{CheckPngCompleteness, Png(7, 6)}, {CheckJpegCompleteness, Jpeg(true, 2)}};
    std::uint32_t seed = 12345;
    const auto next = [&seed] { return seed = seed * 1664525u + 1013904223u; };
    for (const auto& c : cases) {
        for (int round = 0; round < 500; ++round) {
            std::string damaged = c.file;
            for (int flips = 1 + int(next() % 4); flips > 0; --flips) {
                damaged[next() % damaged.size()] = char(next() >> 24);
            }
            const std::size_t cut = next() % damaged.size();
            const std::vector<std::uint8_t> bytes(damaged.begin(), damaged.begin() + std::ptrdiff_t(cut));
            const ShotCompleteness result = c.check(bytes.data(), bytes.size());
            EXPECT_TRUE(result == ShotCompleteness::Incomplete || result == ShotCompleteness::Damaged ||
                        result == ShotCompleteness::Complete);
        }
    }
}

TEST(ShotCompleteness, FilesAreJudgedByTheirExtension)
{
    ShotDir dir;
    const std::string png = Png(4, 4);
    const struct {
        const char* name;
        std::string bytes;
        ShotCompleteness expected;
    } cases[] = {
        {"a.png", png, ShotCompleteness::Complete},
        {"b.PNG", png.substr(0, png.size() - 1), ShotCompleteness::Incomplete},
        {"c.jpg", Jpeg(false, 0), ShotCompleteness::Complete},
        {"d.gif", shots_test::SolidGif(2, 2, {1, 2, 3}), ShotCompleteness::Complete},
        {"e.gif", png, ShotCompleteness::Damaged},
        {"f.bmp", "BM", ShotCompleteness::Incomplete},  // no end to see
    };
    for (const auto& c : cases) {
        kestrel::test::WriteFileBytes(dir.Path(c.name), c.bytes);
        EXPECT_EQ(CheckShotFileCompleteness(dir.Path(c.name)), c.expected) << c.name;
    }
    EXPECT_EQ(CheckShotFileCompleteness(dir.Path("missing.png")), ShotCompleteness::Damaged);
}

// A writer that closes the file after every piece: the follower takes it
// once its end is there, and not before, as it does a GIF.
TEST(ShotCompleteness, TheFollowerShowsAFileWrittenSlowlyOnlyWhenWhole)
{
    const struct {
        const char* name;
        std::string bytes;
    } cases[] = {{"cam0002.png", Png(40, 30)}, {"cam0002.jpg", Jpeg(true, 0)}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        ShotDir dir;
        dir.AddFile("cam0001.png", 1700000000, 0, Png(3, 3));
        CKESTRELDoc doc;
        RecordingTextBox status;
        doc.m_pStatusBox = &status;
        doc.SetShotTypes(ShotTypes::All());
        ShotFollowCore::TimePoint now{std::chrono::hours(5)};
        ShotFollowCore core(doc, [&now] { return now; });
        doc.OpenDirectory(dir.Dir());
        ASSERT_TRUE(core.UsesKernelNotification());
        core.SetFollowNewest(true);

        const std::string path = dir.Path(c.name);
        for (std::size_t at = 0; at < c.bytes.size(); at += 97) {
            FILE* file = std::fopen(path.c_str(), "ab");
            ASSERT_NE(file, nullptr);
            std::fwrite(c.bytes.data() + at, 1, std::min<std::size_t>(97, c.bytes.size() - at), file);
            std::fclose(file);
            core.ReadChanges();
            if (at + 97 < c.bytes.size()) {
                ASSERT_EQ(doc.ShotCount(), 1u) << at;
            }
        }
        ASSERT_EQ(doc.ShotCount(), 2u);
        EXPECT_EQ(doc.DisplayedShot()->Path(), path);
        ASSERT_NE(doc.m_pImage, nullptr);
        EXPECT_FALSE(doc.m_pImage->IsEmpty());

        // A BMP has no end to see: it waits until its size has settled.
        kestrel::test::WriteFileBytes(dir.Path("cam0003.bmp"), "BM");
        core.ReadChanges();
        EXPECT_EQ(doc.ShotCount(), 2u);
        now += milliseconds(ShotFollowCore::SETTLE_MS);
        core.OnTimer();
        EXPECT_EQ(doc.ShotCount(), 3u);
    }
}

}  // namespace
