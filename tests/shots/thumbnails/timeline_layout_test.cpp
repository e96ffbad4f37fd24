// The timeline's cells: one per shot, and with placeholders one per number
// missing inside a run of numbering, at its place.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "shots/thumbnails/timeline_layout.h"

namespace {

constexpr TimelineLayout::Widths kWidths{10, 3, 10};

// "1 2 [3] 4": shots by number, placeholders in brackets, a folded gap as
// its range.
std::string Describe(const TimelineLayout& layout)
{
    std::string text;
    for (std::size_t c = 0; c < layout.CellCount(); ++c) {
        const TimelineLayout::Cell cell = layout.CellAt(c);
        if (!text.empty()) text += ' ';
        switch (cell.kind) {
        case TimelineLayout::Kind::Shot:
            text += std::to_string(cell.first);
            break;
        case TimelineLayout::Kind::Missing:
            text += "[" + std::to_string(cell.first) + "]";
            break;
        case TimelineLayout::Kind::Folded:
            text += "[" + std::to_string(cell.first) + "-" + std::to_string(cell.last) + "]";
            break;
        }
    }
    return text;
}

struct LayoutCase {
    const char* name;
    std::vector<int> numbers;
    bool placeholders;
    const char* cells;
};

class TimelineLayoutCells : public ::testing::TestWithParam<LayoutCase> {};

TEST_P(TimelineLayoutCells, PlaceEveryExpectedNumber)
{
    TimelineLayout layout;
    layout.Build(GetParam().numbers, GetParam().placeholders, kWidths);
    EXPECT_EQ(Describe(layout), GetParam().cells);
}

INSTANTIATE_TEST_SUITE_P(
    Numbering, TimelineLayoutCells,
    ::testing::Values(LayoutCase{"GapAtTheStartOfARun", {1, 4, 5}, true, "1 [2] [3] 4 5"},
                      LayoutCase{"GapInTheMiddle", {1, 2, 4, 5}, true, "1 2 [3] 4 5"},
                      LayoutCase{"GapAtTheEnd", {1, 2, 5}, true, "1 2 [3] [4] 5"},
                      LayoutCase{"TwoRuns", {1, 3, 2, 4}, true, "1 [2] 3 2 [3] 4"},
                      LayoutCase{"RepeatsBesideAGap", {1, 1, 3, 3}, true, "1 1 [2] 3 3"},
                      LayoutCase{"SingleShot", {7}, true, "7"},
                      LayoutCase{"NoShots", {}, true, ""},
                      LayoutCase{"PlaceholdersOff", {1, 4, 2}, false, "1 4 2"},
                      LayoutCase{"LongGapFolds", {1, 2000}, true, "1 [2-1999] 2000"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(TimelineLayout, TheLongestGapThatUnfoldsHasACellPerNumber)
{
    TimelineLayout layout;
    layout.Build({0, int(TimelineLayout::MAX_PLACEHOLDERS_PER_GAP) + 1}, true, kWidths);
    EXPECT_EQ(layout.CellCount(), std::size_t(TimelineLayout::MAX_PLACEHOLDERS_PER_GAP) + 2);
    layout.Build({0, int(TimelineLayout::MAX_PLACEHOLDERS_PER_GAP) + 2}, true, kWidths);
    EXPECT_EQ(layout.CellCount(), 3u);
}

TEST(TimelineLayout, PositionsAndLookupsAgree)
{
    TimelineLayout layout;
    layout.Build({1, 4, 4, 2, 3, 9000, 9002}, true, kWidths);
    // 1 [2] [3] 4 4 2 3 [4-8999] 9000 [9001] 9002
    ASSERT_EQ(layout.CellCount(), 11u);
    std::int64_t left = 0;
    for (std::size_t c = 0; c < layout.CellCount(); ++c) {
        const TimelineLayout::Cell cell = layout.CellAt(c);
        EXPECT_EQ(cell.left, left) << c;
        for (std::int64_t x = cell.left; x < cell.left + cell.width; ++x) ASSERT_EQ(layout.CellAtX(x), c) << x;
        left += cell.width;
    }
    EXPECT_EQ(layout.TotalWidth(), left);
    EXPECT_FALSE(layout.CellAtX(-1));
    EXPECT_FALSE(layout.CellAtX(left));

    const std::size_t shotCells[] = {0, 3, 4, 5, 6, 8, 10};
    for (std::size_t shot = 0; shot < std::size(shotCells); ++shot) {
        EXPECT_EQ(layout.CellOfShot(shot), shotCells[shot]);
        EXPECT_EQ(layout.ShotNear(shotCells[shot]), shot);
    }
    EXPECT_EQ(layout.ShotNear(1), 1u);  // a placeholder gives the shot after its gap
    EXPECT_EQ(layout.ShotNear(7), 5u);
    EXPECT_EQ(layout.CellsBetween(15, 27), (std::pair<std::size_t, std::size_t>{2, 5}));
}

}  // namespace
