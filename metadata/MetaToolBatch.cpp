#include "metadata/MetaToolBatch.h"

#include <algorithm>
#include <random>
#include <utility>

namespace {

// Time a tool in batch mode gets to end by itself once its input is closed.
constexpr DWORD kCloseWaitMs = 2000;
constexpr std::size_t kTokenLength = 32;

std::string NewToken()
{
    static constexpr char kDigits[] = "0123456789abcdefghijklmnopqrstuvwxyz";
    std::random_device source;
    std::uniform_int_distribution<int> pick(0, 35);
    std::string token;
    for (std::size_t i = 0; i < kTokenLength; ++i)
        token += kDigits[pick(source)];
    return token;
}

ULONGLONG DeadlineAfter(DWORD milliseconds)
{
    return GetTickCount64() + milliseconds;
}

}  // namespace

MetaToolBatch::MetaToolBatch(MetaToolConfig config) : config_(std::move(config))
{ }

MetaToolBatch::~MetaToolBatch()
{
    Close();
}

void MetaToolBatch::Close()
{
    process_.Stop(kCloseWaitMs);
    reader_.reset();
}

ToolOutcome MetaToolBatch::LookOneFile(const std::string& filePath, std::vector<MetaField>& fields)
{
    MetaToolRunner runner(config_);
    runner.SetWaitHook(hook_);
    runner.RunTool(filePath);
    stats_ = runner.LastRun();
    if (stats_.processId != 0)
        started_.push_back(stats_.processId);
    if (stats_.outcome == ToolOutcome::Ended)
        fields.insert(fields.end(), runner.Fields().begin(), runner.Fields().end());
    return stats_.outcome;
}

bool MetaToolBatch::EnsureRunning()
{
    if (process_.Running() && reader_ && reader_->CurrentState() == batch::BatchReader::State::Idle) {
        return true;
    }
    Close();
    const std::string token = NewToken();
    // Quoted, so that a tool path with spaces cannot be taken for a shorter one.
    if (!process_.Start("\"" + config_.toolPath + "\" " + std::string(batch::kBatchOption) + " " + token)) {
        stats_.outcome = ToolOutcome::NotStarted;
        return false;
    }
    started_.push_back(process_.ProcessId());
    stats_.processId = process_.ProcessId();
    reader_ = std::make_unique<batch::BatchReader>(token, config_.limits);
    const ULONGLONG deadline = DeadlineAfter(std::min(config_.timeLimitMs, kHandshakeLimitMs));
    while (reader_->CurrentState() == batch::BatchReader::State::AwaitingHandshake) {
        const ToolProcess::ReadResult read = process_.Read(deadline, hook_);
        if (read == ToolProcess::ReadResult::Stopped) {
            Close();
            stats_.outcome = ToolOutcome::Stopped;
            return false;
        }
        if (read != ToolProcess::ReadResult::Data)
            break;
        reader_->Feed(process_.Bytes());
    }
    if (reader_->CurrentState() == batch::BatchReader::State::Idle)
        return true;
    // No handshake: a tool that knows only the one-file call.
    Close();
    oneFileStarts_ = true;
    stats_.outcome = ToolOutcome::NotRun;
    return false;
}

ToolOutcome MetaToolBatch::AwaitAnswer(ULONGLONG deadline)
{
    for (;;) {
        switch (process_.Read(deadline, hook_)) {
        case ToolProcess::ReadResult::Data: break;
        case ToolProcess::ReadResult::TimedOut: return ToolOutcome::TimedOut;
        case ToolProcess::ReadResult::Stopped: return ToolOutcome::Stopped;
        case ToolProcess::ReadResult::Closed:
        case ToolProcess::ReadResult::Failed: return ToolOutcome::Crashed;
        }
        ++stats_.reads;
        stats_.bytesRead += process_.Bytes().size();
        reader_->Feed(process_.Bytes());
        stats_.peakPendingCapacity = std::max(stats_.peakPendingCapacity, reader_->PendingCapacity());
        switch (reader_->CurrentState()) {
        case batch::BatchReader::State::AnswerDone: reader_->FinishAnswer(); return ToolOutcome::Ended;
        case batch::BatchReader::State::InAnswer: break;
        default: return ToolOutcome::Crashed;  // output outside an answer: the protocol is broken
        }
    }
}

ToolOutcome MetaToolBatch::Look(const std::string& filePath, std::vector<MetaField>& fields)
{
    stats_ = {};
    if (!config_.useBatch || oneFileStarts_ || !batch::PathFitsBatch(filePath))
        return LookOneFile(filePath, fields);
    if (!EnsureRunning()) {
        if (oneFileStarts_)
            return LookOneFile(filePath, fields);
        return stats_.outcome;
    }
    // Output that arrived after the last answer's end would be taken for this one: start afresh.
    if (process_.Read(GetTickCount64(), nullptr) != ToolProcess::ReadResult::TimedOut) {
        Close();
        if (!EnsureRunning())
            return oneFileStarts_ ? LookOneFile(filePath, fields) : stats_.outcome;
    }
    std::vector<MetaField> answer;
    reader_->BeginAnswer(answer);
    if (!process_.Write(filePath + "\n")) {
        // The tool ended after its last answer (or was ended from outside): once more afresh.
        if (!EnsureRunning())
            return oneFileStarts_ ? LookOneFile(filePath, fields) : stats_.outcome;
        reader_->BeginAnswer(answer);
        if (!process_.Write(filePath + "\n")) {
            Close();
            stats_.outcome = ToolOutcome::Crashed;
            return stats_.outcome;
        }
    }
    stats_.processId = process_.ProcessId();
    // The time limit runs from the path's sending, as a one-file start's runs from its start.
    stats_.outcome = AwaitAnswer(DeadlineAfter(config_.timeLimitMs));
    stats_.overlongLines = reader_->OverlongLines();
    stats_.fieldsOverBudget = reader_->FieldsOverBudget();
    stats_.keptBytes = reader_->KeptBytes();
    if (stats_.outcome != ToolOutcome::Ended) {
        // Whatever the tool is doing now, it is not answering the next path: end it.
        process_.Stop(0);
        reader_.reset();
        return stats_.outcome;
    }
    fields.insert(fields.end(), std::make_move_iterator(answer.begin()),
                  std::make_move_iterator(answer.end()));
    return stats_.outcome;
}
