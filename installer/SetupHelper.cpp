// qm-setup-helper: the steps of Setup and the uninstaller that the installer's own script language
// cannot do safely. It is packed into both and runs from their temporary folder; it shows no window.
//   qm-setup-helper path-add FOLDER      appends FOLDER to the system PATH unless an entry names it
//   qm-setup-helper path-remove ENTRY    removes the last entry that is ENTRY (as path-add wrote it)
//   qm-setup-helper kept-summary RUNS    writes "N files, B bytes": what the kept folders hold
//   qm-setup-helper start-as-user EXE    starts EXE with the rights of the signed-in user's shell
// Exit code: 0 done (or kept files found), 1 nothing to do (or no kept files), 2 failed and
// nothing changed, 3 wrong command line.
//
// The PATH is read and written whole, whatever its length, and keeps its value type; a change is
// announced to the running programs with WM_SETTINGCHANGE "Environment".
#include <windows.h>
#include <shellapi.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

constexpr int kDone = 0;
constexpr int kNothingToDo = 1;
constexpr int kFailed = 2;
constexpr int kUsage = 3;

const wchar_t kEnvironmentKey[] = L"SYSTEM\\CurrentControlSet\\Control\\Session Manager\\Environment";
// Far above what Windows can use as a PATH (32,767 characters); anything larger is not a PATH to edit.
constexpr DWORD kMaxPathBytes = 1024 * 1024;

struct PathValue {
    std::wstring text;
    DWORD type = REG_EXPAND_SZ;  // a PATH that does not exist yet gets the type Windows gives it
};

bool ReadPath(HKEY key, PathValue& value)
{
    DWORD size = 0;
    DWORD type = 0;
    LSTATUS status = RegQueryValueExW(key, L"Path", nullptr, &type, nullptr, &size);
    if (status == ERROR_FILE_NOT_FOUND) {
        value = PathValue();
        return true;
    }
    // The value may grow between the two calls: a few more attempts with the size reported then.
    for (int attempt = 0; attempt < 4 && status == ERROR_SUCCESS; ++attempt) {
        if ((type != REG_SZ && type != REG_EXPAND_SZ) || size > kMaxPathBytes)
            return false;
        std::wstring buffer((size + 1) / sizeof(wchar_t) + 1, L'\0');
        DWORD got = static_cast<DWORD>(buffer.size() * sizeof(wchar_t));
        status = RegQueryValueExW(key, L"Path", nullptr, &type, reinterpret_cast<BYTE*>(buffer.data()), &got);
        if (status == ERROR_MORE_DATA) {
            size = got;
            status = ERROR_SUCCESS;
            continue;
        }
        if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
            return false;
        buffer.resize(got / sizeof(wchar_t));
        // The stored text may or may not end in a terminating zero.
        while (!buffer.empty() && buffer.back() == L'\0')
            buffer.pop_back();
        value.text = buffer;
        value.type = type;
        return true;
    }
    return false;
}

bool WritePath(HKEY key, const PathValue& value)
{
    const DWORD bytes = static_cast<DWORD>((value.text.size() + 1) * sizeof(wchar_t));
    if (RegSetValueExW(key, L"Path", 0, value.type, reinterpret_cast<const BYTE*>(value.text.c_str()),
                       bytes) != ERROR_SUCCESS)
        return false;
    DWORD_PTR result = 0;
    SendMessageTimeoutW(HWND_BROADCAST, WM_SETTINGCHANGE, 0, reinterpret_cast<LPARAM>(L"Environment"),
                        SMTO_ABORTIFHUNG, 5000, &result);
    return true;
}

bool SameText(const std::wstring& a, const std::wstring& b)
{
    return CompareStringOrdinal(a.c_str(), static_cast<int>(a.size()), b.c_str(), static_cast<int>(b.size()),
                                TRUE) == CSTR_EQUAL;
}

// A folder as Windows finds it in an entry: quotes and trailing backslashes do not count,
// %VARIABLES% are expanded.
std::wstring FolderOf(const std::wstring& entry)
{
    std::wstring text = entry;
    if (text.size() >= 2 && text.front() == L'"' && text.back() == L'"')
        text = text.substr(1, text.size() - 2);
    const DWORD needed = ExpandEnvironmentStringsW(text.c_str(), nullptr, 0);
    if (needed > 0) {
        std::wstring expanded(needed, L'\0');
        const DWORD got = ExpandEnvironmentStringsW(text.c_str(), expanded.data(), needed);
        if (got > 0 && got <= needed) {
            expanded.resize(got - 1);
            text = expanded;
        }
    }
    while (text.size() > 3 && text.back() == L'\\')
        text.pop_back();
    return text;
}

// Each entry with the offset where it starts in the PATH text.
struct Entry {
    size_t start;
    std::wstring text;
};

std::vector<Entry> EntriesOf(const std::wstring& path)
{
    std::vector<Entry> entries;
    size_t start = 0;
    for (;;) {
        const size_t end = path.find(L';', start);
        entries.push_back(
                {start, path.substr(start, end == std::wstring::npos ? std::wstring::npos : end - start)});
        if (end == std::wstring::npos)
            return entries;
        start = end + 1;
    }
}

class EnvironmentKey {
public:
    EnvironmentKey()
    {
        if (RegOpenKeyExW(HKEY_LOCAL_MACHINE, kEnvironmentKey, 0,
                          KEY_QUERY_VALUE | KEY_SET_VALUE | KEY_WOW64_64KEY, &key_) != ERROR_SUCCESS)
            key_ = nullptr;
    }
    ~EnvironmentKey()
    {
        if (key_)
            RegCloseKey(key_);
    }
    EnvironmentKey(const EnvironmentKey&) = delete;
    EnvironmentKey& operator=(const EnvironmentKey&) = delete;
    HKEY get() const { return key_; }

private:
    HKEY key_ = nullptr;
};

int PathAdd(const std::wstring& folder)
{
    EnvironmentKey key;
    PathValue path;
    if (!key.get() || !ReadPath(key.get(), path))
        return kFailed;
    const std::wstring wanted = FolderOf(folder);
    for (const Entry& entry : EntriesOf(path.text)) {
        if (!entry.text.empty() && SameText(FolderOf(entry.text), wanted))
            return kNothingToDo;
    }
    // Always with its own separator, so that path-remove takes exactly these characters out again,
    // even from a PATH that ended in ';'.
    path.text += path.text.empty() ? folder : L";" + folder;
    return WritePath(key.get(), path) ? kDone : kFailed;
}

int PathRemove(const std::wstring& added)
{
    EnvironmentKey key;
    PathValue path;
    if (!key.get() || !ReadPath(key.get(), path))
        return kFailed;
    const std::vector<Entry> entries = EntriesOf(path.text);
    for (size_t i = entries.size(); i-- > 0;) {
        if (!SameText(entries[i].text, added))
            continue;
        // The entry with the separator before it, or after it when it is the first.
        if (i > 0)
            path.text.erase(entries[i].start - 1, entries[i].text.size() + 1);
        else
            path.text.erase(0, entries[i].text.size() + (entries.size() > 1 ? 1 : 0));
        return WritePath(key.get(), path) ? kDone : kFailed;
    }
    return kNothingToDo;
}

struct KeptCount {
    std::uint64_t files = 0;
    std::uint64_t bytes = 0;
};

void CountFiles(const std::wstring& folder, KeptCount& count, int depth)
{
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((folder + L"\\*").c_str(), &found);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // Links are not followed; the nesting is bounded.
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && depth < 16)
                CountFiles(folder + L"\\" + name, count, depth + 1);
            continue;
        }
        ++count.files;
        count.bytes += (static_cast<std::uint64_t>(found.nFileSizeHigh) << 32) | found.nFileSizeLow;
    } while (FindNextFileW(find, &found));
    FindClose(find);
}

std::string Grouped(std::uint64_t number)
{
    std::string digits = std::to_string(number);
    for (size_t at = digits.size(); at > 3; at -= 3)
        digits.insert(at - 3, ",");
    return digits;
}

// The files in the kept folders (NAME.kept) of the run journals in RUNS.
int KeptSummary(const std::wstring& runs)
{
    KeptCount count;
    WIN32_FIND_DATAW found;
    HANDLE find = FindFirstFileW((runs + L"\\*.kept").c_str(), &found);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) &&
                !(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT))
                CountFiles(runs + L"\\" + found.cFileName, count, 0);
        } while (FindNextFileW(find, &found));
        FindClose(find);
    }
    if (count.files == 0)
        return kNothingToDo;
    const std::string text = Grouped(count.files) + (count.files == 1 ? " file, " : " files, ") +
                             Grouped(count.bytes) + " bytes";
    DWORD written = 0;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    if (out == nullptr || out == INVALID_HANDLE_VALUE ||
        !WriteFile(out, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) ||
        written != text.size())
        return kFailed;
    return kDone;
}

// Setup runs elevated, and a program it starts would too: its settings would go to the
// administrator's profile and Explorer's drag and drop would be refused. So the program is
// started as a child of the desktop shell, whose rights it then gets.
int StartAsUser(const std::wstring& program)
{
    // The taskbar belongs to the same process; it is there when no desktop window is (Wine).
    HWND shell = GetShellWindow();
    if (!shell)
        shell = FindWindowW(L"Shell_TrayWnd", nullptr);
    DWORD shellProcess = 0;
    if (!shell || !GetWindowThreadProcessId(shell, &shellProcess) || shellProcess == 0)
        return kFailed;
    HANDLE parent = OpenProcess(PROCESS_CREATE_PROCESS, FALSE, shellProcess);
    if (!parent)
        return kFailed;
    int result = kFailed;
    SIZE_T size = 0;
    InitializeProcThreadAttributeList(nullptr, 1, 0, &size);
    std::vector<BYTE> storage(size);
    auto* attributes = reinterpret_cast<LPPROC_THREAD_ATTRIBUTE_LIST>(storage.data());
    if (size > 0 && InitializeProcThreadAttributeList(attributes, 1, 0, &size)) {
        if (UpdateProcThreadAttribute(attributes, 0, PROC_THREAD_ATTRIBUTE_PARENT_PROCESS, &parent,
                                      sizeof parent, nullptr, nullptr)) {
            STARTUPINFOEXW startup = {};
            startup.StartupInfo.cb = sizeof startup;
            startup.lpAttributeList = attributes;
            std::wstring line = L"\"" + program + L"\"";
            const size_t slash = program.find_last_of(L'\\');
            const std::wstring folder =
                    slash == std::wstring::npos ? std::wstring() : program.substr(0, slash);
            PROCESS_INFORMATION process = {};
            if (CreateProcessW(program.c_str(), line.data(), nullptr, nullptr, FALSE,
                               EXTENDED_STARTUPINFO_PRESENT, nullptr,
                               folder.empty() ? nullptr : folder.c_str(), &startup.StartupInfo, &process)) {
                CloseHandle(process.hThread);
                CloseHandle(process.hProcess);
                result = kDone;
            }
        }
        DeleteProcThreadAttributeList(attributes);
    }
    CloseHandle(parent);
    return result;
}

}  // namespace

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int)
{
    int count = 0;
    wchar_t** args = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!args)
        return kFailed;
    int result = kUsage;
    if (count == 3) {
        const std::wstring command = args[1];
        const std::wstring argument = args[2];
        // A quote is never part of a path: it is one of a path ending in a backslash, which the
        // quoting rules took for an escaped quote.
        if (argument.empty() || argument.find(L'"') != std::wstring::npos)
            result = kUsage;
        else if (command == L"path-add")
            result = PathAdd(argument);
        else if (command == L"path-remove")
            result = PathRemove(argument);
        else if (command == L"kept-summary")
            result = KeptSummary(argument);
        else if (command == L"start-as-user")
            result = StartAsUser(argument);
    }
    LocalFree(args);
    return result;
}
