// The follower under the real player view: what may run follows the list.
#include <gtest/gtest.h>

#include <QTest>
#include <filesystem>

#include "app/framework/frame_window.h"
#include "shots/qt/player_view.h"
#include "shots/follow/qt/shot_directory_follower.h"
#include "tests/qt/shot_files.h"
#include "tests/support/test_paths.h"

namespace {

using shots_test::RecordingTextBox;
using shots_test::ShotDir;

std::string Gif() { return shots_test::SolidGif(4, 3, {0, 0, 0}); }

TEST(Follower, ThePlayerViewsAvailabilityFollowsTheList)
{
    ShotDir dir;
    dir.AddFile("shot0001.gif", 1700000000, 0, Gif());
    CKESTRELDoc doc;
    FrameWindow frame;
    auto* view = new CKestrel(&doc, &frame);
    frame.SetView(view);
    ASSERT_TRUE(frame.NewDocumentStep());
    RecordingTextBox status;
    RecordingTextBox number;
    doc.m_pStatusBox = &status;
    doc.m_pShotNumberBox = &number;
    ShotDirectoryFollower follower(doc);
    doc.m_strDirectory = dir.Dir();
    doc.ScanDirectory();
    doc.LoadShot();
    doc.UpdateAllViews(nullptr, 0, nullptr);
    EXPECT_FALSE(frame.Router().IsEnabled(ID_SHOT_NEXT));

    kestrel::test::WriteFileBytes(dir.Path("shot0002.gif"), Gif());
    ASSERT_TRUE(QTest::qWaitFor([&] { return doc.m_nShotCount == 2; }));
    EXPECT_TRUE(frame.Router().IsEnabled(ID_SHOT_NEXT));
    EXPECT_TRUE(frame.Router().IsEnabled(ID_SHOT_LAST));

    follower.SetFollowNewest(true);
    EXPECT_EQ(doc.m_nShotPos, 2);
    EXPECT_TRUE(frame.Router().Execute(ID_SHOT_FIRST));
    EXPECT_FALSE(follower.FollowNewest());

    // The shot on display goes: the one in its place shows, and the steps
    // agree with the list that is left.
    std::filesystem::remove(dir.Path("shot0001.gif"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return status.m_text == "1 of 1 Shots     First Shot: 2     Last Shot: 2"; }));
    EXPECT_EQ(doc.m_nShotCount, 1);
    EXPECT_EQ(doc.m_nShotPos, 1);
    EXPECT_EQ(number.m_text, "0002");
    EXPECT_FALSE(frame.Router().IsEnabled(ID_SHOT_NEXT));
    EXPECT_FALSE(frame.Router().IsEnabled(ID_SHOT_PREVIOUS));
}

}  // namespace
