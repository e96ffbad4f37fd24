// ThumbnailMaker: makes the thumbnails of a list of shots in the background,
// the visible ones first, keeps them in memory within a budget and on disk
// (ThumbnailStore), so a second open of a directory finds them at once.
//
// Who owns what across threads:
// - The caller's thread (the user-interface thread) owns the maker. It
//   alone calls SetShots, SetVisible, SetActive and Get; it never waits on
//   a decode, only on the mutex, which the worker holds for bookkeeping and
//   never while reading, decoding, scaling or writing a file.
// - The workers (two std::threads, started with the maker, at low
//   priority; one on a single core) own nothing of the caller's: it works on copies of a shot's path and
//   time taken under the mutex, and never touches the document or its
//   records.
// - Under the mutex: the list (paths and times), the visible range, where
//   the next job is sought, the paths being made (so no two workers make
//   one), and the memory table. Thumbnails are immutable
//   once made and shared (shared_ptr<const>), so a caller may keep one past
//   any eviction.
// - The ready callback runs on the worker, without the mutex; it must only
//   hand work over to the caller's thread (post an event).
//
// Order of work: the visible range from its first shot, then outwards from
// it, one shot after, one before, and so on. A thumbnail in memory counts
// for its path only while the shot's last-write time is the one it was made
// for; a changed file misses on disk too, since its size or time is part of
// the key there. When the memory budget is reached, the thumbnail farthest
// from the visible range goes; the worker stops where the next one would be
// the farthest itself, until the visible range moves.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "shots/thumbnails/thumbnail_store.h"

class ThumbnailMaker {
public:
    // About 3000 thumbnails of 16:9 shots; the rest wait on disk.
    static constexpr std::size_t DEFAULT_BUDGET_BYTES = std::size_t(64) << 20;

    struct Options {
        std::string directory = DefaultThumbnailDirectory();  // empty: memory only
        std::size_t budgetBytes = DEFAULT_BUDGET_BYTES;
        // Off: no thread; the caller runs the jobs with MakeNext (tests).
        bool worker = true;
    };

    struct Shot {
        std::string path;
        std::int64_t lastWriteTime = 0;  // as listed
    };

    explicit ThumbnailMaker(Options options);
    ~ThumbnailMaker();
    ThumbnailMaker(const ThumbnailMaker&) = delete;
    ThumbnailMaker& operator=(const ThumbnailMaker&) = delete;

    // The list in the strip's order; thumbnails of unchanged shots stay.
    void SetShots(std::vector<Shot> shots);
    // Shots first to end - 1 are on screen.
    void SetVisible(std::size_t first, std::size_t end);
    // While inactive the worker waits (the strip is hidden).
    void SetActive(bool active);
    // Called on the worker after each thumbnail it put in memory.
    void SetReadyCallback(std::function<void()> ready);

    // The thumbnail of shot index, when it is ready and current.
    std::shared_ptr<const Thumbnail> Get(std::size_t index) const;
    // Every shot of the visible range has its thumbnail.
    bool VisibleReady() const;
    // Thumbnails in memory that are current for the list.
    std::size_t ReadyCount() const;

    // Makes the next thumbnail on the calling thread; false when there is
    // nothing left to make. For a maker without a worker.
    bool MakeNext();

    // How thumbnails came, so far: decoded from the shot, or read from disk.
    std::size_t Decoded() const { return m_decoded; }
    std::size_t ReadFromDisk() const { return m_readFromDisk; }
    std::size_t MemoryBytes() const;

private:
    struct Entry {
        std::int64_t lastWriteTime = 0;
        std::shared_ptr<const Thumbnail> thumbnail;
        std::size_t bytes = 0;
    };
    struct Job {
        std::size_t index = 0;
        Shot shot;
    };

    void Run();
    // Under the mutex: the next shot without a current thumbnail.
    bool NextJob(Job& job);
    bool IsCurrent(std::size_t index) const;
    // Outside the mutex: disk, then the file itself.
    std::shared_ptr<const Thumbnail> Make(const Job& job);
    // Under the mutex; false when it was not kept (the farthest itself).
    bool Keep(const Job& job, std::shared_ptr<const Thumbnail> thumbnail);
    // Make, then Keep, then the ready callback when it was kept.
    void MakeAndKeep(const Job& job);
    std::size_t Distance(std::size_t index) const;

    ThumbnailStore m_store;
    const std::size_t m_budget;

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::vector<Shot> m_shots;
    std::unordered_map<std::string, std::size_t> m_indexOf;  // path -> index in m_shots
    std::unordered_map<std::string, Entry> m_memory;       // path -> thumbnail
    std::size_t m_memoryBytes = 0;
    std::size_t m_first = 0, m_end = 0;  // visible range
    std::size_t m_step = 0;              // how far the search from the visible range got
    bool m_full = false;                 // the budget stopped the work
    bool m_active = true;
    bool m_stop = false;
    std::function<void()> m_ready;
    std::atomic<std::size_t> m_decoded{0}, m_readFromDisk{0};

    std::unordered_set<std::string> m_making;  // paths a worker has taken

    std::vector<std::thread> m_workers;  // last: start once everything above exists
};
