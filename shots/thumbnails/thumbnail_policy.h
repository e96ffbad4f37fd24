// ThumbnailPolicy: which thumbnail to make next and which to keep in
// memory, without threads; ThumbnailMaker runs it on a WorkerPool.
//
// Order of work: the visible range from its first shot, then outwards from
// it, one shot after, one before, and so on; a shot whose thumbnail is
// current or being made is passed over. A thumbnail in memory counts for
// its path only while the shot's last-write time is the one it was made
// for. When the memory budget is reached, the thumbnail farthest from the
// visible range goes; the work stops where the next one would be the
// farthest itself, until the visible range or the list changes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "shots/shot_record.h"
#include "shots/thumbnails/thumbnail_store.h"

class ThumbnailPolicy {
public:
    // A copy of the list's record: the directory shared, a short name held
    // in place, so a list of a million shots costs little more than its
    // table.
    using Shot = ShotRecord;
    struct Job {
        std::size_t index = 0;
        Shot shot;
    };

    explicit ThumbnailPolicy(std::size_t budgetBytes) : m_budget(budgetBytes) {}

    // The list in the strip's order; thumbnails of unchanged shots stay. A
    // path listed twice keeps its first place. Of a long list, shots may be
    // only those from index start of a list of total (the rest too far from
    // the visible range to be made): no job lies outside them.
    void SetShots(std::vector<Shot> shots, std::size_t start = 0, std::optional<std::size_t> total = std::nullopt);
    // Shots first to end - 1 are on screen; false when they already were.
    bool SetVisible(std::size_t first, std::size_t end);
    // While inactive there is no job (the strip is hidden).
    void SetActive(bool active) { m_active = active; }

    // The next shot without a current thumbnail, from then on being made;
    // none when everything is made or being made, or the budget stopped it.
    std::optional<Job> NextJob();
    // A job's thumbnail, kept unless it is the farthest from the visible
    // range once the budget is reached: then false, and the work stops.
    bool Keep(const Job& job, std::shared_ptr<const Thumbnail> thumbnail);

    // The thumbnail of shot index, when it is in memory and current.
    std::shared_ptr<const Thumbnail> Get(std::size_t index) const;
    bool VisibleReady() const;
    std::size_t ReadyCount() const;
    std::size_t MemoryBytes() const { return m_memoryBytes; }

private:
    struct Entry {
        std::int64_t lastWriteTime = 0;
        std::shared_ptr<const Thumbnail> thumbnail;
        std::size_t bytes = 0;
        std::size_t index = 0;  // the shot's first place in the list, or past any
    };

    bool IsCurrent(std::size_t index) const;
    // The shot at index of the whole list, or null outside the shots held.
    const Shot* ShotAt(std::size_t index) const
    {
        return index >= m_start && index - m_start < m_shots.size() ? &m_shots[index - m_start] : nullptr;
    }
    std::size_t Distance(std::size_t index) const;
    std::size_t PlaceOf(const Job& job) const;

    const std::size_t m_budget;
    std::vector<Shot> m_shots;  // from m_start of a list of m_total
    std::size_t m_start = 0;
    std::size_t m_total = 0;
    std::unordered_map<std::string, Entry> m_memory;       // path -> thumbnail
    std::size_t m_memoryBytes = 0;
    std::size_t m_first = 0, m_end = 0;  // visible range
    std::size_t m_step = 0;              // how far the search from the visible range got
    bool m_full = false;                 // the budget stopped the work
    bool m_active = true;
    std::unordered_set<std::string> m_making;  // paths of jobs given out and not kept yet
};
