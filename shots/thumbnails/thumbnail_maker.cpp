#include "shots/thumbnails/thumbnail_maker.h"

#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <limits>

namespace {

// Below the user-interface thread and the shot loading, so that neither
// waits for a thumbnail when the cores are busy.
constexpr int WORKER_NICENESS = 10;
// Two make the visible thumbnails of a newly opened directory in half the
// time; more would take the cores from the shot loading.
constexpr unsigned MAX_WORKERS = 2;
// What an entry costs besides its pixels: the table's node, the path.
constexpr std::size_t ENTRY_OVERHEAD = 128;
constexpr std::size_t FARTHEST = std::numeric_limits<std::size_t>::max();

}  // namespace

ThumbnailMaker::ThumbnailMaker(Options options) : m_store(std::move(options.directory)), m_budget(options.budgetBytes)
{
    if (!options.worker) return;
    const unsigned workers = std::clamp(std::thread::hardware_concurrency(), 1u, MAX_WORKERS);
    for (unsigned i = 0; i < workers; ++i) m_workers.emplace_back([this] { Run(); });
}

ThumbnailMaker::~ThumbnailMaker()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop = true;
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers) worker.join();
}

void ThumbnailMaker::SetShots(std::vector<Shot> shots)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_shots = std::move(shots);
        m_indexOf.clear();
        m_indexOf.reserve(m_shots.size());
        // A name listed twice keeps its first place.
        for (std::size_t i = 0; i < m_shots.size(); ++i) m_indexOf.emplace(m_shots[i].path, i);
        m_step = 0;
        m_full = false;
    }
    m_wake.notify_all();
}

void ThumbnailMaker::SetVisible(std::size_t first, std::size_t end)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (first == m_first && end == m_end) return;
        m_first = first;
        m_end = std::max(first, end);
        m_step = 0;
        m_full = false;
    }
    m_wake.notify_all();
}

void ThumbnailMaker::SetActive(bool active)
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_active = active;
    }
    m_wake.notify_all();
}

void ThumbnailMaker::SetReadyCallback(std::function<void()> ready)
{
    std::lock_guard<std::mutex> lock(m_mutex);
    m_ready = std::move(ready);
}

std::shared_ptr<const Thumbnail> ThumbnailMaker::Get(std::size_t index) const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    if (index >= m_shots.size()) return nullptr;
    const auto found = m_memory.find(m_shots[index].path);
    if (found == m_memory.end() || found->second.lastWriteTime != m_shots[index].lastWriteTime) return nullptr;
    return found->second.thumbnail;
}

bool ThumbnailMaker::VisibleReady() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    for (std::size_t i = m_first; i < std::min(m_end, m_shots.size()); ++i) {
        if (!IsCurrent(i)) return false;
    }
    return true;
}

std::size_t ThumbnailMaker::ReadyCount() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    std::size_t ready = 0;
    for (std::size_t i = 0; i < m_shots.size(); ++i) ready += IsCurrent(i) ? 1 : 0;
    return ready;
}

std::size_t ThumbnailMaker::MemoryBytes() const
{
    std::lock_guard<std::mutex> lock(m_mutex);
    return m_memoryBytes;
}

bool ThumbnailMaker::IsCurrent(std::size_t index) const
{
    const auto found = m_memory.find(m_shots[index].path);
    return found != m_memory.end() && found->second.lastWriteTime == m_shots[index].lastWriteTime;
}

std::size_t ThumbnailMaker::Distance(std::size_t index) const
{
    if (index < m_first) return m_first - index;
    if (index >= m_end) return index - m_end + 1;
    return 0;
}

bool ThumbnailMaker::NextJob(Job& job)
{
    if (m_full || !m_active) return false;
    const std::size_t count = m_shots.size();
    const std::size_t first = std::min(m_first, count);
    const std::size_t end = std::min(m_end, count);
    const std::size_t visible = end - first;
    // The visible range, then one after it, one before it, and so on.
    const std::size_t steps = visible + 2 * std::max(first, count - end);
    for (; m_step < steps; ++m_step) {
        std::size_t index = 0;
        if (m_step < visible) {
            index = first + m_step;
        } else {
            const std::size_t out = m_step - visible;
            const std::size_t reach = out / 2;
            if (out % 2 == 0) {
                if (end + reach >= count) continue;
                index = end + reach;
            } else {
                if (reach >= first) continue;
                index = first - 1 - reach;
            }
        }
        if (IsCurrent(index) || m_making.count(m_shots[index].path)) continue;
        job.index = index;
        job.shot = m_shots[index];
        m_making.insert(job.shot.path);
        ++m_step;
        return true;
    }
    return false;
}

std::shared_ptr<const Thumbnail> ThumbnailMaker::Make(const Job& job)
{
    // The key on disk is the file's as it is now; a listing older than a
    // rewrite finds the new picture, and the follower lists it again.
    if (const std::optional<ThumbnailKey> key = ThumbnailKeyOf(job.shot.path)) {
        if (std::optional<Thumbnail> kept = m_store.Read(*key)) {
            ++m_readFromDisk;
            return std::make_shared<const Thumbnail>(std::move(*kept));
        }
    }
    std::optional<ThumbnailKey> read;
    auto made = std::make_shared<const Thumbnail>(MakeThumbnail(job.shot.path, read));
    ++m_decoded;
    if (read) m_store.Write(*read, *made);
    return made;
}

bool ThumbnailMaker::Keep(const Job& job, std::shared_ptr<const Thumbnail> thumbnail)
{
    m_making.erase(job.shot.path);
    const std::size_t bytes = thumbnail->pixels.size() * sizeof(std::uint32_t) + job.shot.path.size() + ENTRY_OVERHEAD;
    Entry& entry = m_memory[job.shot.path];
    m_memoryBytes -= entry.bytes;
    entry = Entry{job.shot.lastWriteTime, std::move(thumbnail), bytes};
    m_memoryBytes += bytes;
    while (m_memoryBytes > m_budget && !m_memory.empty()) {
        auto farthest = m_memory.end();
        std::size_t distance = 0;
        for (auto it = m_memory.begin(); it != m_memory.end(); ++it) {
            const auto listed = m_indexOf.find(it->first);
            const std::size_t d = listed == m_indexOf.end() ? FARTHEST : Distance(listed->second);
            if (farthest == m_memory.end() || d > distance) {
                farthest = it;
                distance = d;
            }
        }
        const bool itself = farthest->first == job.shot.path;
        m_memoryBytes -= farthest->second.bytes;
        m_memory.erase(farthest);
        if (itself) {
            m_full = true;
            return false;
        }
    }
    return true;
}

bool ThumbnailMaker::MakeNext()
{
    Job job;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        if (!NextJob(job)) return false;
    }
    MakeAndKeep(job);
    return true;
}

void ThumbnailMaker::MakeAndKeep(const Job& job)
{
    std::shared_ptr<const Thumbnail> thumbnail = Make(job);
    std::function<void()> ready;
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        // Once the maker stops, nothing more is kept and nobody is told.
        if (!m_stop && Keep(job, std::move(thumbnail))) ready = m_ready;
    }
    if (ready) ready();
}

void ThumbnailMaker::Run()
{
    setpriority(PRIO_PROCESS, id_t(gettid()), WORKER_NICENESS);
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_wake.wait(lock, [&] { return m_stop || NextJob(job); });
            if (m_stop) return;
        }
        MakeAndKeep(job);
    }
}
