#include "engine/ProgressText.h"

#include <algorithm>
#include <cmath>
#include <iterator>

std::string BytesText(std::uint64_t bytes)
{
    if (bytes < 1024)
        return std::to_string(bytes) + (bytes == 1 ? " byte" : " bytes");
    static const char* const kUnits[] = {"KB", "MB", "GB", "TB"};
    std::uint64_t unit = 1024;
    std::size_t index = 0;
    while (index + 1 < std::size(kUnits) && bytes / unit >= 1024) {
        unit *= 1024;
        ++index;
    }
    const std::uint64_t whole = bytes / unit;
    std::string text = std::to_string(whole);
    if (whole < 10)
        text += "." + std::to_string((bytes % unit) * 10 / unit);
    return text + " " + kUnits[index];
}

std::string TimeLeftText(std::uint64_t seconds)
{
    if (seconds < 10)
        return "a few seconds left";
    if (seconds < 55)
        return "about " + std::to_string((seconds + 5) / 10 * 10) + " seconds left";
    if (seconds < 59 * 60 + 30) {
        const std::uint64_t minutes = std::max<std::uint64_t>(1, (seconds + 30) / 60);
        return "about " + std::to_string(minutes) + (minutes == 1 ? " minute left" : " minutes left");
    }
    // Hours, to ten minutes.
    const std::uint64_t tens = (seconds + 300) / 600;
    const std::uint64_t hours = tens / 6, minutes = tens % 6 * 10;
    std::string text = "about " + std::to_string(hours) + (hours == 1 ? " hour" : " hours");
    if (minutes != 0)
        text += " " + std::to_string(minutes) + " minutes";
    return text + " left";
}

std::string TransferText(std::uint64_t done, std::uint64_t total, std::uint64_t elapsedMs)
{
    done = std::min(done, total);
    std::string text = BytesText(done) + " of " + BytesText(total);
    if (elapsedMs < kSteadyRateAfterMs || done == 0)
        return text;
    // Kept within what a count of seconds holds, however slow the start.
    constexpr double kLongest = 1e9;
    const double left =
            std::min(kLongest, static_cast<double>(total - done) * static_cast<double>(elapsedMs) /
                                       static_cast<double>(done) / 1000.0);
    return text + ", " + TimeLeftText(static_cast<std::uint64_t>(std::llround(left)));
}

std::string SpeedText(std::uint64_t bytes, std::uint64_t files, std::uint64_t elapsedMs)
{
    if (elapsedMs < kSteadyRateAfterMs)
        return {};
    // Per second, computed in a double: bytes * 1000 could pass what 64 bits hold.
    const double seconds = static_cast<double>(elapsedMs) / 1000.0;
    const auto bytesPerSecond = static_cast<std::uint64_t>(static_cast<double>(bytes) / seconds);
    const auto tenthsPerSecond = static_cast<std::uint64_t>(static_cast<double>(files) * 10.0 / seconds);
    std::string fileRate = std::to_string(tenthsPerSecond / 10);
    if (tenthsPerSecond < 100)
        fileRate += "." + std::to_string(tenthsPerSecond % 10);
    return BytesText(bytesPerSecond) + "/s, " + fileRate + " files/s";
}

void RunByteCount::Written(const std::string& source, std::uint64_t bytes)
{
    ahead_[source] += bytes;
    aheadBytes_ += bytes;
}

void RunByteCount::RowEnded(const std::string& source, std::uint64_t size)
{
    finished_ += size;
    const auto ahead = ahead_.find(source);
    if (ahead == ahead_.end())
        return;
    aheadBytes_ -= ahead->second;
    ahead_.erase(ahead);
}
