#include "shots/follow/shot_settle_policy.h"

bool ShotSettlePolicy::Update(Pending& pending, const FileSnapshot& now, TimePoint at)
{
    if (pending.size == now.size && pending.lastWriteTime == now.lastWriteTime) return false;
    pending.size = now.size;
    pending.lastWriteTime = now.lastWriteTime;
    pending.lastChange = at;
    pending.structureChecked = false;
    return true;
}

ShotSettlePolicy::TimePoint ShotSettlePolicy::Deadline(const Pending& pending) const
{
    // Once the structure has been looked at, only the writer's long wait is left.
    if (pending.writerOpen && pending.structureChecked) return pending.lastChange + m_writerSettle;
    return pending.lastChange + m_settle;
}

ShotSettlePolicy::Decision ShotSettlePolicy::Finish(const std::string& name, Action action)
{
    m_waiting.erase(name);
    return Decision{action};
}

ShotSettlePolicy::Decision ShotSettlePolicy::Touched(const std::string& name, const FileSnapshot& now, Event event,
                                                     std::int64_t knownTime, TimePoint at)
{
    if (!now.present) return Finish(name, Action::Remove);
    // Listed like any entry (a directory named *.gif fails to load).
    if (!now.regular) return Finish(name, Action::Take);
    // Attributes alone (a change of mode, say) change nothing that is shown.
    const auto found = m_waiting.find(name);
    if (!event.closedAfterWrite && !event.written && found == m_waiting.end() && knownTime == now.lastWriteTime) {
        return Decision{};
    }

    Pending& pending = found != m_waiting.end() ? found->second : m_waiting[name];
    Update(pending, now, at);
    if (event.written) pending.writerOpen = true;
    if (event.closedAfterWrite) {
        pending.writerOpen = false;
        return Decision{Action::CheckStructure};
    }
    return WaitFor(pending);
}

ShotSettlePolicy::Decision ShotSettlePolicy::StructureChecked(const std::string& name, bool complete, TimePoint)
{
    const auto found = m_waiting.find(name);
    if (found == m_waiting.end()) return Decision{};
    if (complete) return Finish(name, Action::Take);
    found->second.structureChecked = true;
    return WaitFor(found->second);
}

ShotSettlePolicy::Decision ShotSettlePolicy::Check(const std::string& name, const FileSnapshot& now, TimePoint at)
{
    const auto found = m_waiting.find(name);
    if (found == m_waiting.end()) return Decision{};
    if (!now.present) return Finish(name, Action::Remove);
    if (!now.regular) return Finish(name, Action::Take);
    Pending& pending = found->second;
    if (Update(pending, now, at)) return WaitFor(pending);

    const auto quiet = at - pending.lastChange;
    if (quiet < m_settle) return WaitFor(pending);
    if (!pending.writerOpen) return Finish(name, Action::Take);
    // A writer that holds it open this long is not writing any more.
    if (quiet >= m_writerSettle) return Finish(name, Action::Take);
    // The writer may have finished and not yet closed it.
    if (!pending.structureChecked) return Decision{Action::CheckStructure};
    return WaitFor(pending);
}

std::optional<ShotSettlePolicy::TimePoint> ShotSettlePolicy::NextCheck() const
{
    std::optional<TimePoint> next;
    for (const auto& [name, pending] : m_waiting) {
        const TimePoint deadline = Deadline(pending);
        if (!next || deadline < *next) next = deadline;
    }
    return next;
}

std::vector<std::string> ShotSettlePolicy::Waiting() const
{
    std::vector<std::string> names;
    names.reserve(m_waiting.size());
    for (const auto& entry : m_waiting) names.push_back(entry.first);
    return names;
}
