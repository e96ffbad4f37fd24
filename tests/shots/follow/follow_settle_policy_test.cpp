// When a file still being written may be shown: the settling rules alone,
// with the time given by each step, so no case waits.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shots/follow/shot_settle_policy.h"

namespace {

using Action = ShotSettlePolicy::Action;
using Decision = ShotSettlePolicy::Decision;
using std::chrono::milliseconds;

const ShotSettlePolicy::TimePoint kStart{std::chrono::hours(1)};

enum class Kind { Touch, Check, Structure };

// One thing that happens to the file "a.gif", at atMs after the start.
struct Step {
    Kind kind;
    int atMs;
    long long size = 10;          // -1: gone; -2: not a regular file
    bool closed = false;          // Touch: a writer closed it
    bool written = false;         // Touch: its content changed
    bool complete = false;        // Structure: the answer
    Action expected = Action::Nothing;
    int untilMs = -1;             // Wait: when to look again
};

struct Case {
    const char* name;
    std::vector<Step> steps;
    std::int64_t knownTime = -1;  // the list's time for it (-1: not listed)
};

FileSnapshot Snapshot(long long size)
{
    FileSnapshot snapshot;
    snapshot.present = size != -1;
    snapshot.regular = size >= 0;
    snapshot.size = size;
    snapshot.lastWriteTime = size * 7;
    return snapshot;
}

class SettlePolicy : public ::testing::TestWithParam<Case> {};

TEST_P(SettlePolicy, DecidesEachStep)
{
    ShotSettlePolicy policy;
    policy.SetSettleTimes(milliseconds(300), milliseconds(5000));
    int index = 0;
    for (const Step& step : GetParam().steps) {
        const auto at = kStart + milliseconds(step.atMs);
        Decision got;
        switch (step.kind) {
        case Kind::Touch:
            got = policy.Touched("a.gif", Snapshot(step.size), {step.closed, step.written}, GetParam().knownTime, at);
            break;
        case Kind::Check: got = policy.Check("a.gif", Snapshot(step.size), at); break;
        case Kind::Structure: got = policy.StructureChecked("a.gif", step.complete, at); break;
        }
        Decision expected{step.expected};
        if (step.expected == Action::Wait) expected.until = kStart + milliseconds(step.untilMs);
        EXPECT_EQ(int(got.action), int(expected.action)) << "step " << index;
        EXPECT_EQ(got.until.time_since_epoch().count(), expected.until.time_since_epoch().count()) << "step " << index;
        if (got.action == Action::Wait) {
            ASSERT_TRUE(policy.NextCheck().has_value());
            EXPECT_EQ(*policy.NextCheck(), got.until) << "step " << index;
        }
        ++index;
    }
}

INSTANTIATE_TEST_SUITE_P(
    Cases, SettlePolicy,
    ::testing::Values(
        Case{"ClosedAndWholeIsTakenAtOnce",
             {{Kind::Touch, 0, 10, true, true, false, Action::CheckStructure},
              {Kind::Structure, 0, 10, false, false, true, Action::Take},
              {Kind::Check, 400, 10, false, false, false, Action::Nothing}}},
        Case{"ClosedButNotWholeIsTakenOnceQuiet",
             {{Kind::Touch, 0, 10, true, false, false, Action::CheckStructure},
              {Kind::Structure, 0, 10, false, false, false, Action::Wait, 300},
              {Kind::Check, 299, 10, false, false, false, Action::Wait, 300},
              {Kind::Check, 300, 10, false, false, false, Action::Take}}},
        Case{"StillOpenIsCheckedOnceThenWaitsForTheWriter",
             {{Kind::Touch, 0, 10, false, true, false, Action::Wait, 300},
              {Kind::Check, 300, 10, false, false, false, Action::CheckStructure},
              {Kind::Structure, 300, 10, false, false, false, Action::Wait, 5000},
              {Kind::Check, 4999, 10, false, false, false, Action::Wait, 5000},
              {Kind::Check, 5000, 10, false, false, false, Action::Take}}},
        Case{"StillOpenButWholeIsTakenAfterTheSettleTime",
             {{Kind::Touch, 0, 10, false, true, false, Action::Wait, 300},
              {Kind::Check, 300, 10, false, false, false, Action::CheckStructure},
              {Kind::Structure, 300, 10, false, false, true, Action::Take}}},
        Case{"GrowingRestartsTheWait",
             {{Kind::Touch, 0, 10, false, true, false, Action::Wait, 300},
              {Kind::Touch, 200, 20, false, true, false, Action::Wait, 500},
              {Kind::Check, 400, 20, false, false, false, Action::Wait, 500},
              {Kind::Check, 450, 30, false, false, false, Action::Wait, 750},
              {Kind::Check, 750, 30, false, false, false, Action::CheckStructure},
              {Kind::Structure, 750, 30, false, false, false, Action::Wait, 5450},
              {Kind::Check, 800, 40, false, false, false, Action::Wait, 1100},
              {Kind::Check, 1100, 40, false, false, false, Action::CheckStructure}}},
        Case{"ClosingEndsTheWritersWait",
             {{Kind::Touch, 0, 10, false, true, false, Action::Wait, 300},
              {Kind::Touch, 100, 10, true, false, false, Action::CheckStructure},
              {Kind::Structure, 100, 10, false, false, false, Action::Wait, 300},
              {Kind::Check, 300, 10, false, false, false, Action::Take}}},
        Case{"GoneIsRemoved",
             {{Kind::Touch, 0, -1, false, false, false, Action::Remove},
              {Kind::Touch, 10, 10, false, true, false, Action::Wait, 310},
              {Kind::Check, 20, -1, false, false, false, Action::Remove},
              {Kind::Check, 30, 10, false, false, false, Action::Nothing}}},
        Case{"AnythingButARegularFileIsTakenAtOnce",
             {{Kind::Touch, 0, -2, false, true, false, Action::Take},
              {Kind::Touch, 10, 10, false, true, false, Action::Wait, 310},
              {Kind::Check, 20, -2, false, false, false, Action::Take}}},
        Case{"AttributesOfAListedFileChangeNothing",
             {{Kind::Touch, 0, 10, false, false, false, Action::Nothing},
              {Kind::Touch, 0, 11, false, false, false, Action::Wait, 300}},
             70},
        Case{"ANameNotWaitingIsLeftAlone",
             {{Kind::Check, 0, 10, false, false, false, Action::Nothing},
              {Kind::Structure, 0, 10, false, false, true, Action::Nothing}}}),
    [](const ::testing::TestParamInfo<Case>& info) { return std::string(info.param.name); });

TEST(SettlePolicyTimes, NextCheckIsTheEarliestOfTheWaitingFiles)
{
    ShotSettlePolicy policy;
    EXPECT_FALSE(policy.NextCheck().has_value());
    policy.Touched("late.gif", Snapshot(5), {false, true}, -1, kStart + milliseconds(200));
    policy.Touched("early.gif", Snapshot(5), {false, true}, -1, kStart);
    EXPECT_EQ(*policy.NextCheck(), kStart + ShotSettlePolicy::SETTLE);
    EXPECT_EQ(policy.Waiting(), (std::vector<std::string>{"early.gif", "late.gif"}));
    policy.Forget("early.gif");
    EXPECT_EQ(*policy.NextCheck(), kStart + milliseconds(200) + ShotSettlePolicy::SETTLE);
    policy.Clear();
    EXPECT_EQ(policy.WaitingCount(), 0u);
}

}  // namespace
