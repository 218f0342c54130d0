#pragma once
// Waiting in tests for what the event queue brings, without a window.
#include <functional>

namespace porv::test {

// Processes events until the condition holds or ms pass; returns the
// condition. The deadline is only there for a test that fails: it is long, so
// that a busy machine, whose timers fire late, still passes; a wait that ends
// on its condition costs no more for it.
bool WaitFor(const std::function<bool()> &condition, int ms = 60000);
// Processes events for ms.
void Pump(int ms);

} // namespace porv::test
