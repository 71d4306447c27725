#pragma once
// The metadata tool's batch mode, as both sides speak it. The program starts the tool as
//   metaprobe --batch TOKEN
// with a fresh random TOKEN (letters and digits only). The tool first writes the handshake line,
// then reads file paths from standard input (UTF-8, one a line) and answers each with the listing
// its one-file call prints for that file, then the batch facts below, then the end line (a listing
// whose last line lacks its line break loses that line, as a one-file listing does). It ends when its input
// closes. Neither the handshake nor the end line holds a colon, so neither can be read as a field;
// and as a file cannot know the token, no value can end an answer early, not even one whose bytes
// hold a line break of the reader's (a NUL).

#include <cstddef>
#include <string>
#include <string_view>

namespace batch {

constexpr std::string_view kBatchOption = "--batch";
constexpr std::size_t kMinTokenLength = 16;
constexpr std::size_t kMaxTokenLength = 64;

// Batch facts: fields for the organizer that the printed listing leaves out. A date field that a
// file records in UTC (a QuickTime "Create Date") and that the listing shows in the computer's
// local time is followed by kUtcFieldPrefix + its name, its instant in whole seconds since
// 1970-01-01 UTC; a video's recorded position comes as kPositionField, its ISO 6709 text.
constexpr std::string_view kUtcFieldPrefix = "Batch UTC ";
constexpr std::string_view kPositionField = "Batch ISO 6709 Position";

// Letters and digits only, kMinTokenLength to kMaxTokenLength of them.
bool IsValidToken(std::string_view token);
// The lines without their line break.
std::string HandshakeLine(std::string_view token);
std::string EndLine(std::string_view token);
// A path the batch cannot carry: empty, or holding a line break or a NUL.
bool PathFitsBatch(std::string_view path);

}  // namespace batch
