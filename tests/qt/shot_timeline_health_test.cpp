// Run health in the window: the timeline's placeholders for missing numbers
// and its interval strip, painted off screen, and the view's live play
// display.
#include <gtest/gtest.h>

#include <QDockWidget>
#include <set>

#include "app/commands/command_ids.h"
#include "shots/thumbnails/qt/timeline_strip.h"
#include "tests/qt/shot_view_host.h"

namespace {

using shots_test::Rgb;
using shots_test::ShotDir;
using shots_test::SolidGif;
using shots_test::ViewHost;

// 3 and 4 are missing; the intervals are 1, 2 and 1 s.
constexpr int kNumbers[] = {1, 2, 5, 6};
constexpr int kSeconds[] = {1000, 1001, 1003, 1004};
constexpr std::size_t kCount = std::size(kNumbers);

Rgb ColourOf(std::size_t index) { return {std::uint8_t(60 * index), 120, 200}; }
std::uint32_t Pixel(Rgb colour) { return std::uint32_t(colour[0]) << 16 | colour[1] << 8 | colour[2]; }

class ShotTimelineHealth : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (std::size_t i = 0; i < kCount; ++i) {
            dir.AddFile("s000" + std::to_string(kNumbers[i]) + ".gif", kSeconds[i], 0, SolidGif(32, 18, ColourOf(i)));
        }
        ThumbnailMaker::Options options;
        options.directory = cache.Dir();
        options.worker = false;
        strip = new CTimelineStrip(&host.doc, host.view, options);
        auto* dock = new QDockWidget;
        dock->setWidget(strip);
        host.Frame().addDockWidget(Qt::BottomDockWidgetArea, dock);
        host.Frame().resize(900, 400);
        host.Open(dir);
        ViewHost::Settle();
        while (strip->Maker().MakeNext()) {
        }
    }

    ShotDir dir;
    ShotDir cache;
    ViewHost host;
    CTimelineStrip* strip = nullptr;
};

TEST_F(ShotTimelineHealth, PlaceholdersSitWhereTheNumbersSay)
{
    ASSERT_TRUE(strip->Placeholders());
    const QImage painted = strip->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    // Shots at their cells, with the two placeholders between the 2 and the 5.
    for (std::size_t i = 0; i < kCount; ++i) {
        const QRect cell = strip->CellRect(i);
        const QPoint middle(cell.center().x(), cell.top() + CTimelineStrip::CELL_MARGIN + THUMBNAIL_HEIGHT / 2);
        EXPECT_EQ(painted.pixel(middle) & 0xFFFFFF, Pixel(ColourOf(i))) << i;
    }
    const int gapLeft = strip->CellRect(1).right() + 1;
    EXPECT_EQ(strip->CellRect(2).left(), gapLeft + 2 * CTimelineStrip::PLACEHOLDER_WIDTH);
    for (int missing = 3; missing <= 4; ++missing) {
        const std::size_t cell = std::size_t(missing - 1);  // after the cells of 1 and 2
        EXPECT_EQ(strip->Layout().CellAt(cell).first, missing);
        const QRect box = strip->LayoutCellRect(cell);
        EXPECT_EQ(box.left(), gapLeft + (missing - 3) * CTimelineStrip::PLACEHOLDER_WIDTH);
        EXPECT_EQ(strip->ToolTipAt(box.center()), QStringLiteral("missing %1").arg(missing));
        // Hatched: both the hatching and the background show in the cell.
        std::set<QRgb> colours;
        for (int y = box.top() + 6; y < box.top() + 26; ++y) colours.insert(painted.pixel(box.left() + 4, y) & 0xFFFFFF);
        EXPECT_TRUE(colours.count(0x909090)) << missing;
        EXPECT_TRUE(colours.count(0x303030)) << missing;
        EXPECT_EQ(strip->IndexAt(box.center()), -1);
    }

    // Shift+T: the cells close up.
    ASSERT_TRUE(strip->Placeholders());
    strip->SetPlaceholders(false);
    EXPECT_EQ(strip->CellRect(2).left(), strip->CellRect(1).right() + 1);
    EXPECT_EQ(strip->Layout().CellCount(), kCount);
}

TEST_F(ShotTimelineHealth, IntervalBarsShowTheTimeBetweenShots)
{
    EXPECT_TRUE(strip->IntervalRect(0).isNull());  // the first shot ends no interval
    // The median is 1 s and three medians fill a bar: 2 s reach two thirds.
    const QRect one = strip->IntervalRect(1);
    const QRect two = strip->IntervalRect(2);
    EXPECT_EQ(two.height(), 2 * one.height());
    EXPECT_EQ(two.bottom(), one.bottom());
    EXPECT_GE(two.top(), CTimelineStrip::CELL_HEIGHT);
    EXPECT_EQ(strip->ToolTipAt(two.center()), QStringLiteral("2000 ms"));
    EXPECT_EQ(strip->ToolTipAt(strip->IntervalRect(3).center()), QStringLiteral("1000 ms"));
    const QImage painted = strip->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    EXPECT_EQ(painted.pixel(two.center()) & 0xFFFFFF, 0x6a9ad0u);
}

TEST_F(ShotTimelineHealth, TheLiveDisplayCountsAsThePlayStatsDo)
{
    CKestrel& view = *host.view;
    ASSERT_FALSE(view.HudOn());
    ASSERT_TRUE(host.Execute(ID_VIEW_HUD));
    ASSERT_TRUE(view.HudOn());
    host.Grab();
    const QRect box = view.HudBox();
    ASSERT_FALSE(box.isEmpty());
    EXPECT_EQ(box.right(), view.viewport()->width() - 1 - 8);  // the bottom right corner
    EXPECT_EQ(view.HudLinesNow().front().text, "stopped");

    ASSERT_TRUE(host.Execute(ID_SHOT_PLAY));
    for (int i = 0; i < 5; ++i) view.DispatchTimer(CKestrel::PLAY_TIMER_ID);
    const std::vector<HudLine> lines = view.HudLinesNow();
    EXPECT_EQ(lines.front().text, "playing");
    EXPECT_EQ("played: " + lines[2].text, view.m_player.Pacer().StatsLine());
    EXPECT_EQ(view.m_player.Pacer().Shown(), 5);
    ASSERT_TRUE(host.Execute(ID_SHOT_STOP));
    ASSERT_TRUE(host.Execute(ID_VIEW_HUD));
    host.Grab();
    EXPECT_TRUE(view.HudBox().isEmpty());
}

}  // namespace
