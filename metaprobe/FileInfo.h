// The file-level lines that open every listing: name, folder, size, times, permissions.
#pragma once

#include <cstdint>
#include <ctime>
#include <string>

#include "metaprobe/Listing.h"

namespace metaprobe {

// Version of the listing format this tool follows, printed as the first line.
inline constexpr const char* kListingVersion = "12.57";

// "2026:12:08 01:11:55+00:00": the time in the local time zone with its offset. Seconds from 1970
// as 64 bits, since the 32-bit Windows build's time_t ends in 2038.
std::string LocalTimeText(int64_t seconds);

// Splits a path into its folder ("." when none) and file name at the last '/' or '\'.
void SplitPath(const std::string& path, std::string& folder, std::string& name);

// Adds the lines from "ExifTool Version Number" to "File Permissions". False (with only the
// version, name and folder lines added) when the file's attributes cannot be read.
bool AddFileLines(const std::string& path, Listing& listing);

}  // namespace metaprobe
