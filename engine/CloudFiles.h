// Files a cloud service (OneDrive and the like) lists on this PC but keeps only online: any read
// of their bytes downloads them whole first, so a run leaves them alone unless the user asks for
// the download. Free of the system: the decision takes the attributes the system gives.
#pragma once

#include <cstdint>

namespace FileAttribute {
inline constexpr std::uint32_t kOffline = 0x1000;
inline constexpr std::uint32_t kRecallOnOpen = 0x40000;
inline constexpr std::uint32_t kRecallOnDataAccess = 0x400000;
// What the system gives for a path it cannot reach.
inline constexpr std::uint32_t kInvalid = 0xFFFFFFFF;
}  // namespace FileAttribute

inline constexpr const char kCloudFileSkippedText[] = "Cloud file not on this PC; skipped";

// The file's bytes are elsewhere: opening it or reading it fetches them. False for kInvalid,
// whose every bit is set: a file that cannot be reached reports its own error later.
bool NotOnThisPc(std::uint32_t attributes);

// A run leaves the file alone: it is not on this PC and downloading is not allowed.
bool SkipsCloudFile(std::uint32_t attributes, bool downloadCloudFiles);
