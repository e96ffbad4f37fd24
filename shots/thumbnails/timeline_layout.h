// TimelineLayout: where each cell of the timeline goes. Every shot has a
// cell, in the list's order; with placeholders on, each number missing
// inside a run of numbering has a narrow cell of its own at its place.
//
// A run ends where the number goes down: 1 2 4 | 1 3 has the runs 1..4 and
// 1..3, so 3 is missing from the first and 2 from the second, each shown
// between its neighbours. Repeated numbers leave no gap (2 2 3 has none).
// A gap of more than MAX_PLACEHOLDERS_PER_GAP numbers is one folded cell
// that names the range, so the strip stays bounded whatever the names say.
//
// The layout keeps one item per run of shots without a gap between them and
// one per gap, never one per shot or per missing number, and finds cells by
// binary search over their left edges.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

class TimelineLayout {
public:
    static constexpr std::int64_t MAX_PLACEHOLDERS_PER_GAP = 1000;

    struct Widths {
        int shot = 1;
        int placeholder = 1;
        int folded = 1;  // a gap too long for a cell per number
    };

    enum class Kind : std::uint8_t { Shot, Missing, Folded };

    struct Cell {
        Kind kind = Kind::Shot;
        std::size_t shot = 0;  // Shot: the shot's index in the list
        int first = 0;         // Missing: the number; Folded: the range's ends
        int last = 0;
        std::int64_t left = 0;
        int width = 0;
        bool operator==(const Cell&) const = default;
    };

    // numbers: the shot numbers in the list's order.
    void Build(const std::vector<int>& numbers, bool placeholders, Widths widths);

    std::size_t CellCount() const { return m_cellCount; }
    std::int64_t TotalWidth() const { return m_totalWidth; }
    // Cell number cell (below CellCount()).
    Cell CellAt(std::size_t cell) const;
    // The cell under x (from the strip's left end), if any.
    std::optional<std::size_t> CellAtX(std::int64_t x) const;
    // The cell of shot index (below the shot count).
    std::size_t CellOfShot(std::size_t index) const;
    // The shot of cell, or for a placeholder the shot right after its gap.
    std::size_t ShotNear(std::size_t cell) const;
    // The cells from first to end - 1 overlap x from left to right - 1.
    std::pair<std::size_t, std::size_t> CellsBetween(std::int64_t left, std::int64_t right) const;

private:
    struct Item {
        Kind kind;
        std::size_t shot;     // Shot: the run's first shot; a gap: the shot after it
        int first;            // the number of that shot, or the gap's first missing one
        std::size_t count;    // cells: the shots of a run, the numbers Missing, 1 Folded
        std::size_t firstCell;
        std::int64_t left;
    };
    std::size_t ItemOfCell(std::size_t cell) const;
    int WidthOf(Kind kind) const;

    Widths m_widths;
    std::vector<Item> m_items;
    std::vector<int> m_numbers;
    std::size_t m_cellCount = 0;
    std::int64_t m_totalWidth = 0;
};
