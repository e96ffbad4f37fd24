#include "shots/follow/shot_stall_policy.h"

#include <algorithm>

#include "shots/list/arrival_intervals.h"

void ShotStallPolicy::Start(TimePoint at, const std::vector<std::int64_t>& writeTimes)
{
    m_running = true;
    m_start = at;
    m_lastArrival = at;
    m_arrivedSinceStart = false;
    m_lastWrite.reset();
    m_intervals.clear();
    m_recent.clear();
    const std::size_t from = writeTimes.size() > WINDOW + 1 ? writeTimes.size() - WINDOW - 1 : 0;
    for (std::size_t i = from; i < writeTimes.size(); ++i) AddInterval(writeTimes[i]);
}

void ShotStallPolicy::Stop()
{
    m_running = false;
    m_recent.clear();
}

void ShotStallPolicy::AddInterval(std::int64_t writeTime)
{
    if (m_lastWrite) {
        const std::vector<std::int64_t> interval = ArrivalIntervals({*m_lastWrite, writeTime});
        m_intervals.push_back(interval.front());
        if (m_intervals.size() > WINDOW) m_intervals.pop_front();
    }
    // A time that goes back gives 0 and is not the newest.
    if (!m_lastWrite || writeTime > *m_lastWrite) m_lastWrite = writeTime;
}

void ShotStallPolicy::Arrived(TimePoint at, std::int64_t writeTime)
{
    if (!m_running) return;
    AddInterval(writeTime);
    m_lastArrival = std::max(m_lastArrival, at);
    m_arrivedSinceStart = true;
    m_recent.push_back(at);
    while (!m_recent.empty() && m_recent.front() + RATE_SPAN < at) m_recent.pop_front();
}

ShotStallPolicy::Duration ShotStallPolicy::Threshold() const
{
    const std::int64_t median = MedianOf(std::vector<std::int64_t>(m_intervals.begin(), m_intervals.end()));
    // 100-nanosecond units to milliseconds, rounded up; a year at most.
    const std::int64_t medianMs =
        std::min<std::int64_t>(median / 10000 + (median % 10000 != 0), 365LL * 24 * 3600 * 1000);
    return std::max(FLOOR, Duration(FACTOR * medianMs));
}

std::optional<ShotStallPolicy::TimePoint> ShotStallPolicy::StallsAt() const
{
    if (!m_running) return std::nullopt;
    // Stalled once the silence is longer than the threshold.
    return m_lastArrival + Threshold() + Duration(1);
}

bool ShotStallPolicy::Stalled(TimePoint now) const { return m_running && now >= *StallsAt(); }

ShotStallPolicy::Duration ShotStallPolicy::Silence(TimePoint now) const
{
    return std::max(Duration(0), std::chrono::duration_cast<Duration>(now - m_lastArrival));
}

double ShotStallPolicy::ArrivalsPerSecond(TimePoint now) const
{
    if (!m_running) return 0;
    const TimePoint from = std::max(m_start, now - RATE_SPAN);
    const auto count = std::count_if(m_recent.begin(), m_recent.end(), [&](TimePoint t) { return t >= from; });
    // At least a second, so the first arrival does not read as a flood.
    const double seconds = std::max(1.0, std::chrono::duration<double>(now - from).count());
    return double(count) / seconds;
}

std::string StallText(ShotStallPolicy::Duration silence)
{
    return "no new shot for " + std::to_string(silence.count() / 1000) + " s";
}
