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
#include "ui/ProgressDialog.h"

void MainDialog::UpdateExampleLine()
{
    SetItemText(IDC_EXAMPLE, ExampleLineText(options_));
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

void MainDialog::OnTemplateChanged(int id, int code, std::string& setting)
{
    if (code == CBN_EDITCHANGE) {
        setting = ItemText(id);
    } else if (code == CBN_SELCHANGE) {
        // The edit text is not updated yet when the selection change is reported.
        ComboBox combo(Item(id));
        if (combo.GetCurSel() < 0)
            return;
        setting = combo.GetSelectedText();
    } else {
        return;
    }
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
    const auto chosen = PickFolder(hwnd_, "Please choose an output folder:", options_.CustomTargetFolder);
    if (!chosen)
        return;
    options_.CustomTargetFolder = *chosen;
    SetItemText(IDC_OUTPUT_FOLDER, *chosen);
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

void MainDialog::StartRun(FileAction action)
{
    options_.Mode = SelectedMode();
    ReadControls();
    const RunDecision decision = OrganizeRun(*this, rows_, options_, action);
    // The normalised output folder (its trailing backslash) stays in the settings.
    if (!decision.outputFolder.empty())
        options_.CustomTargetFolder = decision.outputFolder;
}

void MainDialog::FocusOutputFolder()
{
    SetFocus(Item(IDC_OUTPUT_FOLDER));
}

void MainDialog::EnableInput(bool enable)
{
    Enable(enable);
}

RunProgress& MainDialog::ShowProgress()
{
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
