// ShotStallPolicy: whether the writer of a followed directory has stopped.
// A plain rule over arrivals, with the time passed in:
//
//   stalled  when nothing has arrived for longer than
//            max(3 x the median of the last 20 intervals, 2 s)
//
// The intervals are those between the arriving shots' last-write times (the
// writer's own pace, as the timeline's interval strip shows it), seeded with
// the newest shots of the list when following starts; fewer than 20 give
// the median of those there are, none gives 2 s. The silence is measured on
// the caller's clock from the last arrival, or from the start while nothing
// has arrived. The next arrival clears a stall.
#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <optional>
#include <string>
#include <vector>

class ShotStallPolicy {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Duration = std::chrono::milliseconds;

    static constexpr std::size_t WINDOW = 20;
    static constexpr int FACTOR = 3;
    static constexpr Duration FLOOR{2000};
    // Arrivals per second are counted over this span.
    static constexpr Duration RATE_SPAN{10000};

    // Following starts at at; writeTimes: the newest shots' last-write
    // times (100-nanosecond units), oldest first.
    void Start(TimePoint at, const std::vector<std::int64_t>& writeTimes);
    void Stop();
    bool Running() const { return m_running; }

    // A shot arrived at at, written at writeTime.
    void Arrived(TimePoint at, std::int64_t writeTime);

    Duration Threshold() const;
    // When the silence turns into a stall; none while not running.
    std::optional<TimePoint> StallsAt() const;
    bool Stalled(TimePoint now) const;
    // Since the last arrival (or the start).
    Duration Silence(TimePoint now) const;
    // Arrivals in the last RATE_SPAN (or since the start), per second.
    double ArrivalsPerSecond(TimePoint now) const;
    bool HasArrival() const { return m_lastWrite.has_value() && m_arrivedSinceStart; }

private:
    void AddInterval(std::int64_t writeTime);

    bool m_running = false;
    TimePoint m_start{};
    TimePoint m_lastArrival{};
    bool m_arrivedSinceStart = false;
    std::optional<std::int64_t> m_lastWrite;
    std::deque<std::int64_t> m_intervals;  // the last WINDOW, 100-nanosecond units
    std::deque<TimePoint> m_recent;        // arrivals within RATE_SPAN
};

// "no new shot for 7 s": whole seconds of silence, rounded down.
std::string StallText(ShotStallPolicy::Duration silence);
