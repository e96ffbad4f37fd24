#include "shots/cache/worker_pool.h"

#include <sys/resource.h>
#include <unistd.h>

#include "shots/cache/short_slice.h"

WorkerPool::WorkerPool(Take take, int workers, int niceness) : m_niceness(niceness), m_take(std::move(take))
{
    for (int i = 0; i < workers; ++i) m_workers.emplace_back([this, i] { Work(std::size_t(i)); });
}

WorkerPool::~WorkerPool() { Stop(); }

void WorkerPool::Stop()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    for (std::thread& worker : m_workers) worker.join();
    m_workers.clear();
}

bool WorkerPool::RunOne()
{
    Job job;
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        job = m_take();
    }
    if (!job) return false;
    job();
    return true;
}

namespace {
thread_local std::size_t t_worker = 0;
}  // namespace

std::size_t WorkerPool::CurrentWorker() { return t_worker; }

void WorkerPool::Work(std::size_t index)
{
    t_worker = index;
    // A job decodes for milliseconds at a time: a thread that wakes on this
    // core (the one that shows the shots) must not wait that long.
    RequestShortSlice();
    int applied = 0;
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_stopping) {
        Job job = m_take();
        if (!job) {
            m_wake.wait(lock);
            continue;
        }
        lock.unlock();
        // This thread only: on Linux a thread is its own scheduling entity.
        if (const int niceness = m_niceness; niceness != applied) {
            if (setpriority(PRIO_PROCESS, id_t(gettid()), niceness) == 0) applied = niceness;
        }
        job();
        // Dropped without the lock: what it captured may be large.
        job = nullptr;
        lock.lock();
    }
}
