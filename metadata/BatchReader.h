#pragma once
// The program's side of the metadata tool's batch mode (base/BatchProtocol.h).

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/BatchProtocol.h"
#include "metadata/ListingParser.h"

namespace batch {

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
