// Feeds arbitrary bytes to the color profile reader as a profile stored in one piece, and then
// as the pieces of a JPEG's profile (the first byte of each piece gives its number and count), so
// that both the reader and the joining of pieces see the input.
#include <cstddef>
#include <cstdint>

#include "metaprobe/IccChunks.h"
#include "metaprobe/IccReader.h"
#include "metaprobe/Listing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    metaprobe::MemorySource source(data, size);
    metaprobe::Listing whole;
    metaprobe::ReadIccProfile(source, whole);
    metaprobe::FormatListing(whole);

    // Up to four pieces of near-equal size.
    metaprobe::IccChunks chunks;
    unsigned pieces = size > 0 ? 1 + data[0] % 4 : 1;
    size_t step = size / pieces + 1;
    for (unsigned i = 0; i < pieces; ++i) {
        size_t from = i * step < size ? i * step : size;
        size_t length = size - from < step ? size - from : step;
        unsigned number = from < size ? data[from] >> 4 : i + 1;
        chunks.Add(number == 0 ? i + 1 : number, pieces, from, length);
    }
    metaprobe::Listing joined;
    chunks.List(source, joined);
    metaprobe::FormatListing(joined);
    return 0;
}
