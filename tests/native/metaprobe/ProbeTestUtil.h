// Runs the metadata tool's core on bytes built by a test.
#pragma once

#include <cstdint>
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
