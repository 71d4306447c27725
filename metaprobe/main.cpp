// metaprobe FILE: prints the metadata of one file, one field per line.
// metaprobe --version: prints the program's version.
// Exit code: 0 when the file was read, 1 when it could not be read (the listing then ends with
// an "Error" line), 2 on a wrong command line.
#include <cstdio>
#include <string>

#include "QuillmereVersion.h"
#include "metaprobe/Listing.h"
#include "metaprobe/Probe.h"

#ifdef _WIN32
#include "engine/ConsoleCodePage.h"
#endif

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fputs("usage: metaprobe FILE | --version\n", stderr);
        return 2;
    }
    if (std::string(argv[1]) == "--version") {
        std::printf("metaprobe %s\n", QM_VERSION_TEXT);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
#ifdef _WIN32
    // The file name comes in the ANSI code page and values are written in UTF-8; the manifest
    // makes the two one.
    const ConsoleCodePage codePage;
#endif
    metaprobe::Listing listing;
    bool read = metaprobe::ProbeFile(argv[1], listing);
    std::string text = metaprobe::FormatListing(listing);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return 1;
    return read ? 0 : 1;
}
