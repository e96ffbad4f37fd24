// Reading a shot: what is opened, what the stamp and the opened file's
// status say, and that nothing but a regular file is waited on.
#include <gtest/gtest.h>

#include <string>

#include "shots/cache/shot_reader.h"
#include "tests/qt/shot_files.h"

namespace {

using shots_test::ShotDir;
using shots_test::SolidGif;

struct ReadCase {
    const char* name;
    std::string (*make)(ShotDir& dir);  // the path to read
    bool present;
    bool opened;
    bool pixels;
    const char* reason;  // why there are no pixels
};

class ShotReader : public ::testing::TestWithParam<ReadCase> {};

TEST_P(ShotReader, OpensOnlyRegularFilesAndStampsThemFirst)
{
    const ReadCase& c = GetParam();
    ShotDir dir;
    const std::string path = c.make(dir);
    DecodedShot shot;
    ASSERT_TRUE(shots_test::ReturnsWithoutBlockingOn(path, [&] { shot = ReadShotFile(path); }));
    EXPECT_EQ(shot.stamp, SnapshotAsListed(path));
    EXPECT_EQ(shot.stamp.present, c.present);
    EXPECT_EQ(shot.opened.has_value(), c.opened);
    ASSERT_TRUE(shot.image);
    EXPECT_EQ(!shot.image->IsEmpty(), c.pixels);
    if (c.pixels) {
        EXPECT_EQ(shot.image->Width(), 6);
    } else {
        EXPECT_EQ(ShotFailureReason(path, shot.image.get()), c.reason);
    }
    if (!c.opened) return;
    EXPECT_TRUE(shot.stamp.regular);
    EXPECT_EQ(shot.opened->st_size, shot.stamp.size);
    EXPECT_EQ(ToFileTime(shot.opened->st_mtim), shot.stamp.lastWriteTime);
}

INSTANTIATE_TEST_SUITE_P(
    Files, ShotReader,
    ::testing::Values(
        ReadCase{"Picture", [](ShotDir& d) { return d.AddFile("s0001.gif", 1000, 7, SolidGif(6, 4, {1, 2, 3})); },
                 true, true, true, ""},
        ReadCase{"Damaged", [](ShotDir& d) { return d.AddFile("s0001.gif", 1000, 0, "GIF89a"); }, true, true, false,
                 "damaged: the picture data ends early"},
        ReadCase{"NotGif", [](ShotDir& d) { return d.AddFile("s0001.gif", 1000, 0, "hello"); }, true, true, false,
                 "not a GIF file"},
        ReadCase{"NotPng", [](ShotDir& d) { return d.AddFile("s0001.PNG", 1000, 0, SolidGif(6, 4, {})); }, true, true,
                 false, "not a PNG file"},
        ReadCase{"Directory", [](ShotDir& d) { return d.AddDirectory("s0001.gif", 1000); }, true, false, false,
                 "not a regular file"},
        ReadCase{"Fifo", [](ShotDir& d) { return d.AddFifo("s0001.gif", 1000); }, true, false, false,
                 "not a regular file"},
        ReadCase{"Missing", [](ShotDir& d) { return d.Path("s0001.gif"); }, false, false, false,
                 "cannot be read: no such file or directory"}),
    [](const auto& info) { return std::string(info.param.name); });

}  // namespace
