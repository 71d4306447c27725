#include "cli/CliHost.h"

#include <windows.h>

#include <atomic>
#include <cstdio>
#include <string>

#include "base/ConsoleCodePage.h"
#include "engine/RunReport.h"

namespace {

std::atomic<bool> gCancelled {false};

BOOL WINAPI OnConsoleBreak(DWORD event)
{
    // The console's code page back at once: the program may end with this event or the next,
    // and then runs no destructor. The lines still printed after a first break are the file in
    // hand and the summary, in the console's own code page.
    ConsoleCodePage::RestoreFound();
    if (event != CTRL_C_EVENT && event != CTRL_BREAK_EVENT)
        return FALSE;
    // The first break stops the run after the file in hand (or its copy under way); the next one
    // ends the program.
    return gCancelled.exchange(true) ? FALSE : TRUE;
}

// Shortest time between two progress lines, so that the terminal does not slow the run down.
constexpr DWORD kProgressIntervalMs = 100;

// text (in the ANSI code page) as exactly width UTF-16 units: cut before a character that would
// not fit whole, padded with spaces.
std::wstring ConsoleLine(const std::string& text, unsigned width)
{
    std::wstring wide;
    const int units = text.empty() ? 0
                                   : MultiByteToWideChar(CP_ACP, 0, text.data(),
                                                         static_cast<int>(text.size()), nullptr, 0);
    if (units > 0) {
        wide.resize(static_cast<std::size_t>(units));
        MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), wide.data(), units);
    }
    if (wide.size() > width) {
        std::size_t cut = width;
        if (cut > 0 && IS_HIGH_SURROGATE(wide[cut - 1]))
            --cut;
        wide.resize(cut);
    }
    wide.resize(width, L' ');
    return wide;
}

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
    text_ = text;
    Show();
}

void ConsoleProgress::SetDetail(const std::string& text)
{
    detail_ = text;
    Show();
}

void ConsoleProgress::Show()
{
    if (console_ == nullptr)
        return;
    const DWORD now = GetTickCount();
    if (lineShown_ && now - lastShown_ < kProgressIntervalMs)
        return;
    lastShown_ = now;
    // One line less than the console is wide, so that it never wraps and \r can take it back;
    // cut in whole characters, and written as UTF-16 so that no code page stands between.
    std::wstring line = ConsoleLine(detail_.empty() ? text_ : detail_ + "  " + text_, width_ - 1);
    std::fflush(stderr);
    const std::wstring shown = L"\r" + line + L"\r";
    DWORD written = 0;
    if (WriteConsoleW(console_, shown.data(), static_cast<DWORD>(shown.size()), &written, nullptr))
        lineShown_ = true;
}

void ConsoleProgress::ClearLine()
{
    if (console_ == nullptr || !lineShown_)
        return;
    const std::wstring blank = L"\r" + std::wstring(width_ - 1, L' ') + L"\r";
    DWORD written = 0;
    WriteConsoleW(console_, blank.data(), static_cast<DWORD>(blank.size()), &written, nullptr);
    lineShown_ = false;
}

bool ConsoleProgress::Cancelled() const
{
    return gCancelled.load();
}

PrintingRows::PrintingRows(std::vector<std::string> sources, std::FILE* out, ConsoleProgress* sharedConsole)
    : sources_(std::move(sources)), out_(out), sharedConsole_(sharedConsole)
{ }

void PrintingRows::EndRow(int, const RunRecord& record)
{
    tally_.Add(record.result);
    if (sharedConsole_ != nullptr)
        sharedConsole_->ClearLine();
    const RowTexts texts = RowTextsOf(record);
    const std::string line = RowLine(record.source, texts.target, texts.result);
    std::fwrite(line.data(), 1, line.size(), out_);
    if (sharedConsole_ != nullptr)
        std::fflush(out_);
    if (report_ != nullptr) {
        const std::string csv = ReportLine(record.source, texts, ReportColumns::WithHash, backupColumn_);
        std::fwrite(csv.data(), 1, csv.size(), report_);
    }
}

CliHost::CliHost(ConsoleProgress& progress) : progress_(progress)
{ }

void CliHost::ShowMessage(const std::string& text, MessageKind)
{
    progress_.ClearLine();
    std::fprintf(stderr, "%s\n", text.c_str());
}
