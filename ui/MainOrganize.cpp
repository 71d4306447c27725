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
#include "ui/ProgressDialog.h"

namespace {

void EnableItems(HWND dialog, std::initializer_list<int> ids, bool enable)
{
    for (int id : ids)
        EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE);
}

}  // namespace

void MainDialog::UpdateExampleLine()
{
    SetDlgItemTextA(hwnd_, IDC_EXAMPLE, ExampleLineText(options_).c_str());
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

void MainDialog::OnTemplateChanged(int id, int code, std::string& setting)
{
    if (code == CBN_EDITCHANGE) {
        setting = Window(Item(id)).GetText();
    } else if (code == CBN_SELCHANGE) {
        // The edit text is not updated yet when the selection change is reported.
        ComboBox combo(Item(id));
        const int selection = combo.GetCurSel();
        if (selection < 0)
            return;
        const int length = combo.GetEntryTextLength(selection);
        if (length < 0)
            return;
        std::string text(static_cast<size_t>(length) + 1, '\0');
        combo.GetEntryText(selection, text.data());
        text.resize(static_cast<size_t>(length));
        setting = text;
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
    options_.CustomTargetFolder = Window(Item(IDC_OUTPUT_FOLDER)).GetText();
    char start[kPickedFolderBytes];
    lstrcpynA(start, options_.CustomTargetFolder.c_str(), sizeof start);
    char chosen[kPickedFolderBytes];
    if (!PickFolder(hwnd_, "Please choose an output folder:", start, chosen, sizeof chosen))
        return;
    options_.CustomTargetFolder = chosen;
    SetDlgItemTextA(hwnd_, IDC_OUTPUT_FOLDER, chosen);
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

void MainDialog::StartRun(bool move)
{
    OrganizeRun(*this, rows_, options_, move);
}

void MainDialog::ReadSettings(OrganizeOptions& options)
{
    options_.MoveType = SelectedMode();
    ReadControls();
    // The run works on the window's own record, so that what it decides (the output folder's
    // trailing backslash) stays in the settings.
    if (&options != &options_)
        options = options_;
}

void MainDialog::FocusOutputFolder()
{
    SetFocus(Item(IDC_OUTPUT_FOLDER));
}

void MainDialog::EnableInput(bool enable)
{
    EnableWindow(hwnd_, enable ? TRUE : FALSE);
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
