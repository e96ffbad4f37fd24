#include "shots/thumbnails/timeline_marks.h"

#include "shots/list/shot_report.h"

std::vector<std::uint8_t> NumberingMarks(const CKESTRELDoc& doc)
{
    const std::size_t count = doc.ShotCount();
    std::vector<int> numbers(count);
    std::vector<std::int64_t> times(count);
    for (std::size_t i = 0; i < count; ++i) {
        numbers[i] = doc.ShotNumber(i);
        times[i] = doc.Shot(i).lastWriteTime;
    }
    const ShotNumberingSummary summary = SummarizeShotNumbering(numbers, times);
    std::vector<std::uint8_t> marks(count, 0);
    // Positions in the summary count from 1.
    const auto mark = [&marks](int position, std::uint8_t flag) {
        if (position >= 1 && std::size_t(position) <= marks.size()) marks[std::size_t(position - 1)] |= flag;
    };
    for (const ShotNumberDrop& drop : summary.drops) mark(drop.position, MARK_DROP);
    for (const RepeatedShotNumber& repeated : summary.repeated) {
        for (const int position : repeated.positions) mark(position, MARK_REPEATED);
    }
    return marks;
}

std::uint8_t RangeMarks(const CKESTRELDoc& doc, const PlayOrder& order, std::size_t index)
{
    if (!order.HasRange(doc)) return 0;
    std::uint8_t marks = 0;
    if (std::int64_t(index) == order.First(doc)) marks |= MARK_IN;
    if (std::int64_t(index) == order.Last(doc)) marks |= MARK_OUT;
    return marks;
}
