// The stall rule with the clock passed in: stalled once nothing has arrived
// for longer than max(3 x the median of the last 20 intervals, 2 s).
#include <gtest/gtest.h>

#include <vector>

#include "shots/follow/shot_stall_policy.h"

namespace {

using Policy = ShotStallPolicy;
using std::chrono::milliseconds;

const Policy::TimePoint kStart{std::chrono::hours(1)};
constexpr std::int64_t kUnitsPerMs = 10000;  // file times count 100 ns

std::vector<int> Every(int ms, int count, int from = 0)
{
    std::vector<int> times;
    for (int i = 1; i <= count; ++i) times.push_back(from + i * ms);
    return times;
}

std::vector<int> Join(std::vector<int> a, const std::vector<int>& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

struct StallCase {
    const char* name;
    std::vector<int> seedMs;     // write times of the listed shots when following starts
    std::vector<int> arrivalsMs; // after the start; written at the same time
    int thresholdMs;             // after the last arrival
    int arrivedStalled;          // arrivals that ended a stall
};

class FollowStallPolicy : public ::testing::TestWithParam<StallCase> {};

TEST_P(FollowStallPolicy, StallsOnceTheSilenceOutlastsTheThreshold)
{
    Policy policy;
    std::vector<std::int64_t> seed;
    for (const int ms : GetParam().seedMs) seed.push_back(std::int64_t(ms) * kUnitsPerMs);
    policy.Start(kStart, seed);
    Policy::TimePoint last = kStart;
    int arrivedStalled = 0;
    for (const int ms : GetParam().arrivalsMs) {
        last = kStart + milliseconds(ms);
        arrivedStalled += policy.Stalled(last);
        policy.Arrived(last, std::int64_t(ms) * kUnitsPerMs);
    }
    EXPECT_EQ(arrivedStalled, GetParam().arrivedStalled);
    const milliseconds threshold(GetParam().thresholdMs);
    EXPECT_EQ(policy.Threshold(), threshold);
    EXPECT_FALSE(policy.Stalled(last + threshold));
    EXPECT_TRUE(policy.Stalled(last + threshold + milliseconds(1)));
    EXPECT_EQ(policy.StallsAt(), last + threshold + milliseconds(1));
    // The next shot clears it.
    const Policy::TimePoint late = last + threshold + milliseconds(500);
    policy.Arrived(late, std::int64_t((late - kStart) / milliseconds(1)) * kUnitsPerMs);
    EXPECT_FALSE(policy.Stalled(late));
}

INSTANTIATE_TEST_SUITE_P(
    Writers, FollowStallPolicy,
    ::testing::Values(
        StallCase{"SteadyArrivals", {}, Every(1000, 25), 3000, 0},
        // Twenty intervals of 1 s, then eleven of 5 s: each slow shot comes
        // in stalled until the last twenty hold nine of 1 s and eleven of
        // 5 s, and the median is 5 s.
        StallCase{"SlowingWriter", {}, Join(Every(1000, 21), Every(5000, 11, 21000)), 15000, 11},
        StallCase{"SlowingWriterNotYet", {}, Join(Every(1000, 21), Every(5000, 10, 21000)), 3000, 10},
        // A burst of quick shots pulls the median down to the floor.
        StallCase{"Burst", {}, Join(Every(1000, 10), Every(10, 11, 10000)), 2000, 0},
        StallCase{"NoShotYet", {}, {}, 2000, 0},
        StallCase{"OneShotNoInterval", {}, {1500}, 2000, 0},
        StallCase{"FirstShots", {}, {1500, 3000, 4500}, 4500, 0},
        StallCase{"FirstShotsEvenCountTakesTheLowerMiddle", {}, {1000, 2000, 3000, 5000, 6500}, 3000, 0},
        // The list's newest shots set the pace before anything arrives.
        StallCase{"SeededFromTheList", {0, 4000, 8000}, {}, 12000, 0},
        StallCase{"SeedAndArrivals", {0, 4000, 8000}, {12000}, 12000, 0}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(FollowStallPolicyRate, CountsArrivalsOverTheLastTenSeconds)
{
    Policy policy;
    EXPECT_FALSE(policy.Stalled(kStart + std::chrono::hours(5)));  // not following: never
    EXPECT_FALSE(policy.StallsAt());
    policy.Start(kStart, {});
    for (const int ms : Every(500, 40)) policy.Arrived(kStart + milliseconds(ms), std::int64_t(ms) * kUnitsPerMs);
    // 10 s back from 20 s holds the arrivals at 10.0, 10.5, ... 20.0 s.
    EXPECT_DOUBLE_EQ(policy.ArrivalsPerSecond(kStart + milliseconds(20000)), 2.1);
    EXPECT_DOUBLE_EQ(policy.ArrivalsPerSecond(kStart + milliseconds(25000)), 1.1);
    EXPECT_EQ(policy.Silence(kStart + milliseconds(27500)), milliseconds(7500));
    EXPECT_EQ(StallText(milliseconds(7999)), "no new shot for 7 s");
    policy.Stop();
    EXPECT_FALSE(policy.Stalled(kStart + std::chrono::hours(5)));
}

}  // namespace
