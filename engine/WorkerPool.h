#pragma once
// The program's own pool of threads for file work that waits on the system: the flushes of a
// batch of copies, the reading of JPEG heads ahead of their lookups.
#include <windows.h>

// Null when the system gives no pool: the caller then does the work itself. The threads are made
// once, at the first call, and kept for the process's life: a thread of its own for each batch
// cost more than its work (Wine clears a new thread's whole stack, about 5 ms a thread on a busy
// machine), and the process's shared pool starts its threads one by one as it sees them busy.
TP_CALLBACK_ENVIRON* WorkerPool();
