#pragma once
// The one way the metadata tool is started, for one file or for a long-lived batch: a process
// with a pipe to its standard input and one from its standard output and error. Its output is
// read with overlapped I/O, so that a wait can end on output, on the tool's end, on a deadline,
// or on window messages of the calling thread (which the caller's hook handles) without polling.
// Started without a console of its own.

#include <windows.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "base/OwnedHandle.h"

// How the metadata tool is started, by the window and by quillmere-cli alike. CREATE_NO_WINDOW
// still gives the tool a console of its own, only hidden, and on Windows 10 and 11 every console
// is served by a console host process (conhost.exe, or the default terminal's) started with it:
// one more process for each tool start, and a window flash where a terminal ignores the hiding.
// DETACHED_PROCESS gives it none at all. The tool needs none: its standard handles are the pipes
// passed to it, which work without a console, and it changes the console's code page only when
// it has one. A caller's own console is never shared either, so Ctrl+C there reaches the caller
// alone, which ends the tool itself.
inline constexpr DWORD kToolCreationFlags = DETACHED_PROCESS;

// Called while a wait goes on and the calling thread has messages waiting; false asks the wait to
// stop now.
using ToolWaitHook = std::function<bool()>;

class ToolProcess {
public:
    enum class ReadResult {
        Data,  // Bytes() holds new output
        Closed,  // every writing end of the output pipe is closed: the tool has ended
        TimedOut,
        Stopped,  // the hook asked to stop
        Failed,
    };

    ToolProcess() = default;
    ~ToolProcess();
    ToolProcess(const ToolProcess&) = delete;
    ToolProcess& operator=(const ToolProcess&) = delete;

    // Starts the command line; false when a pipe or the process could not be made (the system's
    // error is then the thread's last error).
    bool Start(const std::string& commandLine);
    bool Running() const { return process_.Valid(); }
    DWORD ProcessId() const { return processId_; }

    // Writes all of `bytes` to the tool's standard input.
    bool Write(std::string_view bytes);
    // Waits for the next output until the tick count `deadline`.
    ReadResult Read(ULONGLONG deadline, const ToolWaitHook& hook);
    std::string_view Bytes() const { return {buffer_.data(), got_}; }
    // Waits for the tool to end until the tick count `deadline`: Closed once it has, with its
    // exit code in exitCode.
    ReadResult WaitForEnd(ULONGLONG deadline, const ToolWaitHook& hook, DWORD& exitCode);

    // Closes the tool's input and waits up to `waitMs` for it to end by itself, then ends it by
    // force; afterwards nothing of the process is left.
    void Stop(DWORD waitMs);

private:
    bool IssueRead();
    void Reset();

    OwnedHandle process_;
    OwnedHandle input_;
    OwnedHandle output_;
    OwnedHandle readDone_;
    OVERLAPPED overlapped_ {};
    bool readPending_ = false;
    std::vector<char> buffer_;
    DWORD got_ = 0;
    DWORD processId_ = 0;
};
