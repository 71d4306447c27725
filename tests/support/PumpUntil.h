// Test helper: runs the thread's message queue until a condition holds or time runs out.
#pragma once
#include <functional>

// Dispatches pending messages (sleeping briefly when there are none) until done() returns
// true or timeoutMs milliseconds have passed. Returns done()'s last value.
bool PumpUntil(const std::function<bool()>& done, unsigned timeoutMs);

// Dispatches the messages already queued (and those they cause) for about ms milliseconds.
void PumpFor(unsigned ms);
