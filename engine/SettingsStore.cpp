#include "engine/SettingsStore.h"

#include <shlobj.h>

#include <cstring>
#include <vector>

#include "engine/PathUtils.h"

namespace {

// Far above any path, template or extension list; keeps a damaged value from exhausting memory.
constexpr DWORD kMaxTextValueSize = 1024 * 1024;

class RegKey {
public:
    RegKey() = default;
    RegKey(const RegKey&) = delete;
    RegKey& operator=(const RegKey&) = delete;
    ~RegKey()
    {
        if (handle_ != nullptr)
            RegCloseKey(handle_);
    }

    HKEY* Out() { return &handle_; }
    operator HKEY() const { return handle_; }

private:
    HKEY handle_ = nullptr;
};

std::string HistoryKeyPath(const std::string& name)
{
    return std::string(kProgramKey) + "\\" + name;
}

// Reads up to sizeof field bytes straight over the field, whatever the registry type; a missing
// value, or one that does not fit, leaves the field as it was.
template <typename T> void ReadFixed(HKEY key, const char* name, T& field)
{
    T value = field;
    DWORD read = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &read) ==
        ERROR_SUCCESS)
        field = value;
}

// Reads a text value of any stored size; the text ends at the first zero byte.
bool ReadText(HKEY key, const char* name, std::string& text)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return false;
    if (size > kMaxTextValueSize)
        return false;
    std::vector<char> buffer(size + 4, '\0');
    DWORD read = static_cast<DWORD>(buffer.size());
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &read) !=
        ERROR_SUCCESS)
        return false;
    text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return true;
}

void ReadTextField(HKEY key, const char* name, std::string& field)
{
    std::string text;
    if (ReadText(key, name, text))
        field = std::move(text);
}

// A stored path of MAX_PATH characters or more (counted as the system counts them, whatever
// bytes UTF-8 takes for them) keeps the default.
void ReadPathField(HKEY key, const char* name, std::string& field)
{
    char buffer[3 * MAX_PATH] = {};
    DWORD read = sizeof buffer;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer), &read) !=
        ERROR_SUCCESS)
        return;
    const std::size_t length = strnlen(buffer, sizeof buffer);
    if (length == sizeof buffer)
        return;
    std::string text(buffer, length);
    if (SystemLength(text) < MAX_PATH)
        field = std::move(text);
}

void WriteDword(HKEY key, const char* name, std::uint32_t value)
{
    const DWORD data = value;
    RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

bool WriteText(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1)) == ERROR_SUCCESS;
}

bool ComboItemText(HWND combo, int index, std::string& text)
{
    const LRESULT length = SendMessageA(combo, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length < 0)
        return false;
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT copied = SendMessageA(combo, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                        reinterpret_cast<LPARAM>(buffer.data()));
    if (copied == CB_ERR || copied < 0)
        return false;
    text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return true;
}

std::string WindowText(HWND window)
{
    const int length = GetWindowTextLengthA(window);
    if (length <= 0)
        return {};
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window, buffer.data(), static_cast<int>(buffer.size()));
    if (copied <= 0)
        return {};
    return std::string(buffer.data(), strnlen(buffer.data(), buffer.size()));
}

}  // namespace

std::string UserDocumentsFolder()
{
    // The wide form: the ANSI one holds MAX_PATH bytes, too few for some names in UTF-8.
    wchar_t path[MAX_PATH] = {};
    if (SHGetFolderPathW(nullptr, CSIDL_PERSONAL | CSIDL_FLAG_CREATE, nullptr, SHGFP_TYPE_CURRENT, path) !=
        S_OK)
        return {};
    return AnsiOf(std::wstring(path, wcsnlen(path, MAX_PATH)));
}

void SetUserDefaults(OrganizeOptions& options)
{
    options.SetDefaults(UserDocumentsFolder());
}

void LoadSettings(OrganizeOptions& options)
{
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, key.Out()) != ERROR_SUCCESS)
        return;

    ReadFixed(key, "OutputFolderType", options.OutputFolderType);
    ReadTextField(key, "CustomTargetFolder", options.CustomTargetFolder);
    ReadFixed(key, "MoveType", options.MoveType);
    ReadFixed(key, "CreateYearFolder", options.CreateYearFolder);
    ReadFixed(key, "CreateMonthFolder", options.CreateMonthFolder);
    ReadTextField(key, "MonthFolderFormat", options.MonthFolderFormat);
    ReadFixed(key, "CreateDayFolder", options.CreateDayFolder);
    ReadTextField(key, "DayFolderFormat", options.DayFolderFormat);
    ReadFixed(key, "RenameTargetFileName", options.RenameTargetFileName);
    ReadTextField(key, "TargetFilenameFormat", options.TargetFilenameFormat);
    ReadTextField(key, "Folder", options.Folder);
    ReadPathField(key, "LastAddFileDir", options.LastAddFileDir);
    ReadFixed(key, "EnableExtFilter", options.EnableExtFilter);
    ReadTextField(key, "AllowExts", options.AllowExts);
    ReadFixed(key, "TargetExistsOpt", options.TargetExistsOpt);
    ReadFixed(key, "SaveToLog", options.SaveToLog);
    ReadTextField(key, "LogFile", options.LogFile);
    ReadFixed(key, "AddFilesInSubfolder", options.AddFilesInSubfolder);
    ReadFixed(key, "WndPosition", options.WndPosition);
    // A key without this value is treated as a first start: open maximized.
    options.WndMaximized = 1;
    ReadFixed(key, "WndMaximized", options.WndMaximized);
    ReadFixed(key, "ColWidth_Source", options.ColWidth_Source);
    ReadFixed(key, "ColWidth_Target", options.ColWidth_Target);
    ReadFixed(key, "ColWidth_Result", options.ColWidth_Result);
    ReadFixed(key, "OpenDlg_FilterIndex", options.OpenDlg_FilterIndex);
}

void SaveSettings(const OrganizeOptions& options)
{
    RegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, key.Out(), nullptr) != ERROR_SUCCESS)
        return;

    WriteDword(key, "OutputFolderType", options.OutputFolderType);
    WriteText(key, "CustomTargetFolder", options.CustomTargetFolder);
    WriteDword(key, "MoveType", options.MoveType);
    WriteDword(key, "CreateYearFolder", options.CreateYearFolder);
    WriteDword(key, "CreateMonthFolder", options.CreateMonthFolder);
    WriteText(key, "MonthFolderFormat", options.MonthFolderFormat);
    WriteDword(key, "CreateDayFolder", options.CreateDayFolder);
    WriteText(key, "DayFolderFormat", options.DayFolderFormat);
    WriteDword(key, "RenameTargetFileName", options.RenameTargetFileName);
    WriteText(key, "TargetFilenameFormat", options.TargetFilenameFormat);
    WriteText(key, "Folder", options.Folder);
    WriteText(key, "LastAddFileDir", options.LastAddFileDir);
    WriteDword(key, "EnableExtFilter", options.EnableExtFilter);
    WriteText(key, "AllowExts", options.AllowExts);
    WriteDword(key, "TargetExistsOpt", options.TargetExistsOpt);
    WriteDword(key, "SaveToLog", options.SaveToLog);
    WriteText(key, "LogFile", options.LogFile);
    WriteDword(key, "AddFilesInSubfolder", options.AddFilesInSubfolder);
    WriteDword(key, "WndMaximized", options.WndMaximized);
    RegSetValueExA(key, "WndPosition", 0, REG_BINARY, reinterpret_cast<const BYTE*>(&options.WndPosition),
                   sizeof options.WndPosition);
    WriteDword(key, "OpenDlg_FilterIndex", options.OpenDlg_FilterIndex);
    WriteDword(key, "ColWidth_Source", options.ColWidth_Source);
    WriteDword(key, "ColWidth_Target", options.ColWidth_Target);
    WriteDword(key, "ColWidth_Result", options.ColWidth_Result);
}

bool LoadHistory(HWND combo, const std::string& name)
{
    SendMessageA(combo, CB_RESETCONTENT, 0, 0);
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, HistoryKeyPath(name).c_str(), 0, KEY_READ, key.Out()) !=
        ERROR_SUCCESS)
        return false;
    for (int n = 0; n < kMaxLoadedHistoryEntries; ++n) {
        const std::string valueName = std::to_string(n);
        DWORD size = 0;
        if (RegQueryValueExA(key, valueName.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
            size < 2)
            break;
        std::string text;
        if (!ReadText(key, valueName.c_str(), text) || text.empty())
            break;
        const LRESULT added = SendMessageA(combo, CB_INSERTSTRING, static_cast<WPARAM>(-1),
                                           reinterpret_cast<LPARAM>(text.c_str()));
        if (added == CB_ERR || added == CB_ERRSPACE)
            break;
    }
    return true;
}

bool SaveHistory(HWND combo, const std::string& name)
{
    const std::string path = HistoryKeyPath(name);
    // A key that could not be emptied would keep stale entries behind the new ones.
    const LSTATUS deleted = RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND)
        return false;
    RegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr, REG_OPTION_NON_VOLATILE, KEY_WRITE,
                        nullptr, key.Out(), nullptr) != ERROR_SUCCESS)
        return false;
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    if (count == CB_ERR || count < 0)
        return false;
    // Values are numbered without gaps: loading stops at the first missing number.
    int stored = 0;
    for (int i = 0; i < static_cast<int>(count); ++i) {
        std::string text;
        if (!ComboItemText(combo, i, text))
            return false;
        if (text.empty())
            continue;
        if (!WriteText(key, std::to_string(stored).c_str(), text))
            return false;
        ++stored;
    }
    return true;
}

bool PushHistory(HWND combo, const std::string& name)
{
    const std::string text = WindowText(combo);
    if (text.empty())
        return false;
    const LRESULT count = SendMessageA(combo, CB_GETCOUNT, 0, 0);
    if (count == CB_ERR || count < 0)
        return false;
    for (int i = 0; i < static_cast<int>(count); ++i) {
        std::string entry;
        if (!ComboItemText(combo, i, entry) || entry != text)
            continue;
        if (i == 0)
            return true;
        SendMessageA(combo, CB_DELETESTRING, static_cast<WPARAM>(i), 0);
        break;
    }
    const LRESULT inserted = SendMessageA(combo, CB_INSERTSTRING, 0, reinterpret_cast<LPARAM>(text.c_str()));
    if (inserted == CB_ERR || inserted == CB_ERRSPACE)
        return false;
    SendMessageA(combo, CB_SETCURSEL, 0, 0);
    return SaveHistory(combo, name);
}
