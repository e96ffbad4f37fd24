// The player without a widget: commands, availability and ticks on a
// document of real files, with the pacer's clock and the timer injected.
#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "app/commands/command_ids.h"
#include "shots/playback/shot_player.h"
#include "tests/qt/shot_files.h"

namespace {

using namespace std::chrono_literals;
using shots_test::ShotDir;

// Shot numbers 1, 2, 3, 3, 5 listed in that order.
struct PlayerOnShots {
    explicit PlayerOnShots(int shown = 1) : player(doc, [this] { return now; })
    {
        long long second = 1000;
        for (const char* name : {"s0001.gif", "s0002.gif", "s0003.gif", "t0003.gif", "s0005.gif"})
            dir.AddFile(name, second++);
        doc.m_strDirectory = dir.Dir();
        doc.ScanDirectory();
        if (shown > 0) doc.LoadShotAt(std::size_t(shown - 1));
        player.SetHost({.setTimer = [this](int ms) { timers.push_back(ms); },
                        .showNow = [this] { return painted; },
                        .ready = [this](std::size_t index) { return (ready >> index & 1) != 0; },
                        .decodeMs = {}});
    }
    std::int64_t Shown() const { return doc.DisplayedIndex(); }

    ShotDir dir;
    CKESTRELDoc doc;
    PlayPacer::Duration now{};
    std::vector<int> timers;
    bool painted = true;
    unsigned ready = ~0u;  // bit i: shot i is decoded ahead
    ShotPlayer player;
};

TEST(ShotPlayer, StepsMoveTheCursorAndStayInsideTheRange)
{
    struct Case {
        int shown;            // 1-based position on display
        int in, out;          // range as indexes, -1 for none
        void (ShotPlayer::*step)();
        std::int64_t expected;
    };
    const Case cases[] = {
        {3, -1, -1, &ShotPlayer::First, 0},    {3, -1, -1, &ShotPlayer::Next, 3},
        {3, -1, -1, &ShotPlayer::Previous, 1}, {3, -1, -1, &ShotPlayer::Last, 4},
        {3, 1, 3, &ShotPlayer::First, 1},      {3, 1, 3, &ShotPlayer::Last, 3},
        {4, 1, 3, &ShotPlayer::Next, 3},       {2, 1, 3, &ShotPlayer::Previous, 1},
        {5, 1, 3, &ShotPlayer::Previous, 3},   {1, 1, 3, &ShotPlayer::Next, 1},
    };
    for (const Case& c : cases) {
        PlayerOnShots p(c.shown);
        if (c.in >= 0) p.player.Order().SetIn(p.doc, std::size_t(c.in));
        if (c.out >= 0) p.player.Order().SetOut(p.doc, std::size_t(c.out));
        (p.player.*c.step)();
        EXPECT_EQ(p.Shown(), c.expected) << "shown " << c.shown << " range " << c.in << ".." << c.out;
    }
}

TEST(ShotPlayer, AvailabilityFollowsPositionPlayingAndRange)
{
    struct Case {
        int shown;
        bool playing;
        bool range;  // in 1, out 3
        UINT id;
        bool available;
    };
    const Case cases[] = {
        {1, false, false, ID_SHOT_FIRST, false},   {1, false, false, ID_SHOT_PREVIOUS, false},
        {1, false, false, ID_SHOT_NEXT, true},     {5, false, false, ID_SHOT_NEXT, false},
        {5, false, false, ID_SHOT_LAST, false},    {3, true, false, ID_SHOT_NEXT, false},
        {3, true, false, ID_SHOT_PLAY, false},     {3, true, false, ID_SHOT_STOP, true},
        {3, false, false, ID_SHOT_STOP, false},    {3, true, false, ID_FILE_OPEN, false},
        {3, true, false, ID_APP_ABOUT, false},     {3, false, false, ID_FILE_OPEN, true},
        {3, false, false, ID_SHOT_FASTER, false},  {3, true, false, ID_SHOT_FASTER, true},
        {2, false, true, ID_SHOT_PREVIOUS, false}, {4, false, true, ID_SHOT_NEXT, false},
        {3, false, true, ID_SHOT_NEXT, true},      {3, false, true, ID_SHOT_CLEAR_RANGE, true},
        {3, false, false, ID_SHOT_CLEAR_RANGE, false}, {0, false, false, ID_SHOT_SET_IN, false},
    };
    for (const Case& c : cases) {
        PlayerOnShots p(c.shown);
        if (c.range) {
            p.player.Order().SetIn(p.doc, 1);
            p.player.Order().SetOut(p.doc, 3);
        }
        if (c.playing) p.player.Play();
        EXPECT_EQ(p.player.Available(c.id), c.available) << "shown " << c.shown << " id " << c.id;
    }
}

TEST(ShotPlayer, AnEmptyListOffersNeitherPlayNorSteps)
{
    CKESTRELDoc doc;
    ShotPlayer player(doc);
    for (UINT id : {ID_SHOT_PLAY, ID_SHOT_NEXT, ID_SHOT_REVERSE, ID_SHOT_LOOP_MODE}) EXPECT_FALSE(player.Available(id));
    EXPECT_FALSE(player.ShotNumberEditable());
    player.Tick();  // nothing to show, nothing happens
    EXPECT_EQ(doc.DisplayedIndex(), -1);
}

TEST(ShotPlayer, GoToNumberShowsTheEarliestShotWithIt)
{
    PlayerOnShots p;
    EXPECT_TRUE(p.player.GoToNumber(3));
    EXPECT_EQ(p.Shown(), 2);
    EXPECT_FALSE(p.player.GoToNumber(4));
    EXPECT_EQ(p.Shown(), 2);
}

TEST(ShotPlayer, TicksShowTheNextShotAndSetTheTimerToTheNextDueTime)
{
    PlayerOnShots p;
    p.player.SetIntervalMs(100);
    p.player.Play();
    EXPECT_EQ(p.timers.back(), 100);  // a full interval before the first shot
    p.now = 130ms;                    // 30 ms after the first was due
    p.player.Tick();
    EXPECT_EQ(p.Shown(), 1);
    EXPECT_EQ(p.timers.back(), 70);   // the second is due at 200 ms
    p.now = 200ms;
    p.player.Tick();
    EXPECT_EQ(p.player.Pacer().Shown(), 2);
    p.player.Stop();
    p.player.Tick();                  // stopped: the tick does nothing
    EXPECT_EQ(p.Shown(), 2);
    EXPECT_EQ(p.timers.back(), 100);
}

TEST(ShotPlayer, AShotNotShownAtOnceCountsWhenPainted)
{
    PlayerOnShots p;
    p.painted = false;
    p.player.Play();
    p.player.Tick();
    EXPECT_EQ(p.player.Pacer().Shown(), 0);
    p.player.ShotPainted();
    EXPECT_EQ(p.player.Pacer().Shown(), 1);
}

TEST(ShotPlayer, PlayingOnceStopsAtTheEndAndReverseTurnsTheReadAhead)
{
    PlayerOnShots p(4);
    p.player.Order().loop = LoopMode::Once;
    p.player.Play();
    p.player.Tick();
    EXPECT_EQ(p.Shown(), 4);
    p.player.Tick();
    EXPECT_FALSE(p.player.Playing());
    p.player.Reverse();
    EXPECT_TRUE(p.doc.ReadAheadReverse());
}

TEST(ShotPlayer, SpeedKeysHalveAndDoubleWithinTheLimits)
{
    PlayerOnShots p;
    p.player.SetIntervalMs(8);
    p.player.Play();
    p.player.Faster();
    EXPECT_EQ(p.player.IntervalMs(), PLAY_INTERVAL_MIN_MS);
    EXPECT_FALSE(p.player.Available(ID_SHOT_FASTER));
    p.player.SetIntervalMs(40000);
    p.player.Slower();
    EXPECT_EQ(p.player.IntervalMs(), PLAY_INTERVAL_MAX_MS);
    EXPECT_FALSE(p.player.Available(ID_SHOT_SLOWER));
}

// Dropping keeps to the clock at 100 ms a shot: the shots whose time has
// passed are skipped, and so is the one due when it is not decoded yet.
TEST(ShotPlayer, DroppingSkipsWhatIsNotReadyWhenDue)
{
    struct Tick {
        int ms;                 // the clock when the timer fires
        unsigned ready;         // shots decoded ahead, by bit
        std::int64_t shown;     // the index on display after the tick
        std::int64_t skipped;   // in all
    };
    const Tick ticks[] = {
        {100, ~0u, 1, 0},   // on time
        {350, ~0u, 3, 1},   // two due: the earlier one skipped
        {400, 0b01111, 3, 2},  // shot 4 is due but not ready: skipped, 3 stays
        {500, ~0u, 0, 2},   // wraps round to the first
        {590, ~0u, 1, 2},   // a timer a little early shows the next one
    };
    PlayerOnShots p;
    p.player.SetIntervalMs(100);
    p.player.SetDrop(true);
    p.player.Play();
    for (const Tick& tick : ticks) {
        p.now = std::chrono::milliseconds(tick.ms);
        p.ready = tick.ready;
        p.player.Tick();
        EXPECT_EQ(p.Shown(), tick.shown) << tick.ms;
        EXPECT_EQ(p.player.Pacer().Skipped(), tick.skipped) << tick.ms;
    }
    EXPECT_EQ(p.player.Pacer().StatsLine(), "played: 4 shots shown, 0 late, worst 50 ms late, 2 skipped");
    p.player.SetDrop(false);
    EXPECT_EQ(p.player.Pacer().StatsLine(), "played: 4 shots shown, 0 late, worst 50 ms late");
}

}  // namespace
