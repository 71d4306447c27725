// The texts of a run's byte progress: how much of how much, and about how long the rest takes;
// and the count of the bytes done they show.
#pragma once

#include <cstdint>
#include <map>
#include <string>

// "512 bytes", "1.5 KB", "12 MB", "1.2 GB": units of 1024, as Windows counts them, with one
// decimal below ten; cut, never rounded up, so that a part never reads as the whole.
std::string BytesText(std::uint64_t bytes);

// "a few seconds left", "about 40 seconds left", "about 1 minute left", "about 25 minutes left",
// "about 2 hours 10 minutes left": coarse enough to read steadily while it is counted down.
std::string TimeLeftText(std::uint64_t seconds);

// Time before the rate of a run is taken as its pace: the first moments of a run say little.
inline constexpr std::uint64_t kSteadyRateAfterMs = 3000;

// "1.2 GB of 3.4 GB, about 2 minutes left", the time left from the rate so far (done bytes in
// elapsedMs); the bytes alone until kSteadyRateAfterMs has passed with some bytes done.
std::string TransferText(std::uint64_t done, std::uint64_t total, std::uint64_t elapsedMs);

// The run's pace so far: "34 MB/s, 2.5 files/s" (bytes as BytesText counts them, files with one
// decimal below ten); empty until kSteadyRateAfterMs has passed.
std::string SpeedText(std::uint64_t bytes, std::uint64_t files, std::uint64_t elapsedMs);

// The bytes a run has moved, each counted once: the rows ended, the copies a batch wrote ahead
// for rows that have not ended yet, and the part of the copy in hand.
class RunByteCount {
public:
    // A copy of bytes was written ahead for the row of source.
    void Written(const std::string& source, std::uint64_t bytes);
    // The row of source was placed, skipped or failed: its size is behind the run, the bytes its
    // copy wrote ahead among them.
    void RowEnded(const std::string& source, std::uint64_t size);
    // With copying bytes done of the copy in hand.
    std::uint64_t Done(std::uint64_t copying = 0) const { return finished_ + aheadBytes_ + copying; }

private:
    std::uint64_t finished_ = 0;
    std::map<std::string, std::uint64_t> ahead_;  // by source, of the rows not ended yet
    std::uint64_t aheadBytes_ = 0;  // their sum
};
