#include "running_clock.h"

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <fcntl.h>
#include <unistd.h>

#include "delay.h"

namespace porv::test {

namespace {

// /proc/thread-self/schedstat of the waiting thread, opened once: the time
// it ran, the time it waited on a run queue (both in nanoseconds), and its
// count of time slices.
int g_schedstat = -1;

qint64 Monotonic()
{
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return qint64(t.tv_sec) * 1000000000 + t.tv_nsec;
}

qint64 QueuedNanoseconds()
{
    if (g_schedstat < 0)
        return 0;
    char text[96];
    const ssize_t n = pread(g_schedstat, text, sizeof text - 1, 0);
    if (n <= 0)
        return 0;
    text[n] = '\0';
    char *end = nullptr;
    std::strtoull(text, &end, 10);
    return qint64(std::strtoull(end, nullptr, 10));
}

} // namespace

qint64 RunningClock()
{
    // Read in this order the clock never goes back: a wait for a processor
    // between the two readings is taken off this reading already, and so
    // never twice.
    const qint64 now = Monotonic();
    return now - QueuedNanoseconds();
}

void UseRunningClock()
{
    g_schedstat = open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC);
    porv::SetWaitClock(&RunningClock);
}

} // namespace porv::test
