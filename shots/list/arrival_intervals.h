// The time between consecutive shots' last-write times: what the timeline's
// interval strip draws and what the JSON report sums up. Interval i is the
// one that ends at shot i (i from 1); a time that goes back gives 0.
#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

// Intervals in 100-nanosecond units, one fewer than times.
std::vector<std::int64_t> ArrivalIntervals(const std::vector<std::int64_t>& times);

struct IntervalStats {
    std::size_t count = 0;
    std::int64_t median = 0;         // 100-nanosecond units; the lower middle of an even count
    std::int64_t largest = 0;
    std::size_t largestEndsAt = 0;   // index of the shot that ends the largest (the earliest such)
};

IntervalStats SummarizeIntervals(const std::vector<std::int64_t>& intervals);

// The median of values (the lower middle of an even count); 0 when empty.
std::int64_t MedianOf(std::vector<std::int64_t> values);
