// The worker pool: jobs run once each, by RunOne on the caller's thread or
// by the workers; sleeping workers wake on Notify; Stop finishes the job
// that runs and takes no other; workers run at the niceness asked for. The
// thread tests wait for what the jobs report, with a generous limit only
// against a hang (scripts/tsan.sh runs them under ThreadSanitizer).
#include <gtest/gtest.h>

#include <sys/resource.h>
#include <unistd.h>

#include <chrono>
#include <condition_variable>
#include <algorithm>
#include <functional>
#include <map>
#include <memory>
#include <thread>
#include <vector>

#include "shots/cache/worker_pool.h"

namespace {

constexpr auto PATIENCE = std::chrono::seconds(20);

// Jobs 0, 1, ... queued under the pool's mutex, as an owner keeps its
// bookkeeping; each job reports under it too.
class Jobs {
public:
    explicit Jobs(int workers, int niceness = 0) : pool([this] { return Take(); }, workers, niceness) {}

    // Under the pool's mutex, all of them.
    int queued = 0;
    int taken = 0;
    std::map<std::thread::id, bool> asleep;  // by thread: its last take found nothing
    std::vector<int> ran;
    std::vector<std::thread::id> threads;
    std::vector<int> niceness;
    std::function<void(int)> during;  // run by job n, without the mutex

    void Add(int count)
    {
        {
            const auto lock = pool.Lock();
            queued += count;
        }
        pool.Notify();
    }
    // Waits, under the pool's mutex, until done holds; false after PATIENCE.
    bool WaitUntil(const std::function<bool()>& done)
    {
        auto lock = pool.Lock();
        return changed.wait_for(lock, PATIENCE, done);
    }

    std::condition_variable changed;
    WorkerPool pool;  // last, as in its owners

private:
    WorkerPool::Job Take()
    {
        asleep[std::this_thread::get_id()] = taken == queued;
        if (taken == queued) {
            changed.notify_all();
            return nullptr;
        }
        return [this, n = taken++] {
            if (during) during(n);
            const int nice = getpriority(PRIO_PROCESS, id_t(gettid()));
            const auto lock = pool.Lock();
            ran.push_back(n);
            threads.push_back(std::this_thread::get_id());
            niceness.push_back(nice);
            changed.notify_all();
        };
    }
};

TEST(WorkerPool, WithoutWorkersRunOneDoesTheJobsInOrderHere)
{
    Jobs jobs(0);
    EXPECT_FALSE(jobs.pool.RunOne());
    jobs.Add(3);
    int runs = 0;
    while (jobs.pool.RunOne()) ++runs;
    EXPECT_EQ(runs, 3);
    EXPECT_EQ(jobs.ran, (std::vector<int>{0, 1, 2}));
    EXPECT_EQ(jobs.threads, std::vector<std::thread::id>(3, std::this_thread::get_id()));
    EXPECT_EQ(jobs.pool.Workers(), 0u);
}

class WorkerPoolWorkers : public ::testing::TestWithParam<int> {};

TEST_P(WorkerPoolWorkers, RunEveryJobOnceAndWakeOnNotify)
{
    Jobs jobs(GetParam());
    EXPECT_EQ(jobs.pool.Workers(), std::size_t(GetParam()));
    // Rounds of work for workers that have all gone to sleep: a take that
    // finds nothing is made under the mutex the worker then waits with.
    const auto allAsleep = [&] {
        return int(jobs.asleep.size()) == GetParam() &&
               std::all_of(jobs.asleep.begin(), jobs.asleep.end(), [](const auto& worker) { return worker.second; });
    };
    for (int round = 1; round <= 3; ++round) {
        ASSERT_TRUE(jobs.WaitUntil(allAsleep));
        jobs.Add(20);
        ASSERT_TRUE(jobs.WaitUntil([&] { return int(jobs.ran.size()) == 20 * round; })) << "round " << round;
    }
    jobs.pool.Stop();
    std::vector<int> ran = jobs.ran;
    std::sort(ran.begin(), ran.end());
    for (int n = 0; n < 60; ++n) EXPECT_EQ(ran[std::size_t(n)], n);
    for (std::thread::id id : jobs.threads) EXPECT_NE(id, std::this_thread::get_id());
}

INSTANTIATE_TEST_SUITE_P(Counts, WorkerPoolWorkers, ::testing::Values(1, 2, 3));

TEST(WorkerPool, StopFinishesTheRunningJobAndTakesNoOther)
{
    Jobs jobs(1);
    bool started = false;
    bool sawStopping = false;
    // Job 0 runs until the pool is stopping; job 1 must never start.
    jobs.during = [&](int n) {
        if (n != 0) return;
        auto lock = jobs.pool.Lock();
        started = true;
        jobs.changed.notify_all();
        while (!jobs.pool.Stopping()) {
            lock.unlock();
            std::this_thread::yield();
            lock.lock();
        }
        sawStopping = true;
    };
    jobs.Add(2);
    ASSERT_TRUE(jobs.WaitUntil([&] { return started; }));
    jobs.pool.Stop();
    EXPECT_TRUE(sawStopping);
    EXPECT_EQ(jobs.ran, std::vector<int>{0});
    EXPECT_EQ(jobs.pool.Workers(), 0u);
    jobs.pool.Stop();  // again: nothing to do
}

struct NicenessCase {
    const char* name;
    int asked;
    int expected;  // -1: the process's own
};

class WorkerPoolNiceness : public ::testing::TestWithParam<NicenessCase> {};

TEST_P(WorkerPoolNiceness, WorkersRunAtTheNicenessAskedFor)
{
    const int own = getpriority(PRIO_PROCESS, id_t(gettid()));
    if (own > 10) GTEST_SKIP() << "this process runs at niceness " << own << ", above what the cases ask for";
    Jobs jobs(1, GetParam().asked);
    jobs.Add(1);
    ASSERT_TRUE(jobs.WaitUntil([&] { return jobs.ran.size() == 1; }));
    EXPECT_EQ(jobs.niceness[0], GetParam().expected < 0 ? own : GetParam().expected);
    EXPECT_EQ(getpriority(PRIO_PROCESS, id_t(gettid())), own);  // the caller's stays
}

INSTANTIATE_TEST_SUITE_P(Cases, WorkerPoolNiceness,
                         ::testing::Values(NicenessCase{"Unchanged", 0, -1}, NicenessCase{"LowerPriority", 10, 10}),
                         [](const auto& info) { return std::string(info.param.name); });

}  // namespace
