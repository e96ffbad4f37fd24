#include "shots/thumbnails/timeline_layout.h"

#include <algorithm>

int TimelineLayout::WidthOf(Kind kind) const
{
    switch (kind) {
    case Kind::Missing:
        return m_widths.placeholder;
    case Kind::Folded:
        return m_widths.folded;
    default:
        return m_widths.shot;
    }
}

void TimelineLayout::Build(const std::vector<int>& numbers, bool placeholders, Widths widths)
{
    m_widths = widths;
    m_widths.shot = std::max(1, m_widths.shot);
    m_widths.placeholder = std::max(1, m_widths.placeholder);
    m_widths.folded = std::max(1, m_widths.folded);
    m_items.clear();
    m_numbers = numbers;
    m_cellCount = 0;
    m_totalWidth = 0;

    const auto add = [this](Kind kind, std::size_t shot, int first, std::size_t count) {
        Item* run = m_items.empty() ? nullptr : &m_items.back();
        if (kind == Kind::Shot && run && run->kind == Kind::Shot && run->shot + run->count == shot) {
            ++run->count;
        } else {
            m_items.push_back(Item{kind, shot, first, count, m_cellCount, m_totalWidth});
        }
        m_cellCount += count;
        m_totalWidth += std::int64_t(count) * WidthOf(kind);
    };
    for (std::size_t i = 0; i < numbers.size(); ++i) {
        // Within a run the numbers never go down; a gap lies between two
        // neighbours more than one apart.
        if (placeholders && i > 0 && numbers[i] > numbers[i - 1]) {
            const std::int64_t missing = std::int64_t(numbers[i]) - numbers[i - 1] - 1;
            if (missing > MAX_PLACEHOLDERS_PER_GAP) {
                add(Kind::Folded, i, numbers[i - 1] + 1, 1);
            } else if (missing > 0) {
                add(Kind::Missing, i, numbers[i - 1] + 1, std::size_t(missing));
            }
        }
        add(Kind::Shot, i, numbers[i], 1);
    }
}

std::size_t TimelineLayout::ItemOfCell(std::size_t cell) const
{
    const auto after = std::upper_bound(m_items.begin(), m_items.end(), cell,
                                        [](std::size_t c, const Item& item) { return c < item.firstCell; });
    return std::size_t(after - m_items.begin()) - 1;
}

TimelineLayout::Cell TimelineLayout::CellAt(std::size_t cell) const
{
    if (cell >= m_cellCount) return {};
    const Item& item = m_items[ItemOfCell(cell)];
    const std::size_t within = cell - item.firstCell;
    Cell result;
    result.kind = item.kind;
    result.width = WidthOf(item.kind);
    result.left = item.left + std::int64_t(within) * result.width;
    switch (item.kind) {
    case Kind::Shot:
        result.shot = item.shot + within;
        result.first = result.last = m_numbers[result.shot];
        break;
    case Kind::Missing:
        result.first = result.last = item.first + int(within);
        break;
    case Kind::Folded: {
        // The shot after the gap follows the folded cell.
        const Item& next = *(&item + 1);
        result.first = item.first;
        result.last = next.first - 1;
        break;
    }
    }
    return result;
}

std::optional<std::size_t> TimelineLayout::CellAtX(std::int64_t x) const
{
    if (x < 0 || x >= m_totalWidth) return std::nullopt;
    const auto after = std::upper_bound(m_items.begin(), m_items.end(), x,
                                        [](std::int64_t at, const Item& item) { return at < item.left; });
    const Item& item = *(after - 1);
    return item.firstCell + std::size_t((x - item.left) / WidthOf(item.kind));
}

std::size_t TimelineLayout::CellOfShot(std::size_t index) const
{
    if (index >= m_numbers.size()) return m_cellCount;
    // Items hold non-decreasing shots, a gap the same as the run after it.
    const auto after = std::upper_bound(m_items.begin(), m_items.end(), index,
                                        [](std::size_t i, const Item& item) { return i < item.shot; });
    const Item& run = *(after - 1);
    return run.firstCell + (index - run.shot);
}

std::pair<std::size_t, std::size_t> TimelineLayout::CellsBetween(std::int64_t left, std::int64_t right) const
{
    left = std::max<std::int64_t>(left, 0);
    right = std::min(right, m_totalWidth);
    if (left >= right) return {0, 0};
    const std::size_t first = *CellAtX(left);
    const std::size_t last = *CellAtX(right - 1);
    return {first, last + 1};
}

std::size_t TimelineLayout::ShotNear(std::size_t cell) const
{
    if (m_items.empty()) return 0;
    cell = std::min(cell, m_cellCount - 1);
    const Item& item = m_items[ItemOfCell(cell)];
    // A gap is always followed by the shot that ends it.
    return item.kind == Kind::Shot ? item.shot + (cell - item.firstCell) : item.shot;
}
