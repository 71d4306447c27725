#include "ui/OptionsDialog.h"

#include <commdlg.h>

#include <algorithm>
#include <array>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "engine/ClockRules.h"
#include "engine/ExtFilter.h"
#include "engine/OrganizeOptions.h"
#include "base/PathText.h"
#include "engine/PathUtils.h"
#include "engine/SettingsStore.h"
#include "ui/ComboHistory.h"
#include "resource.h"
#include "toolkit/ComboBox.h"
#include "toolkit/ShellServices.h"

namespace {

constexpr const char* kCaption = "Quillmere";

// Offered while the extension list has no history yet; the fourth is also the starting list.
constexpr std::array<const char*, 8> kExtensionPresets {
        "bmp", "cr2,crw", "gif", "jpg,jpe,jpeg",
        "nef", "png",     "raw", "bmp,cr2,crw,gif,jpg,jpe,jpeg,nef,png,psd,raw,tga,tif,tiff,wmf",
};
constexpr const char* kDefaultExtensions = "jpg,jpe,jpeg";

constexpr std::string_view kExtensionSeparators = " \t,;";
constexpr std::string_view kWhiteSpace = " \t\r\n\v\f";

// The save dialog's file buffer, in bytes.
// A long path in UTF-8 takes up to three bytes a character.
constexpr DWORD kLogPathBufferSize = 3 * 520;

bool HasNoExtension(const std::string& list)
{
    return list.find_first_not_of(kExtensionSeparators) == std::string::npos;
}

std::string Trimmed(const std::string& text)
{
    const std::size_t first = text.find_first_not_of(kWhiteSpace);
    if (first == std::string::npos)
        return {};
    const std::size_t last = text.find_last_not_of(kWhiteSpace);
    return text.substr(first, last - first + 1);
}

// The stored rules, one a line, as the edit box shows them: lines end in CR LF there.
std::string RulesForEditBox(const std::string& stored)
{
    std::string text;
    for (const char c : stored) {
        if (c == '\n')
            text += "\r\n";
        else if (c != '\r')
            text += c;
    }
    return text;
}

// The box's text as it is stored: each rule trimmed on a line of its own, blank lines left out.
std::string RulesFromEditBox(const std::string& text)
{
    std::string stored;
    std::size_t start = 0;
    while (start <= text.size()) {
        const std::size_t end = std::min(text.find('\n', start), text.size());
        const std::string line = Trimmed(text.substr(start, end - start));
        if (!line.empty())
            stored += line + "\n";
        start = end + 1;
    }
    return stored;
}

}  // namespace

OptionsDialog::OptionsDialog(const OrganizeOptions& given, int focus)
    : Dialog(IDD_OPTIONS), values_(given), result_(given), focus_(focus)
{ }

bool OptionsDialog::OnInitDialog()
{
    CheckButton(IDC_OPT_SUBFOLDERS, values_.AddFilesInSubfolder != 0);
    CheckButton(IDC_OPT_EXT_FILTER, values_.EnableExtFilter != 0);
    CheckButton(IDC_OPT_SAVE_LOG, values_.SaveToLog != 0);
    CheckButton(IDC_OPT_COMPANIONS, values_.CompanionFiles != 0);
    CheckButton(IDC_OPT_NAME_DATES, values_.NameDates != 0);
    CheckButton(IDC_OPT_VIDEO_COMPUTER_ZONE, values_.VideoComputerZone != 0);
    CheckButton(IDC_OPT_CLOUD_FILES, values_.DownloadCloudFiles != 0);
    CheckButton(IDC_OPT_TAKEOUT, values_.TakeoutDates != 0);
    CheckButton(IDC_OPT_SKIP_KNOWN, values_.SkipKnownFiles != 0);
    CheckButton(IDC_OPT_VERIFY, values_.VerifyCopies != 0);

    FillExtensionList();
    FillPolicyList();

    // Loading the history empties the edit field too, so the path goes in afterwards.
    ComboBox logFile(Item(IDC_OPT_LOG_FILE));
    LoadHistory(logFile, kLogFileHistory);
    logFile.SetText(values_.LogFile.c_str());
    EnableLogControls(values_.SaveToLog != 0);
    SetItemText(IDC_OPT_CLOCK_RULES, RulesForEditBox(values_.ClockRules));
    SetItemText(IDC_OPT_DAY_BEGINS, values_.DayBegins);
    CheckButton(IDC_OPT_BACKUP, values_.MakeBackup != 0);
    SetItemText(IDC_OPT_BACKUP_FOLDER, values_.BackupFolder);
    EnableItems({IDC_OPT_BACKUP_FOLDER, IDC_OPT_BACKUP_BROWSE}, values_.MakeBackup != 0);
    if (focus_ != 0) {
        FocusControl(focus_);
        return false;
    }
    return Dialog::OnInitDialog();
}

void OptionsDialog::FillExtensionList()
{
    ComboBox extensions(Item(IDC_OPT_EXT_LIST));
    if (!LoadHistory(extensions, kAllowExtsHistory)) {
        for (const char* preset : kExtensionPresets)
            extensions.AddString(preset);
        values_.AllowExts = kDefaultExtensions;
    }
    extensions.SetText(values_.AllowExts.c_str());
    extensions.Enable(values_.EnableExtFilter != 0);
}

void OptionsDialog::FillPolicyList()
{
    ComboBox policies(Item(IDC_OPT_EXISTS_POLICY));
    int selected = -1;
    for (const auto& [value, text] : kTargetExistsPolicies) {
        const int index = policies.AddString(text);
        if (index < 0)
            continue;
        policies.SetItemData(index, static_cast<LPARAM>(value));
        if (value == values_.TargetExistsOpt)
            selected = index;
    }
    if (selected < 0) {
        selected = 0;
        values_.TargetExistsOpt = TargetExistsPolicy::RenameAutomatically;
    }
    policies.SetCurSel(selected);
}

bool OptionsDialog::OnCommand(int id, int code, HWND)
{
    if (code != BN_CLICKED)
        return false;
    switch (id) {
    case IDC_OPT_EXT_FILTER: OnExtensionFilterClicked(); return true;
    case IDC_OPT_SAVE_LOG: OnSaveLogClicked(); return true;
    case IDC_OPT_LOG_OPEN: OnOpenLog(); return true;
    case IDC_OPT_LOG_BROWSE: OnBrowseLog(); return true;
    case IDC_OPT_BACKUP: OnBackupClicked(); return true;
    case IDC_OPT_BACKUP_BROWSE: OnBrowseBackup(); return true;
    default: return false;
    }
}

void OptionsDialog::ReadControls()
{
    values_.AddFilesInSubfolder = IsButtonChecked(IDC_OPT_SUBFOLDERS) ? 1 : 0;
    values_.EnableExtFilter = IsButtonChecked(IDC_OPT_EXT_FILTER) ? 1 : 0;
    values_.SaveToLog = IsButtonChecked(IDC_OPT_SAVE_LOG) ? 1 : 0;
    values_.CompanionFiles = IsButtonChecked(IDC_OPT_COMPANIONS) ? 1 : 0;
    values_.NameDates = IsButtonChecked(IDC_OPT_NAME_DATES) ? 1 : 0;
    values_.VideoComputerZone = IsButtonChecked(IDC_OPT_VIDEO_COMPUTER_ZONE) ? 1 : 0;
    values_.DownloadCloudFiles = IsButtonChecked(IDC_OPT_CLOUD_FILES) ? 1 : 0;
    values_.TakeoutDates = IsButtonChecked(IDC_OPT_TAKEOUT) ? 1 : 0;
    values_.SkipKnownFiles = IsButtonChecked(IDC_OPT_SKIP_KNOWN) ? 1 : 0;
    values_.VerifyCopies = IsButtonChecked(IDC_OPT_VERIFY) ? 1 : 0;
    values_.LogFile = ItemText(IDC_OPT_LOG_FILE);
    values_.MakeBackup = IsButtonChecked(IDC_OPT_BACKUP) ? 1 : 0;
    values_.BackupFolder = Trimmed(ItemText(IDC_OPT_BACKUP_FOLDER));
}

void OptionsDialog::EnableLogControls(bool enable) const
{
    EnableItems({IDC_OPT_LOG_FILE, IDC_OPT_LOG_BROWSE, IDC_OPT_LOG_OPEN}, enable);
}

// Through the dialog manager, so that the default button follows the focus.
void OptionsDialog::FocusControl(int id) const
{
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

void OptionsDialog::ShowMessage(const std::string& text, UINT icon) const
{
    MessageBoxA(hwnd_, text.c_str(), kCaption, MB_OK | icon);
}

void OptionsDialog::OnExtensionFilterClicked()
{
    ReadControls();
    EnableItem(IDC_OPT_EXT_LIST, values_.EnableExtFilter != 0);
    if (values_.EnableExtFilter)
        FocusControl(IDC_OPT_EXT_LIST);
}

void OptionsDialog::OnSaveLogClicked()
{
    ReadControls();
    EnableLogControls(values_.SaveToLog != 0);
    if (values_.SaveToLog)
        FocusControl(IDC_OPT_LOG_FILE);
}

// Both fields are checked before either history is written: a refusal leaves the dialog open,
// and the user may still cancel with nothing stored.
void OptionsDialog::OnOK()
{
    ReadControls();

    ComboBox policies(Item(IDC_OPT_EXISTS_POLICY));
    const int selected = policies.GetCurSel();
    if (selected >= 0)
        values_.TargetExistsOpt = static_cast<TargetExistsPolicy>(policies.GetItemData(selected));

    ComboBox extensions(Item(IDC_OPT_EXT_LIST));
    if (values_.EnableExtFilter) {
        values_.AllowExts = extensions.GetText();
        if (HasNoExtension(values_.AllowExts)) {
            ShowMessage("Please enter file extensions you need to filter.", MB_ICONEXCLAMATION);
            FocusControl(IDC_OPT_EXT_LIST);
            return;
        }
        std::string normalized, badEntry;
        if (!NormalizeExtensionList(values_.AllowExts, normalized, badEntry)) {
            ShowMessage("\"" + badEntry +
                                "\" is not a file extension.\n\nPlease enter extensions such as jpg or nef, "
                                "separated by comma (,) or semicolon (;).",
                        MB_ICONEXCLAMATION);
            FocusControl(IDC_OPT_EXT_LIST);
            return;
        }
        // "*.jpg" and ".jpg" are kept as "jpg", the form the filter compares.
        values_.AllowExts = normalized;
        extensions.SetText(values_.AllowExts.c_str());
    }

    ComboBox logFile(Item(IDC_OPT_LOG_FILE));
    if (values_.SaveToLog) {
        values_.LogFile = Trimmed(values_.LogFile);
        if (values_.LogFile.empty()) {
            ShowMessage("Please set log file path.", MB_ICONEXCLAMATION);
            FocusControl(IDC_OPT_LOG_FILE);
            return;
        }
        // The history takes the edit text: it must hold the path as it is stored.
        logFile.SetText(values_.LogFile.c_str());
    }

    if (!ReadClockControls())
        return;

    if (values_.MakeBackup && values_.BackupFolder.empty()) {
        ShowMessage("Please choose a backup folder.", MB_ICONEXCLAMATION);
        FocusControl(IDC_OPT_BACKUP_FOLDER);
        return;
    }

    if (values_.EnableExtFilter)
        PushHistory(extensions, kAllowExtsHistory);
    if (values_.SaveToLog)
        PushHistory(logFile, kLogFileHistory);
    result_ = values_;
    Dialog::OnOK();
}

void OptionsDialog::OnOpenLog()
{
    ReadControls();
    if (values_.LogFile.empty())
        return;
    if (FileExists(values_.LogFile)) {
        OpenWithAssociatedProgram(values_.LogFile.c_str());
        return;
    }
    ShowMessage("File \"" + values_.LogFile +
                        "\" isn't available yet.\n\nThe program will create the file automatically when "
                        "organizing photos.",
                MB_ICONINFORMATION);
}

void OptionsDialog::OnBrowseLog()
{
    ReadControls();
    std::string startFolder;
    const bool hasStartFolder =
            !values_.LogFile.empty() && FolderOf(values_.LogFile, startFolder) && FolderExists(startFolder);

    char path[kLogPathBufferSize];
    DWORD filterIndex = 1;
    if (!RunFileDialog(hwnd_, "Text File (*.txt)\0*.txt\0",
                       OFN_EXPLORER | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY, path, sizeof path, filterIndex,
                       hasStartFolder ? startFolder.c_str() : nullptr, ".txt", false))
        return;
    values_.LogFile.assign(path, strnlen(path, sizeof path));
    SetItemText(IDC_OPT_LOG_FILE, values_.LogFile);
}

void OptionsDialog::OnBackupClicked()
{
    ReadControls();
    EnableItems({IDC_OPT_BACKUP_FOLDER, IDC_OPT_BACKUP_BROWSE}, values_.MakeBackup != 0);
    if (values_.MakeBackup)
        FocusControl(IDC_OPT_BACKUP_FOLDER);
}

void OptionsDialog::OnBrowseBackup()
{
    ReadControls();
    bool noFolderPath = false;
    const auto chosen =
            PickFolder(hwnd_, "Please choose a backup folder:", values_.BackupFolder, &noFolderPath);
    if (noFolderPath)
        ShowMessage(kNoFolderPathText, MB_ICONEXCLAMATION);
    if (!chosen)
        return;
    values_.BackupFolder = *chosen;
    SetItemText(IDC_OPT_BACKUP_FOLDER, values_.BackupFolder);
}

bool OptionsDialog::ReadClockControls()
{
    const std::string rules = RulesFromEditBox(ItemText(IDC_OPT_CLOCK_RULES));
    std::vector<ClockRule> parsed;
    std::string error;
    if (!ParseClockRules(rules, parsed, error)) {
        ShowMessage(error + "\n\nWrite one rule a line, such as Canon EOS 5D=+01:00 or "
                            "NIKON D700#1234567=-00:07:36 or *=-1d.",
                    MB_ICONEXCLAMATION);
        FocusControl(IDC_OPT_CLOCK_RULES);
        return false;
    }
    const std::string dayBegins = Trimmed(ItemText(IDC_OPT_DAY_BEGINS));
    int minutes = 0;
    if (!ParseDayBegins(dayBegins, minutes)) {
        ShowMessage("\"" + dayBegins +
                            "\" is not a time of day.\n\nPlease enter the time the day begins at "
                            "as HH:MM, from 00:00 to 23:59.",
                    MB_ICONEXCLAMATION);
        FocusControl(IDC_OPT_DAY_BEGINS);
        return false;
    }
    values_.ClockRules = rules;
    values_.DayBegins = dayBegins;
    return true;
}
