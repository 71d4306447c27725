#include "engine/SettingsStore.h"

#include <windows.h>

#include <shlobj.h>

#include <algorithm>
#include <cstring>
#include <variant>
#include <vector>

#include "engine/PathUtils.h"
#include "engine/RunJournal.h"

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

// How a stored value is taken back.
enum class ReadRule {
    // Numbers and rectangles: up to the field's size, whatever the registry type; texts: any length.
    Lenient,
    // Numbers and rectangles: only a value of exactly the field's size.
    ExactSize,
    // Texts: only within a MAX_PATH buffer.
    ShortPath,
};

// One registry value under the Options key and the record field it holds. DWORD fields, the mode
// and the policy among them, are stored as REG_DWORD, texts as REG_SZ, rectangles as 16 bytes of
// REG_BINARY. A mode or policy is read back as the number it is, one that names none included:
// the window, quillmere-cli and the run each have their own answer to an unknown one.
template <class Record> struct StoredValue {
    const char* name;
    std::variant<std::uint32_t Record::*, std::string Record::*, StoredRect Record::*, OrganizeMode Record::*,
                 TargetExistsPolicy Record::*>
            field;
    ReadRule rule = ReadRule::Lenient;
};

using Options = OrganizeOptions;
const StoredValue<Options> kOptionValues[] = {
        {"OutputFolderType", &Options::OutputFolderType},
        {"CustomTargetFolder", &Options::CustomTargetFolder},
        {"MoveType", &Options::Mode},
        {"CreateYearFolder", &Options::CreateYearFolder},
        {"CreateMonthFolder", &Options::CreateMonthFolder},
        {"MonthFolderFormat", &Options::MonthFolderFormat},
        {"CreateDayFolder", &Options::CreateDayFolder},
        {"DayFolderFormat", &Options::DayFolderFormat},
        {"RenameTargetFileName", &Options::RenameTargetFileName},
        {"TargetFilenameFormat", &Options::TargetFilenameFormat},
        {"Folder", &Options::Folder},
        {"LastAddFileDir", &Options::LastAddFileDir, ReadRule::ShortPath},
        {"EnableExtFilter", &Options::EnableExtFilter},
        {"AllowExts", &Options::AllowExts},
        {"TargetExistsOpt", &Options::TargetExistsOpt},
        {"SaveToLog", &Options::SaveToLog},
        {"LogFile", &Options::LogFile},
        {"AddFilesInSubfolder", &Options::AddFilesInSubfolder},
        {"WndPosition", &Options::WndPosition},
        {"WndMaximized", &Options::WndMaximized},
        {"ColWidth_Source", &Options::ColWidth_Source},
        {"ColWidth_Target", &Options::ColWidth_Target},
        {"ColWidth_Result", &Options::ColWidth_Result},
        {"ColWidth_Dpi", &Options::ColWidth_Dpi},
        {"OpenDlg_FilterIndex", &Options::OpenDlg_FilterIndex},
        {"CompanionFiles", &Options::CompanionFiles},
        {"NameDates", &Options::NameDates},
        {"DownloadCloudFiles", &Options::DownloadCloudFiles},
        {"ClockRules", &Options::ClockRules},
        {"DayBegins", &Options::DayBegins},
        {"VideoComputerZone", &Options::VideoComputerZone},
        {"TakeoutDates", &Options::TakeoutDates},
        {"SkipKnownFiles", &Options::SkipKnownFiles},
        {"VerifyCopies", &Options::VerifyCopies},
        {"MakeBackup", &Options::MakeBackup},
        {"BackupFolder", &Options::BackupFolder},
};

using Placement = MetaWindowPlacement;
const StoredValue<Placement> kPlacementValues[] = {
        {"ExifInfoWndPos", &Placement::position, ReadRule::ExactSize},
        {"ExifInfoWndMaxed", &Placement::maximized, ReadRule::ExactSize},
        {"ExifInfoWnd_NameWidth", &Placement::nameWidth, ReadRule::ExactSize},
        {"ExifInfoWnd_ValWidth", &Placement::valueWidth, ReadRule::ExactSize},
        {"ExifInfoWnd_WidthDpi", &Placement::widthDpi, ReadRule::ExactSize},
};

constexpr const char* kFirstRunValue = "FirstRun";

std::string HistoryKeyPath(const std::string& name)
{
    return std::string(kProgramKey) + "\\" + name;
}

// Reads straight over a copy of the field, whatever the registry type; a missing value, one that
// does not fit, or under ExactSize one of another size, leaves the field as it was.
template <typename T> void ReadFixed(HKEY key, const char* name, ReadRule rule, T& field)
{
    T value = field;
    DWORD read = sizeof value;
    if (RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(&value), &read) !=
        ERROR_SUCCESS)
        return;
    if (rule == ReadRule::ExactSize && read != sizeof value)
        return;
    field = value;
}

// Reads a text value of any stored size; the text ends at the first zero byte. The size the
// system gives beforehand can be less than the text takes under the UTF-8 code page (counted for
// the stored UTF-16, or as 2 bytes a character), so a read that finds the buffer too small grows
// it and reads again.
bool ReadText(HKEY key, const char* name, std::string& text)
{
    DWORD size = 0;
    if (RegQueryValueExA(key, name, nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS)
        return false;
    std::vector<char> buffer;
    for (;;) {
        if (size > kMaxTextValueSize)
            return false;
        // Zeros beyond what the read may fill end a value stored without one.
        buffer.assign(size + 4, '\0');
        DWORD read = size;
        const LSTATUS status =
                RegQueryValueExA(key, name, nullptr, nullptr, reinterpret_cast<BYTE*>(buffer.data()), &read);
        if (status == ERROR_SUCCESS)
            break;
        if (status != ERROR_MORE_DATA)
            return false;
        size = std::max(read, size + size / 2 + 4);
    }
    text.assign(buffer.data(), strnlen(buffer.data(), buffer.size()));
    return true;
}

// Read into a buffer for MAX_PATH characters: a longer stored value (counted as the system counts
// it, whatever bytes UTF-8 takes for it), or one with no zero within the buffer, keeps the field.
void ReadShortPath(HKEY key, const char* name, std::string& field)
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

void ReadTextField(HKEY key, const char* name, ReadRule rule, std::string& field)
{
    if (rule == ReadRule::ShortPath) {
        ReadShortPath(key, name, field);
        return;
    }
    std::string text;
    if (ReadText(key, name, text))
        field = std::move(text);
}

// A registry call that failed, with the key it wrote to (below HKEY_CURRENT_USER).
Status WriteFailure(const std::string& path, LSTATUS code)
{
    return Status::Failure(FailureKind::System,
                           "cannot write \"HKEY_CURRENT_USER\\" + path +
                                   "\": " + FileErrorText(static_cast<std::uint32_t>(code)),
                           static_cast<std::uint32_t>(code));
}

LSTATUS WriteDword(HKEY key, const char* name, std::uint32_t value)
{
    const DWORD data = value;
    return RegSetValueExA(key, name, 0, REG_DWORD, reinterpret_cast<const BYTE*>(&data), sizeof data);
}

LSTATUS WriteText(HKEY key, const char* name, const std::string& text)
{
    return RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text.c_str()),
                          static_cast<DWORD>(text.size() + 1));
}

LSTATUS WriteRect(HKEY key, const char* name, const StoredRect& rect)
{
    return RegSetValueExA(key, name, 0, REG_BINARY, reinterpret_cast<const BYTE*>(&rect), sizeof rect);
}

bool OpenOptionsKey(RegKey& key)
{
    return RegOpenKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, KEY_READ, key.Out()) == ERROR_SUCCESS;
}

template <class Record, std::size_t N>
void LoadValues(HKEY key, const StoredValue<Record> (&values)[N], Record& record)
{
    for (const StoredValue<Record>& value : values) {
        if (auto text = std::get_if<std::string Record::*>(&value.field))
            ReadTextField(key, value.name, value.rule, record.**text);
        else if (auto number = std::get_if<std::uint32_t Record::*>(&value.field))
            ReadFixed(key, value.name, value.rule, record.**number);
        else if (auto rect = std::get_if<StoredRect Record::*>(&value.field))
            ReadFixed(key, value.name, value.rule, record.**rect);
        else if (auto mode = std::get_if<OrganizeMode Record::*>(&value.field))
            ReadFixed(key, value.name, value.rule, record.**mode);
        else if (auto policy = std::get_if<TargetExistsPolicy Record::*>(&value.field))
            ReadFixed(key, value.name, value.rule, record.**policy);
    }
}

// Writes every value, also after one failed (each stored is one less lost); the first failure.
template <class Record, std::size_t N>
Status SaveValues(const StoredValue<Record> (&values)[N], const Record& record)
{
    RegKey key;
    const LSTATUS created = RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr,
                                            REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.Out(), nullptr);
    if (created != ERROR_SUCCESS)
        return WriteFailure(kOptionsKey, created);
    LSTATUS first = ERROR_SUCCESS;
    for (const StoredValue<Record>& value : values) {
        LSTATUS written = ERROR_SUCCESS;
        if (auto text = std::get_if<std::string Record::*>(&value.field))
            written = WriteText(key, value.name, record.**text);
        else if (auto number = std::get_if<std::uint32_t Record::*>(&value.field))
            written = WriteDword(key, value.name, record.**number);
        else if (auto rect = std::get_if<StoredRect Record::*>(&value.field))
            written = WriteRect(key, value.name, record.**rect);
        else if (auto mode = std::get_if<OrganizeMode Record::*>(&value.field))
            written = WriteDword(key, value.name, static_cast<std::uint32_t>(record.**mode));
        else if (auto policy = std::get_if<TargetExistsPolicy Record::*>(&value.field))
            written = WriteDword(key, value.name, static_cast<std::uint32_t>(record.**policy));
        if (first == ERROR_SUCCESS)
            first = written;
    }
    if (first != ERROR_SUCCESS)
        return WriteFailure(kOptionsKey, first);
    return {};
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
    if (!OpenOptionsKey(key))
        return;
    // A key without this value is treated as a first start: open maximized.
    options.WndMaximized = 1;
    // Widths stored without their DPI (by an older version) were measured at 96 DPI.
    options.ColWidth_Dpi = 96;
    LoadValues(key, kOptionValues, options);
}

Status SaveSettings(const OrganizeOptions& options)
{
    return SaveValues(kOptionValues, options);
}

void LoadMetaWindowPlacement(MetaWindowPlacement& placement)
{
    RegKey key;
    placement.widthDpi = 96;  // widths stored without their DPI were measured at 96 DPI
    if (OpenOptionsKey(key))
        LoadValues(key, kPlacementValues, placement);
}

Status SaveMetaWindowPlacement(const MetaWindowPlacement& placement)
{
    return SaveValues(kPlacementValues, placement);
}

bool TakeFirstRunFlag()
{
    RegKey key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                        KEY_QUERY_VALUE | KEY_SET_VALUE, nullptr, key.Out(), nullptr) != ERROR_SUCCESS)
        return true;
    std::uint32_t firstRun = 1;
    ReadFixed(key, kFirstRunValue, ReadRule::Lenient, firstRun);
    // An answer that cannot be stored is given all the same: the next start asks again.
    if (firstRun != 0)
        static_cast<void>(WriteDword(key, kFirstRunValue, 0));
    return firstRun != 0;
}

Status SetFirstRunDone()
{
    RegKey key;
    LSTATUS result = RegCreateKeyExA(HKEY_CURRENT_USER, kOptionsKey, 0, nullptr, REG_OPTION_NON_VOLATILE,
                                     KEY_SET_VALUE, nullptr, key.Out(), nullptr);
    if (result == ERROR_SUCCESS)
        result = WriteDword(key, kFirstRunValue, 0);
    if (result != ERROR_SUCCESS)
        return WriteFailure(kOptionsKey, result);
    return {};
}

std::uint32_t StoredKeepRuns()
{
    DWORD value = kDefaultKeepRuns;
    DWORD size = sizeof value;
    // Only a REG_DWORD counts, as older versions read it.
    if (RegGetValueA(HKEY_CURRENT_USER, kOptionsKey, kKeepRunsValue, RRF_RT_REG_DWORD, nullptr, &value,
                     &size) != ERROR_SUCCESS)
        return kDefaultKeepRuns;
    return std::max<DWORD>(value, 1);
}

std::optional<std::vector<std::string>> ReadHistory(const std::string& name)
{
    RegKey key;
    if (RegOpenKeyExA(HKEY_CURRENT_USER, HistoryKeyPath(name).c_str(), 0, KEY_READ, key.Out()) !=
        ERROR_SUCCESS)
        return std::nullopt;
    std::vector<std::string> entries;
    for (int n = 0; n < kMaxLoadedHistoryEntries; ++n) {
        const std::string valueName = std::to_string(n);
        DWORD size = 0;
        if (RegQueryValueExA(key, valueName.c_str(), nullptr, nullptr, nullptr, &size) != ERROR_SUCCESS ||
            size < 2)
            break;
        std::string text;
        if (!ReadText(key, valueName.c_str(), text) || text.empty())
            break;
        entries.push_back(std::move(text));
    }
    return entries;
}

Status WriteHistory(const std::string& name, const std::vector<std::string>& entries)
{
    const std::string path = HistoryKeyPath(name);
    // A key that could not be emptied would keep stale entries behind the new ones.
    const LSTATUS deleted = RegDeleteTreeA(HKEY_CURRENT_USER, path.c_str());
    if (deleted != ERROR_SUCCESS && deleted != ERROR_FILE_NOT_FOUND)
        return WriteFailure(path, deleted);
    RegKey key;
    const LSTATUS created = RegCreateKeyExA(HKEY_CURRENT_USER, path.c_str(), 0, nullptr,
                                            REG_OPTION_NON_VOLATILE, KEY_WRITE, nullptr, key.Out(), nullptr);
    if (created != ERROR_SUCCESS)
        return WriteFailure(path, created);
    // Values are numbered without gaps: loading stops at the first missing number.
    int stored = 0;
    for (const std::string& entry : entries) {
        if (entry.empty())
            continue;
        if (const LSTATUS written = WriteText(key, std::to_string(stored).c_str(), entry);
            written != ERROR_SUCCESS)
            return WriteFailure(path, written);
        ++stored;
    }
    return {};
}
