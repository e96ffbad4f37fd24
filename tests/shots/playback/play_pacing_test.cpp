#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "shots/playback/play_order.h"
#include "shots/playback/play_pacer.h"

namespace {

using std::chrono::microseconds;
using std::chrono::milliseconds;

struct PaceCase {
    int intervalMs;
    std::vector<int> paintedAtMs;  // shot k reaches the screen at this clock time
    int late;
    int worstMs;
};

class PlayPacing : public ::testing::TestWithParam<PaceCase> {};

TEST_P(PlayPacing, CountsLateShotsAgainstStartPlusKIntervals)
{
    const PaceCase& c = GetParam();
    auto now = std::make_shared<PlayPacer::Duration>(0);
    PlayPacer pacer([now] { return *now; });
    pacer.Start(c.intervalMs);
    for (int at : c.paintedAtMs) {
        pacer.ShotLoaded();
        *now = milliseconds(at);
        pacer.ShotPainted();
    }
    EXPECT_EQ(pacer.Shown(), std::int64_t(c.paintedAtMs.size()));
    EXPECT_EQ(pacer.Late(), c.late);
    EXPECT_EQ(pacer.WorstLateMs(), c.worstMs);
}

INSTANTIATE_TEST_SUITE_P(Cases, PlayPacing,
                         ::testing::Values(PaceCase{16, {16, 32, 48}, 0, 0},
                                           // 8 ms is half an interval: not late; 9 ms is
                                           PaceCase{16, {24, 41, 48}, 1, 9},
                                           // one late shot does not move the times after it
                                           PaceCase{100, {300, 200, 300}, 1, 200},
                                           // at 5 ms the floor of 4 ms holds, not 2.5
                                           PaceCase{5, {8, 15}, 1, 5}));

TEST(PlayPacing, NextDueIsOnTheGridAndANewIntervalCountsFromTheLastShot)
{
    auto now = std::make_shared<PlayPacer::Duration>(0);
    PlayPacer pacer([now] { return *now; });
    pacer.Start(20);
    EXPECT_EQ(pacer.MillisecondsToNext(), 20);
    *now = milliseconds(27);  // shot 1 came late
    pacer.ShotLoaded();
    pacer.ShotPainted();
    EXPECT_EQ(pacer.MillisecondsToNext(), 13);  // shot 2 still due at 40
    pacer.ChangeInterval(10);
    EXPECT_EQ(pacer.MillisecondsToNext(), 3);   // 20 + 10
    *now = milliseconds(90);
    EXPECT_EQ(pacer.MillisecondsToNext(), 0);
    EXPECT_EQ(pacer.StatsLine(), "played: 1 shots shown, 0 late, worst 7 ms late");
}

// A shot takes time to load and paint: the tick for the next one comes that
// much before it is due (a moving average, at most half an interval), so it
// reaches the screen on time.
TEST(PlayPacing, TicksComeEarlyByWhatShowingAShotTakes)
{
    auto now = std::make_shared<PlayPacer::Duration>(0);
    PlayPacer pacer([now] { return *now; });
    pacer.Start(20);
    // Each shot takes 4 ms from its tick to the screen; the average that
    // brings the next tick forward grows 1, 1.75, 2.31 ms (a quarter of
    // each new one), so the next tick comes that much before 40, 60, 80.
    const std::pair<int, int> ticks[] = {{20, 24}, {39, 43}, {59, 63}};  // tick, painted (ms)
    const int timers[] = {15, 16, 15};  // ms from the paint to the next tick
    for (std::size_t i = 0; i < std::size(ticks); ++i) {
        *now = milliseconds(ticks[i].first);
        pacer.TickStarted();
        pacer.ShotLoaded();
        *now = milliseconds(ticks[i].second);
        pacer.ShotPainted();
        EXPECT_EQ(pacer.MillisecondsToNext(), timers[i]) << i;
    }
    EXPECT_EQ(pacer.Late(), 0);
}

// The timer comes late too (whole milliseconds, a busy event loop), which
// every shot pays as it pays for painting: the ticks aim earlier by both,
// and the shots reach the screen on time.
TEST(PlayPacing, TicksAimEarlierByHowLateTheTimerComes)
{
    auto now = std::make_shared<PlayPacer::Duration>(0);
    PlayPacer pacer([now] { return *now; });
    pacer.Start(10);
    int timer = 10;
    for (int shot = 1; shot <= 30; ++shot) {
        *now += milliseconds(timer) + microseconds(1500);  // the timer's lateness
        pacer.TickStarted();
        pacer.ShotLoaded();
        *now += milliseconds(1);  // loading and painting
        pacer.ShotPainted();
        timer = std::max(1, pacer.MillisecondsToNext());
    }
    EXPECT_LT(std::chrono::abs(*now - milliseconds(300)), microseconds(500));  // shot 30 is due at 300 ms
    EXPECT_EQ(pacer.Late(), 0);
}

struct OrderCase {
    bool reverse;
    LoopMode loop;
    int in;   // -1: none
    int out;  // -1: none
    int from;
    std::vector<int> expected;  // -1: stops
};

class PlayOrderSteps : public ::testing::TestWithParam<OrderCase> {};

TEST_P(PlayOrderSteps, NextShotFollowsDirectionLoopAndRange)
{
    const OrderCase& c = GetParam();
    CKESTRELDoc doc;
    for (int i = 0; i < 5; ++i) doc.InsertShot(doc.ShotCount(), std::make_unique<ShotRecord>(ShotRecord{"s.gif", i}));
    PlayOrder order;
    order.reverse = c.reverse;
    order.loop = c.loop;
    if (c.in >= 0) order.SetIn(doc, std::size_t(c.in));
    if (c.out >= 0) order.SetOut(doc, std::size_t(c.out));
    std::int64_t at = c.from;
    std::vector<int> got;
    for (std::size_t i = 0; i < c.expected.size(); ++i) {
        const auto next = order.NextWhilePlaying(doc, at);
        got.push_back(next ? int(*next) : -1);
        if (!next) break;
        at = *next;
    }
    EXPECT_EQ(got, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, PlayOrderSteps,
    ::testing::Values(OrderCase{false, LoopMode::Wrap, -1, -1, 3, {4, 0, 1}},
                      OrderCase{true, LoopMode::Wrap, -1, -1, 1, {0, 4, 3}},
                      OrderCase{false, LoopMode::PingPong, -1, -1, 3, {4, 3, 2, 1, 0, 1}},
                      OrderCase{false, LoopMode::Once, -1, -1, 3, {4, -1}},
                      OrderCase{true, LoopMode::Once, -1, -1, 1, {0, -1}},
                      OrderCase{false, LoopMode::Wrap, 1, 3, 0, {1, 2, 3, 1}},
                      OrderCase{true, LoopMode::PingPong, 1, 2, 2, {1, 2, 1}},
                      OrderCase{false, LoopMode::PingPong, 2, 2, 2, {2, 2}}));

TEST(PlayOrder, PointsStayOnTheirShotsAndAnOutBeforeTheInMovesIt)
{
    CKESTRELDoc doc;
    for (int i = 0; i < 4; ++i) doc.InsertShot(doc.ShotCount(), std::make_unique<ShotRecord>(ShotRecord{"s.gif", i}));
    PlayOrder order;
    EXPECT_TRUE(order.IsDefault(doc));
    order.SetOut(doc, 1);
    order.SetIn(doc, 2);  // the out point follows
    EXPECT_EQ(order.First(doc), 2);
    EXPECT_EQ(order.Last(doc), 2);
    doc.InsertShot(0, std::make_unique<ShotRecord>(ShotRecord{"s.gif", -1}));
    EXPECT_EQ(order.First(doc), 3);
    doc.RemoveShot(3);
    EXPECT_FALSE(order.HasRange(doc));
    EXPECT_EQ(order.Last(doc), 3);
}

}  // namespace
