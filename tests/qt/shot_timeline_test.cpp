// The timeline strip beside the player view: its cells in the list's order,
// a click and a drag moving through the view's rules, the marks, and the
// strip following the list. Its maker runs without a worker: the tests make
// the thumbnails themselves.
#include <gtest/gtest.h>

#include <QDockWidget>
#include <QMouseEvent>

#include "app/commands/command_ids.h"
#include "shots/thumbnails/qt/timeline_strip.h"
#include "shots/thumbnails/timeline_marks.h"
#include "tests/qt/shot_view_host.h"

namespace {

using shots_test::Rgb;
using shots_test::ShotDir;
using shots_test::SolidGif;
using shots_test::ViewHost;

// Oldest first; the names run against the times. Number 2 comes twice, and
// the second time it is lower than the 3 before it.
constexpr int kNumbers[] = {1, 2, 3, 2, 5, 6};
constexpr std::size_t kCount = std::size(kNumbers);

Rgb ColourOf(std::size_t index) { return {std::uint8_t(40 * index), 100, 200}; }

class ShotTimeline : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (std::size_t i = 0; i < kCount; ++i) {
            const std::string name = std::string(1, char('z' - i)) + "000" + std::to_string(kNumbers[i]) + ".gif";
            dir.AddFile(name, 1000 + long(i), 0, SolidGif(32, 18, ColourOf(i)));
        }
        ThumbnailMaker::Options options;
        options.directory = cache.Dir();
        options.worker = false;
        strip = new CTimelineStrip(&host.doc, host.view, options);
        auto* dock = new QDockWidget;
        dock->setWidget(strip);
        host.Frame().addDockWidget(Qt::BottomDockWidgetArea, dock);
        host.Frame().resize(640, 400);
        host.Open(dir);
        ViewHost::Settle();
    }

    void MakeAll()
    {
        while (strip->Maker().MakeNext()) {
        }
    }
    void Mouse(QEvent::Type type, QPoint at, Qt::MouseButtons buttons)
    {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        QMouseEvent event(type, QPointF(at), strip->viewport()->mapToGlobal(QPointF(at)), button, buttons,
                          Qt::NoModifier);
        QApplication::sendEvent(strip->viewport(), &event);
    }
    void Click(std::size_t index)
    {
        const QPoint at = strip->CellRect(index).center();
        Mouse(QEvent::MouseButtonPress, at, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, at, Qt::NoButton);
    }

    ShotDir dir;
    ShotDir cache;
    ViewHost host;
    CTimelineStrip* strip = nullptr;
};

TEST_F(ShotTimeline, ShowsOneThumbnailPerShotInTheListsOrder)
{
    ASSERT_GE(strip->VisibleRange().second, 5u);
    MakeAll();
    const QImage painted = strip->viewport()->grab().toImage();
    for (std::size_t i = 0; i < strip->VisibleRange().second; ++i) {
        const Rgb colour = ColourOf(i);
        const std::uint32_t wanted = std::uint32_t(colour[0]) << 16 | colour[1] << 8 | colour[2];
        ASSERT_TRUE(strip->Maker().Get(i)) << i;
        EXPECT_EQ(strip->Maker().Get(i)->pixels[0] & 0xFFFFFF, wanted) << i;
        const QRect cell = strip->CellRect(i);
        const QPoint middle(cell.center().x(), cell.top() + CTimelineStrip::CELL_MARGIN + THUMBNAIL_HEIGHT / 2);
        EXPECT_EQ(painted.pixel(middle) & 0xFFFFFF, wanted) << i;
    }
    EXPECT_EQ(strip->CurrentIndex(), 0);
}

struct ClickCase {
    const char* name;
    std::vector<UINT> before;  // commands run first
    std::size_t clicked;
    int position;  // the cursor after the click
};

class ShotTimelineClick : public ShotTimeline, public ::testing::WithParamInterface<ClickCase> {};

TEST_P(ShotTimelineClick, MovesAsTheOtherMovesDo)
{
    for (const UINT id : GetParam().before) ASSERT_TRUE(host.Execute(id));
    Click(GetParam().clicked);
    EXPECT_EQ(host.doc.m_nShotPos, GetParam().position);
    EXPECT_EQ(strip->CurrentIndex(), GetParam().position - 1);
}

INSTANTIATE_TEST_SUITE_P(
    Clicks, ShotTimelineClick,
    ::testing::Values(ClickCase{"Stopped", {}, 3, 4},
                      ClickCase{"WhilePlayingNothingMoves", {ID_SHOT_PLAY}, 3, 1},
                      // In at shot 2, out at shot 3: shot 4 gives the out point.
                      ClickCase{"BeyondTheRange",
                                {ID_SHOT_NEXT, ID_SHOT_SET_IN, ID_SHOT_NEXT, ID_SHOT_SET_OUT, ID_SHOT_FIRST},
                                3,
                                3}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ShotTimeline, DraggingShowsEachShotThePointerPasses)
{
    std::vector<int> positions;
    Mouse(QEvent::MouseButtonPress, strip->CellRect(0).center(), Qt::LeftButton);
    for (std::size_t i = 1; i < 4; ++i) {
        Mouse(QEvent::MouseMove, strip->CellRect(i).center(), Qt::LeftButton);
        positions.push_back(host.doc.m_nShotPos);
    }
    // Past the right edge: the last shot, scrolled into view.
    Mouse(QEvent::MouseMove, QPoint(strip->viewport()->width() + 500, 5), Qt::LeftButton);
    positions.push_back(host.doc.m_nShotPos);
    Mouse(QEvent::MouseButtonRelease, QPoint(0, 5), Qt::NoButton);
    Mouse(QEvent::MouseMove, strip->CellRect(0).center(), Qt::NoButton);  // no button: no move
    positions.push_back(host.doc.m_nShotPos);
    EXPECT_EQ(positions, (std::vector<int>{2, 3, 4, 6, 6}));
    EXPECT_TRUE(strip->viewport()->rect().contains(strip->CellRect(kCount - 1)));
}

TEST_F(ShotTimeline, MarksTheRangeAndTheNumbering)
{
    EXPECT_EQ(strip->MarksAt(0), 0);
    EXPECT_EQ(strip->MarksAt(1), MARK_REPEATED);
    EXPECT_EQ(strip->MarksAt(3), MARK_REPEATED | MARK_DROP);
    EXPECT_EQ(strip->MarksAt(4), 0);
    for (const UINT id : {ID_SHOT_NEXT, ID_SHOT_SET_IN, ID_SHOT_NEXT, ID_SHOT_NEXT, ID_SHOT_NEXT, ID_SHOT_SET_OUT})
        ASSERT_TRUE(host.Execute(id));
    EXPECT_EQ(strip->MarksAt(1), MARK_REPEATED | MARK_IN);
    EXPECT_EQ(strip->MarksAt(4), MARK_OUT);
    ASSERT_TRUE(host.Execute(ID_SHOT_CLEAR_RANGE));
    EXPECT_EQ(strip->MarksAt(1), MARK_REPEATED);
}

TEST_F(ShotTimeline, FollowsTheListAndKeepsTheCurrentShotInView)
{
    MakeAll();
    // A newer shot joins the list, as the follower adds one; the one at 0 goes.
    const std::string added = dir.AddFile("a0007.gif", 2000, 0, SolidGif(32, 18, {255, 255, 0}));
    ASSERT_TRUE(host.doc.InsertShot(kCount, std::make_unique<ShotRecord>(ShotRecord{added, 99})));
    host.doc.RemoveShot(0);
    host.doc.UpdateAllViews(nullptr);
    EXPECT_FALSE(strip->Maker().Get(kCount - 1));
    EXPECT_TRUE(strip->Maker().Get(0));  // the old shot 1, already made
    ASSERT_TRUE(host.Execute(ID_SHOT_LAST));
    const QRect last = strip->CellRect(kCount - 1);
    EXPECT_TRUE(strip->viewport()->rect().contains(last));
    EXPECT_EQ(strip->CurrentIndex(), std::ptrdiff_t(kCount - 1));
    MakeAll();
    ASSERT_TRUE(strip->Maker().Get(kCount - 1));
    EXPECT_EQ(strip->Maker().Get(kCount - 1)->pixels[0] & 0xFFFFFF, 0xFFFF00u);
    EXPECT_EQ(strip->MarksAt(2), MARK_DROP | MARK_REPEATED);  // the numbering moved with the list
}

}  // namespace
