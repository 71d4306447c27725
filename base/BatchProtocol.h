#pragma once
// The metadata tool's batch mode, as both sides speak it. The program starts the tool as
//   metaprobe --batch TOKEN
// with a fresh random TOKEN (letters and digits only). The tool first writes the handshake line,
// then reads file paths from standard input (UTF-8, one a line) and answers each with exactly the
// listing its one-file call prints for that file, followed by the end line (a listing whose last
// line lacks its line break loses that line, as a one-file listing does). It ends when its input
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

// Letters and digits only, kMinTokenLength to kMaxTokenLength of them.
bool IsValidToken(std::string_view token);
// The lines without their line break.
std::string HandshakeLine(std::string_view token);
std::string EndLine(std::string_view token);
// A path the batch cannot carry: empty, or holding a line break or a NUL.
bool PathFitsBatch(std::string_view path);

}  // namespace batch
