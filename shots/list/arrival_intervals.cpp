#include "shots/list/arrival_intervals.h"

#include <algorithm>

std::vector<std::int64_t> ArrivalIntervals(const std::vector<std::int64_t>& times)
{
    std::vector<std::int64_t> intervals;
    if (times.size() < 2) return intervals;
    intervals.reserve(times.size() - 1);
    for (std::size_t i = 1; i < times.size(); ++i) {
        std::int64_t interval = 0;
        if (__builtin_sub_overflow(times[i], times[i - 1], &interval) || interval < 0) interval = 0;
        intervals.push_back(interval);
    }
    return intervals;
}

std::int64_t MedianOf(std::vector<std::int64_t> values)
{
    if (values.empty()) return 0;
    const auto middle = values.begin() + std::ptrdiff_t((values.size() - 1) / 2);
    std::nth_element(values.begin(), middle, values.end());
    return *middle;
}

IntervalStats SummarizeIntervals(const std::vector<std::int64_t>& intervals)
{
    IntervalStats stats;
    stats.count = intervals.size();
    if (intervals.empty()) return stats;
    stats.median = MedianOf(intervals);
    const auto largest = std::max_element(intervals.begin(), intervals.end());
    stats.largest = *largest;
    stats.largestEndsAt = std::size_t(largest - intervals.begin()) + 1;
    return stats;
}
