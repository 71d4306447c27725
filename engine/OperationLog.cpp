#include "engine/OperationLog.h"

#include "engine/LogText.h"
#include "engine/PathText.h"
#include "engine/PathUtils.h"

namespace {

const char kLogIntro[] = "You enabled the program saves organization operations to a log file.\n";

LogTime Now()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wDayOfWeek, st.wHour, st.wMinute, st.wSecond};
}

std::string LastErrorText()
{
    std::string text;
    const DWORD code = GetLastError();
    if (code != 0)
        SystemErrorText(code, text);
    return text;
}

}  // namespace

OperationLog::~OperationLog()
{
    if (IsOpen())
        CloseHandle(file_);
}

bool OperationLog::Open(const std::string& path, RunMessages& messages)
{
    std::string folder;
    if (path.find('\\') != std::string::npos) {
        const bool haveFolder = FolderOf(path, folder);
        if (!haveFolder || !EnsureFolder(folder, true)) {
            if (!haveFolder)
                SetLastError(ERROR_FILENAME_EXCED_RANGE);
            const std::string reason = LastErrorText();
            messages.ShowMessage(std::string(kLogIntro) + "However, the program failed to create folder \"" +
                                         folder + "\" for the following log file. " + reason + "\n\n" + path,
                                 MessageKind::Warning);
            return false;
        }
    }
    file_ = CreateFileA(path.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, OPEN_ALWAYS,
                        FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file_ == INVALID_HANDLE_VALUE) {
        const std::string reason = LastErrorText();
        messages.ShowMessage(std::string(kLogIntro) +
                                     "However, the program failed to create the following log file. " +
                                     reason + "\n\n" + path,
                             MessageKind::Warning);
        return false;
    }
    LARGE_INTEGER end {};
    LARGE_INTEGER zero {};
    const bool moved = SetFilePointerEx(file_, zero, &end, FILE_END) != 0;
    Write(LogHeader(moved && end.QuadPart == 0, Now()));
    return true;
}

void OperationLog::WriteRecord(const std::string& source, const std::string& target, const std::string& verb,
                               const std::string& result)
{
    if (IsOpen())
        Write(LogRecord(source, target, verb, result));
}

void OperationLog::Close()
{
    if (!IsOpen())
        return;
    Write(LogFooter(Now()));
    CloseHandle(file_);
    file_ = INVALID_HANDLE_VALUE;
}

// A failed write is lost without notice: the run goes on, as the user's files matter more than
// the account of them.
void OperationLog::Write(const std::string& text)
{
    DWORD written = 0;
    WriteFile(file_, text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
