#include "engine/WorkerPool.h"

namespace {

// Enough for the flushes of a batch to be committed together (see BatchFlush.h) with the
// readers of the next batch's heads beside them.
constexpr DWORD kWorkerThreads = 7;

}  // namespace

TP_CALLBACK_ENVIRON* WorkerPool()
{
    static TP_CALLBACK_ENVIRON* const environment = []() -> TP_CALLBACK_ENVIRON* {
        PTP_POOL pool = CreateThreadpool(nullptr);
        if (pool == nullptr)
            return nullptr;
        SetThreadpoolThreadMaximum(pool, kWorkerThreads);
        if (!SetThreadpoolThreadMinimum(pool, kWorkerThreads)) {
            CloseThreadpool(pool);
            return nullptr;
        }
        static TP_CALLBACK_ENVIRON kept;
        InitializeThreadpoolEnvironment(&kept);
        SetThreadpoolCallbackPool(&kept, pool);
        return &kept;
    }();
    return environment;
}
