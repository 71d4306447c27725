#pragma once
// The program's side of the metadata tool's batch mode (base/BatchProtocol.h).

#include <cstddef>
#include <deque>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "base/BatchProtocol.h"
#include "metadata/ListingParser.h"

namespace batch {

// What the reader found in one answer, filled in when its end line has been read.
struct AnswerFacts {
    bool done = false;
    std::size_t overlongLines = 0;
    std::size_t fieldsOverBudget = 0;
    std::size_t keptBytes = 0;
};

// Reads the tool's output in a batch: the handshake, then one answer per path sent. The bytes
// arrive in chunks of any size. Lines are split and parsed by the listing reader's own rules and
// limits (the line limit per line, the byte budget per answer), so an answer yields exactly the
// fields a one-file call's listing would. Several paths may be out at once: the answers follow
// each other in the order of the paths, and the lines after one answer's end line belong to the
// next answer begun.
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

    // Starts the answer for the next path sent: its fields are appended to `fields`, and `facts`,
    // when given, is filled in at its end; both must stay in place until then. When Idle it
    // starts now; InAnswer it follows the answers begun before it.
    void BeginAnswer(std::vector<MetaField>& fields, AnswerFacts* facts = nullptr);
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

    // Answers begun and not yet ended, the current one included.
    std::size_t Outstanding() const;

private:
    struct Expected {
        std::vector<MetaField>* fields;
        AnswerFacts* facts;
    };
    void Start(const Expected& next);
    void TakeLine(std::string_view line);

    std::string handshake_;
    std::string endLine_;
    ListingLimits limits_;
    LineSplitter splitter_;
    State state_ = State::AwaitingHandshake;
    std::unique_ptr<ListingReader> answer_;
    AnswerFacts* facts_ = nullptr;
    std::deque<Expected> queued_;
    std::size_t overlongBefore_ = 0;
    bool outputAfterEnd_ = false;
};

}  // namespace batch
