// What the thumbnail maker makes next and what it keeps, without threads or
// files: shots are letters, every thumbnail is the same size.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "shots/thumbnails/thumbnail_policy.h"

namespace {

std::vector<ThumbnailPolicy::Shot> Shots(std::size_t count, std::int64_t time = 1)
{
    std::vector<ThumbnailPolicy::Shot> shots;
    for (std::size_t i = 0; i < count; ++i) shots.push_back({std::string(1, char('a' + i)), time});
    return shots;
}

std::shared_ptr<const Thumbnail> UnitThumbnail()
{
    auto thumbnail = std::make_shared<Thumbnail>();
    thumbnail->width = 96;
    thumbnail->height = 54;
    thumbnail->pixels.assign(96 * 54, 0xFF000000);
    return thumbnail;
}

// A thumbnail's share of the budget, with the entry's overhead; paths are
// one letter.
std::size_t Unit() { return 96 * 54 * 4 + 1 + 128; }

// Every job given, kept at once; the shots' letters in the order given.
std::string Drain(ThumbnailPolicy& policy)
{
    std::string order;
    while (const std::optional<ThumbnailPolicy::Job> job = policy.NextJob()) {
        order += job->shot.Path();
        EXPECT_EQ(job->shot.Path(), std::string(1, char('a' + job->index)));
        policy.Keep(*job, UnitThumbnail());
    }
    return order;
}

std::string Ready(const ThumbnailPolicy& policy, std::size_t count)
{
    std::string ready;
    for (std::size_t i = 0; i < count; ++i)
        if (policy.Get(i)) ready += char('a' + i);
    return ready;
}

struct OrderCase {
    const char* name;
    std::size_t count;
    std::size_t budgetUnits;
    std::size_t first, end;          // visible
    std::size_t laterFirst, laterEnd;  // visible next; equal to the first: no move
    const char* made;                // in order, over both
    const char* ready;               // at the end
};

class ThumbnailPolicyOrder : public ::testing::TestWithParam<OrderCase> {};

TEST_P(ThumbnailPolicyOrder, VisibleFirstThenOutwardsWithinBudget)
{
    const OrderCase& c = GetParam();
    ThumbnailPolicy policy(c.budgetUnits * Unit() + Unit() / 2);
    policy.SetShots(Shots(c.count));
    policy.SetVisible(c.first, c.end);
    std::string made = Drain(policy);
    if (policy.SetVisible(c.laterFirst, c.laterEnd)) made += "|" + Drain(policy);
    EXPECT_EQ(made, c.made);
    EXPECT_EQ(Ready(policy, c.count), c.ready);
    EXPECT_LE(policy.MemoryBytes(), c.budgetUnits * Unit() + Unit() / 2);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ThumbnailPolicyOrder,
    ::testing::Values(OrderCase{"Middle", 8, 10, 2, 4, 2, 4, "cdebfagh", "abcdefgh"},
                      OrderCase{"AtTheStart", 5, 10, 0, 2, 0, 2, "abcde", "abcde"},
                      OrderCase{"AtTheEnd", 5, 10, 3, 5, 3, 5, "decba", "abcde"},
                      OrderCase{"NothingVisible", 4, 10, 0, 0, 0, 0, "abcd", "abcd"},
                      OrderCase{"EndBeforeFirst", 4, 10, 2, 1, 2, 2, "cbda", "abcd"},
                      OrderCase{"PastTheList", 3, 10, 5, 9, 5, 9, "cba", "abc"},
                      OrderCase{"BudgetStopsAtTheFarthest", 10, 3, 4, 5, 4, 5, "efdg", "def"},
                      OrderCase{"MovingOnDropsTheFarthest", 10, 3, 4, 5, 8, 9, "efdg|ijhg", "hij"},
                      OrderCase{"MovingBackMakesThemAgain", 10, 3, 4, 5, 1, 2, "efdg|bcad", "abc"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ThumbnailPolicy, AShotBeingMadeIsNotGivenTwice)
{
    ThumbnailPolicy policy(10 * Unit());
    policy.SetShots(Shots(3));
    const auto a = policy.NextJob();
    const auto b = policy.NextJob();
    ASSERT_TRUE(a && b);
    EXPECT_EQ(a->index, 0u);
    EXPECT_EQ(b->index, 1u);
    // A new list starts the search again, but a and b are still being made.
    policy.SetShots(Shots(3));
    EXPECT_EQ(Drain(policy), "c");
    policy.Keep(*a, UnitThumbnail());
    policy.Keep(*b, UnitThumbnail());
    EXPECT_EQ(Ready(policy, 3), "abc");
    EXPECT_TRUE(policy.VisibleReady());
    EXPECT_EQ(policy.ReadyCount(), 3u);
}

TEST(ThumbnailPolicy, InactiveGivesNothingUntilActiveAgain)
{
    ThumbnailPolicy policy(10 * Unit());
    policy.SetShots(Shots(2));
    policy.SetActive(false);
    EXPECT_FALSE(policy.NextJob());
    policy.SetActive(true);
    EXPECT_EQ(Drain(policy), "ab");
}

TEST(ThumbnailPolicy, AShotWrittenAgainIsMadeAgain)
{
    ThumbnailPolicy policy(10 * Unit());
    policy.SetShots(Shots(3));
    policy.SetVisible(0, 3);
    Drain(policy);
    std::vector<ThumbnailPolicy::Shot> changed = Shots(3);
    changed[1].lastWriteTime = 2;
    policy.SetShots(changed);
    EXPECT_EQ(Ready(policy, 3), "ac");
    EXPECT_FALSE(policy.VisibleReady());
    EXPECT_EQ(Drain(policy), "b");
    EXPECT_EQ(policy.ReadyCount(), 3u);
    // Its old thumbnail was replaced, not added to.
    EXPECT_EQ(policy.MemoryBytes(), 3 * Unit());
}

}  // namespace
