#include "shots/thumbnails/thumbnail_policy.h"

#include <algorithm>
#include <limits>

namespace {

// What an entry costs besides its pixels: the table's node, the path.
constexpr std::size_t ENTRY_OVERHEAD = 128;
constexpr std::size_t FARTHEST = std::numeric_limits<std::size_t>::max();

}  // namespace

void ThumbnailPolicy::SetShots(std::vector<Shot> shots, std::size_t start, std::optional<std::size_t> total)
{
    m_shots = std::move(shots);
    m_start = start;
    m_total = std::max(total.value_or(start + m_shots.size()), start + m_shots.size());
    // Each thumbnail in memory learns its shot's place in the new list.
    for (auto& [path, entry] : m_memory) entry.index = FARTHEST;
    for (std::size_t i = 0; i < m_shots.size() && !m_memory.empty(); ++i) {
        const auto found = m_memory.find(m_shots[i].Path());
        if (found != m_memory.end() && found->second.index == FARTHEST) found->second.index = m_start + i;
    }
    m_step = 0;
    m_full = false;
}

bool ThumbnailPolicy::SetVisible(std::size_t first, std::size_t end)
{
    if (first == m_first && end == m_end) return false;
    m_first = first;
    m_end = std::max(first, end);
    m_step = 0;
    m_full = false;
    return true;
}

std::shared_ptr<const Thumbnail> ThumbnailPolicy::Get(std::size_t index) const
{
    const Shot* shot = ShotAt(index);
    if (!shot) return nullptr;
    const auto found = m_memory.find(shot->Path());
    if (found == m_memory.end() || found->second.lastWriteTime != shot->lastWriteTime) return nullptr;
    return found->second.thumbnail;
}

bool ThumbnailPolicy::VisibleReady() const
{
    for (std::size_t i = m_first; i < std::min(m_end, m_total); ++i) {
        if (!IsCurrent(i)) return false;
    }
    return true;
}

std::size_t ThumbnailPolicy::ReadyCount() const
{
    std::size_t ready = 0;
    for (std::size_t i = 0; i < m_shots.size(); ++i) ready += IsCurrent(m_start + i) ? 1 : 0;
    return ready;
}

bool ThumbnailPolicy::IsCurrent(std::size_t index) const
{
    const Shot* shot = ShotAt(index);
    if (!shot) return false;
    const auto found = m_memory.find(shot->Path());
    return found != m_memory.end() && found->second.lastWriteTime == shot->lastWriteTime;
}

std::size_t ThumbnailPolicy::PlaceOf(const Job& job) const
{
    const std::string path = job.shot.Path();
    const auto same = [&](const Shot* shot) { return shot && shot->name == job.shot.name && shot->Path() == path; };
    if (same(ShotAt(job.index))) return job.index;
    // The list changed while the job ran.
    for (std::size_t i = 0; i < m_shots.size(); ++i) {
        if (same(&m_shots[i])) return m_start + i;
    }
    return FARTHEST;
}

std::size_t ThumbnailPolicy::Distance(std::size_t index) const
{
    if (index < m_first) return m_first - index;
    if (index >= m_end) return index - m_end + 1;
    return 0;
}

std::optional<ThumbnailPolicy::Job> ThumbnailPolicy::NextJob()
{
    if (m_full || !m_active) return std::nullopt;
    const std::size_t count = m_total;
    const std::size_t first = std::min(m_first, count);
    const std::size_t end = std::min(m_end, count);
    const std::size_t visible = end - first;
    // The visible range, then one after it, one before it, and so on, as
    // far as the shots held reach.
    const std::size_t heldEnd = m_start + m_shots.size();
    const std::size_t after = heldEnd > end ? heldEnd - end : 0;
    const std::size_t before = first > m_start ? first - m_start : 0;
    const std::size_t steps = visible + 2 * std::max(before, after);
    for (; m_step < steps; ++m_step) {
        std::size_t index = 0;
        if (m_step < visible) {
            index = first + m_step;
        } else {
            const std::size_t out = m_step - visible;
            const std::size_t reach = out / 2;
            if (out % 2 == 0) {
                if (reach >= after) continue;
                index = end + reach;
            } else {
                if (reach >= before) continue;
                index = first - 1 - reach;
            }
        }
        const Shot* shot = ShotAt(index);
        if (!shot || IsCurrent(index)) continue;
        if (!m_making.insert(shot->Path()).second) continue;
        ++m_step;
        return Job{index, *shot};
    }
    return std::nullopt;
}

bool ThumbnailPolicy::Keep(const Job& job, std::shared_ptr<const Thumbnail> thumbnail)
{
    const std::string path = job.shot.Path();
    m_making.erase(path);
    const std::size_t bytes = thumbnail->pixels.size() * sizeof(std::uint32_t) + path.size() + ENTRY_OVERHEAD;
    Entry& entry = m_memory[path];
    m_memoryBytes -= entry.bytes;
    entry = Entry{job.shot.lastWriteTime, std::move(thumbnail), bytes, PlaceOf(job)};
    m_memoryBytes += bytes;
    while (m_memoryBytes > m_budget && !m_memory.empty()) {
        auto farthest = m_memory.end();
        std::size_t distance = 0;
        for (auto it = m_memory.begin(); it != m_memory.end(); ++it) {
            const std::size_t d = it->second.index == FARTHEST ? FARTHEST : Distance(it->second.index);
            if (farthest == m_memory.end() || d > distance) {
                farthest = it;
                distance = d;
            }
        }
        const bool itself = farthest->first == path;
        m_memoryBytes -= farthest->second.bytes;
        m_memory.erase(farthest);
        if (itself) {
            m_full = true;
            return false;
        }
    }
    return true;
}
