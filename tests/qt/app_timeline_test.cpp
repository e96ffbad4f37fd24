// The timeline in the main window: key T shows and hides its dock, and
// --timeline starts with it shown, its visible thumbnails made.
#include "shots/thumbnails/qt/timeline_strip.h"

#include <QDockWidget>

#include "tests/qt/app_fixture.h"

namespace {

using app_test::AppTest;

TEST_F(AppTest, KeyTShowsAndHidesTheTimeline)
{
    StartOnShots();
    ASSERT_TRUE(Frame()->Timeline());
    EXPECT_FALSE(Frame()->Timeline()->isVisible());
    Press(Qt::Key_T);
    EXPECT_TRUE(Frame()->Timeline()->isVisible());
    Press(Qt::Key_T);
    EXPECT_FALSE(Frame()->Timeline()->isVisible());
}

TEST_F(AppTest, TimelineOptionShowsItWithItsThumbnails)
{
    CCommandLineInfo info = NoSplash();
    info.m_strFileName = QString::fromStdString(m_shots.Dir());
    info.m_bTimeline = true;
    Start(info);
    EXPECT_TRUE(Frame()->Timeline()->isVisible());
    ASSERT_TRUE(m_app->WaitForTimeline(5000));
    EXPECT_EQ(m_app->Timeline()->Maker().ReadyCount(), 3u);
    EXPECT_EQ(m_app->Timeline()->Maker().Get(0)->pixels[0] & 0xFFFFFF, 0xFF0000u);  // red 0007, the oldest
}

}  // namespace
