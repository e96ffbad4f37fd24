#include "shots/playback/play_pacer.h"

#include <algorithm>

PlayPacer::PlayPacer(Clock clock) : m_clock(std::move(clock)) {}

PlayPacer::Clock PlayPacer::SteadyClock()
{
    return [] {
        return std::chrono::duration_cast<Duration>(std::chrono::steady_clock::now().time_since_epoch());
    };
}

void PlayPacer::Start(int intervalMs)
{
    m_running = true;
    m_intervalMs = std::max(1, intervalMs);
    m_start = m_clock();
    m_loaded = 0;
    m_awaitingPaint = false;
    m_aimedAt = Duration{};
}

void PlayPacer::ChangeInterval(int intervalMs)
{
    if (!m_running) {
        m_intervalMs = std::max(1, intervalMs);
        return;
    }
    m_start = Due(m_loaded);
    m_loaded = 0;
    m_intervalMs = std::max(1, intervalMs);
}

void PlayPacer::ShotLoaded()
{
    if (!m_running) return;
    ++m_loaded;
    m_awaitingPaint = true;
}

void PlayPacer::ShotPainted()
{
    if (!m_awaitingPaint) return;
    m_awaitingPaint = false;
    ++m_shown;
    const Duration now = m_clock();
    // From the moment the tick was aimed at, when it came later than that:
    // the timer's own lateness (whole milliseconds, an event loop) is paid
    // by every shot too.
    const Duration from = m_aimedAt.count() > 0 ? std::min(m_aimedAt, m_tickAt) : m_tickAt;
    const Duration cost = now - from;
    if (m_tickAt.count() > 0 && cost.count() >= 0) m_showCost = (m_showCost * 3 + cost) / 4;
    const Duration lateness = now - Due(m_loaded);
    const Duration allowed = std::max<Duration>(Duration(std::int64_t(m_intervalMs) * 500), LATE_FLOOR);
    if (lateness > allowed) ++m_late;
    m_worst = std::max(m_worst, lateness);
}

std::int64_t PlayPacer::SlotsDue() const
{
    const Duration since = m_clock() - m_start;
    const std::int64_t due = since.count() < 0 ? 0 : since.count() / (std::int64_t(m_intervalMs) * 1000);
    return std::max<std::int64_t>(1, due - m_loaded);
}

void PlayPacer::SlotsSkipped(std::int64_t count)
{
    if (!m_running || count <= 0) return;
    m_loaded += count;
    m_skipped += count;
}

int PlayPacer::MillisecondsToNext()
{
    const Duration ahead = std::min(m_showCost, Duration(std::int64_t(m_intervalMs) * 500));
    const Duration now = m_clock();
    const Duration left = Due(m_loaded + 1) - ahead - now;
    m_aimedAt = std::max(now, now + left);
    if (left.count() <= 0) return 0;
    return int((left.count() + 999) / 1000);
}

std::string PlayPacer::StatsLine() const
{
    return "played: " + std::to_string(m_shown) + " shots shown, " + std::to_string(m_late) + " late, worst " +
           std::to_string(WorstLateMs()) + " ms late" + (m_drop ? ", " + std::to_string(m_skipped) + " skipped" : "");
}
