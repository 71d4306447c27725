#include "engine/BatchFlush.h"

#include "engine/WorkerPool.h"

BatchFlush::BatchFlush(std::size_t most, std::function<void(std::size_t)> flush) : flush_(std::move(flush))
{
    TP_CALLBACK_ENVIRON* const pool = most > 1 ? WorkerPool() : nullptr;
    // A work item the system refuses only leaves the caller more to do.
    work_ = pool != nullptr ? CreateThreadpoolWork(Work, this, pool) : nullptr;
}

BatchFlush::~BatchFlush()
{
    Finish();
}

void BatchFlush::Publish()
{
    published_.fetch_add(1, std::memory_order_release);
    if (work_ != nullptr)
        SubmitThreadpoolWork(work_);
}

void BatchFlush::Finish()
{
    FlushTaken();
    if (work_ != nullptr) {
        WaitForThreadpoolWorkCallbacks(work_, FALSE);
        CloseThreadpoolWork(work_);
        work_ = nullptr;
    }
}

void CALLBACK BatchFlush::Work(PTP_CALLBACK_INSTANCE, void* data, PTP_WORK)
{
    static_cast<BatchFlush*>(data)->FlushTaken();
}

void BatchFlush::FlushTaken()
{
    // An index is taken only while it is published: one taken past the end would be skipped by
    // the flush its publication asks for.
    std::size_t i = next_.load();
    while (i < published_.load(std::memory_order_acquire)) {
        if (next_.compare_exchange_weak(i, i + 1)) {
            flush_(i);
            i = next_.load();
        }
    }
}
