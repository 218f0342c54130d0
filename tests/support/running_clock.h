#pragma once
// The clock the test programs keep the tool's waits on (porv::SetWaitClock):
// the monotonic clock less the time this thread has waited for a processor.
// On a busy machine the tests' short ticks would otherwise run out while the
// thread, and with it the simulated unit in the same thread, cannot run: a
// reply already on its way would be missed for no fault of the tool. Time the
// thread sleeps for (waiting for the unit, a timer) still counts.
#include <QtGlobal>

namespace porv::test {

// Nanoseconds; the monotonic clock where the system does not tell the
// waiting time.
qint64 RunningClock();
// Installs RunningClock for the tool's waits; call on the thread that waits.
void UseRunningClock();

} // namespace porv::test
