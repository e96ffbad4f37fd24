#include <gtest/gtest.h>

#include "shots/playback/play_interval.h"

namespace {

TEST(FollowPlayInterval, AcceptsWholeMillisecondsInRange)
{
    for (const auto& [text, expected] : {std::pair{"5", 5}, {"20", 20}, {"1000", 1000}, {"60000", 60000}, {"0050", 50}}) {
        int ms = -1;
        std::string reason;
        EXPECT_TRUE(ParsePlayInterval(text, ms, reason)) << text;
        EXPECT_EQ(ms, expected);
    }
}

TEST(FollowPlayInterval, RefusesAnythingElseWithAClearReason)
{
    for (const char* text : {"", "4", "0", "60001", "-100", "+100", "1e3", "100ms", " 100", "99999999999999999999"}) {
        int ms = 777;
        std::string reason;
        EXPECT_FALSE(ParsePlayInterval(text, ms, reason)) << text;
        EXPECT_EQ(ms, 777) << text;
        EXPECT_EQ(reason, std::string("--interval needs a whole number of milliseconds from 5 to 60000, not '") +
                              text + "'");
    }
}

}  // namespace
