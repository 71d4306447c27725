#include "cli/CliHost.h"

#include <windows.h>

#include <atomic>

namespace {

std::atomic<bool> gCancelled {false};

BOOL WINAPI OnConsoleBreak(DWORD event)
{
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    // The first break lets the file in hand finish; the next one ends the program.
    return gCancelled.exchange(true) ? FALSE : TRUE;
}

// Shortest time between two progress lines, so that the terminal does not slow the run down.
constexpr DWORD kProgressIntervalMs = 100;

}  // namespace

ConsoleProgress::ConsoleProgress()
{
    HANDLE error = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (error != nullptr && error != INVALID_HANDLE_VALUE && GetConsoleMode(error, &mode)) {
        console_ = error;
        CONSOLE_SCREEN_BUFFER_INFO info;
        if (GetConsoleScreenBufferInfo(error, &info) && info.dwSize.X > 1)
            width_ = static_cast<unsigned>(info.dwSize.X);
    }
    SetConsoleCtrlHandler(OnConsoleBreak, TRUE);
}

ConsoleProgress::~ConsoleProgress()
{
    SetConsoleCtrlHandler(OnConsoleBreak, FALSE);
}

void ConsoleProgress::SetText(const std::string& text)
{
    if (console_ == nullptr)
        return;
    const DWORD now = GetTickCount();
    if (lineShown_ && now - lastShown_ < kProgressIntervalMs)
        return;
    lastShown_ = now;
    // One line less than the console is wide, so that it never wraps and \r can take it back.
    std::string line = text.substr(0, width_ - 1);
    line.resize(width_ - 1, ' ');
    std::fflush(stderr);
    const std::string shown = "\r" + line + "\r";
    DWORD written = 0;
    if (WriteConsoleA(console_, shown.data(), static_cast<DWORD>(shown.size()), &written, nullptr))
        lineShown_ = true;
}

void ConsoleProgress::ClearLine()
{
    if (console_ == nullptr || !lineShown_)
        return;
    const std::string blank = "\r" + std::string(width_ - 1, ' ') + "\r";
    DWORD written = 0;
    WriteConsoleA(console_, blank.data(), static_cast<DWORD>(blank.size()), &written, nullptr);
    lineShown_ = false;
}

bool ConsoleProgress::Cancelled() const
{
    return gCancelled.load();
}

PrintingRows::PrintingRows(std::vector<std::string> sources, std::FILE* out, ConsoleProgress* sharedConsole)
    : sources_(std::move(sources)), targets_(sources_.size()), out_(out), sharedConsole_(sharedConsole)
{ }

void PrintingRows::SetResult(int row, const RowResult& result)
{
    tally_.Add(result.outcome);
    if (sharedConsole_ != nullptr)
        sharedConsole_->ClearLine();
    const std::string line = RowLine(sources_.at(row), targets_.at(row), result.text);
    std::fwrite(line.data(), 1, line.size(), out_);
}

CliHost::CliHost(bool dryRun, ConsoleProgress& progress) : dryRun_(dryRun), progress_(progress)
{ }

void CliHost::ShowMessage(const std::string& text, MessageKind)
{
    progress_.ClearLine();
    std::fprintf(stderr, "%s\n", text.c_str());
}

RunProgress& CliHost::ShowProgress()
{
    started_ = true;
    return progress_;
}

RunFileSystem& CliHost::FileSystem()
{
    if (dryRun_)
        return dryRunFileSystem_;
    return RunHost::FileSystem();
}
