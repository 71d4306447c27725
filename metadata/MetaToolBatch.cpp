#include "metadata/MetaToolBatch.h"

#include <algorithm>
#include <random>
#include <set>
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
    EndProcess();
}

std::size_t MetaToolBatch::PathsOut() const
{
    return static_cast<std::size_t>(
            std::count_if(requests_.begin(), requests_.end(),
                          [](const Request& request) { return request.stage == Request::Stage::Sent; }));
}

void MetaToolBatch::EndProcess()
{
    // A tool still busy with paths sent would answer them first: nobody reads those answers now.
    process_.Stop(PathsOut() == 0 ? kCloseWaitMs : 0);
    reader_.reset();
    for (auto it = requests_.begin(); it != requests_.end();) {
        if (it->stage != Request::Stage::Sent) {
            ++it;
        } else if (!it->wanted) {
            it = requests_.erase(it);
        } else {
            // A part of its answer may have come: it is asked again, whole.
            it->stage = Request::Stage::Waiting;
            it->fields.clear();
            it->facts = {};
            ++it;
        }
    }
}

void MetaToolBatch::DropPassed()
{
    std::erase_if(requests_, [](const Request& request) {
        return !request.wanted && request.stage != Request::Stage::Sent;
    });
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
    EndProcess();
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
            EndProcess();
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
    EndProcess();
    oneFileStarts_ = true;
    requests_.clear();
    stats_.outcome = ToolOutcome::NotRun;
    return false;
}

bool MetaToolBatch::SendAhead(Requests::iterator target)
{
    std::size_t out = 0;
    std::size_t outBytes = 0;
    auto next = requests_.begin();
    for (; next != requests_.end() && next->stage != Request::Stage::Waiting; ++next) {
        if (next->stage == Request::Stage::Sent) {
            ++out;
            outBytes += next->path.size() + 1;
        }
    }
    std::string lines;
    for (; next != requests_.end(); ++next) {
        const std::size_t bytes = next->path.size() + 1;
        // The first path goes whatever its length when nothing is out: the tool then waits for it.
        if (out != 0 && (out >= kAheadPaths || outBytes + bytes > kAheadBytes))
            break;
        reader_->BeginAnswer(next->fields, &next->facts);
        next->stage = Request::Stage::Sent;
        lines += next->path;
        lines += '\n';
        ++out;
        outBytes += bytes;
        if (next == target)
            stats_.processId = process_.ProcessId();
    }
    return lines.empty() || process_.Write(lines);
}

ToolOutcome MetaToolBatch::ReadOnce(ULONGLONG deadline)
{
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
    for (Request& request : requests_) {
        if (request.stage == Request::Stage::Sent && request.facts.done)
            request.stage = Request::Stage::Answered;
    }
    // Output after the last answer's end breaks the reader here; the tool is replaced before the
    // next path goes.
    if (reader_->CurrentState() == batch::BatchReader::State::AnswerDone)
        reader_->FinishAnswer();
    DropPassed();
    return ToolOutcome::Ended;
}

void MetaToolBatch::FailOutstanding(ToolOutcome outcome, Requests::iterator target)
{
    // A stop asked by the caller is no fault of the file the tool was on.
    const auto failed =
            outcome == ToolOutcome::Stopped
                    ? target
                    : std::find_if(requests_.begin(), requests_.end(), [](const Request& request) {
                          return request.stage == Request::Stage::Sent;
                      });
    if (failed != requests_.end()) {
        failed->stage = Request::Stage::Failed;
        failed->outcome = outcome;
        failed->fields.clear();
        failed->facts.overlongLines = reader_->OverlongLines();
        failed->facts.fieldsOverBudget = reader_->FieldsOverBudget();
        failed->facts.keptBytes = reader_->KeptBytes();
    }
    // Whatever the tool is doing now, it is not answering the next path: end it.
    process_.Stop(0);
    EndProcess();
    DropPassed();
}

void MetaToolBatch::Ahead(const std::vector<std::string>& paths)
{
    if (!config_.useBatch || oneFileStarts_)
        return;
    std::erase_if(requests_, [](const Request& request) { return request.stage == Request::Stage::Waiting; });
    std::set<std::string> known;
    for (const Request& request : requests_) {
        if (request.wanted)
            known.insert(request.path);
    }
    for (const std::string& path : paths) {
        if (!batch::PathFitsBatch(path) || known.count(path) != 0)
            continue;
        Request request;
        request.path = path;
        request.told = true;
        requests_.push_back(std::move(request));
    }
    // A running tool starts on them now; otherwise the first lookup starts it.
    if (!process_.Running() || !reader_)
        return;
    const batch::BatchReader::State state = reader_->CurrentState();
    if (state == batch::BatchReader::State::Idle) {
        // Output that came after the last answer would be taken for the first of these.
        if (process_.Read(GetTickCount64(), nullptr) != ToolProcess::ReadResult::TimedOut) {
            EndProcess();
            return;
        }
    } else if (state != batch::BatchReader::State::InAnswer) {
        return;
    }
    const bool idle = PathsOut() == 0;
    // A tool that ended while idle is replaced at the next lookup; one that ended while busy
    // fails the file it was on there.
    if (!SendAhead(requests_.end()) && idle)
        EndProcess();
}

ToolOutcome MetaToolBatch::Look(const std::string& filePath, std::vector<MetaField>& fields)
{
    stats_ = {};
    if (!config_.useBatch || oneFileStarts_ || !batch::PathFitsBatch(filePath))
        return LookOneFile(filePath, fields);
    auto target = std::find_if(requests_.begin(), requests_.end(), [&filePath](const Request& request) {
        return request.wanted && request.path == filePath;
    });
    if (target != requests_.end()) {
        // The files told before it were passed over: their answers are not kept.
        for (auto it = requests_.begin(); it != target; ++it)
            it->wanted = false;
        DropPassed();
    } else {
        // Not told: it goes next, behind the paths already out, whose answers are kept.
        Request request;
        request.path = filePath;
        target = requests_.insert(
                std::find_if(requests_.begin(), requests_.end(),
                             [](const Request& r) { return r.stage == Request::Stage::Waiting; }),
                std::move(request));
    }
    bool checked = false;
    bool restarted = false;
    const Request* onFile = nullptr;
    DWORD onProcess = 0;
    ULONGLONG deadline = 0;
    for (;;) {
        if (target->stage == Request::Stage::Answered || target->stage == Request::Stage::Failed) {
            stats_.outcome = target->stage == Request::Stage::Answered ? ToolOutcome::Ended : target->outcome;
            stats_.overlongLines = target->facts.overlongLines;
            stats_.fieldsOverBudget = target->facts.fieldsOverBudget;
            stats_.keptBytes = target->facts.keptBytes;
            fields.insert(fields.end(), std::make_move_iterator(target->fields.begin()),
                          std::make_move_iterator(target->fields.end()));
            requests_.erase(target);
            return stats_.outcome;
        }
        const bool idle = PathsOut() == 0;
        if (idle) {
            if (!EnsureRunning()) {
                // A tool without the batch mode has taken every request with it.
                if (oneFileStarts_)
                    return LookOneFile(filePath, fields);
                requests_.erase(target);
                return stats_.outcome;
            }
            // Output that arrived after the last answer's end would be taken for the next one:
            // start afresh (once).
            if (!checked) {
                checked = true;
                if (process_.Read(GetTickCount64(), nullptr) != ToolProcess::ReadResult::TimedOut) {
                    EndProcess();
                    continue;
                }
            }
        }
        if (!SendAhead(target) && idle) {
            // The tool ended after its last answer (or was ended from outside): once more afresh.
            EndProcess();
            if (restarted) {
                requests_.erase(target);
                stats_.outcome = ToolOutcome::Crashed;
                return stats_.outcome;
            }
            restarted = true;
            continue;
        }
        // The time limit runs for each file from when the tool is seen on it, as a one-file
        // start's runs from its start.
        const auto current = std::find_if(requests_.begin(), requests_.end(), [](const Request& request) {
            return request.stage == Request::Stage::Sent;
        });
        if (current != requests_.end() && (&*current != onFile || process_.ProcessId() != onProcess)) {
            onFile = &*current;
            onProcess = process_.ProcessId();
            deadline = DeadlineAfter(config_.timeLimitMs);
        }
        const ToolOutcome read = ReadOnce(deadline);
        if (read != ToolOutcome::Ended)
            FailOutstanding(read, target);
    }
}
