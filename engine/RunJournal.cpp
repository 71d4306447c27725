#include "engine/RunJournal.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <cstdio>

#include "engine/ErrorKeeper.h"
#include "engine/PathText.h"
#include "engine/PathUtils.h"
#include "engine/SettingsStore.h"

namespace {

// Far above any journal a run of a million files writes; keeps a stray huge file from being read.
constexpr std::uint64_t kMaxJournalSize = 1024ull * 1024 * 1024;

std::string WithBackslash(std::string folder)
{
    if (!folder.empty() && folder.back() != '\\')
        folder += '\\';
    return folder;
}

std::string StemOf(const std::string& journal)
{
    if (journal.size() >= 4 && journal.compare(journal.size() - 4, 4, kJournalExtension) == 0)
        return journal.substr(0, journal.size() - 4);
    return journal;
}

// Removes the kept folder and the files in it (it holds no sub-folders).
void RemoveKeptFolder(const std::string& folder)
{
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
                const std::string path = folder + found.cFileName;
                SetFileAttributesA(path.c_str(), FILE_ATTRIBUTE_NORMAL);
                DeleteFileA(path.c_str());
            }
        } while (FindNextFileA(find, &found));
        FindClose(find);
    }
    RemoveDirectoryA(folder.c_str());
}

std::string TimeName(const SYSTEMTIME& t)
{
    char name[32];
    std::snprintf(name, sizeof name, "%04u%02u%02u-%02u%02u%02u-%03u", t.wYear, t.wMonth, t.wDay, t.wHour,
                  t.wMinute, t.wSecond, t.wMilliseconds);
    return name;
}

std::string FailureText()
{
    std::string text;
    if (!SystemErrorText(GetLastError(), text))
        text = "error " + std::to_string(GetLastError());
    return text;
}

}  // namespace

std::string RunsFolder()
{
    char buffer[MAX_PATH + 1];
    const DWORD length = GetEnvironmentVariableA(kRunsFolderVariable, buffer, sizeof buffer);
    if (length > 0 && length < sizeof buffer)
        return WithBackslash(buffer);
    char local[MAX_PATH];
    if (FAILED(SHGetFolderPathA(nullptr, CSIDL_LOCAL_APPDATA | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT,
                                local)))
        return {};
    return WithBackslash(local) + "Quillmere\\Runs\\";
}

std::vector<std::string> KeptJournals(const std::string& folder)
{
    std::vector<std::string> names;
    WIN32_FIND_DATAA found;
    HANDLE find = FindFirstFileA((folder + "*" + kJournalExtension).c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return names;
    do {
        if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            names.push_back(found.cFileName);
    } while (FindNextFileA(find, &found));
    FindClose(find);
    std::sort(names.begin(), names.end());
    for (std::string& name : names)
        name = folder + name;
    return names;
}

std::string KeptFolderOf(const std::string& journal)
{
    return StemOf(journal) + ".kept\\";
}

std::uint32_t StoredKeepRuns()
{
    DWORD value = kDefaultKeepRuns;
    DWORD size = sizeof value;
    DWORD type = 0;
    if (RegGetValueA(HKEY_CURRENT_USER, kOptionsKey, kKeepRunsValue, RRF_RT_REG_DWORD, &type, &value,
                     &size) != ERROR_SUCCESS)
        return kDefaultKeepRuns;
    return std::max<DWORD>(value, 1);
}

bool ReadStamp(const std::string& path, FileStamp& stamp)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!GetFileAttributesExA(path.c_str(), GetFileExInfoStandard, &data) ||
        (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return false;
    stamp.size = (static_cast<std::uint64_t>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    stamp.writeTime = (static_cast<std::uint64_t>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                      data.ftLastWriteTime.dwLowDateTime;
    return true;
}

bool LoadJournal(const std::string& path, JournalData& data, std::string& error)
{
    HANDLE file = CreateFileA(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                              OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        error = "cannot open \"" + path + "\": " + FailureText();
        return false;
    }
    LARGE_INTEGER size;
    std::string text;
    bool ok = GetFileSizeEx(file, &size) != 0 && static_cast<std::uint64_t>(size.QuadPart) <= kMaxJournalSize;
    if (ok) {
        text.resize(static_cast<std::size_t>(size.QuadPart));
        DWORD read = 0;
        ok = text.empty() || (ReadFile(file, text.data(), static_cast<DWORD>(text.size()), &read, nullptr) &&
                              read == text.size());
    }
    if (!ok)
        error = "cannot read \"" + path + "\": " + FailureText();
    CloseHandle(file);
    if (!ok)
        return false;
    if (!ParseJournal(text, data, error)) {
        error = "\"" + path + "\": " + error;
        return false;
    }
    return true;
}

bool AppendRecord(const std::string& path, const std::string& line)
{
    HANDLE file = CreateFileA(path.c_str(), FILE_APPEND_DATA, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    bool ok = WriteFile(file, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) &&
              written == line.size() && FlushFileBuffers(file);
    ErrorKeeper keep;
    CloseHandle(file);
    return ok;
}

RunJournal::~RunJournal()
{
    Close();
}

bool RunJournal::Open(const std::string& folder, const JournalHeader& header, std::uint32_t keep)
{
    if (folder.empty()) {
        SetLastError(ERROR_PATH_NOT_FOUND);
        return false;
    }
    if (!EnsureFolder(folder, true))
        return false;
    std::vector<std::string> kept = KeptJournals(folder);
    for (std::size_t i = 0; i + std::max<std::uint32_t>(keep, 1) <= kept.size(); ++i) {
        DeleteFileA(kept[i].c_str());
        RemoveKeptFolder(KeptFolderOf(kept[i]));
    }
    // Names are start times to the millisecond; a second run within the same one waits for the next.
    for (int attempt = 0; attempt < 100 && file_ == nullptr; ++attempt) {
        SYSTEMTIME now;
        GetSystemTime(&now);
        path_ = folder + TimeName(now) + kJournalExtension;
        HANDLE file = CreateFileA(path_.c_str(), GENERIC_WRITE, FILE_SHARE_READ, nullptr, CREATE_NEW,
                                  FILE_ATTRIBUTE_NORMAL, nullptr);
        if (file != INVALID_HANDLE_VALUE) {
            file_ = file;
            break;
        }
        if (GetLastError() != ERROR_FILE_EXISTS && GetLastError() != ERROR_ALREADY_EXISTS)
            return false;
        Sleep(2);
    }
    if (file_ == nullptr) {
        SetLastError(ERROR_FILE_EXISTS);
        return false;
    }
    if (!Write(HeaderLine(header))) {
        ErrorKeeper keep;
        CloseHandle(file_);
        file_ = nullptr;
        DeleteFileA(path_.c_str());
        return false;
    }
    anyRecord_ = false;
    return true;
}

bool RunJournal::Write(const std::string& line)
{
    return Put(line, true);
}

bool RunJournal::WriteOutcome(const std::string& line)
{
    return Put(line, false);
}

bool RunJournal::Put(const std::string& line, bool flush)
{
    if (file_ == nullptr) {
        SetLastError(ERROR_INVALID_HANDLE);
        return false;
    }
    DWORD written = 0;
    // The flush makes the record outlive a lost power supply; it costs one disk write per step
    // (bench/journal_bench.sh measures it).
    if (!WriteFile(file_, line.data(), static_cast<DWORD>(line.size()), &written, nullptr) ||
        written != line.size() || (flush && !FlushFileBuffers(file_)))
        return false;
    anyRecord_ = true;
    return true;
}

void RunJournal::Close()
{
    if (file_ == nullptr)
        return;
    FlushFileBuffers(file_);
    CloseHandle(file_);
    file_ = nullptr;
    // Only an empty kept folder goes.
    RemoveDirectoryA(KeptFolderOf(path_).c_str());
    if (!anyRecord_)
        DeleteFileA(path_.c_str());
}

bool JournalFileSystem::EnsureFolder(const std::string& folder)
{
    std::vector<std::string> missing;
    std::string walk = folder;
    while (!walk.empty() && walk.back() == '\\')
        walk.pop_back();
    while (walk.size() > 2 && !inner_.Exists(walk)) {
        missing.push_back(walk + "\\");
        const auto slash = walk.rfind('\\');
        if (slash == std::string::npos)
            break;
        walk.resize(slash);
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        if (!journal_.Write(FolderLine(*it)))
            return false;
    return inner_.EnsureFolder(folder);
}

// A move whose source could not be deleted left a finished copy at its target: recorded as done,
// so that undo finds the target and reports the source path as taken instead of losing either.
TransferOutcome JournalFileSystem::Finish(JournalStep& step, TransferOutcome outcome)
{
    ErrorKeeper keep;
    if (outcome != TransferOutcome::Failed) {
        FileStamp stamp;
        ReadStamp(step.target, stamp);
        journal_.WriteOutcome(DoneLine(step.seq, stamp));
    } else {
        journal_.WriteOutcome(FailedLine(step.seq, FailureText()));
    }
    return outcome;
}

TransferOutcome JournalFileSystem::Transfer(const std::string& source, const std::string& target, bool move)
{
    JournalStep step;
    step.seq = journal_.NextSeq();
    step.move = move;
    step.source = source;
    step.target = target;
    ReadStamp(source, step.sourceStamp);
    if (!journal_.Write(TransferLine(step)))
        return TransferOutcome::Failed;
    return Finish(step, inner_.Transfer(source, target, move));
}

TransferOutcome JournalFileSystem::Replace(const std::string& source, const std::string& target, bool move)
{
    JournalStep step;
    step.seq = journal_.NextSeq();
    step.move = move;
    step.replace = true;
    step.source = source;
    step.target = target;
    const std::string keptFolder = KeptFolderOf(journal_.Path());
    step.kept = keptFolder + std::to_string(step.seq) + "-" + FileNameOf(target);
    ReadStamp(source, step.sourceStamp);
    if (!journal_.Write(TransferLine(step)))
        return TransferOutcome::Failed;
    // A folder in the target's place is not a file to keep: the replacing move or copy refuses it
    // with its own reason, as it does without a journal.
    const DWORD attributes = GetFileAttributesA(target.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0) {
        return Finish(step, inner_.Replace(source, target, move));
    }
    if (!CreateDirectoryA(keptFolder.c_str(), nullptr) && GetLastError() != ERROR_ALREADY_EXISTS)
        return Finish(step, TransferOutcome::Failed);
    // A read-only target is refused as a replacing move or copy refuses it; renaming it aside
    // would not be.
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0) {
        SetLastError(ERROR_ACCESS_DENIED);
        return Finish(step, TransferOutcome::Failed);
    }
    if (MoveFileExA(target.c_str(), step.kept.c_str(), 0)) {
        const TransferOutcome outcome = inner_.Transfer(source, target, move);
        if (outcome == TransferOutcome::Failed) {
            ErrorKeeper keep;
            MoveFileExA(step.kept.c_str(), target.c_str(), 0);
        }
        return Finish(step, outcome);
    }
    // Another drive: the old target is copied aside and then replaced in one step.
    if (GetLastError() != ERROR_NOT_SAME_DEVICE || !CopyFileA(target.c_str(), step.kept.c_str(), TRUE))
        return Finish(step, TransferOutcome::Failed);
    const TransferOutcome outcome = inner_.Replace(source, target, move);
    if (outcome == TransferOutcome::Failed) {
        ErrorKeeper keep;
        DeleteFileA(step.kept.c_str());
    }
    return Finish(step, outcome);
}
