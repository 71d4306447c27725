// metaprobe FILE: prints the metadata of one file, one field per line.
// metaprobe --version: prints the program's version.
// Exit code: 0 when the file was read, 1 when it could not be read (the listing then ends with
// an "Error" line), 2 on a wrong command line.
// metaprobe --batch TOKEN: the batch mode (base/BatchProtocol.h), answering one path of
// standard input after another with the same listing and the batch facts; ends with 0 when its input closes,
// 1 when its output fails.
#include <cstdio>
#include <string>

#include "QuillmereVersion.h"
#include "base/BatchProtocol.h"
#include "metaprobe/Listing.h"
#include "metaprobe/Probe.h"

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>

#include "base/ConsoleCodePage.h"
#include "base/RunningMark.h"
#endif

namespace {

bool WriteText(const std::string& text)
{
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
}

// One input line, without its line break; false at the end of the input. A line longer than the
// longest path a caller sends is read whole all the same, so the next line starts where it should.
bool ReadLine(std::string& line)
{
    line.clear();
    int c = 0;
    while ((c = std::getc(stdin)) != EOF && c != '\n')
        line += static_cast<char>(c);
    if (c == EOF && line.empty())
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

int RunBatch(const std::string& token)
{
#ifdef _WIN32
    // Each answer goes to the caller in one write: the text mode's line-break translation would
    // split it into writes of a few KB (each a round trip through the system), and so would the
    // stream's buffer. The caller's reader takes a bare line feed as a line break.
    if (_setmode(_fileno(stdout), _O_BINARY) == -1 || std::setvbuf(stdout, nullptr, _IONBF, 0) != 0)
        return 1;
#endif
    const std::string endLine = batch::EndLine(token) + "\n";
    // The handshake must reach the caller before the first path arrives.
    if (!WriteText(batch::HandshakeLine(token) + "\n") || std::fflush(stdout) != 0)
        return 1;
    std::string path;
    std::string answer;
    while (ReadLine(path)) {
        metaprobe::Listing listing;
        metaprobe::ProbeFile(path, listing);
        answer = metaprobe::FormatListing(listing);
        answer += metaprobe::FormatBatchFacts(listing);
        answer += endLine;
        if (!WriteText(answer) || std::fflush(stdout) != 0)
            return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv)
{
#ifdef _WIN32
    const RunningMark running;  // tells Setup and the uninstaller that it runs
    // File names come in the ANSI code page (on the command line or, in the batch mode, on
    // standard input) and values are written in UTF-8; the manifest makes the two one.
    const ConsoleCodePage codePage;
#endif
    if (argc == 3 && argv[1] == batch::kBatchOption && batch::IsValidToken(argv[2]))
        return RunBatch(argv[2]);
    if (argc != 2) {
        std::fputs("usage: metaprobe FILE | --version\n       metaprobe --batch TOKEN\n", stderr);
        return 2;
    }
    if (std::string(argv[1]) == "--version") {
        std::printf("metaprobe %s\n", QM_VERSION_TEXT);
        return std::fflush(stdout) == 0 ? 0 : 1;
    }
    metaprobe::Listing listing;
    bool read = metaprobe::ProbeFile(argv[1], listing);
    std::string text = metaprobe::FormatListing(listing);
    if (std::fwrite(text.data(), 1, text.size(), stdout) != text.size() || std::fflush(stdout) != 0)
        return 1;
    return read ? 0 : 1;
}
