// The texts of a run's byte progress: bytes in the units Windows shows, and a time left that is
// read at a glance and does not flicker.
#include <gtest/gtest.h>

#include "engine/ProgressText.h"

namespace {
constexpr std::uint64_t kKB = 1024, kMB = kKB * 1024, kGB = kMB * 1024, kTB = kGB * 1024;
// 3.4 GB as a size is a whole number of bytes: the one just above the fraction.
constexpr std::uint64_t k34GB = 34 * kGB / 10 + 1;
}  // namespace

TEST(ProgressText, BytesBelowAKilobyteAreCountedOne)
{
    EXPECT_EQ(BytesText(0), "0 bytes");
    EXPECT_EQ(BytesText(1), "1 byte");
    EXPECT_EQ(BytesText(1023), "1023 bytes");
}

TEST(ProgressText, LargerSizesTakeTheLargestUnitWithOneDecimalBelowTen)
{
    EXPECT_EQ(BytesText(kKB), "1.0 KB");
    EXPECT_EQ(BytesText(kKB + kKB / 2), "1.5 KB");
    EXPECT_EQ(BytesText(10 * kKB), "10 KB");
    EXPECT_EQ(BytesText(1023 * kKB), "1023 KB");
    EXPECT_EQ(BytesText(kMB), "1.0 MB");
    EXPECT_EQ(BytesText(12 * kMB + 900 * kKB), "12 MB");
    EXPECT_EQ(BytesText(kGB * 12 / 10 + 1), "1.2 GB");
    EXPECT_EQ(BytesText(k34GB), "3.4 GB");
    EXPECT_EQ(BytesText(k34GB - 1), "3.3 GB");
    EXPECT_EQ(BytesText(2 * kTB), "2.0 TB");
    // Beyond the largest unit the count grows.
    EXPECT_EQ(BytesText(2048 * kTB), "2048 TB");
    EXPECT_EQ(BytesText(UINT64_MAX), "16777215 TB");
}

TEST(ProgressText, APartNeverReadsAsTheWhole)
{
    EXPECT_EQ(BytesText(kKB - 1), "1023 bytes");
    EXPECT_EQ(BytesText(2 * kKB - 1), "1.9 KB");
    EXPECT_EQ(BytesText(kGB - 1), "1023 MB");
    EXPECT_EQ(BytesText(10 * kGB - 1), "9.9 GB");
}

TEST(ProgressText, TimeLeftIsCoarse)
{
    EXPECT_EQ(TimeLeftText(0), "a few seconds left");
    EXPECT_EQ(TimeLeftText(9), "a few seconds left");
    EXPECT_EQ(TimeLeftText(10), "about 10 seconds left");
    EXPECT_EQ(TimeLeftText(14), "about 10 seconds left");
    EXPECT_EQ(TimeLeftText(15), "about 20 seconds left");
    EXPECT_EQ(TimeLeftText(54), "about 50 seconds left");
    EXPECT_EQ(TimeLeftText(55), "about 1 minute left");
    EXPECT_EQ(TimeLeftText(89), "about 1 minute left");
    EXPECT_EQ(TimeLeftText(90), "about 2 minutes left");
    EXPECT_EQ(TimeLeftText(59 * 60 + 29), "about 59 minutes left");
    EXPECT_EQ(TimeLeftText(59 * 60 + 30), "about 1 hour left");
    EXPECT_EQ(TimeLeftText(3600 + 4 * 60), "about 1 hour left");
    EXPECT_EQ(TimeLeftText(3600 + 16 * 60), "about 1 hour 20 minutes left");
    EXPECT_EQ(TimeLeftText(2 * 3600 + 55 * 60), "about 3 hours left");
    EXPECT_EQ(TimeLeftText(30 * 3600 + 10 * 60), "about 30 hours 10 minutes left");
}

TEST(ProgressText, TransferShowsTheBytesAloneUntilTheRateSettles)
{
    EXPECT_EQ(TransferText(0, k34GB, 0), "0 bytes of 3.4 GB");
    EXPECT_EQ(TransferText(kGB, k34GB, kSteadyRateAfterMs - 1), "1.0 GB of 3.4 GB");
    // Nothing done after a while: no rate to go by.
    EXPECT_EQ(TransferText(0, k34GB, 60000), "0 bytes of 3.4 GB");
}

TEST(ProgressText, TransferTimeLeftFollowsTheRateSoFar)
{
    // 1 GB in 30 s: the other 3 GB take 90 s.
    EXPECT_EQ(TransferText(kGB, 4 * kGB, 30000), "1.0 GB of 4.0 GB, about 2 minutes left");
    // 3 of 4 GB in 90 s: 30 s left.
    EXPECT_EQ(TransferText(3 * kGB, 4 * kGB, 90000), "3.0 GB of 4.0 GB, about 30 seconds left");
    EXPECT_EQ(TransferText(4 * kGB, 4 * kGB, 120000), "4.0 GB of 4.0 GB, a few seconds left");
    // More done than counted (a file grew): the whole, not more.
    EXPECT_EQ(TransferText(5 * kGB, 4 * kGB, 120000), "4.0 GB of 4.0 GB, a few seconds left");
    // One byte in a long time of a huge run: a long time, not an overflow.
    EXPECT_EQ(TransferText(1, UINT64_MAX, 1000000),
              "1 byte of 16777215 TB, about 277777 hours 50 minutes left");
}

TEST(ProgressText, SpeedWaitsForTheRateToSettle)
{
    EXPECT_EQ(SpeedText(kGB, 10, 0), "");
    EXPECT_EQ(SpeedText(kGB, 10, kSteadyRateAfterMs - 1), "");
    EXPECT_NE(SpeedText(kGB, 10, kSteadyRateAfterMs), "");
}

TEST(ProgressText, SpeedGivesBytesAndFilesASecond)
{
    // 1 GB and 25 files in 10 s.
    EXPECT_EQ(SpeedText(kGB, 25, 10000), "102 MB/s, 2.5 files/s");
    // 120 files in 4 s: whole files above ten.
    EXPECT_EQ(SpeedText(3 * 1024 * 1024, 120, 4000), "768 KB/s, 30 files/s");
    EXPECT_EQ(SpeedText(0, 0, 5000), "0 bytes/s, 0.0 files/s");
    // A huge count over a long time: no overflow on the way.
    EXPECT_EQ(SpeedText(UINT64_MAX, 1, 1000000), "16777 TB/s, 0.0 files/s");
}

TEST(RunByteCount, ACopyWrittenAheadCountsOnceWhetherItsRowHasEndedOrNot)
{
    RunByteCount count;
    count.Written("a.jpg", 3 * kMB);
    count.Written("b.jpg", 2 * kMB);
    EXPECT_EQ(count.Done(), 5 * kMB);
    // A row ahead of them copied at its turn: its part comes on top of theirs.
    EXPECT_EQ(count.Done(kMB), 6 * kMB);
    count.RowEnded("big.mov", 8 * kMB);
    EXPECT_EQ(count.Done(), 13 * kMB);
    // Their rows end: their bytes are counted already.
    count.RowEnded("a.jpg", 3 * kMB);
    EXPECT_EQ(count.Done(), 13 * kMB);
    count.RowEnded("b.jpg", 2 * kMB);
    EXPECT_EQ(count.Done(), 13 * kMB);
    // A row with nothing written ahead adds its size once.
    count.RowEnded("c.jpg", kMB);
    EXPECT_EQ(count.Done(), 14 * kMB);
}
