#include <gtest/gtest.h>

#include <string>

#include "formats/gif_structure.h"
#include "shots/list/file_status.h"
#include "tests/qt/shot_files.h"
#include "tests/support/test_paths.h"

namespace {

GifCompleteness Check(const std::string& bytes)
{
    return CheckGifCompleteness(reinterpret_cast<const std::uint8_t*>(bytes.data()), bytes.size());
}

std::string TransparentGif()
{
    return shots_test::TinyGif(3, 2, {shots_test::Rgb{255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {0, 0, 0}},
                               {0, 1, 2, 3, 2, 1}, 3);
}

TEST(FollowGifCompleteness, AWholeFileIsCompleteAndEveryShorterPieceIsNot)
{
    for (const std::string& gif : {shots_test::SolidGif(7, 5, {1, 2, 3}), TransparentGif()}) {
        EXPECT_EQ(Check(gif), GifCompleteness::Complete);
        for (std::size_t length = 0; length < gif.size(); ++length) {
            ASSERT_EQ(Check(gif.substr(0, length)), GifCompleteness::Incomplete) << "length " << length;
        }
    }
}

TEST(FollowGifCompleteness, OlderVersionAndLocalColourTablesAreWalked)
{
    std::string gif = shots_test::SolidGif(2, 2, {9, 9, 9});
    gif.replace(0, 6, "GIF87a");
    EXPECT_EQ(Check(gif), GifCompleteness::Complete);

    // The same image with a local table of 2 entries in place of none.
    const std::size_t descriptor = gif.find('\x2C', 13 + 12);
    ASSERT_NE(descriptor, std::string::npos);
    std::string local = gif;
    local[descriptor + 9] = char(0x80);
    local.insert(descriptor + 10, std::string(6, '\x11'));
    EXPECT_EQ(Check(local), GifCompleteness::Complete);
    EXPECT_EQ(Check(local.substr(0, descriptor + 12)), GifCompleteness::Incomplete);
}

TEST(FollowGifCompleteness, OtherBytesAreDamagedNotIncomplete)
{
    EXPECT_EQ(Check("\x89PNG\r\n\x1a\n"), GifCompleteness::Damaged);
    EXPECT_EQ(Check("GIF8"), GifCompleteness::Incomplete);
    EXPECT_EQ(Check("GIX"), GifCompleteness::Damaged);
    std::string gif = shots_test::SolidGif(2, 2, {9, 9, 9});
    gif[gif.size() - 1] = '\x00';  // a block introducer nobody defines, where the trailer was
    EXPECT_EQ(Check(gif), GifCompleteness::Damaged);
}

TEST(FollowGifCompleteness, FlippedBytesGiveSomeAnswerWithoutReadingPastTheEnd)
{
    const std::string gif = TransparentGif();
    for (std::size_t at = 0; at < gif.size(); ++at) {
        for (int bit = 0; bit < 8; ++bit) {
            std::string flipped = gif;
            flipped[at] = char(flipped[at] ^ (1 << bit));
            const GifCompleteness result = Check(flipped);
            EXPECT_TRUE(result == GifCompleteness::Complete || result == GifCompleteness::Incomplete ||
                        result == GifCompleteness::Damaged);
        }
    }
}

TEST(FollowGifCompleteness, FilesAreReadUpToALimit)
{
    shots_test::ShotDir dir;
    const std::string gif = shots_test::SolidGif(4, 4, {0, 0, 0});
    const std::string path = dir.AddFile("a.gif", 100, 0, gif);
    EXPECT_EQ(CheckGifFileCompleteness(path), GifCompleteness::Complete);
    EXPECT_EQ(CheckGifFileCompleteness(path, gif.size() - 1), GifCompleteness::Damaged);
    EXPECT_EQ(CheckGifFileCompleteness(dir.Path("missing.gif")), GifCompleteness::Damaged);
    EXPECT_EQ(CheckGifFileCompleteness(dir.AddFile("b.gif", 100, 0, gif.substr(0, 20))), GifCompleteness::Incomplete);
}

}  // namespace
