#include <gtest/gtest.h>

#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <thread>

#include "shots/cache/short_slice.h"

// The request sets a thread's whole scheduling: its niceness (which a
// compared run's read-ahead raises) and its policy must come through it
// unchanged.
TEST(ShortSlice, KeepsTheThreadsNicenessAndPolicy)
{
    std::thread([] {
        const id_t thread = id_t(syscall(SYS_gettid));
        ASSERT_EQ(setpriority(PRIO_PROCESS, thread, 7), 0);
        const int policy = sched_getscheduler(pid_t(thread));
        RequestShortSlice();
        EXPECT_EQ(getpriority(PRIO_PROCESS, thread), 7);
        EXPECT_EQ(sched_getscheduler(pid_t(thread)), policy);
    }).join();
}

// Under the idle policy a thread has no slice to shorten: it is left there.
TEST(ShortSlice, LeavesAnIdleThreadAlone)
{
    std::thread([] {
        const pid_t thread = pid_t(syscall(SYS_gettid));
        const sched_param none{};
        ASSERT_EQ(sched_setscheduler(thread, SCHED_IDLE, &none), 0);
        EXPECT_FALSE(RequestShortSlice());
        EXPECT_EQ(sched_getscheduler(thread), SCHED_IDLE);
    }).join();
}
