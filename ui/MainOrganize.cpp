// The main window's organize controls: the settings they keep, their enabling rules, the example
// line, the output folder's Browse and Open, and the runs that Move Files and Copy Files start.
#include "ui/MainDialog.h"

#include "engine/DryRunFileSystem.h"
#include "engine/FileTransfer.h"
#include "engine/ModeFolder.h"
#include "engine/OrganizeMode.h"
#include "engine/OrganizeRun.h"
#include "engine/PathUtils.h"
#include "engine/TemplateCheck.h"
#include "engine/TemplateTexts.h"
#include "metadata/MetaLookup.h"
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
    // A preview shows what the last kind of run chosen here (a copy at first) would do.
    if (kind != RunKind::Preview)
        previewMove_ = kind == RunKind::Move;
    const OrganizeModeRow* mode = FindOrganizeMode(options_.Mode);
    CountingRows rows(rows_, mode && mode->captureDateFirst && mode->fileTime != FileTime::None);
    MetaLookup lookup;
    lookup.UseComputerZone(options_.VideoComputerZone != 0);
    RunDecision decision;
    clearRowsOnStart_ = true;
    if (kind == RunKind::Preview) {
        // A preview works on a copy of the settings and on a simulated file system, and leaves no
        // trace: not in the log, not in the stored settings and histories.
        OrganizeOptions copy = options_;
        copy.SaveToLog = 0;
        DryRunFileSystem preview;
        decision = OrganizeRun(*this, rows, lookup, preview, PrepareRun(copy),
                               previewMove_ ? FileAction::Move : FileAction::Copy);
    } else {
        const PreparedRun request = PrepareRun(options_);
        // The normalised output folder (its trailing backslash) stays in the settings.
        options_.CustomTargetFolder = request.options.CustomTargetFolder;
        RealFileSystem files;
        decision = OrganizeRun(*this, rows, lookup, files, request,
                               kind == RunKind::Move ? FileAction::Move : FileAction::Copy);
        if (decision.started)
            SaveSettingsAndHistories(options_);
    }
    clearRowsOnStart_ = false;
    if (decision.refusal) {
        ShowMessage(decision.refusal->text, MessageKind::Warning);
        FocusSetting(decision.refusal->field);
    }
    if (!decision.started)
        return;
    rows.ShowLast();
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
    ShowSummary(RunSummaryLine(kind, counts));
    // The rows' outcomes changed: the filter chooses its rows again.
    list_.Refilter();
    UpdateCounts();
    previewSettings_ = kind == RunKind::Preview ? RunSettingsText() : std::string();
}

void MainDialog::OnListChanged(size_t countBefore)
{
    UpdateCounts();
    if (files_.Count() == countBefore)
        return;
    // New rows have had no run: a filter would hide them all, so the view shows every row.
    if (files_.Count() > countBefore && list_.ShownKinds() != 0)
        OnViewFilter(IDM_VIEW_ALL);
    ShowSummary("");
    previewSettings_.clear();
}

void MainDialog::FocusSetting(RunField field)
{
    switch (field) {
    case RunField::None: return;
    case RunField::OutputFolder: SetFocus(Item(IDC_OUTPUT_FOLDER)); return;
    // The backup folder is set in Options: the dialog opens on its field.
    case RunField::BackupFolder: OnOptions(IDC_OPT_BACKUP_FOLDER); return;
    case RunField::MonthFolder:
    case RunField::DayFolder:
    case RunField::FileName: break;
    }
    const int id = field == RunField::MonthFolder ? IDC_MONTH_FORMAT
                   : field == RunField::DayFolder ? IDC_DAY_FORMAT
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
    lastPump_ = 0;  // the first pump of a run always serves the queue
    // A run that starts clears what the last one wrote, so that no row shows an older result.
    if (clearRowsOnStart_) {
        clearRowsOnStart_ = false;
        list_.ClearColumns({kTargetColumn, kResultColumn, kDateFromColumn, kDateColumn, kPlaceColumn});
    }
    // The window runs at the speed of the files: the progress lines change at most ten times a second.
    ProgressDialog* progress = ProgressDialog::Open(hwnd_, true);
    if (!progress)
        return noProgress_;
    return *progress;
}

void MainDialog::Pump()
{
    // Serving the queue for every file would repaint the list and the progress window for every
    // file, which costs more than the file: it is served a few dozen times a second.
    const ULONGLONG now = GetTickCount64();
    if (now - lastPump_ < kPumpIntervalMs)
        return;
    lastPump_ = now;
    PumpMessages();
}

void MainDialog::ShowMessage(const std::string& text, MessageKind icon)
{
    MessageBoxA(hwnd_, text.c_str(), "Quillmere",
                MB_OK | (icon == MessageKind::Warning ? MB_ICONEXCLAMATION : MB_ICONINFORMATION));
}
