// Runs the metadata tool's core on bytes built by a test.
#pragma once

#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "metaprobe/ByteSource.h"
#include "metaprobe/Listing.h"
#include "metaprobe/Probe.h"

inline metaprobe::Listing ProbeBytes(const std::vector<uint8_t>& bytes)
{
    metaprobe::MemorySource source(bytes.data(), bytes.size());
    metaprobe::Listing listing;
    metaprobe::ProbeSource(source, listing);
    return listing;
}

// Counts what the readers ask of a source, so that a test can bound what they read.
class CountingSource : public metaprobe::ByteSource {
public:
    explicit CountingSource(metaprobe::ByteSource& inner) : inner_(inner) { }
    uint64_t Size() const override { return inner_.Size(); }
    bool Read(uint64_t offset, void* out, size_t count) override
    {
        ++reads;
        bytes += count;
        return inner_.Read(offset, out, count);
    }
    unsigned reads = 0;
    uint64_t bytes = 0;

private:
    metaprobe::ByteSource& inner_;
};

// Positions a file beyond 4 GB on every platform (off_t has 32 bits in a 32-bit Windows build).
inline bool SeekTo(std::FILE* file, uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}
