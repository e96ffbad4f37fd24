// ShotCache: the shots around the cursor, decoded ahead of time on worker
// threads, so that showing the next one is only taking it.
//
// Who owns what across threads:
// - The owner's thread (the document's, which is the user-interface thread)
//   makes, calls and destroys the cache; every public member is for it. The
//   cache never sees the document: it is told which paths it wants, nearest
//   first (SetWanted), and hands decoded images over (Take).
// - The workers are a WorkerPool's (worker_pool.h), whose mutex guards the
//   policy (entries held, paths wanted, jobs running). A worker holds it
//   only to pick a job and to hand in the result, never while it reads or
//   decodes a file.
// - A job's path is the worker's own copy. The image a worker decodes is the
//   worker's alone until handed in, then the policy's, then, once taken,
//   the caller's: no image is ever reachable from two threads at once.
// - Stop (and the destructor) ends and joins the workers; once it returns
//   no worker runs. A job whose path was invalidated or cleared while it
//   ran is dropped when handed in.
//
// An entry is good only while its file is what it was read from: the same
// size and last-write time (file_status.h), looked at when it is taken.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>
#include <vector>

#include "image/dib_image.h"
#include "shots/cache/shot_reader.h"
#include "shots/cache/worker_pool.h"
#include "shots/list/file_status.h"

// What to decode next and what to drop, without threads. Paths are wanted
// in order of need (rank 0 first). Within the budget, a wanted path neither
// held nor being decoded is decoded nearest first; to make room the entries
// of the highest rank (the farthest) are dropped first, and an entry that
// is no longer wanted is dropped at once.
class ShotCachePolicy {
public:
    struct Job {
        std::string path;
        std::uint64_t id = 0;
    };

    explicit ShotCachePolicy(std::size_t budgetBytes) : m_budget(budgetBytes) {}

    std::size_t Budget() const { return m_budget; }
    std::size_t UsedBytes() const { return m_used; }
    std::size_t HeldCount() const { return m_entries.size(); }
    bool Holds(const std::string& path) const { return m_entries.count(path) != 0; }
    bool Decoding(const std::string& path) const { return m_jobs.count(path) != 0; }
    const std::vector<std::string>& Wanted() const { return m_wanted; }

    // The paths wanted now, nearest first; a repeated path keeps its first
    // rank. kept, when it has an image and its path is wanted, is held too
    // (the shot that leaves the screen).
    void SetWanted(std::vector<std::string> paths, const std::string& keptPath = std::string(),
                   DecodedShot kept = DecodedShot());
    // The nearest wanted path to decode, once farther entries are dropped to
    // make room for it (a new image is taken to be as large as the last one
    // handed in); none when everything wanted is held or running, or nothing
    // farther can make room.
    std::optional<Job> NextJob();
    // A job's result, and how long the decode took (0: not measured). Held
    // when the job still counts and its path is wanted and fits (farther
    // entries dropped for it); otherwise dropped.
    void Finish(const Job& job, DecodedShot shot, double decodeMs = 0);

    // How many jobs may run at once: steady while decodes are quick, and
    // whenSlow once the recent decodes take slowMs or more on average (a
    // PNG photo, say), so a second core decodes only where one cannot keep
    // up and is otherwise left to the screen; until a decode is measured,
    // whenSlow. No limit until set.
    void SetConcurrency(std::size_t steady, std::size_t whenSlow, double slowMs);
    std::size_t Concurrency() const;
    double AverageDecodeMs() const { return m_decodeMs; }
    // The image held for path when its stamp equals current; null otherwise.
    // Either way path is no longer held.
    std::unique_ptr<CDibImage> Take(const std::string& path, const FileSnapshot& current);
    // Drops path's entry and makes its running job not count.
    void Invalidate(const std::string& path);
    // Drops every entry and makes every running job not count.
    void Clear();

    // The memory an image holds.
    static std::size_t ImageBytes(const CDibImage* image);

private:
    struct Entry {
        FileSnapshot stamp;
        std::unique_ptr<CDibImage> image;
        std::size_t bytes = 0;
    };
    static constexpr std::size_t NOT_WANTED = std::size_t(-1);

    std::size_t Rank(const std::string& path) const;
    // Drops entries farther than rank until bytes more fit; false when they
    // cannot (then nothing is dropped).
    bool MakeRoom(std::size_t bytes, std::size_t rank);
    void Hold(const std::string& path, std::size_t rank, DecodedShot shot);
    void Drop(std::unordered_map<std::string, Entry>::iterator entry);

    std::size_t m_budget;
    std::size_t m_used = 0;
    std::size_t m_estimate = 0;  // bytes of the image last handed in
    std::uint64_t m_nextJob = 1;
    std::vector<std::string> m_wanted;
    std::unordered_map<std::string, std::size_t> m_rank;
    std::unordered_map<std::string, Entry> m_entries;
    std::unordered_map<std::string, std::uint64_t> m_jobs;  // running, by path
    std::size_t m_steady = std::size_t(-1);
    std::size_t m_whenSlow = std::size_t(-1);
    double m_slowMs = 0;
    double m_decodeMs = 0;  // a moving average of the decodes measured
};

class ShotCache {
public:
    using Decoder = std::function<DecodedShot(const std::string& path)>;
    using Status = std::function<FileSnapshot(const std::string& path)>;

    // workers 0: nothing runs by itself, RunOne does the next job on the
    // caller's thread (tests). decoder and status stand in for the files.
    // Beyond the first worker (or two where there are more than two cores)
    // the others decode only while decodes are slow (ShotCachePolicy::
    // SetConcurrency).
    ShotCache(std::size_t budgetBytes, int workers, Decoder decoder = ReadShotFile,
              Status status = SnapshotAsListed);
    ~ShotCache();
    ShotCache(const ShotCache&) = delete;
    ShotCache& operator=(const ShotCache&) = delete;
    // While two runs are compared both read-aheads run at this niceness:
    // reading ahead serves the thread that shows the shots and must not
    // take its core, as two read-aheads on two cores otherwise would. One
    // run alone keeps the process's, which a slow type (PNG) needs to keep
    // up.
    static constexpr int COMPARE_NICENESS = 10;
    void SetNiceness(int niceness) { m_pool.SetNiceness(niceness); }

    // A decode at least this slow on average puts every worker to work.
    static constexpr double SLOW_DECODE_MS = 20;

    // See ShotCachePolicy.
    void SetWanted(std::vector<std::string> paths, const std::string& keptPath = std::string(),
                   DecodedShot kept = DecodedShot());
    // The image decoded ahead for path when it is ready and its file is
    // unchanged (current, its status now, is set either way); otherwise null.
    std::unique_ptr<CDibImage> Take(const std::string& path, FileSnapshot& current);
    void Invalidate(const std::string& path);
    void Clear();

    // Does the next job here; false when there was none.
    bool RunOne();
    // Ends and joins the workers; the cache then only holds and hands over.
    void Stop();

    std::size_t Budget() const;
    // The recent decodes' average time, 0 before the first.
    double AverageDecodeMs() const;
    std::size_t UsedBytes() const;
    bool Holds(const std::string& path) const;

    // Workers worth having on this machine: 2 where there are 2 cores or
    // more, of which only SteadyWorkers run while decodes are quick.
    static int DefaultWorkers();
    // The workers that decode even while decodes are quick.
    static std::size_t SteadyWorkers();

private:
    // Under the pool's mutex: the next job, which decodes without the mutex
    // and hands the result in.
    WorkerPool::Job TakeJob();
    DecodedShot Decode(const std::string& path);

    ShotCachePolicy m_policy;  // under m_pool's mutex
    Decoder m_decoder;
    Status m_status;
    WorkerPool m_pool;  // last: its workers start at once
};
