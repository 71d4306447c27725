// The flushes of a batch of copies, begun while the batch is written: every copy published is
// flushed exactly once, whatever the threads' timing, and none that was not published.
#include "engine/BatchFlush.h"

#include <gtest/gtest.h>

#include <atomic>
#include <memory>
#include <random>

namespace {

struct Counts {
    explicit Counts(std::size_t size) : flushed(new std::atomic<int>[size]), size(size)
    {
        for (std::size_t i = 0; i < size; ++i)
            flushed[i] = 0;
    }
    std::unique_ptr<std::atomic<int>[]> flushed;
    std::size_t size;
};

TEST(BatchFlush, EveryItemPublishedIsFlushedOnceWhateverTheTiming)
{
    std::mt19937 random(31);
    for (int round = 0; round < 40; ++round) {
        SCOPED_TRACE(round);
        const std::size_t size = 1 + random() % 80;
        // Some items are never published, as copies that failed or that a stop came before.
        const std::size_t published = random() % (size + 1);
        Counts counts(size);
        std::atomic<bool> beyond {false};
        {
            BatchFlush flush(size, [&](std::size_t i) {
                if (i >= published)
                    beyond = true;
                else
                    ++counts.flushed[i];
                // A flush takes a while: the next items are published meanwhile.
                if (i % 3 == 0)
                    Sleep(0);
            });
            for (std::size_t i = 0; i < published; ++i) {
                // The writer's pace varies: at times the threads are ahead of it, at times behind.
                const unsigned pace = random() % 4;
                if (pace == 0)
                    Sleep(1);
                else if (pace == 1)
                    Sleep(0);
                flush.Publish();
                EXPECT_EQ(flush.Count(), i + 1);
            }
            flush.Finish();
            for (std::size_t i = 0; i < size; ++i)
                EXPECT_EQ(counts.flushed[i].load(), i < published ? 1 : 0) << i;
        }
        EXPECT_FALSE(beyond);
    }
}

// A batch of one is flushed by the caller alone; a batch whose caller never finishes it is
// finished when it ends, before what the flushes use goes.
TEST(BatchFlush, ABatchEndingUnfinishedWaitsForItsFlushes)
{
    Counts counts(20);
    {
        BatchFlush flush(20, [&](std::size_t i) {
            Sleep(2);
            ++counts.flushed[i];
        });
        for (int i = 0; i < 20; ++i)
            flush.Publish();
    }
    for (std::size_t i = 0; i < counts.size; ++i)
        EXPECT_EQ(counts.flushed[i].load(), 1) << i;
    Counts one(1);
    {
        BatchFlush flush(1, [&](std::size_t i) { ++one.flushed[i]; });
        flush.Publish();
        flush.Finish();
        EXPECT_EQ(one.flushed[0].load(), 1);
    }
}

}  // namespace
