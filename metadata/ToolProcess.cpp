#include "metadata/ToolProcess.h"

#include <algorithm>
#include <atomic>
#include <cstdio>

#include "base/WidePath.h"

namespace {

constexpr DWORD kOutputBufferSize = 65536;
constexpr DWORD kInputBufferSize = 65536;
constexpr UINT kEndedByForceExitCode = 1;
constexpr DWORD kForcedEndWaitMs = 5000;

std::atomic<unsigned> pipeCounter {0};

// An anonymous pipe cannot be read with overlapped I/O; a named one, unique to this process and
// call, with one instance and local clients only, serves instead.
bool CreateOutputPipe(OwnedHandle& serverRead, OwnedHandle& clientWrite)
{
    char name[96];
    std::snprintf(name, sizeof name, "\\\\.\\pipe\\quillmere-tool-%lu-%u", GetCurrentProcessId(),
                  pipeCounter.fetch_add(1));
    *serverRead.Receive() =
            CreateNamedPipeA(name, PIPE_ACCESS_INBOUND | FILE_FLAG_OVERLAPPED | FILE_FLAG_FIRST_PIPE_INSTANCE,
                             PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT | PIPE_REJECT_REMOTE_CLIENTS, 1,
                             0, kOutputBufferSize, 0, nullptr);
    if (!serverRead.Valid())
        return false;
    SECURITY_ATTRIBUTES inheritable {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    *clientWrite.Receive() = CreateFileA(name, GENERIC_WRITE, 0, &inheritable, OPEN_EXISTING, 0, nullptr);
    return clientWrite.Valid();
}

enum class Wake { Signalled, TimedOut, Stopped, Failed };

// Waits for handle until the tick count deadline. With a hook, window messages of the calling
// thread end the wait too, so that the caller's window stays alive, and the hook says whether
// to go on waiting.
Wake WaitUntil(HANDLE handle, ULONGLONG deadline, const ToolWaitHook& hook)
{
    for (;;) {
        const ULONGLONG now = GetTickCount64();
        const DWORD remaining =
                now >= deadline ? 0 : static_cast<DWORD>(std::min<ULONGLONG>(deadline - now, INFINITE - 1));
        const DWORD woke =
                hook ? MsgWaitForMultipleObjectsEx(1, &handle, remaining, QS_ALLINPUT, MWMO_INPUTAVAILABLE)
                     : WaitForSingleObject(handle, remaining);
        if (woke == WAIT_OBJECT_0)
            return Wake::Signalled;
        if (hook && woke == WAIT_OBJECT_0 + 1) {
            if (!hook())
                return Wake::Stopped;
            continue;
        }
        return woke == WAIT_TIMEOUT ? Wake::TimedOut : Wake::Failed;
    }
}

}  // namespace

ToolProcess::~ToolProcess()
{
    Stop(0);
}

bool ToolProcess::Start(const std::string& commandLine)
{
    Stop(0);
    OwnedHandle outputWrite, errorWrite, inputRead;
    if (!CreateOutputPipe(output_, outputWrite))
        return false;
    const HANDLE self = GetCurrentProcess();
    if (!DuplicateHandle(self, outputWrite.Get(), self, errorWrite.Receive(), 0, TRUE,
                         DUPLICATE_SAME_ACCESS)) {
        return false;
    }
    SECURITY_ATTRIBUTES inheritable {};
    inheritable.nLength = sizeof inheritable;
    inheritable.bInheritHandle = TRUE;
    OwnedHandle inputWrite;
    if (!CreatePipe(inputRead.Receive(), inputWrite.Receive(), &inheritable, kInputBufferSize))
        return false;
    if (!DuplicateHandle(self, inputWrite.Get(), self, input_.Receive(), 0, FALSE, DUPLICATE_SAME_ACCESS))
        return false;
    inputWrite.Close();
    *readDone_.Receive() = CreateEventA(nullptr, TRUE, FALSE, nullptr);
    if (!readDone_.Valid())
        return false;

    // The wide call, as for every name the program hands the system.
    const std::wstring wide = WideText(commandLine);
    std::vector<wchar_t> command(wide.begin(), wide.end());
    command.push_back(L'\0');
    STARTUPINFOW startup {};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = outputWrite.Get();
    startup.hStdError = errorWrite.Get();
    startup.hStdInput = inputRead.Get();
    PROCESS_INFORMATION started {};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, kToolCreationFlags, nullptr, nullptr,
                        &startup, &started)) {
        Reset();
        return false;
    }
    OwnedHandle(started.hThread).Close();
    process_.Reset(started.hProcess);
    processId_ = started.dwProcessId;
    buffer_.resize(kOutputBufferSize);
    return true;
}

bool ToolProcess::Write(std::string_view bytes)
{
    while (!bytes.empty()) {
        DWORD written = 0;
        if (!WriteFile(input_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) ||
            written == 0) {
            return false;
        }
        bytes.remove_prefix(written);
    }
    return true;
}

bool ToolProcess::IssueRead()
{
    overlapped_ = {};
    overlapped_.hEvent = readDone_.Get();
    ResetEvent(readDone_.Get());
    if (ReadFile(output_.Get(), buffer_.data(), kOutputBufferSize, nullptr, &overlapped_) ||
        GetLastError() == ERROR_IO_PENDING) {
        readPending_ = true;
        return true;
    }
    return false;
}

ToolProcess::ReadResult ToolProcess::Read(ULONGLONG deadline, const ToolWaitHook& hook)
{
    got_ = 0;
    if (!output_.Valid())
        return ReadResult::Failed;
    if (!readPending_ && !IssueRead())
        return GetLastError() == ERROR_BROKEN_PIPE ? ReadResult::Closed : ReadResult::Failed;
    switch (WaitUntil(readDone_.Get(), deadline, hook)) {
    case Wake::Signalled: break;
    case Wake::TimedOut: return ReadResult::TimedOut;
    case Wake::Stopped: return ReadResult::Stopped;
    case Wake::Failed: return ReadResult::Failed;
    }
    readPending_ = false;
    DWORD got = 0;
    if (!GetOverlappedResult(output_.Get(), &overlapped_, &got, FALSE))
        return GetLastError() == ERROR_BROKEN_PIPE ? ReadResult::Closed : ReadResult::Failed;
    got_ = got;
    return ReadResult::Data;
}

ToolProcess::ReadResult ToolProcess::WaitForEnd(ULONGLONG deadline, const ToolWaitHook& hook, DWORD& exitCode)
{
    if (!process_.Valid())
        return ReadResult::Failed;
    switch (WaitUntil(process_.Get(), deadline, hook)) {
    case Wake::Signalled:
        return GetExitCodeProcess(process_.Get(), &exitCode) ? ReadResult::Closed : ReadResult::Failed;
    case Wake::TimedOut: return ReadResult::TimedOut;
    case Wake::Stopped: return ReadResult::Stopped;
    case Wake::Failed: return ReadResult::Failed;
    }
    return ReadResult::Failed;
}

void ToolProcess::Stop(DWORD waitMs)
{
    input_.Close();  // the tool's end of input: a tool in batch mode ends by itself
    if (process_.Valid() && WaitForSingleObject(process_.Get(), waitMs) != WAIT_OBJECT_0) {
        // If the tool has ended meanwhile, TerminateProcess fails and the wait returns at once.
        TerminateProcess(process_.Get(), kEndedByForceExitCode);
        WaitForSingleObject(process_.Get(), kForcedEndWaitMs);
    }
    Reset();
}

void ToolProcess::Reset()
{
    if (readPending_) {
        // The buffer must outlive the read: cancel it and wait until it is really over.
        CancelIo(output_.Get());
        DWORD ignored = 0;
        GetOverlappedResult(output_.Get(), &overlapped_, &ignored, TRUE);
        readPending_ = false;
    }
    output_.Close();
    input_.Close();
    readDone_.Close();
    process_.Close();
    processId_ = 0;
    got_ = 0;
}
