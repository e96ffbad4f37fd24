// ShotSettlePolicy: when a file of the followed directory that is still
// being written may be shown. Plain rules over what the caller saw, with the
// time passed in: no file system, no clock, no timers.
//
// A file closed by its writer (or moved in) is taken as soon as its
// structure is complete (its format's end is there: shot_completeness.h);
// otherwise it is taken once its size and time have not changed for the
// settle time, or for the writer's settle time while a writer still holds it
// open (written to since it was last closed). Before
// that last wait, the structure is checked once: a writer may have finished
// without closing yet. Anything but a regular file is taken at once; a name
// that is gone leaves the list.
//
// Each answer is one of: nothing to do, take it, remove it, check its
// structure (then call StructureChecked), or wait: look at it again
// (Check) at the time given.
#pragma once

#include <chrono>
#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "shots/list/file_status.h"

class ShotSettlePolicy {
public:
    using Clock = std::chrono::steady_clock;
    using TimePoint = Clock::time_point;
    using Duration = std::chrono::milliseconds;

    static constexpr Duration SETTLE{300};
    static constexpr Duration WRITER_SETTLE{5000};

    enum class Action { Nothing, Take, Remove, CheckStructure, Wait };
    struct Decision {
        Action action = Action::Nothing;
        TimePoint until{};  // Wait: when to Check again
        bool operator==(const Decision&) const = default;
    };

    // What the kernel said of a name.
    struct Event {
        bool closedAfterWrite = false;  // a writer closed it, or it was moved in
        bool written = false;           // its content changed
    };

    void SetSettleTimes(Duration settle, Duration writerSettle)
    {
        m_settle = settle;
        m_writerSettle = writerSettle;
    }

    // A touched name as it is now. knownTime: the time the list has for it,
    // or -1 when it is not listed.
    Decision Touched(const std::string& name, const FileSnapshot& now, Event event, std::int64_t knownTime,
                     TimePoint at);
    // A waiting name looked at again.
    Decision Check(const std::string& name, const FileSnapshot& now, TimePoint at);
    // The answer to CheckStructure.
    Decision StructureChecked(const std::string& name, bool complete, TimePoint at);

    // The earliest time a waiting name is to be looked at again.
    std::optional<TimePoint> NextCheck() const;
    std::vector<std::string> Waiting() const;
    std::size_t WaitingCount() const { return m_waiting.size(); }
    bool IsWaiting(const std::string& name) const { return m_waiting.count(name) != 0; }
    void Forget(const std::string& name) { m_waiting.erase(name); }
    void Clear() { m_waiting.clear(); }

private:
    struct Pending {
        long long size = -1;
        std::int64_t lastWriteTime = 0;
        TimePoint lastChange{};
        bool writerOpen = false;  // written to since its writer last closed it
        bool structureChecked = false;
    };

    // Notes a change of size or time; true when there was one.
    static bool Update(Pending& pending, const FileSnapshot& now, TimePoint at);
    TimePoint Deadline(const Pending& pending) const;
    Decision Finish(const std::string& name, Action action);
    Decision WaitFor(const Pending& pending) const { return Decision{Action::Wait, Deadline(pending)}; }

    Duration m_settle = SETTLE;
    Duration m_writerSettle = WRITER_SETTLE;
    std::map<std::string, Pending> m_waiting;
};
