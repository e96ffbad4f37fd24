// The live play display's text, its cache bar, the rate meter and where the
// box goes.
#include <gtest/gtest.h>

#include <set>

#include "shots/view/play_hud.h"

namespace {

struct HudCase {
    const char* name;
    HudFacts facts;
    std::vector<HudLine> lines;
};

HudFacts Playing()
{
    HudFacts facts;
    facts.playing = true;
    facts.intervalMs = 40;
    facts.rate = 24.96;
    facts.shown = 120;
    facts.late = 2;
    facts.worstLateMs = 31;
    return facts;
}

HudFacts Following(bool arrived, std::optional<std::int64_t> stallMs)
{
    HudFacts facts;
    facts.cacheBar = {HudCacheCell::Decoded, HudCacheCell::OnDisplay, HudCacheCell::Missing};
    facts.decodedBehind = 1;
    facts.follow = {true, 0.5, arrived, 7400, stallMs};
    return facts;
}

class PlayHudLines : public ::testing::TestWithParam<HudCase> {};

TEST_P(PlayHudLines, SayWhatIsGoingOn)
{
    EXPECT_EQ(HudLines(GetParam().facts), GetParam().lines);
}

INSTANTIATE_TEST_SUITE_P(
    States, PlayHudLines,
    ::testing::Values(
        HudCase{"Stopped",
                {},
                {{"stopped"}, {"interval 1000 ms, 0.0 shots/s achieved"}, {"0 shots shown, 0 late, worst 0 ms late"}}},
        HudCase{"Playing",
                Playing(),
                {{"playing"}, {"interval 40 ms, 25.0 shots/s achieved"}, {"120 shots shown, 2 late, worst 31 ms late"}}},
        HudCase{"FollowingBeforeAnyArrival",
                Following(false, std::nullopt),
                {{"stopped"}, {"interval 1000 ms, 0.0 shots/s achieved"}, {"0 shots shown, 0 late, worst 0 ms late"},
                 {"cache 1 behind, 0 ahead"}, {"following: no new shot yet (7.4 s)"}}},
        HudCase{"Stalled",
                Following(true, 7400),
                {{"stopped"}, {"interval 1000 ms, 0.0 shots/s achieved"}, {"0 shots shown, 0 late, worst 0 ms late"},
                 {"cache 1 behind, 0 ahead"}, {"following: 0.5 shots/s, last 7.4 s ago"},
                 {"no new shot for 7 s", true}}}),
    [](const auto& info) { return std::string(info.param.name); });

struct CacheCase {
    const char* name;
    std::int64_t displayed;
    std::size_t count;
    bool reverse;
    const char* bar;  // b behind... : '#' decoded, '.' not, 'o' on display
    std::size_t behind;
    std::size_t ahead;
};

class PlayHudCache : public ::testing::TestWithParam<CacheCase> {};

TEST_P(PlayHudCache, LooksInThePlayingDirection)
{
    const std::set<std::size_t> decoded = {1, 3, 4, 6, 9};
    const CacheCase& c = GetParam();
    const HudCache cache = CacheAround(c.displayed, c.count, c.reverse, 2, 5, 3,
                                       [&](std::size_t index) { return decoded.count(index) != 0; });
    std::string bar;
    for (const HudCacheCell cell : cache.bar) {
        bar += cell == HudCacheCell::OnDisplay ? 'o' : cell == HudCacheCell::Decoded ? '#' : '.';
    }
    EXPECT_EQ(bar, c.bar);
    EXPECT_EQ(cache.behind, c.behind);
    EXPECT_EQ(cache.ahead, c.ahead);
}

INSTANTIATE_TEST_SUITE_P(
    Cursor, PlayHudCache,
    ::testing::Values(CacheCase{"Forwards", 2, 12, false, ".#o##.", 1, 3},
                      CacheCase{"Backwards", 5, 12, true, ".#o##.", 1, 3},
                      CacheCase{"AtTheStart", 0, 12, false, "..o#.#", 0, 3},
                      CacheCase{"NearTheEnd", 10, 12, false, ".#o...", 1, 0},
                      CacheCase{"NothingOnDisplay", -1, 12, false, "", 0, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(PlayHud, TheRateMeterMeasuresTheLastTwoSeconds)
{
    PlayRateMeter meter;
    const std::chrono::steady_clock::time_point start{std::chrono::hours(1)};
    EXPECT_EQ(meter.Rate(), 0);
    for (int k = 0; k <= 40; ++k) meter.Sample(start + std::chrono::milliseconds(100 * k), k * 2);  // 20 a second
    EXPECT_DOUBLE_EQ(meter.Rate(), 20.0);
    for (int k = 41; k <= 80; ++k) meter.Sample(start + std::chrono::milliseconds(100 * k), 80 + (k - 40));  // 10
    EXPECT_NEAR(meter.Rate(), 10.0, 0.6);
    meter.Sample(start + std::chrono::milliseconds(8200), 0);  // a count that goes down starts again
    EXPECT_EQ(meter.Rate(), 0);
}

TEST(PlayHud, TakesACornerTheOverlayLeavesFree)
{
    const ViewSize box{100, 50};
    const ViewSize client{800, 600};
    EXPECT_EQ(PlaceHud(box, client, std::nullopt, 8), (ViewRect{692, 542, 100, 50}));
    EXPECT_EQ(PlaceHud(box, client, ViewRect{600, 500, 200, 100}, 8), (ViewRect{8, 542, 100, 50}));
    EXPECT_EQ(PlaceHud(box, client, ViewRect{0, 300, 800, 300}, 8), (ViewRect{692, 8, 100, 50}));
}

}  // namespace
