// The review commands through the command router, as the keys send them.
#include <gtest/gtest.h>

#include "app/commands/command_ids.h"
#include "tests/qt/shot_view_host.h"

namespace {

using shots_test::ShotDir;
using shots_test::ViewHost;

class ShotReview : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (int k = 1; k <= 5; ++k) dir.AddFile("s000" + std::to_string(k) + ".gif", 100 * k);
        host.Open(dir);
    }
    void Tick() { host.view->DispatchTimer(CKestrel::PLAY_TIMER_ID); }

    ShotDir dir;
    ViewHost host;
};

TEST_F(ShotReview, ReverseAndPingPongChangeWhatTicksShow)
{
    ASSERT_TRUE(host.Execute(ID_SHOT_REVERSE));
    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    std::vector<int> positions;
    for (int i = 0; i < 3; ++i) {
        Tick();
        positions.push_back(host.doc.m_nShotPos);
    }
    EXPECT_EQ(positions, (std::vector<int>{5, 4, 3}));
    ASSERT_TRUE(host.Execute(ID_SHOT_LOOP_MODE));  // ping-pong
    for (int i = 0; i < 4; ++i) Tick();
    EXPECT_EQ(host.doc.m_nShotPos, 3);  // 2, 1, then back: 2, 3
    EXPECT_EQ(host.status->text().toStdString(), "3 of 5 Shots     First Shot: 1     Last Shot: 5");
}

TEST_F(ShotReview, OnceStopsPlayingAtTheEnd)
{
    host.Execute(ID_SHOT_LOOP_MODE);
    host.Execute(ID_SHOT_LOOP_MODE);
    host.Execute(ID_SHOT_LAST);
    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    Tick();
    EXPECT_EQ(host.view->m_player.m_bPlaying, 0);
    EXPECT_EQ(host.doc.m_nShotPos, 5);
    EXPECT_TRUE(host.Enabled(ID_SHOT_PLAY));
}

TEST_F(ShotReview, InAndOutKeepPlayingAndSteppingInRange)
{
    EXPECT_FALSE(host.Enabled(ID_SHOT_CLEAR_RANGE));
    host.Execute(ID_SHOT_NEXT);
    ASSERT_TRUE(host.Execute(ID_SHOT_SET_IN));  // shot 2
    host.Execute(ID_SHOT_NEXT);
    host.Execute(ID_SHOT_NEXT);
    ASSERT_TRUE(host.Execute(ID_SHOT_SET_OUT));  // shot 4
    EXPECT_FALSE(host.Enabled(ID_SHOT_NEXT));
    EXPECT_FALSE(host.Enabled(ID_SHOT_LAST));
    ASSERT_TRUE(host.Execute(ID_SHOT_FIRST));
    EXPECT_EQ(host.doc.m_nShotPos, 2);
    EXPECT_FALSE(host.Enabled(ID_SHOT_PREVIOUS));
    host.Execute(ID_SHOT_PLAY);
    std::vector<int> positions;
    for (int i = 0; i < 4; ++i) {
        Tick();
        positions.push_back(host.doc.m_nShotPos);
    }
    EXPECT_EQ(positions, (std::vector<int>{3, 4, 2, 3}));
    host.Execute(ID_SHOT_STOP);
    ASSERT_TRUE(host.Execute(ID_SHOT_CLEAR_RANGE));
    EXPECT_TRUE(host.Enabled(ID_SHOT_LAST));
}

TEST_F(ShotReview, SpeedChangesOnlyWhilePlayingWithinTheLimits)
{
    EXPECT_FALSE(host.Enabled(ID_SHOT_FASTER));
    host.Execute(ID_SHOT_PLAY);
    for (int i = 0; i < 10; ++i) host.Execute(ID_SHOT_FASTER);
    EXPECT_EQ(host.view->m_player.IntervalMs(), 5);
    EXPECT_FALSE(host.Enabled(ID_SHOT_FASTER));
    host.Execute(ID_SHOT_SLOWER);
    EXPECT_EQ(host.view->m_player.IntervalMs(), 10);
    host.Execute(ID_SHOT_STOP);
    EXPECT_EQ(host.view->Timers().Interval(CKestrel::PLAY_TIMER_ID), 10);
    EXPECT_FALSE(host.Enabled(ID_SHOT_SLOWER));
}

}  // namespace
