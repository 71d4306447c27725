#include "engine/OperationLog.h"

#include <algorithm>
#include <cstdlib>
#include <string_view>

#include "base/OwnedHandle.h"
#include "base/WidePath.h"
#include "engine/FileTransfer.h"
#include "engine/LogText.h"
#include "base/PathText.h"
#include "engine/PathUtils.h"
#include "base/Utf8Text.h"

namespace {

// Each message about the log starts by saying why there is a log at all.
const char kLogIntro[] = "Quillmere keeps a log of its runs, as chosen in Options.\n";

LogTime Now()
{
    SYSTEMTIME st;
    GetLocalTime(&st);
    return {st.wYear, st.wMonth, st.wDay, st.wDayOfWeek, st.wHour, st.wMinute, st.wSecond};
}

// What failed, from the last error, as the user reads it: why there is a log, what the program
// failed to do and the system's reason, then the log's path. A log another program holds without
// sharing is in use.
Status LogFailure(const std::string& what, const std::string& path)
{
    const DWORD code = GetLastError();
    std::string reason;
    if (code != 0)
        SystemErrorText(code, reason);
    const FailureKind kind = code == ERROR_SHARING_VIOLATION ? FailureKind::InUse : FailureKind::System;
    return Status::Failure(kind,
                           std::string(kLogIntro) + "However, the program failed to " + what + " " + reason +
                                   "\n\n" + path,
                           code);
}

// Largest old log converted to UTF-8; a larger one is appended to as it is.
constexpr LONGLONG kLargestConvertedLog = 64 * 1024 * 1024;

// The ANSI code page of the system's locale: the one programs without the UTF-8 setting, and
// this program before it, wrote the log in.
UINT SystemAnsiCodePage()
{
    char digits[8] = "";
    if (GetLocaleInfoA(LOCALE_SYSTEM_DEFAULT, LOCALE_IDEFAULTANSICODEPAGE, digits, sizeof digits) == 0)
        return CP_ACP;
    const UINT page = static_cast<UINT>(std::strtoul(digits, nullptr, 10));
    return page != 0 ? page : CP_ACP;
}

// Largest part of a log read to tell whether it is one, when it is too large to be converted.
constexpr DWORD kJudgedLogHead = 64 * 1024;

// Reads the file behind h: whole when it is small enough to be converted, else its beginning.
bool ReadLog(HANDLE h, std::string& content, bool& whole)
{
    LARGE_INTEGER size {};
    if (!GetFileSizeEx(h, &size))
        return false;
    whole = size.QuadPart <= kLargestConvertedLog;
    content.resize(whole ? static_cast<std::size_t>(size.QuadPart) : kJudgedLogHead);
    DWORD read = 0;
    return content.empty() ||
           (ReadFile(h, content.data(), static_cast<DWORD>(content.size()), &read, nullptr) &&
            read == content.size());
}

// One line of an old log in UTF-8: as it is when it already is UTF-8 (written by this version
// before an older one appended to the log), else converted from the old code page.
bool AppendLineAsUtf8(std::string_view line, UINT page, std::string& out)
{
    if (IsValidUtf8(line)) {
        out += line;
        return true;
    }
    const int size = static_cast<int>(line.size());
    const int units = MultiByteToWideChar(page, 0, line.data(), size, nullptr, 0);
    if (units <= 0)
        return false;
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    MultiByteToWideChar(page, 0, line.data(), size, wide.data(), units);
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, nullptr, 0, nullptr, nullptr);
    if (bytes <= 0)
        return false;
    const std::size_t at = out.size();
    out.resize(at + static_cast<std::size_t>(bytes));
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), units, out.data() + at, bytes, nullptr, nullptr);
    return true;
}

// A log written in the system's old code page (names with accents, say) is converted to UTF-8
// once before the first UTF-8 record is appended, so that the whole file reads in one encoding;
// line by line, so that lines already in UTF-8 stay as they are. The converted text is written
// beside the log and renamed over it, so the old log is either replaced whole or kept as it was
// (then the run appends to it as it is).
void ConvertOldCodePageLog(const std::string& path, const std::string& content)
{
    const UINT page = SystemAnsiCodePage();
    if (page == CP_UTF8)
        return;
    std::string converted;
    converted.reserve(content.size() + content.size() / 8);
    for (std::size_t start = 0; start < content.size();) {
        const std::size_t end = std::min(content.find('\n', start), content.size() - 1) + 1;
        if (!AppendLineAsUtf8(std::string_view(content).substr(start, end - start), page, converted))
            return;
        start = end;
    }

    std::string partial;
    if (!PartialNameFor(SystemFileOps(), path, 0, partial))
        return;
    OwnedHandle h(CreateFileW(WidePath(partial).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                              FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!h.Valid())
        return;
    DWORD written = 0;
    const bool ok =
            WriteFile(h.Get(), converted.data(), static_cast<DWORD>(converted.size()), &written, nullptr) &&
            written == converted.size() && FlushFileBuffers(h.Get());
    h.Close();
    if (!ok || !MoveFileExW(WidePath(partial).c_str(), WidePath(path).c_str(), MOVEFILE_REPLACE_EXISTING))
        DeleteFileW(WidePath(partial).c_str());
}

Status NotALog(const std::string& path)
{
    return Status::Failure(
            FailureKind::Damaged,
            std::string(kLogIntro) +
                    "However, the following file is not a log file of Quillmere, so the program "
                    "did not start, leaving the file unchanged. Choose another log file.\n\n" +
                    path);
}

}  // namespace

Status OperationLog::Check(const std::string& path)
{
    OwnedHandle h(CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE,
                              nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    // No such file yet, or none that can be read: Open makes it or says why it cannot.
    if (!h.Valid())
        return {};
    std::string content;
    bool whole = false;
    if (ReadLog(h.Get(), content, whole) && !IsLogText(content, whole))
        return NotALog(path);
    return {};
}

OperationLog::~OperationLog() = default;

Status OperationLog::Open(const std::string& path)
{
    std::string folder;
    if (path.find('\\') != std::string::npos) {
        const bool haveFolder = FolderOf(path, folder);
        if (!haveFolder || !EnsureFolder(folder, true)) {
            if (!haveFolder)
                SetLastError(ERROR_FILENAME_EXCED_RANGE);
            return LogFailure("create folder \"" + folder + "\" for the following log file.", path);
        }
    }
    // Appending only: whatever the file holds stays as it is, whatever happens below.
    file_.Reset(CreateFileW(WidePath(path).c_str(), GENERIC_READ | FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                            OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file_.Valid())
        return LogFailure("create the following log file.", path);
    std::string content;
    bool whole = false;
    if (!ReadLog(file_.Get(), content, whole)) {
        const Status failed = LogFailure("read the following log file.", path);
        CloseFile();
        return failed;
    }
    // Another file named as the log (a photo, a document) must not get records written into it;
    // checked again here, as the file may have been replaced since Check.
    if (!IsLogText(content, whole)) {
        CloseFile();
        return NotALog(path);
    }
    // An old log in the system's code page is converted once (see ConvertOldCodePageLog); one too
    // large to be read whole is appended to as it is.
    if (whole && GetACP() == CP_UTF8 && !IsValidUtf8(content)) {
        // The conversion replaces the file, so it must not be open meanwhile.
        CloseFile();
        ConvertOldCodePageLog(path, content);
        file_.Reset(CreateFileW(WidePath(path).c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr,
                                OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
        if (!file_.Valid())
            return LogFailure("open the following log file.", path);
    }
    Write(LogHeader(content.empty(), Now()));
    return {};
}

void OperationLog::WriteRecord(const RunRecord& record)
{
    if (IsOpen())
        Write(LogRecord(record));
}

void OperationLog::Close()
{
    if (!IsOpen())
        return;
    Write(LogFooter(Now()));
    CloseFile();
}

void OperationLog::CloseFile()
{
    file_.Close();
}

// A failed write is lost without notice: the run goes on, as the user's files matter more than
// the account of them.
void OperationLog::Write(const std::string& text)
{
    DWORD written = 0;
    WriteFile(file_.Get(), text.data(), static_cast<DWORD>(text.size()), &written, nullptr);
}
