// The follower's stall alarm on a real directory with the time in the
// test's hands: the event a listener (the control socket) subscribes to.
#include <gtest/gtest.h>

#include <memory>
#include <utility>
#include <vector>

#include "shots/follow/shot_follow_core.h"
#include "tests/qt/shot_files.h"
#include "tests/support/test_paths.h"

namespace {

using shots_test::RecordingTextBox;
using shots_test::ShotDir;
using std::chrono::milliseconds;

TEST(FollowStallEvent, TheFollowerSaysWhenTheWriterStopsAndWhenItResumes)
{
    const std::string gif = shots_test::SolidGif(4, 3, {9, 9, 9});
    ShotDir dir;
    // Two shots a second apart: stalled after max(3 x 1 s, 2 s).
    dir.AddFile("shot0001.gif", 1700000000, 0, gif);
    dir.AddFile("shot0002.gif", 1700000001, 0, gif);
    CKESTRELDoc doc;
    RecordingTextBox status;
    RecordingTextBox number;
    doc.m_pStatusBox = &status;
    doc.m_pShotNumberBox = &number;
    ShotFollowCore::TimePoint now{std::chrono::hours(5)};
    ShotFollowCore core(doc, [&now] { return now; });
    doc.m_strDirectory = dir.Dir();
    doc.ScanDirectory();
    doc.LoadShot();
    doc.UpdateAllViews(nullptr, 0, nullptr);

    std::vector<std::pair<bool, long long>> events;
    core.SetStallChanged([&events](bool stalled, ShotStallPolicy::Duration silence) {
        events.emplace_back(stalled, silence.count());
    });
    EXPECT_FALSE(core.NextWake());  // not following newest: no alarm to wait for
    core.SetFollowNewest(true);
    ASSERT_EQ(core.NextWake(), now + milliseconds(3001));
    now += milliseconds(3000);
    core.OnTimer();
    EXPECT_TRUE(events.empty());
    EXPECT_FALSE(core.StallNow());
    now += milliseconds(1);
    core.OnTimer();
    EXPECT_EQ(events, (std::vector<std::pair<bool, long long>>{{true, 3001}}));
    EXPECT_EQ(core.StallNow(), milliseconds(3001));
    EXPECT_FALSE(core.NextWake());  // said once

    // The next shot clears it.
    kestrel::test::WriteFileBytes(dir.Path("shot0003.gif"), gif);
    core.ReadChanges();
    ASSERT_EQ(doc.m_nShotCount, 3);
    EXPECT_EQ(events.back(), (std::pair<bool, long long>{false, 0}));
    EXPECT_FALSE(core.StallNow());
    EXPECT_TRUE(core.Stall().HasArrival());

    // Following newest off: no alarm, however long the silence.
    core.SetFollowNewest(false);
    now += std::chrono::hours(1);
    core.OnTimer();
    EXPECT_EQ(events.size(), 2u);
    EXPECT_FALSE(core.StallNow());
}

}  // namespace
