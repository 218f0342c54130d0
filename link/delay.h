#pragma once
// The unit's waits are counted in ticks of 864 microseconds (1e-8 of a day).
#include <QtGlobal>

namespace porv {

constexpr qint64 TickNanoseconds = 864000;

// Waits the given number of ticks while processing window events: timers,
// received data and clicks are handled inside the wait. Blocks on the event
// queue between passes; at least one pass happens even for 0 ticks. The
// deadline is kept on a monotonic clock to below the millisecond; a wait that
// begins right after another (within two ticks of its deadline) counts from
// that deadline, so a run of waits lasts the sum of their ticks.
void Delay(int ticks);

// Test hook: every tick lasts `scale` times its real length (1.0 is real time).
// Not a user setting.
void SetTickScale(double scale);
double TickScale();

// Test hook: with `skip`, the waits' deadlines are kept on a clock that
// leaves out the time the calling thread has waited for a processor (where
// the system tells it, /proc/thread-self/schedstat; elsewhere the clock stays
// as it is), so that on a busy machine the tests' short ticks are not spent
// while the thread, and a simulated unit in it, cannot run. Time the thread
// sleeps still counts. Call on the thread that waits. Not a user setting.
void SetWaitsSkipRunQueue(bool skip);
// Nanoseconds on the clock the waits' deadlines are kept on; never goes back.
qint64 WaitClockNow();

} // namespace porv
