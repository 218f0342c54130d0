#pragma once
// Waiting in tests for what the event queue brings, without a window.
#include <functional>

namespace porv::test {

// Processes events until the condition holds or ms pass; returns the condition.
bool WaitFor(const std::function<bool()> &condition, int ms = 5000);
// Processes events for ms.
void Pump(int ms);

} // namespace porv::test
