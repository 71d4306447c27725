// The main window's organize controls: the settings they keep, their enabling rules, the example
// line, the output folder's Browse and Open, and the runs that Move Files and Copy Files start.
#include "ui/MainDialog.h"

#include "engine/NameTemplate.h"
#include "engine/OrganizeRun.h"
#include "engine/PathUtils.h"
#include "engine/TemplateTexts.h"
#include "resource.h"
#include "toolkit/MessagePump.h"
#include "toolkit/ShellServices.h"
#include "toolkit/WaitCursor.h"
#include "ui/CountingRows.h"
#include "ui/ProgressDialog.h"

namespace {

// The Result of a row that a cancelled run did not reach.
constexpr const char* kNotReachedText = "Not processed: the run was cancelled";

}  // namespace

void MainDialog::UpdateExampleLine()
{
    SetItemText(IDC_EXAMPLE, ExampleLineText(options_));
    SetItemText(IDC_TEMPLATE_WARNING, TemplateFaultText(FindTemplateFault(options_)));
}

void MainDialog::ApplyModeEnabling()
{
    const bool dateMode = IsDateMode(options_.Mode);
    EnableItems({IDC_YEAR_FOLDER, IDC_MONTH_FOLDER, IDC_DAY_FOLDER, IDC_RENAME_TARGET}, dateMode);
    EnableItems({IDC_MONTH_FORMAT, IDC_MONTH_TAGS}, dateMode && options_.CreateMonthFolder);
    EnableItems({IDC_DAY_FORMAT, IDC_DAY_TAGS}, dateMode && options_.CreateDayFolder);
    EnableItems({IDC_FILENAME_FORMAT, IDC_FILENAME_TAGS}, dateMode && options_.RenameTargetFileName);
}

void MainDialog::ApplyOutputFolderEnabling()
{
    EnableItems({IDC_OUTPUT_FOLDER, IDC_BROWSE_OUTPUT, IDC_OPEN_OUTPUT},
                options_.OutputFolderType != kOutputBesideSource);
}

bool MainDialog::ReadChangedCombo(int id, int code, std::string& setting) const
{
    if (code == CBN_EDITCHANGE) {
        setting = ItemText(id);
        return true;
    }
    if (code != CBN_SELCHANGE)
        return false;
    // The edit text is not updated yet when the selection change is reported.
    ComboBox combo(Item(id));
    if (combo.GetCurSel() < 0)
        return false;
    setting = combo.GetSelectedText();
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
    options_.CustomTargetFolder = ItemText(IDC_OUTPUT_FOLDER);
    bool noFolderPath = false;
    const auto chosen =
            PickFolder(hwnd_, "Please choose an output folder:", options_.CustomTargetFolder, &noFolderPath);
    if (noFolderPath)
        ShowMessage(kNoFolderPathText, MessageKind::Warning);
    if (!chosen)
        return;
    options_.CustomTargetFolder = *chosen;
    SetItemText(IDC_OUTPUT_FOLDER, *chosen);
    UpdateExampleLine();
}

void MainDialog::OnOpenOutput()
{
    options_.CustomTargetFolder = ItemText(IDC_OUTPUT_FOLDER);
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
    options_.Mode = SelectedMode();
    ReadControls();
    CountingRows rows(rows_);
    runStarted_ = false;
    if (kind == RunKind::Preview) {
        // A preview works on a copy of the settings and leaves no trace, the log included.
        preview_ = std::make_unique<DryRunFileSystem>();
        OrganizeOptions copy = options_;
        copy.SaveToLog = 0;
        OrganizeRun(*this, rows, copy, FileAction::Copy);
        preview_.reset();
    } else {
        const RunDecision decision = OrganizeRun(*this, rows, options_,
                                                 kind == RunKind::Move ? FileAction::Move : FileAction::Copy);
        // The normalised output folder (its trailing backslash) stays in the settings.
        if (!decision.outputFolder.empty())
            options_.CustomTargetFolder = decision.outputFolder;
    }
    if (!runStarted_)
        return;
    RunCounts counts = rows.Counts();
    // A cancel leaves the rows the run did not reach untouched: they must not keep an older result.
    counts.cancelled = counts.Reached() < counts.listed;
    for (int row = 0; counts.cancelled && row < counts.listed; ++row) {
        if (rows.Reached(row))
            continue;
        rows_.SetTarget(row, {});
        rows_.SetResult(row, {RowOutcome::Failed, kNotReachedText});
    }
    ShowRunSummary(kind, counts);
}

void MainDialog::ShowRunSummary(RunKind kind, const RunCounts& counts)
{
    SetItemText(IDC_RUN_SUMMARY, RunSummaryLine(kind, counts));
}

void MainDialog::OnListChanged(size_t countBefore)
{
    if (files_.Count() != countBefore)
        SetItemText(IDC_RUN_SUMMARY, "");
}

RunFileSystem& MainDialog::FileSystem()
{
    if (preview_)
        return *preview_;
    return RunHost::FileSystem();
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
    Enable(enable);
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
