// The main window's file list commands: Add Files, Add Folder, Remove, Remove All, the list's
// context menu and its per-row commands, and stepping through the rows.
#include "ui/MainDialog.h"

#include <cderr.h>
#include <commdlg.h>

#include <cstdio>
#include <memory>

#include "engine/ExtFilter.h"
#include "engine/FolderScan.h"
#include "base/PathText.h"
#include "engine/PathUtils.h"
#include "engine/SettingsStore.h"
#include "resource.h"
#include "toolkit/ShellServices.h"
#include "toolkit/WaitCursor.h"
#include "ui/HelpAndWeb.h"
#include "ui/OpenFileFilter.h"
#include "ui/OptionsDialog.h"

namespace {

constexpr DWORD kOpenFileBufferSize = 0xFFFFC;

}  // namespace

void MainDialog::OnAddFiles()
{
    WaitCursor wait;
    std::unique_ptr<char[]> buffer(new (std::nothrow) char[kOpenFileBufferSize]);
    if (!buffer)
        return;
    buffer[0] = '\0';
    if (!FileExists(options_.LastAddFileDir))
        options_.LastAddFileDir = UserDocumentsFolder();
    DWORD filterIndex = options_.OpenDlg_FilterIndex;
    const int ok = RunFileDialog(hwnd_, kOpenFileFilter,
                                 OFN_EXPLORER | OFN_ALLOWMULTISELECT | OFN_FILEMUSTEXIST | OFN_HIDEREADONLY,
                                 buffer.get(), kOpenFileBufferSize, filterIndex,
                                 options_.LastAddFileDir.c_str(), nullptr, true);
    options_.OpenDlg_FilterIndex = filterIndex;
    if (!ok) {
        const DWORD code = CommDlgExtendedError();
        if (code == 0)
            return;
        char text[512];
        std::snprintf(
                text, sizeof text,
                "Failed to choose files. Error code: 0x%lX.\n\nTo get help, please contact us at <%s>, and "
                "attach the error code above.%s",
                static_cast<unsigned long>(code), SupportAddress(),
                code == FNERR_BUFFERTOOSMALL
                        ? "\n\nTips: the error might be caused by too many files that were selected. We "
                          "recommend you click on \"Add Folder\" to choose bulk files."
                        : "");
        ShowMessage(text, MessageKind::Warning);
        return;
    }
    const size_t before = files_.Count();
    const char* first = buffer.get();
    const char* second = first + lstrlenA(first) + 1;
    if (*second == '\0') {
        // One file: the buffer holds its full path.
        files_.AddChosen(first, options_.EnableExtFilter, allowedExts_);
        OnListChanged(before);
        std::string folder;
        if (FolderOf(first, folder))
            options_.LastAddFileDir = folder;
        return;
    }
    // Several files: the folder, then each name.
    const std::string folder = WithBackslash(first);
    for (const char* name = second; *name; name += lstrlenA(name) + 1) {
        const std::string path = folder + name;
        if (SystemLength(path) <= kMaxListedPathLength)
            files_.AddChosen(path, options_.EnableExtFilter, allowedExts_);
    }
    OnListChanged(before);
    options_.LastAddFileDir = folder;
}

void MainDialog::OnAddFolder()
{
    WaitCursor wait;
    bool noFolderPath = false;
    const auto chosen = PickFolder(hwnd_, "Please choose a folder:", options_.Folder, &noFolderPath);
    if (noFolderPath)
        ShowMessage(kNoFolderPathText, MessageKind::Warning);
    if (!chosen)
        return;
    options_.Folder = *chosen;
    const size_t before = files_.Count();
    const size_t leftOut = files_.AddFolderContents(*chosen, options_.AddFilesInSubfolder != 0,
                                                    options_.EnableExtFilter, allowedExts_);
    OnListChanged(before);
    ReportFilteredOut(before, leftOut);
}

void MainDialog::ReportFilteredOut(size_t countBefore, size_t leftOut)
{
    if (files_.Count() != countBefore || leftOut == 0)
        return;
    ShowMessage("No file was added: the extension filter (" + options_.AllowExts + ") left out " +
                        std::to_string(leftOut) + (leftOut == 1 ? " file" : " files") +
                        ".\n\nThe filter is set in Options.",
                MessageKind::Information);
}

void MainDialog::OnRemove()
{
    const size_t before = files_.Count();
    files_.RemoveSelected();
    OnListChanged(before);
}

void MainDialog::OnRemoveAll()
{
    const size_t before = files_.Count();
    files_.RemoveAll();
    OnListChanged(before);
    EnableItems({ID_META_INFO, IDC_REMOVE}, false);
}

void MainDialog::OnOptions(int focus)
{
    OptionsDialog dialog(options_, focus);
    if (dialog.DoModal(hwnd_) != IDOK)
        return;
    options_ = dialog.Result();
    allowedExts_ = BuildAllowedExts(options_.EnableExtFilter, options_.AllowExts);
}

void MainDialog::OnHelpMore()
{
    RECT button;
    if (!popups_ || !GetWindowRect(Item(IDC_HELP_MORE), &button))
        return;
    TrackPopupMenu(GetSubMenu(popups_, 1), TPM_RIGHTBUTTON, button.right, button.top, 0, hwnd_, nullptr);
}

void MainDialog::ShowListMenu(POINT at)
{
    if (!popups_)
        return;
    if (at.x == -1 || at.y == -1) {
        // From the keyboard: the centre of the list.
        RECT list;
        GetWindowRect(list_, &list);
        at = {(list.left + list.right) / 2, (list.top + list.bottom) / 2};
    }
    TrackPopupMenu(GetSubMenu(popups_, 0), TPM_RIGHTBUTTON, at.x, at.y, 0, hwnd_, nullptr);
}

void MainDialog::UpdateMenuItems(HMENU menu)
{
    const int first = list_.RowAt(list_.SelectedItem());
    const bool selected = first >= 0;
    const bool hasTarget = selected && !rows_.Target(first).empty();
    const int count = GetMenuItemCount(menu);
    for (int i = 0; i < count; ++i) {
        const UINT id = GetMenuItemID(menu, i);
        // Separators and sub-menus.
        if (id == 0 || id == static_cast<UINT>(-1))
            continue;
        bool enable = true;
        if (id == IDM_VIEW_PREVIEW) {
            CheckMenuItem(menu, i, MF_BYPOSITION | (previewShown_ ? MF_CHECKED : MF_UNCHECKED));
            enable = preview_.Handle() != nullptr;
        }
        if (id == ID_META_INFO || id == ID_OPEN_SOURCE || id == ID_BROWSE_SOURCE || id == IDC_REMOVE)
            enable = selected;
        else if (id == ID_OPEN_TARGET || id == ID_BROWSE_TARGET)
            enable = hasTarget;
        else if (id == IDM_SAVE_REPORT)
            enable = list_.ShownCount() > 0;
        EnableMenuItem(menu, i, MF_BYPOSITION | (enable ? MF_ENABLED : MF_GRAYED));
    }
}

void MainDialog::OnRowCommand(int id)
{
    const int row = list_.RowAt(list_.SelectedItem());
    if (row < 0)
        return;
    const bool source = id == ID_OPEN_SOURCE || id == ID_BROWSE_SOURCE;
    const std::string path = source ? rows_.Source(row) : rows_.Target(row);
    if (!FileExists(path)) {
        ShowMessage("File \"" + path + "\" isn't available.", MessageKind::Warning);
        return;
    }
    if (id == ID_OPEN_SOURCE || id == ID_OPEN_TARGET)
        OpenWithAssociatedProgram(path.c_str());
    else
        ShowInFileBrowser(path.c_str());
}

void MainDialog::OnMetaInfo()
{
    const int row = list_.RowAt(list_.SelectedItem());
    if (row < 0)
        return;
    const std::string path = rows_.Source(row);
    if (!FileExists(path)) {
        ShowMessage("File \"" + path + "\" isn't available.", MessageKind::Warning);
        return;
    }
    ExifInfoDialog dialog({path, this, toolConfig_});
    dialog.DoModal(hwnd_);
}

std::string MainDialog::SelectPreviousRow()
{
    const int current = list_.SelectedItem();
    const int row = current - 1 < 0 ? 0 : current - 1;
    return SelectOnly(row);
}

std::string MainDialog::SelectNextRow()
{
    const int current = list_.SelectedItem();
    const int count = list_.GetItemCount();
    const int row = current + 1 >= count ? count - 1 : current + 1;
    return SelectOnly(row);
}

std::string MainDialog::SelectOnly(int row)
{
    list_.SelectAndFocus(row);
    return rows_.Source(list_.RowAt(row));
}
