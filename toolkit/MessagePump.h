// Lets the windows of the thread paint and take input in the middle of a long task.
#pragma once

// Translates and dispatches every message waiting in the thread's queue and returns when it is
// empty; never waits. A quit request is left in the queue for the message loop that owns it.
void PumpMessages();
