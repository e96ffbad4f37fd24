#include "shots/cache/shot_cache.h"

#include <algorithm>
#include <chrono>
#include <thread>

// ---- ShotCachePolicy

std::size_t ShotCachePolicy::ImageBytes(const CDibImage* image)
{
    if (!image) return 0;
    std::size_t bytes = sizeof(CDibImage);
    if (!image->IsEmpty()) bytes += image->GetDibSize();
    if (image->AlphaPlane()) bytes += std::size_t(image->Width()) * std::size_t(image->Height());
    return bytes;
}

std::size_t ShotCachePolicy::Rank(const std::string& path) const
{
    const auto found = m_rank.find(path);
    return found == m_rank.end() ? NOT_WANTED : found->second;
}

void ShotCachePolicy::SetWanted(std::vector<std::string> paths, const std::string& keptPath, DecodedShot kept)
{
    m_wanted = std::move(paths);
    m_rank.clear();
    m_rank.reserve(m_wanted.size());
    for (std::size_t i = 0; i < m_wanted.size(); ++i) m_rank.emplace(m_wanted[i], i);
    for (auto entry = m_entries.begin(); entry != m_entries.end();) {
        const auto next = std::next(entry);
        if (Rank(entry->first) == NOT_WANTED) Drop(entry);
        entry = next;
    }
    if (!kept.image) return;
    const std::size_t rank = Rank(keptPath);
    if (rank == NOT_WANTED) return;
    // Read already: a running job for it no longer counts.
    m_jobs.erase(keptPath);
    if (const auto held = m_entries.find(keptPath); held != m_entries.end()) Drop(held);
    Hold(keptPath, rank, std::move(kept));
}

void ShotCachePolicy::Drop(std::unordered_map<std::string, Entry>::iterator entry)
{
    m_used -= entry->second.bytes;
    m_entries.erase(entry);
}

bool ShotCachePolicy::MakeRoom(std::size_t bytes, std::size_t rank)
{
    if (bytes > m_budget) return false;
    // What dropping every farther entry would free, before dropping any.
    std::size_t farther = 0;
    for (const auto& [path, entry] : m_entries) {
        if (Rank(path) > rank) farther += entry.bytes;
    }
    if (m_used - farther + bytes > m_budget) return false;
    while (m_used + bytes > m_budget) {
        auto farthest = m_entries.end();
        std::size_t farthestRank = rank;
        for (auto entry = m_entries.begin(); entry != m_entries.end(); ++entry) {
            const std::size_t entryRank = Rank(entry->first);
            if (entryRank > farthestRank) {
                farthestRank = entryRank;
                farthest = entry;
            }
        }
        Drop(farthest);
    }
    return true;
}

void ShotCachePolicy::Hold(const std::string& path, std::size_t rank, DecodedShot shot)
{
    const std::size_t bytes = ImageBytes(shot.image.get());
    if (shot.image) m_estimate = bytes;
    if (!MakeRoom(bytes, rank)) return;
    m_used += bytes;
    m_entries[path] = Entry{shot.stamp, std::move(shot.image), bytes};
}

void ShotCachePolicy::SetConcurrency(std::size_t steady, std::size_t whenSlow, double slowMs)
{
    m_steady = steady;
    m_whenSlow = whenSlow;
    m_slowMs = slowMs;
}

std::size_t ShotCachePolicy::Concurrency() const
{
    // Before the first decode is measured every worker helps: playing may
    // start at once, and a slow type then falls behind from the first shot.
    return m_decodeMs == 0 || m_decodeMs >= m_slowMs ? m_whenSlow : m_steady;
}

std::optional<ShotCachePolicy::Job> ShotCachePolicy::NextJob()
{
    if (m_jobs.size() >= Concurrency()) return std::nullopt;
    for (std::size_t rank = 0; rank < m_wanted.size(); ++rank) {
        const std::string& path = m_wanted[rank];
        if (m_entries.count(path) || m_jobs.count(path)) continue;
        // Room for this one and for those running, which are all nearer.
        if (!MakeRoom(m_estimate * (m_jobs.size() + 1), rank)) return std::nullopt;
        const Job job{path, m_nextJob++};
        m_jobs[path] = job.id;
        return job;
    }
    return std::nullopt;
}

void ShotCachePolicy::Finish(const Job& job, DecodedShot shot, double decodeMs)
{
    // Weighted to the last few decodes: a directory of another type, or a
    // run of failures, changes it within a few shots.
    if (decodeMs > 0) m_decodeMs = m_decodeMs == 0 ? decodeMs : 0.7 * m_decodeMs + 0.3 * decodeMs;
    const auto running = m_jobs.find(job.path);
    if (running == m_jobs.end() || running->second != job.id) return;
    m_jobs.erase(running);
    const std::size_t rank = Rank(job.path);
    if (rank == NOT_WANTED) return;
    // Held even without an image (out of memory), so that it is not tried
    // again and again; taking it gives nothing, and it is read on the spot.
    Hold(job.path, rank, std::move(shot));
}

std::unique_ptr<CDibImage> ShotCachePolicy::Take(const std::string& path, const FileSnapshot& current)
{
    const auto held = m_entries.find(path);
    if (held == m_entries.end()) return nullptr;
    std::unique_ptr<CDibImage> image;
    if (held->second.stamp == current) image = std::move(held->second.image);
    Drop(held);
    return image;
}

void ShotCachePolicy::Invalidate(const std::string& path)
{
    m_jobs.erase(path);
    if (const auto held = m_entries.find(path); held != m_entries.end()) Drop(held);
}

void ShotCachePolicy::Clear()
{
    m_jobs.clear();
    m_entries.clear();
    m_used = 0;
}

// ---- ShotCache

ShotCache::ShotCache(std::size_t budgetBytes, int workers, Decoder decoder, Status status)
    : m_policy(budgetBytes),
      m_decoder(std::move(decoder)),
      m_status(std::move(status)),
      m_pool([this] { return TakeJob(); }, workers)
{
    const auto lock = m_pool.Lock();
    const std::size_t all = std::size_t(std::max(workers, 1));
    m_policy.SetConcurrency(std::min<std::size_t>(all, SteadyWorkers()), all, SLOW_DECODE_MS);
}

ShotCache::~ShotCache() { Stop(); }

int ShotCache::DefaultWorkers() { return std::thread::hardware_concurrency() >= 2 ? 2 : 1; }

std::size_t ShotCache::SteadyWorkers() { return std::thread::hardware_concurrency() > 2 ? 2 : 1; }

void ShotCache::Stop() { m_pool.Stop(); }

DecodedShot ShotCache::Decode(const std::string& path)
{
    try {
        return m_decoder(path);
    } catch (...) {
        // Out of memory on the way: nothing to hold, the document reads it
        // itself when it is shown.
        return DecodedShot();
    }
}

WorkerPool::Job ShotCache::TakeJob()
{
    // The workers beyond those allowed now stay asleep rather than take
    // turns: each worker that decodes keeps memory of its own.
    if (WorkerPool::CurrentWorker() >= m_policy.Concurrency()) return nullptr;
    std::optional<ShotCachePolicy::Job> job = m_policy.NextJob();
    if (!job) return nullptr;
    return [this, job = std::move(*job)] {
        const auto start = std::chrono::steady_clock::now();
        DecodedShot shot = Decode(job.path);
        const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
        bool more = false;
        {
            const auto lock = m_pool.Lock();
            const std::size_t before = m_policy.Concurrency();
            m_policy.Finish(job, std::move(shot), took.count());
            more = m_policy.Concurrency() > before;
        }
        // Decodes turned slow: the workers asleep may take a share now.
        if (more) m_pool.Notify();
    };
}

bool ShotCache::RunOne() { return m_pool.RunOne(); }

void ShotCache::SetWanted(std::vector<std::string> paths, const std::string& keptPath, DecodedShot kept)
{
    {
        const auto lock = m_pool.Lock();
        m_policy.SetWanted(std::move(paths), keptPath, std::move(kept));
    }
    m_pool.Notify();
}

std::unique_ptr<CDibImage> ShotCache::Take(const std::string& path, FileSnapshot& current)
{
    current = m_status(path);
    std::unique_ptr<CDibImage> image;
    {
        const auto lock = m_pool.Lock();
        image = m_policy.Take(path, current);
    }
    m_pool.Notify();
    return image;
}

void ShotCache::Invalidate(const std::string& path)
{
    {
        const auto lock = m_pool.Lock();
        m_policy.Invalidate(path);
    }
    m_pool.Notify();
}

void ShotCache::Clear()
{
    {
        const auto lock = m_pool.Lock();
        m_policy.Clear();
    }
    m_pool.Notify();
}

double ShotCache::AverageDecodeMs() const
{
    const auto lock = m_pool.Lock();
    return m_policy.AverageDecodeMs();
}

std::size_t ShotCache::Budget() const
{
    const auto lock = m_pool.Lock();
    return m_policy.Budget();
}

std::size_t ShotCache::UsedBytes() const
{
    const auto lock = m_pool.Lock();
    return m_policy.UsedBytes();
}

bool ShotCache::Holds(const std::string& path) const
{
    const auto lock = m_pool.Lock();
    return m_policy.Holds(path);
}
