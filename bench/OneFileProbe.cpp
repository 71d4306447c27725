// The metadata tool as it was before its batch mode: one file per start, no --batch. Beside
// quillmere-cli it makes every lookup fall back to one start per file, so the benchmark can
// measure that path with the same readers.
#include <cstdio>
#include <string>

#include "metaprobe/Listing.h"
#include "metaprobe/Probe.h"

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: metaprobe FILE\n", stderr);
        return 2;
    }
    metaprobe::Listing listing;
    const bool read = metaprobe::ProbeFile(argv[1], listing);
    const std::string text = metaprobe::FormatListing(listing);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return 1;
    return read ? 0 : 1;
}
