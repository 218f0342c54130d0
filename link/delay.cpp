#include "delay.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QEventLoop>
#include <QTimer>

#include <algorithm>
#include <cstdlib>

#ifdef Q_OS_LINUX
#include <fcntl.h>
#include <unistd.h>
#endif

namespace porv {

namespace {
double g_tickScale = 1.0;

// Nanoseconds on the monotonic clock since the first wait.
qint64 monotonicNow()
{
    static const QElapsedTimer clock = [] {
        QElapsedTimer c;
        c.start();
        return c;
    }();
    return clock.nsecsElapsed();
}

// /proc/thread-self/schedstat of the waiting thread while the waits skip the
// run queue (-1 otherwise): the time it ran, the time it waited on a run
// queue (both in nanoseconds), and its count of time slices.
int g_schedstat = -1;
// What it had waited when the waits began to skip the run queue.
qint64 g_queuedBefore = 0;

qint64 runQueueNanoseconds()
{
#ifdef Q_OS_LINUX
    char text[96];
    const ssize_t n = pread(g_schedstat, text, sizeof text - 1, 0);
    if (n <= 0)
        return 0;
    text[n] = '\0';
    char *end = nullptr;
    std::strtoull(text, &end, 10);
    return qint64(std::strtoull(end, nullptr, 10));
#else
    return 0;
#endif
}

qint64 waitNow()
{
    // Read in this order the clock never goes back: a wait for a processor
    // between the two readings is taken off this reading already, and so
    // never twice.
    const qint64 now = monotonicNow();
    return g_schedstat < 0 ? now : now - (runQueueNanoseconds() - g_queuedBefore);
}

// The latest deadline a wait has run to (-1 before the first wait).
qint64 g_lastDeadline = -1;

// A wait that begins at most this many ticks after the last deadline counts
// from that deadline: the time the previous wait ran over (the event queue
// wakes on whole milliseconds) and the short work between two waits are
// taken from this wait, so a run of waits lasts the sum of its ticks instead
// of adding up a rounding for each.
constexpr int ChainSlackTicks = 2;

qint64 ticksToNanoseconds(int ticks) { return qint64(double(ticks) * double(TickNanoseconds) * g_tickScale); }
} // namespace

void SetTickScale(double scale) { g_tickScale = scale > 0 ? scale : 1.0; }
double TickScale() { return g_tickScale; }

void SetWaitsSkipRunQueue(bool skip)
{
#ifdef Q_OS_LINUX
    if (g_schedstat >= 0)
        close(g_schedstat);
    g_schedstat = skip ? open("/proc/thread-self/schedstat", O_RDONLY | O_CLOEXEC) : -1;
    // Both clocks count from here on: the skipped time never exceeds the
    // time gone by.
    monotonicNow();
    g_queuedBefore = g_schedstat < 0 ? 0 : runQueueNanoseconds();
#else
    Q_UNUSED(skip);
#endif
    g_lastDeadline = -1;
}

qint64 WaitClockNow() { return waitNow(); }

void Delay(int ticks)
{
    const qint64 now = waitNow();
    const bool chained = g_lastDeadline >= 0 && now >= g_lastDeadline
                         && now - g_lastDeadline <= ticksToNanoseconds(ChainSlackTicks);
    const qint64 deadline = (chained ? g_lastDeadline : now) + ticksToNanoseconds(std::max(ticks, 0));

    // One pass of event processing even for a zero wait.
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    qint64 left = deadline - waitNow();
    if (left > 0) {
        // Sleep in the event loop until the deadline: events are served as
        // they come, the CPU stays idle otherwise. The timer runs to the
        // nearest millisecond; a wake-up short of the deadline sleeps once
        // more, one that runs over is paid back by the next wait.
        QEventLoop loop;
        QTimer timer;
        timer.setSingleShot(true);
        timer.setTimerType(Qt::PreciseTimer);
        QObject::connect(&timer, &QTimer::timeout, &loop, &QEventLoop::quit);
        while (left > 0) {
            timer.start(int(std::max<qint64>(1, (left + 500000) / 1000000)));
            loop.exec();
            left = deadline - waitNow();
        }
    }
    // A wait nested in a longer one leaves the later deadline in place.
    g_lastDeadline = std::max(g_lastDeadline, deadline);
}

} // namespace porv
