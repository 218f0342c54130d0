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

// Test hook: the clock the waits' deadlines are kept on, nanoseconds that
// only go forward (null: the monotonic clock). The test programs, whose ticks
// are short, pass one that leaves out the time the thread waited for a
// processor, so that a wait's budget is not spent while a busy machine runs
// other programs. Not a user setting.
using WaitClock = qint64 (*)();
void SetWaitClock(WaitClock clock);

} // namespace porv
