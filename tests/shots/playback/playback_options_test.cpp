#include <gtest/gtest.h>

#include "shots/playback/playback_options.h"

namespace {

struct OptionCase {
    const char* name;
    const char* value;
    bool accepted;
    const char* reason;  // for refused ones
};

class PlaybackOptionParse : public ::testing::TestWithParam<OptionCase> {};

TEST_P(PlaybackOptionParse, AcceptsOrExplains)
{
    const OptionCase& c = GetParam();
    PlaybackOptions options;
    std::string reason;
    EXPECT_TRUE(IsPlaybackOption(c.name));
    EXPECT_EQ(ApplyPlaybackOption(c.name, c.value, options, reason), c.accepted);
    if (!c.accepted) {
        EXPECT_EQ(reason, c.reason);
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlaybackOptionParse,
    ::testing::Values(OptionCase{"--max-shots", "1000000", true, ""},
                      OptionCase{"--max-shots", "1000001", false,
                                 "--max-shots needs a number of shots from 1 to 1000000, not '1000001'"},
                      OptionCase{"--max-shots", "0", false,
                                 "--max-shots needs a number of shots from 1 to 1000000, not '0'"},
                      OptionCase{"--loop", "pingpong", true, ""},
                      OptionCase{"--loop", "bounce", false, "--loop needs wrap, pingpong or once, not 'bounce'"},
                      OptionCase{"--in", "0042", true, ""}, OptionCase{"--exit-after", "10000", true, ""},
                      OptionCase{"--cache-mb", "0", true, ""},
                      OptionCase{"--cache-mb", "65537", false,
                                 "--cache-mb needs a number of MiB from 0 to 65536, not '65537'"}));

TEST(PlaybackOptions, DefaultsAndValuesLand)
{
    PlaybackOptions options;
    EXPECT_EQ(options.maxShots, 5000);
    EXPECT_EQ(options.loop, LoopMode::Wrap);
    EXPECT_EQ(options.cacheMb, 256);
    std::string reason;
    ASSERT_TRUE(ApplyPlaybackOption("--max-shots", "100000", options, reason));
    ASSERT_TRUE(ApplyPlaybackOption("--loop", "once", options, reason));
    ASSERT_TRUE(ApplyPlaybackOption("--out", "7", options, reason));
    ASSERT_TRUE(ApplyPlaybackOption("--reverse", "", options, reason));
    EXPECT_EQ(options.maxShots, 100000);
    EXPECT_EQ(options.loop, LoopMode::Once);
    EXPECT_EQ(options.outShot, 7);
    EXPECT_TRUE(options.reverse);
    EXPECT_FALSE(IsPlaybackOption("--zoom"));
}

}  // namespace
