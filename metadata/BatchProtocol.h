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
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "metadata/ListingParser.h"

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

// Reads the tool's output in a batch: the handshake, then one answer per path sent. The bytes
// arrive in chunks of any size. Lines are split and parsed by the listing reader's own rules and
// limits (the line limit per line, the byte budget per answer), so an answer yields exactly the
// fields a one-file call's listing would.
class BatchReader {
public:
    enum class State {
        AwaitingHandshake,
        Idle,  // between answers: any output now is a fault
        InAnswer,
        AnswerDone,  // the answer is whole; output after its end breaks the reader at FinishAnswer
        Broken,  // a wrong handshake or output outside an answer
    };

    BatchReader(std::string token, const ListingLimits& limits);

    // Starts the answer for the next path: its fields are appended to `fields`. Only when Idle.
    void BeginAnswer(std::vector<MetaField>& fields);
    void Feed(std::string_view chunk);
    // After AnswerDone: back to Idle for the next path, or Broken when output followed the end
    // line (it arrived with the answer's last bytes, and would be taken for the next answer).
    void FinishAnswer();

    State CurrentState() const { return state_; }
    // Of the current or last answer.
    std::size_t OverlongLines() const { return splitter_.OverlongLines() - overlongBefore_; }
    std::size_t FieldsOverBudget() const { return answer_ ? answer_->FieldsOverBudget() : 0; }
    std::size_t KeptBytes() const { return answer_ ? answer_->KeptBytes() : 0; }
    std::size_t PendingCapacity() const { return splitter_.Pending().Capacity(); }

private:
    void TakeLine(std::string_view line);

    std::string handshake_;
    std::string endLine_;
    ListingLimits limits_;
    LineSplitter splitter_;
    State state_ = State::AwaitingHandshake;
    std::unique_ptr<ListingReader> answer_;
    std::size_t overlongBefore_ = 0;
    bool outputAfterEnd_ = false;
};

}  // namespace batch
