// What metaprobe asks of the operating system: a file's size, mode and times, and the local
// time of an instant. One implementation per system (HostFactsWin.cpp, HostFactsPosix.cpp), so
// that the readers stay free of system headers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <ctime>
#include <string>

namespace metaprobe {

struct FileFacts {
    uint64_t size = 0;
    unsigned mode = 0;  // file type and permission bits in the POSIX layout
    // Seconds since 1970-01-01 UTC.
    int64_t modified = 0;
    int64_t accessed = 0;
    int64_t changed = 0;  // creation on Windows, inode change elsewhere
};

// The file opened for reading bytes ("rb"); null when it cannot be opened. A path of any length.
std::FILE* OpenFileForReading(const std::string& path);

// False when the file's attributes cannot be read.
bool ReadFileFacts(const std::string& path, FileFacts& facts);

// The local calendar time of an instant with the offset from UTC in force on that date;
// false when the instant cannot be converted.
bool LocalTimeParts(int64_t seconds, std::tm& local, long& offsetSeconds);

}  // namespace metaprobe
