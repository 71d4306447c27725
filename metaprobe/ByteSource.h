// Random access to the bytes of a file in small pieces, so that a large video costs a few reads.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

namespace metaprobe {

class ByteSource {
public:
    virtual ~ByteSource() = default;
    virtual uint64_t Size() const = 0;
    // Reads exactly `count` bytes at `offset`; false when any of them lies outside the source or the read
    // fails.
    virtual bool Read(uint64_t offset, void* out, size_t count) = 0;

    // Position of this source's first byte in the file it is part of (0 for a whole file).
    virtual uint64_t Origin() const { return 0; }

    // Reads up to `count` bytes at `offset` into `out` (resized to what was read).
    bool ReadSome(uint64_t offset, size_t count, std::vector<uint8_t>& out);
    // True when [offset, offset + count) lies inside the source.
    bool Contains(uint64_t offset, uint64_t count) const
    {
        return offset <= Size() && count <= Size() - offset;
    }
};

class MemorySource : public ByteSource {
public:
    MemorySource(const uint8_t* data, size_t size) : data_(data), size_(size) { }
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, void* out, size_t count) override;

private:
    const uint8_t* data_;
    size_t size_;
};

class FileSource : public ByteSource {
public:
    // Null when the file cannot be opened or its size cannot be found.
    static std::unique_ptr<FileSource> Open(const std::string& path);
    ~FileSource() override;
    FileSource(const FileSource&) = delete;
    FileSource& operator=(const FileSource&) = delete;
    uint64_t Size() const override { return size_; }
    bool Read(uint64_t offset, void* out, size_t count) override;
    // The reads this source asked of the system so far.
    size_t SystemReads() const { return systemReads_; }

    // Small reads are served from one block of the file read whole: a reader's walk through a
    // file's directories reads a few bytes here and there, and a system read (a seek and a
    // refilled buffer) for each costs more than the bytes.
    static constexpr size_t kBlockSize = 64 * 1024;
    static constexpr size_t kBlockAlign = 4096;
    static_assert(kBlockAlign + kBlockSize / 2 <= kBlockSize,
                  "a block read for a small read holds all of it");

private:
    FileSource(std::FILE* file, uint64_t size) : file_(file), size_(size) { }
    bool ReadAt(uint64_t offset, void* out, size_t count);

    std::FILE* file_;
    uint64_t size_;
    std::vector<uint8_t> block_;  // the file's bytes from blockOffset_ on
    uint64_t blockOffset_ = 0;
    size_t systemReads_ = 0;
};

// Byte-order aware integer decoding of small buffers.
inline uint16_t Get16(const uint8_t* p, bool bigEndian)
{
    return bigEndian ? uint16_t(p[0] << 8 | p[1]) : uint16_t(p[1] << 8 | p[0]);
}
inline uint32_t Get32(const uint8_t* p, bool bigEndian)
{
    return bigEndian ? (uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | p[3])
                     : (uint32_t(p[3]) << 24 | uint32_t(p[2]) << 16 | uint32_t(p[1]) << 8 | p[0]);
}
inline uint64_t Get64(const uint8_t* p, bool bigEndian)
{
    uint64_t hi = Get32(p, bigEndian), lo = Get32(p + 4, bigEndian);
    return bigEndian ? (hi << 32 | lo) : (lo << 32 | hi);
}

}  // namespace metaprobe
