// Feeds arbitrary bytes to one container reader (chosen at build time) through the full probe
// path, so that detection, the reader and the printer all see the input.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "metaprobe/Listing.h"
#include "metaprobe/Probe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    // Each target fixes the first bytes so that the input reaches its reader.
    static const std::vector<uint8_t> prefix = {METAPROBE_FUZZ_PREFIX};
    std::vector<uint8_t> bytes(prefix);
    bytes.insert(bytes.end(), data, data + size);
    metaprobe::MemorySource source(bytes.data(), bytes.size());
    metaprobe::Listing listing;
    metaprobe::ProbeSource(source, listing);
    metaprobe::FormatListing(listing);
    return 0;
}
