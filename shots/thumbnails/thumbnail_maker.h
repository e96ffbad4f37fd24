// ThumbnailMaker: makes the thumbnails of a list of shots in the background,
// the visible ones first, keeps them in memory within a budget and on disk
// (ThumbnailStore), so a second open of a directory finds them at once.
//
// Who owns what across threads:
// - The caller's thread (the user-interface thread) owns the maker. It
//   alone calls SetShots, SetVisible, SetActive and Get; it never waits on
//   a decode, only on the pool's mutex, which a worker holds for
//   bookkeeping and never while reading, decoding, scaling or writing a
//   file.
// - The workers are a WorkerPool's (shots/cache/worker_pool.h): two
//   std::threads, started with the maker, at low priority; one on a single
//   core. They own nothing of the caller's: a job works on a copy of its
//   shot's path and time taken under the mutex, and never touches the
//   document or its records.
// - Under the pool's mutex: the policy (thumbnail_policy.h) with the list,
//   the visible range, where the next job is sought, the paths being made
//   (so no two workers make one) and the memory table, and the ready
//   callback. Thumbnails are immutable once made and shared
//   (shared_ptr<const>), so a caller may keep one past any eviction.
// - The ready callback runs on the worker, without the mutex; it must only
//   hand work over to the caller's thread (post an event).
//
// What is made when, and what stays in memory, is ThumbnailPolicy's. A
// changed file misses on disk too, since its size or time is part of the
// key there.
#pragma once

#include <atomic>
#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "shots/cache/worker_pool.h"
#include "shots/thumbnails/thumbnail_policy.h"
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

    using Shot = ThumbnailPolicy::Shot;

    explicit ThumbnailMaker(Options options);
    ~ThumbnailMaker();
    ThumbnailMaker(const ThumbnailMaker&) = delete;
    ThumbnailMaker& operator=(const ThumbnailMaker&) = delete;

    // The list in the strip's order; thumbnails of unchanged shots stay.
    // Of a long list, the shots from start of total (ThumbnailPolicy).
    void SetShots(std::vector<Shot> shots, std::size_t start = 0, std::optional<std::size_t> total = std::nullopt);
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
    using Job = ThumbnailPolicy::Job;

    // Under the pool's mutex: the next job, which makes its thumbnail
    // without the mutex and keeps it.
    WorkerPool::Job TakeJob();
    // Outside the mutex: disk, then the file itself.
    std::shared_ptr<const Thumbnail> Make(const Job& job);
    // Make, then Keep, then the ready callback when it was kept.
    void MakeAndKeep(const Job& job);

    ThumbnailStore m_store;
    ThumbnailPolicy m_policy;      // under m_pool's mutex
    std::function<void()> m_ready;  // under m_pool's mutex
    std::atomic<std::size_t> m_decoded{0}, m_readFromDisk{0};
    WorkerPool m_pool;  // last: its workers start at once
};
