// PlayPacer: when each shot of a run is due and how late it reached the
// screen. Shot k of a run (k from 1: the shot on display when playing
// starts is shot 0) is due at start + k * interval on the clock, so a late
// shot never delays the ones after it; every shot is still shown, none is
// skipped, unless dropping is on: then a shot whose time has come and gone
// may be skipped (the player decides, SlotsSkipped counts). A shot is late when it reaches the screen more than half an
// interval, and at least LATE_FLOOR, after its time. A new interval starts
// a new run from the time of the shot last due.
#pragma once

#include <chrono>
#include <cstdint>
#include <functional>
#include <string>

class PlayPacer {
public:
    using Duration = std::chrono::microseconds;
    using Clock = std::function<Duration()>;  // any steady, non-decreasing time

    static constexpr Duration LATE_FLOOR = std::chrono::milliseconds(4);

    explicit PlayPacer(Clock clock = SteadyClock());

    static Clock SteadyClock();

    // Starts a run at the clock's now.
    void Start(int intervalMs);
    void Stop() { m_running = false; }
    bool Running() const { return m_running; }
    // Keeps the time of the shot last due, then counts from it.
    void ChangeInterval(int intervalMs);
    int IntervalMs() const { return m_intervalMs; }

    // A tick began loading the next shot (for how long showing one takes).
    void TickStarted() { m_tickAt = m_clock(); }
    // The next shot was loaded; it is due at NextDue() (before the call).
    void ShotLoaded();
    // The loaded shot reached the screen now; counted once.
    void ShotPainted();
    bool AwaitingPaint() const { return m_awaitingPaint; }
    // Milliseconds from now until the tick for the shot after the last
    // loaded one: when it is due, less what showing a shot has lately taken
    // (at most half an interval), so it reaches the screen on time rather
    // than that much after; at least 0, rounded up. The moment aimed at is
    // kept: how late the timer then comes counts as part of showing the
    // shot, so the ticks after it aim that much earlier.
    int MillisecondsToNext();

    // Dropping: keeps to the clock, skipping shots not ready in time. The
    // statistics then count the skipped ones too.
    void SetDrop(bool on) { m_drop = on; }
    bool Drop() const { return m_drop; }
    // Shots of this run due by now (at least the next one when the timer
    // fired a little early), less those already loaded or skipped.
    std::int64_t SlotsDue() const;
    // count shots whose time came were not shown.
    void SlotsSkipped(std::int64_t count);
    std::int64_t Skipped() const { return m_skipped; }

    std::int64_t Shown() const { return m_shown; }
    std::int64_t Late() const { return m_late; }
    // Worst lateness of any shown shot in whole milliseconds (0 when none).
    std::int64_t WorstLateMs() const { return m_worst.count() / 1000; }
    // "played: N shots shown, M late, worst W ms late", and ", S skipped"
    // while dropping.
    std::string StatsLine() const;

private:
    Duration Due(std::int64_t k) const { return m_start + Duration(std::int64_t(m_intervalMs) * 1000 * k); }

    Clock m_clock;
    bool m_running = false;
    int m_intervalMs = 1000;
    Duration m_start{};
    std::int64_t m_loaded = 0;  // shots of this run loaded so far
    bool m_awaitingPaint = false;
    std::int64_t m_shown = 0;
    std::int64_t m_late = 0;
    Duration m_worst{};
    bool m_drop = false;
    Duration m_tickAt{};
    Duration m_aimedAt{};   // when the next tick was meant to come; 0: not known
    Duration m_showCost{};  // a moving average from a tick (as aimed) to its paint
    std::int64_t m_skipped = 0;
};
