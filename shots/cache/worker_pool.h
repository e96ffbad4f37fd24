// WorkerPool: threads that run their owner's jobs, one job at a time each,
// and sleep while there is nothing to do. The owner decides what to do next
// (a policy without threads); the pool only runs it. ShotCache and
// ThumbnailMaker are its owners.
//
// Who owns what across threads:
// - The owner makes the pool, calls every member on its own thread and
//   keeps its job bookkeeping under the pool's mutex (Lock): the policy's
//   state is the only thing the owner's thread and the workers share.
// - A worker holds the mutex only while it asks the owner's take function
//   for the next job. The job then runs without it: it works on what the
//   take function copied into it and locks again only to hand its result
//   in. What a job makes is its own until handed in.
// - Whoever changes what there is to do calls Notify once the lock is let
//   go, so that sleeping workers look again.
// - Stop (and the destructor) tells the workers to finish, wakes them and
//   joins them; a job that runs is finished first. Once it returns no
//   worker runs, and a job can tell by Stopping that nobody waits for it.
//
// With no workers nothing runs by itself: RunOne does the next job on the
// caller's thread (tests, benchmarks).
#pragma once

#include <atomic>
#include <condition_variable>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

class WorkerPool {
public:
    using Job = std::function<void()>;
    // Called with the mutex held: the next job, or an empty one when there
    // is nothing to do now.
    using Take = std::function<Job()>;

    // The workers start at once, each at the given niceness (0 leaves them
    // at the process's), so take must work from the start: make the pool
    // the owner's last member.
    WorkerPool(Take take, int workers, int niceness = 0);
    ~WorkerPool();
    WorkerPool(const WorkerPool&) = delete;
    WorkerPool& operator=(const WorkerPool&) = delete;

    // The mutex that guards the owner's bookkeeping.
    std::unique_lock<std::mutex> Lock() const { return std::unique_lock<std::mutex>(m_mutex); }
    // Wakes the workers to look for a job again.
    void Notify() { m_wake.notify_all(); }
    // Takes the next job and runs it on the calling thread; false when
    // there was none.
    bool RunOne();
    // Ends and joins the workers. Under the mutex, Stopping tells a job
    // that its result is no longer wanted.
    void Stop();
    bool Stopping() const { return m_stopping; }
    std::size_t Workers() const { return m_workers.size(); }
    // A new niceness for the workers, taken by each before its next job.
    // Lowering it again may need the right to (CAP_SYS_NICE); without that
    // a worker keeps the higher one.
    void SetNiceness(int niceness) { m_niceness = niceness; }
    // Which of its pool's workers the calling thread is, from 0; 0 on any
    // other thread (RunOne's caller).
    static std::size_t CurrentWorker();

private:
    void Work(std::size_t index);

    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_stopping = false;
    std::atomic<int> m_niceness{0};
    Take m_take;
    std::vector<std::thread> m_workers;  // last: they start once the rest exists
};
