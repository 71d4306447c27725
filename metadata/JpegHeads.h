#pragma once
// The head of a JPEG file (its marker sections) read for a lookup, and the heads of the files the
// next lookups will ask about, read ahead on the program's pool while the caller does other work.
#include <windows.h>

#include <cstddef>
#include <deque>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "metadata/ImageInfo.h"

// The bytes of one read of a JPEG's head: its marker sections (an EXIF block is at most 64 KB)
// nearly always fit.
constexpr std::size_t kJpegHeadBlock = 128 * 1024;

// Reads path's marker sections into info through block (kJpegHeadBlock bytes); false when the
// file cannot be opened (the last error tells why).
bool ReadJpegHead(const std::string& path, ImageInfo& info, unsigned char* block);

class JpegHeadsAhead {
public:
    JpegHeadsAhead() = default;
    // Waits for the reads under way; the ones not begun are dropped.
    ~JpegHeadsAhead();
    JpegHeadsAhead(const JpegHeadsAhead&) = delete;
    JpegHeadsAhead& operator=(const JpegHeadsAhead&) = delete;

    // The JPEG files the next lookups will ask about, in their order: they replace the files told
    // before and not yet begun.
    void Tell(const std::vector<std::string>& paths);
    // The head of a file told, once: waits for its read under way, or takes it from the readers
    // when none has begun it (false: the caller reads it itself, as any file not told). opened is
    // false when the file could not be opened.
    bool Take(const std::string& path, bool& opened, ImageInfo& info);

private:
    struct Head {
        std::string path;
        bool begun = false;
        bool read = false;
        bool readHere = false;  // read is set and the head was read without a throw
        bool opened = false;
        ImageInfo info {};
    };

    static void CALLBACK Work(PTP_CALLBACK_INSTANCE, void* data, PTP_WORK);
    // Reads the heads told until none is left to begin.
    void ReadTold();

    // The system's own lock and condition: they wait in the kernel where a library's may spin.
    SRWLOCK lock_ = SRWLOCK_INIT;
    CONDITION_VARIABLE changed_ = CONDITION_VARIABLE_INIT;
    std::deque<std::shared_ptr<Head>> waiting_;  // told, not begun, in their order
    std::map<std::string, std::shared_ptr<Head>> told_;  // by path, until taken or dropped
    int readers_ = 0;  // work items submitted and not yet ended
    PTP_WORK work_ = nullptr;
};
