#include "shots/playback/play_order.h"

#include <algorithm>

std::ptrdiff_t PlayOrder::Find(const CKESTRELDoc& doc, const Point& point)
{
    if (!point.record) return -1;
    const auto& shots = doc.Shots();
    auto at = std::lower_bound(shots.begin(), shots.end(), point.time,
                               [](const std::unique_ptr<ShotRecord>& shot, std::int64_t time) {
                                   return shot->lastWriteTime < time;
                               });
    for (; at != shots.end() && (*at)->lastWriteTime == point.time; ++at) {
        if (at->get() == point.record) return at - shots.begin();
    }
    return -1;
}

bool PlayOrder::HasRange(const CKESTRELDoc& doc) const
{
    return Find(doc, m_in) >= 0 || Find(doc, m_out) >= 0;
}

std::int64_t PlayOrder::First(const CKESTRELDoc& doc) const
{
    const std::ptrdiff_t at = Find(doc, m_in);
    return at >= 0 ? at : 0;
}

std::int64_t PlayOrder::Last(const CKESTRELDoc& doc) const
{
    const std::ptrdiff_t at = Find(doc, m_out);
    return at >= 0 ? at : std::int64_t(doc.ShotCount()) - 1;
}

void PlayOrder::SetIn(const CKESTRELDoc& doc, std::size_t index)
{
    if (index >= doc.ShotCount()) return;
    m_in = At(doc, index);
    const std::ptrdiff_t out = Find(doc, m_out);
    if (out >= 0 && out < std::ptrdiff_t(index)) m_out = m_in;
}

void PlayOrder::SetOut(const CKESTRELDoc& doc, std::size_t index)
{
    if (index >= doc.ShotCount()) return;
    m_out = At(doc, index);
    if (Find(doc, m_in) > std::ptrdiff_t(index)) m_in = m_out;
}

void PlayOrder::ClearRange()
{
    m_in = Point{};
    m_out = Point{};
}

std::optional<std::int64_t> PlayOrder::NextWhilePlaying(const CKESTRELDoc& doc, std::int64_t displayed)
{
    const std::int64_t first = First(doc);
    const std::int64_t last = Last(doc);
    if (last < first) return std::nullopt;
    if (displayed < first || displayed > last) return reverse ? last : first;
    const std::int64_t step = reverse ? -1 : 1;
    const std::int64_t next = displayed + step;
    if (next >= first && next <= last) return next;
    switch (loop) {
    case LoopMode::Wrap:
        return reverse ? last : first;
    case LoopMode::PingPong:
        reverse = !reverse;
        return first == last ? displayed : displayed - step;
    case LoopMode::Once:
        break;
    }
    return std::nullopt;
}

LoopMode PlayOrder::NextLoopMode(LoopMode mode)
{
    switch (mode) {
    case LoopMode::Wrap:
        return LoopMode::PingPong;
    case LoopMode::PingPong:
        return LoopMode::Once;
    case LoopMode::Once:
        break;
    }
    return LoopMode::Wrap;
}
