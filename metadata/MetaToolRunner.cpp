#include "metadata/MetaToolRunner.h"

#include <algorithm>
#include <utility>

#include "base/OwnedHandle.h"
#include "base/WidePath.h"
#include "metadata/ToolProcess.h"

namespace {

constexpr char kToolName[] = "metaprobe.exe";
constexpr DWORD kModulePathSize = 520;
constexpr DWORD kReadBufferSize = 51200;
constexpr DWORD kMaxReadSize = 51196;
// Between reads the tool's end is polled, first briefly (output usually follows output), then
// less often, up to this interval.
constexpr DWORD kLongestPollMs = 100;
constexpr DWORD kTerminateWaitMs = 5000;
constexpr UINT kTimedOutExitCode = 1;
// Exit codes of processes ended by an exception (an access violation, a stack overflow) carry the
// error severity bits of a status code.
constexpr DWORD kAbnormalEndMask = 0xC0000000;

bool DuplicateForSelf(HANDLE source, HANDLE* target, BOOL inheritable)
{
    const HANDLE self = GetCurrentProcess();
    return DuplicateHandle(self, source, self, target, 0, inheritable, DUPLICATE_SAME_ACCESS) != 0;
}

}  // namespace

std::string ToolOutcomeText(ToolOutcome outcome)
{
    switch (outcome) {
    case ToolOutcome::NotRun:
    case ToolOutcome::Ended: return {};
    case ToolOutcome::NotStarted: return "the metadata tool could not be started";
    case ToolOutcome::TimedOut: return "the metadata tool did not answer in time";
    case ToolOutcome::Crashed: return "the metadata tool ended abnormally";
    case ToolOutcome::Stopped: return "cancelled";
    }
    return {};
}

std::string DefaultToolPath()
{
    char module[kModulePathSize];
    const DWORD length = GetModuleFileNameA(nullptr, module, kModulePathSize);
    // A path that filled the buffer may have been cut short: its folder cannot be trusted.
    if (length == 0 || length >= kModulePathSize)
        return kToolName;
    std::string path(module, length);
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos)
        return kToolName;
    path.resize(slash + 1);
    return path + kToolName;
}

MetaToolRunner::MetaToolRunner()
{
    config_.toolPath = DefaultToolPath();
}

MetaToolRunner::MetaToolRunner(MetaToolConfig config) : config_(std::move(config))
{ }

bool MetaToolRunner::FindField(const std::string& name, std::string& value) const
{
    for (const MetaField& field : fields_) {
        if (field.name == name) {
            value = field.value;
            return true;
        }
    }
    return false;
}

bool MetaToolRunner::RunTool(const std::string& filePath)
{
    stats_ = {};
    stats_.outcome = ToolOutcome::NotStarted;

    // The tool path is quoted too: unquoted, a path with spaces would let the system try
    // shorter prefixes of it (C:\Program.exe for C:\Program Files\...) as the program.
    const std::string command = "\"" + config_.toolPath + "\" \"" + filePath + "\"";
    // The wide call: the file's name reaches the tool as it is, never through a best-fit conversion.
    const std::wstring wide = WideText(command);
    std::vector<wchar_t> commandLine(wide.begin(), wide.end());
    commandLine.push_back(L'\0');

    SECURITY_ATTRIBUTES inheritable {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;

    // Standard output and standard error share one pipe; the program keeps non-inheritable
    // copies of its own ends so that the tool does not hold them open.
    OwnedHandle outputRead, outputWrite, errorWrite, inputRead, inputWrite;
    OwnedHandle ownOutputRead, ownInputWrite;
    if (!CreatePipe(outputRead.Receive(), outputWrite.Receive(), &inheritable, 0))
        return false;
    if (!DuplicateForSelf(outputWrite.Get(), errorWrite.Receive(), TRUE))
        return false;
    if (!CreatePipe(inputRead.Receive(), inputWrite.Receive(), &inheritable, 0))
        return false;
    if (!DuplicateForSelf(outputRead.Get(), ownOutputRead.Receive(), FALSE))
        return false;
    outputRead.Close();
    if (!DuplicateForSelf(inputWrite.Get(), ownInputWrite.Receive(), FALSE))
        return false;
    inputWrite.Close();

    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outputWrite.Get();
    startup.hStdError = errorWrite.Get();
    startup.hStdInput = inputRead.Get();
    PROCESS_INFORMATION started {};
    if (!CreateProcessW(nullptr, commandLine.data(), nullptr, nullptr, TRUE, kToolCreationFlags, nullptr,
                        nullptr, &startup, &started)) {
        return false;
    }
    OwnedHandle process(started.hProcess);
    OwnedHandle(started.hThread).Close();
    stats_.processId = started.dwProcessId;
    // Only the tool may hold the writing ends now, so the pipe breaks when it ends.
    outputWrite.Close();
    errorWrite.Close();
    inputRead.Close();

    const std::size_t fieldsBefore = fields_.size();
    ListingReader reader(fields_, config_.limits);
    reader.Begin();
    stats_.outcome = ReadUntilEnd(ownOutputRead.Get(), process.Get(), reader);
    reader.End();
    stats_.overlongLines = reader.OverlongLines();
    stats_.fieldsOverBudget = reader.FieldsOverBudget();
    stats_.keptBytes = reader.KeptBytes();
    if (stats_.outcome == ToolOutcome::Ended && GetExitCodeProcess(process.Get(), &stats_.exitCode) &&
        (stats_.exitCode & kAbnormalEndMask) == kAbnormalEndMask) {
        stats_.outcome = ToolOutcome::Crashed;
    }
    if (stats_.outcome != ToolOutcome::Ended) {
        fields_.resize(fieldsBefore);
        return false;
    }
    return !fields_.empty();
}

ToolOutcome MetaToolRunner::ReadUntilEnd(HANDLE output, HANDLE process, ListingReader& reader)
{
    std::vector<char> buffer(kReadBufferSize);
    stats_.peakPendingCapacity = reader.PendingCapacity();
    const ULONGLONG start = GetTickCount64();
    DWORD poll = 1;
    bool ended = false;
    bool pipeOpen = true;
    for (;;) {
        const ULONGLONG elapsed = GetTickCount64() - start;
        if (elapsed >= config_.timeLimitMs) {
            if (ended)
                return ToolOutcome::Ended;  // only something the tool left behind still writes
            // If the tool has ended meanwhile, TerminateProcess fails and the wait returns at once.
            TerminateProcess(process, kTimedOutExitCode);
            WaitForSingleObject(process, kTerminateWaitMs);
            return ToolOutcome::TimedOut;
        }
        // Reads only what is there, so that a silent tool cannot block the loop past the limit.
        DWORD available = 0;
        if (pipeOpen && !PeekNamedPipe(output, nullptr, 0, nullptr, &available, nullptr)) {
            pipeOpen = false;  // every writing end is closed
            available = 0;
        }
        if (available > 0) {
            DWORD got = 0;
            if (ReadFile(output, buffer.data(), std::min(available, kMaxReadSize), &got, nullptr) &&
                got > 0) {
                ++stats_.reads;
                stats_.bytesRead += got;
                reader.Feed(std::string_view(buffer.data(), got));
                stats_.peakPendingCapacity = std::max(stats_.peakPendingCapacity, reader.PendingCapacity());
            }
            poll = 1;
            continue;
        }
        if (ended)
            return ToolOutcome::Ended;
        const DWORD remaining = static_cast<DWORD>(config_.timeLimitMs - elapsed);
        const DWORD wait = pipeOpen ? std::min(poll, remaining) : remaining;
        // With a hook, window messages end the wait too, so that the caller's window stays alive.
        const DWORD woke =
                hook_ ? MsgWaitForMultipleObjectsEx(1, &process, wait, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
                      : WaitForSingleObject(process, wait);
        if (hook_ && woke == WAIT_OBJECT_0 + 1) {
            if (!hook_()) {
                TerminateProcess(process, kTimedOutExitCode);
                WaitForSingleObject(process, kTerminateWaitMs);
                return ToolOutcome::Stopped;
            }
            continue;
        }
        if (woke == WAIT_TIMEOUT) {
            poll = std::min<DWORD>(poll * 2, kLongestPollMs);
            continue;
        }
        // Ended (or the wait failed): collect what is left in the pipe, then stop.
        ended = true;
    }
}
