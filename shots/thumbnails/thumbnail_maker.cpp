#include "shots/thumbnails/thumbnail_maker.h"

#include <algorithm>
#include <optional>
#include <thread>

namespace {

// Below the user-interface thread and the shot loading, so that neither
// waits for a thumbnail when the cores are busy.
constexpr int WORKER_NICENESS = 10;
// Two make the visible thumbnails of a newly opened directory in half the
// time; more would take the cores from the shot loading.
constexpr unsigned MAX_WORKERS = 2;

int WorkerCount(bool worker)
{
    return worker ? int(std::clamp(std::thread::hardware_concurrency(), 1u, MAX_WORKERS)) : 0;
}

}  // namespace

ThumbnailMaker::ThumbnailMaker(Options options)
    : m_store(std::move(options.directory)),
      m_policy(options.budgetBytes),
      m_pool([this] { return TakeJob(); }, WorkerCount(options.worker), WORKER_NICENESS)
{
}

ThumbnailMaker::~ThumbnailMaker() { m_pool.Stop(); }

void ThumbnailMaker::SetShots(std::vector<Shot> shots, std::size_t start, std::optional<std::size_t> total)
{
    {
        const auto lock = m_pool.Lock();
        m_policy.SetShots(std::move(shots), start, total);
    }
    m_pool.Notify();
}

void ThumbnailMaker::SetVisible(std::size_t first, std::size_t end)
{
    {
        const auto lock = m_pool.Lock();
        if (!m_policy.SetVisible(first, end)) return;
    }
    m_pool.Notify();
}

void ThumbnailMaker::SetActive(bool active)
{
    {
        const auto lock = m_pool.Lock();
        m_policy.SetActive(active);
    }
    m_pool.Notify();
}

void ThumbnailMaker::SetReadyCallback(std::function<void()> ready)
{
    const auto lock = m_pool.Lock();
    m_ready = std::move(ready);
}

std::shared_ptr<const Thumbnail> ThumbnailMaker::Get(std::size_t index) const
{
    const auto lock = m_pool.Lock();
    return m_policy.Get(index);
}

bool ThumbnailMaker::VisibleReady() const
{
    const auto lock = m_pool.Lock();
    return m_policy.VisibleReady();
}

std::size_t ThumbnailMaker::ReadyCount() const
{
    const auto lock = m_pool.Lock();
    return m_policy.ReadyCount();
}

std::size_t ThumbnailMaker::MemoryBytes() const
{
    const auto lock = m_pool.Lock();
    return m_policy.MemoryBytes();
}

std::shared_ptr<const Thumbnail> ThumbnailMaker::Make(const Job& job)
{
    // The key on disk is the file's as it is now; a listing older than a
    // rewrite finds the new picture, and the follower lists it again.
    if (const std::optional<ThumbnailKey> key = ThumbnailKeyOf(job.shot.Path())) {
        if (std::optional<Thumbnail> kept = m_store.Read(*key)) {
            ++m_readFromDisk;
            return std::make_shared<const Thumbnail>(std::move(*kept));
        }
    }
    std::optional<ThumbnailKey> read;
    auto made = std::make_shared<const Thumbnail>(MakeThumbnail(job.shot.Path(), read));
    ++m_decoded;
    if (read) m_store.Write(*read, *made);
    return made;
}

void ThumbnailMaker::MakeAndKeep(const Job& job)
{
    std::shared_ptr<const Thumbnail> thumbnail = Make(job);
    std::function<void()> ready;
    {
        const auto lock = m_pool.Lock();
        // Once the maker stops, nothing more is kept and nobody is told.
        if (!m_pool.Stopping() && m_policy.Keep(job, std::move(thumbnail))) ready = m_ready;
    }
    if (ready) ready();
}

WorkerPool::Job ThumbnailMaker::TakeJob()
{
    std::optional<Job> job = m_policy.NextJob();
    if (!job) return nullptr;
    return [this, job = std::move(*job)] { MakeAndKeep(job); };
}

bool ThumbnailMaker::MakeNext() { return m_pool.RunOne(); }
