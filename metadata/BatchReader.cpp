#include "metadata/BatchReader.h"

namespace batch {

BatchReader::BatchReader(std::string token, const ListingLimits& limits)
    : handshake_(HandshakeLine(token)), endLine_(EndLine(token)), limits_(limits),
      splitter_(limits.maxLineLength)
{ }

void BatchReader::BeginAnswer(std::vector<MetaField>& fields, AnswerFacts* facts)
{
    if (state_ == State::InAnswer) {
        queued_.push_back({&fields, facts});
        return;
    }
    if (state_ != State::Idle)
        return;
    Start({&fields, facts});
    state_ = State::InAnswer;
}

void BatchReader::Start(const Expected& next)
{
    answer_ = std::make_unique<ListingReader>(*next.fields, limits_);
    facts_ = next.facts;
    overlongBefore_ = splitter_.OverlongLines();
}

std::size_t BatchReader::Outstanding() const
{
    return state_ == State::InAnswer ? 1 + queued_.size() : 0;
}

void BatchReader::FinishAnswer()
{
    if (state_ == State::AnswerDone)
        state_ = outputAfterEnd_ || !splitter_.Pending().Empty() ? State::Broken : State::Idle;
}

void BatchReader::Feed(std::string_view chunk)
{
    splitter_.Feed(chunk, [this](std::string_view line) { TakeLine(line); });
}

void BatchReader::TakeLine(std::string_view line)
{
    // An empty line is no field in a listing either; one arises where a CR LF pair is split
    // across two reads.
    if (line.empty())
        return;
    switch (state_) {
    case State::AwaitingHandshake: state_ = line == handshake_ ? State::Idle : State::Broken; return;
    case State::InAnswer:
        // A listing whose last line lacks its line break runs into the end line: that last line
        // is dropped, as a one-file listing's is.
        if (line.size() >= endLine_.size() && line.substr(line.size() - endLine_.size()) == endLine_) {
            if (facts_ != nullptr)
                *facts_ = {true, OverlongLines(), FieldsOverBudget(), KeptBytes()};
            if (queued_.empty()) {
                state_ = State::AnswerDone;
                return;
            }
            // The next path's answer starts on the next line, in this chunk or a later one.
            Start(queued_.front());
            queued_.pop_front();
        } else
            answer_->FeedLine(line);
        return;
    case State::AnswerDone: outputAfterEnd_ = true; return;
    case State::Idle: state_ = State::Broken; return;
    case State::Broken: return;
    }
}

}  // namespace batch
