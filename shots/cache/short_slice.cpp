#include "shots/cache/short_slice.h"

#include <cerrno>
#include <cstdint>

#if defined(__linux__)
#include <sched.h>
#include <sys/resource.h>
#include <sys/syscall.h>
#include <unistd.h>
#endif

namespace {

constexpr std::uint64_t WORKER_SLICE_NS = 500'000;

}  // namespace

bool RequestShortSlice()
{
#if defined(__linux__) && defined(SYS_sched_setattr)
    // glibc has no wrapper; this is the kernel's struct sched_attr (its
    // first version, which every kernel with the call takes).
    struct SchedAttr {
        std::uint32_t size;
        std::uint32_t policy;
        std::uint64_t flags;
        std::int32_t nice;
        std::uint32_t priority;
        std::uint64_t runtime;  // for the normal policies: the slice asked for
        std::uint64_t deadline;
        std::uint64_t period;
    };
    const pid_t thread = pid_t(syscall(SYS_gettid));
    const int policy = sched_getscheduler(thread);
    if (policy != SCHED_OTHER && policy != SCHED_BATCH) return false;
    // The call sets the niceness too: it is given as it is.
    errno = 0;
    const int nice = getpriority(PRIO_PROCESS, id_t(thread));
    if (errno != 0) return false;
    SchedAttr attr{};
    attr.size = sizeof attr;
    attr.policy = std::uint32_t(policy);
    attr.nice = nice;
    attr.runtime = WORKER_SLICE_NS;
    return syscall(SYS_sched_setattr, thread, &attr, 0u) == 0;
#else
    return false;
#endif
}
