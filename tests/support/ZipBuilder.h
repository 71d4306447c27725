// Writes zip archives in memory for the archive reader's tests, fuzz seeds and benchmark: stored
// and deflated entries, UTF-8 or code-page names, Zip64 records, and archives placed behind a
// prefix (so that offsets beyond 4 GB can be tried without writing 4 GB).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

struct ZipBuildEntry {
    std::string name;  // the bytes stored as the name
    std::string data;
    bool deflate = false;
    bool utf8Flag = true;
    std::uint32_t dosTime = 0x6000;  // 12:00:00
    std::uint32_t dosDate = 0x5A21;  // 2025-01-01
};

struct ZipLayout {
    std::size_t centralOffset = 0;  // where the central directory starts in the built bytes
    std::size_t endOffset = 0;  // where the end of central directory record starts
    std::vector<std::size_t> headerOffsets;  // each entry's local header
    std::vector<std::size_t> dataOffsets;  // each entry's (packed) data
};

class ZipBuilder {
public:
    void Add(std::string name, std::string data, bool deflate = false, bool utf8Flag = true);
    void Add(ZipBuildEntry entry) { entries_.push_back(std::move(entry)); }
    // Every size and offset in Zip64 fields, and the Zip64 end records.
    void ForceZip64(bool on = true) { zip64_ = on; }
    // The archive as if prefix bytes came before it in its file: offsets count from the file's start.
    void SetPrefix(std::uint64_t prefix) { prefix_ = prefix; }
    std::string Build(ZipLayout* layout = nullptr) const;

private:
    std::vector<ZipBuildEntry> entries_;
    bool zip64_ = false;
    std::uint64_t prefix_ = 0;
};

// Raw deflate (no zlib header) of data, as zip stores it.
std::string DeflateRaw(const std::string& data);
