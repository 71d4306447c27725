// The main window's organize controls: the settings they keep, their enabling rules, the example
// line, the output folder's Browse and Open, and the runs that Move Files and Copy Files start.
#include "ui/MainDialog.h"

#include "engine/NameTemplate.h"
#include "engine/OrganizeRun.h"
#include "engine/PathUtils.h"
#include "engine/TemplateTexts.h"
#include "resource.h"
#include "toolkit/ShellServices.h"
#include "toolkit/WaitCursor.h"
#include "ui/CountingRows.h"
#include "ui/ProgressDialog.h"

namespace {

// The Result of a row that a cancelled run did not reach.
constexpr const char* kNotReachedText = "Not processed: the run was cancelled";

void EnableItems(HWND dialog, std::initializer_list<int> ids, bool enable)
{
    for (int id : ids)
        EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

}  // namespace

void MainDialog::UpdateExampleLine()
{
    SetDlgItemTextA(hwnd_, IDC_EXAMPLE, ExampleLineText(options_).c_str());
    SetDlgItemTextA(hwnd_, IDC_TEMPLATE_WARNING, TemplateFaultText(FindTemplateFault(options_)).c_str());
}

void MainDialog::ApplyModeEnabling()
{
    const bool dateMode = IsDateMode(options_.MoveType);
    EnableItems(hwnd_, {IDC_YEAR_FOLDER, IDC_MONTH_FOLDER, IDC_DAY_FOLDER, IDC_RENAME_TARGET}, dateMode);
    EnableItems(hwnd_, {IDC_MONTH_FORMAT, IDC_MONTH_TAGS}, dateMode && options_.CreateMonthFolder);
    EnableItems(hwnd_, {IDC_DAY_FORMAT, IDC_DAY_TAGS}, dateMode && options_.CreateDayFolder);
    EnableItems(hwnd_, {IDC_FILENAME_FORMAT, IDC_FILENAME_TAGS}, dateMode && options_.RenameTargetFileName);
}

void MainDialog::ApplyOutputFolderEnabling()
{
    EnableItems(hwnd_, {IDC_OUTPUT_FOLDER, IDC_BROWSE_OUTPUT, IDC_OPEN_OUTPUT},
                options_.OutputFolderType != 0);
}

bool MainDialog::ReadChangedCombo(int id, int code, std::string& setting) const
{
    if (code == CBN_EDITCHANGE) {
        setting = Window(Item(id)).GetText();
        return true;
    }
    if (code != CBN_SELCHANGE)
        return false;
    // The edit text is not updated yet when the selection change is reported.
    ComboBox combo(Item(id));
    const int selection = combo.GetCurSel();
    if (selection < 0)
        return false;
    const int length = combo.GetEntryTextLength(selection);
    if (length < 0)
        return false;
    std::string text(static_cast<size_t>(length) + 1, '\0');
    combo.GetEntryText(selection, text.data());
    text.resize(static_cast<size_t>(length));
    setting = text;
    return true;
}

void MainDialog::OnTemplateChanged(int id, int code, std::string& setting)
{
    if (ReadChangedCombo(id, code, setting))
        UpdateExampleLine();
}

void MainDialog::OnTagHelp(int id)
{
    const char* text = id == IDC_MONTH_TAGS ? kMonthTagHelp
                       : id == IDC_DAY_TAGS ? kDayTagHelp
                                            : kFileNameTagHelp;
    ShowMessage(text, MessageKind::Information);
}

void MainDialog::OnBrowseOutput()
{
    WaitCursor wait;
    options_.CustomTargetFolder = Window(Item(IDC_OUTPUT_FOLDER)).GetText();
    char start[520];
    lstrcpynA(start, options_.CustomTargetFolder.c_str(), sizeof start);
    char chosen[520];
    if (!PickFolder(hwnd_, "Please choose an output folder:", start, chosen, sizeof chosen))
        return;
    options_.CustomTargetFolder = chosen;
    SetDlgItemTextA(hwnd_, IDC_OUTPUT_FOLDER, chosen);
    UpdateExampleLine();
}

void MainDialog::OnOpenOutput()
{
    options_.CustomTargetFolder = Window(Item(IDC_OUTPUT_FOLDER)).GetText();
    if (FolderExists(options_.CustomTargetFolder)) {
        OpenWithAssociatedProgram(options_.CustomTargetFolder.c_str());
        return;
    }
    ShowMessage("Folder \"" + options_.CustomTargetFolder +
                        "\" doesn't exist.\n\nThe program will create the folder automatically when moving "
                        "or copying "
                        "files.",
                MessageKind::Information);
}

void MainDialog::StartRun(RunKind kind)
{
    CountingRows rows(rows_);
    runStarted_ = false;
    if (kind == RunKind::Preview) {
        // A preview works on a copy of the settings: what the run decides stays out of them.
        preview_ = std::make_unique<DryRunFileSystem>();
        OrganizeOptions copy = options_;
        OrganizeRun(*this, rows, copy, false);
        preview_.reset();
    } else {
        OrganizeRun(*this, rows, options_, kind == RunKind::Move);
    }
    if (!runStarted_)
        return;
    RunCounts counts = rows.Counts();
    // The run goes through the rows in order; a cancel leaves the rest untouched.
    counts.cancelled = counts.Reached() < counts.listed;
    for (int row = counts.Reached(); row < counts.listed; ++row) {
        rows_.SetTarget(row, {});
        rows_.SetResult(row, kNotReachedText);
    }
    ShowRunSummary(kind, counts);
}

void MainDialog::ShowRunSummary(RunKind kind, const RunCounts& counts)
{
    SetDlgItemTextA(hwnd_, IDC_RUN_SUMMARY, RunSummaryLine(kind, counts).c_str());
}

void MainDialog::OnListChanged(size_t countBefore)
{
    if (files_.Count() != countBefore)
        SetDlgItemTextA(hwnd_, IDC_RUN_SUMMARY, "");
}

RunFileSystem& MainDialog::FileSystem()
{
    if (preview_)
        return *preview_;
    return RunHost::FileSystem();
}

void MainDialog::ReadSettings(OrganizeOptions& options)
{
    options_.MoveType = SelectedMode();
    ReadControls();
    // The run works on the window's own record, so that what it decides (the output folder's
    // trailing backslash) stays in the settings.
    if (&options != &options_)
        options = options_;
    // A preview leaves no trace, the log included.
    if (preview_)
        options.SaveToLog = 0;
}

void MainDialog::FocusOutputFolder()
{
    SetFocus(Item(IDC_OUTPUT_FOLDER));
}

void MainDialog::FocusTemplate(TemplateField field)
{
    const int id = field == TemplateField::MonthFolder ? IDC_MONTH_FORMAT
                   : field == TemplateField::DayFolder ? IDC_DAY_FORMAT
                                                       : IDC_FILENAME_FORMAT;
    // Through the dialog manager, so that the default button and the edit selection follow.
    SendMessageA(hwnd_, WM_NEXTDLGCTL, reinterpret_cast<WPARAM>(Item(id)), TRUE);
}

void MainDialog::EnableInput(bool enable)
{
    EnableWindow(hwnd_, enable ? TRUE : FALSE);
}

RunProgress& MainDialog::ShowProgress()
{
    runStarted_ = true;
    ProgressDialog* progress = ProgressDialog::Open(hwnd_);
    if (!progress)
        return noProgress_;
    return *progress;
}

void MainDialog::Pump()
{
    PumpMessages();
}

void MainDialog::ShowMessage(const std::string& text, MessageKind icon)
{
    MessageBoxA(hwnd_, text.c_str(), "Quillmere",
                MB_OK | (icon == MessageKind::Warning ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}
