#include "ui/MainDialog.h"

#include <shellapi.h>
#include <windowsx.h>

#include "engine/ExtFilter.h"
#include "engine/SettingsStore.h"
#include "engine/TemplateTexts.h"
#include "resource.h"
#include "toolkit/ScreenFit.h"
#include "ui/ComboHistory.h"
#include "ui/HelpAndWeb.h"
#include "ui/HelpCommands.h"
#include "ui/ProgressDialog.h"

namespace {

constexpr const char* kStalePreviewText =
        "Settings changed since this Preview: press Preview again to see what a run would do.";

// Lists the command line's paths once the window shows, so that a large folder is scanned in
// front of the user rather than before anything appears.
constexpr UINT kListStartPathsMessage = WM_APP + 300;

// The window whose keys the message filter translates (one main window at a time).
MainDialog* keyFilterOwner = nullptr;

const int kTemplateCombos[] = {IDC_MONTH_FORMAT, IDC_DAY_FORMAT, IDC_FILENAME_FORMAT};

}  // namespace

MainDialog::MainDialog() : AnchoredDialog(IDD_MAIN)
{
    SetUserDefaults(options_);
    LoadSettings(options_);
    allowedExts_ = BuildAllowedExts(options_.EnableExtFilter, options_.AllowExts);
    HINSTANCE module = GetModuleHandleA(nullptr);
    icon_ = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXICON), GetSystemMetrics(SM_CYICON), 0));
    smallIcon_ =
            static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                          GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON), 0));
}

MainDialog::~MainDialog()
{
    if (popups_)
        DestroyMenu(popups_);
    if (icon_)
        DestroyIcon(icon_);
    if (smallIcon_)
        DestroyIcon(smallIcon_);
}

bool MainDialog::OnInitDialog()
{
    AnchoredDialog::OnInitDialog();
    WriteControls();
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

    list_.Attach(Item(IDC_FILE_LIST));
    list_.SetEmptyText("Drop photos or folders here, or use Add Files and Add Folder");
    CreateStatusBar();
    files_.Attach(&list_, status_, kTotalPart);
    InsertColumns();
    // A row's tooltip tells its whole Result, which the column often cuts short.
    list_.SetExtendedStyle(LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP, LVS_EX_FULLROWSELECT | LVS_EX_INFOTIP);
    list_.SetTipColumn(kResultColumn);
    FillModes();
    FillTemplateCombo(IDC_FILENAME_FORMAT, kFileNameFormatHistory, kFileNameTemplatePresets.data(),
                      kFileNameTemplatePresets.size(), options_.TargetFilenameFormat);
    FillTemplateCombo(IDC_DAY_FORMAT, kDayFolderFormatHistory, kDayTemplatePresets.data(),
                      kDayTemplatePresets.size(), options_.DayFolderFormat);
    FillTemplateCombo(IDC_MONTH_FORMAT, kMonthFolderFormatHistory, kMonthTemplatePresets.data(),
                      kMonthTemplatePresets.size(), options_.MonthFolderFormat);
    FillOutputFolder();
    popups_ = LoadMenuA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_POPUPS));
    // A dialog's loop knows no accelerators: its message filter hook sees each key first.
    keys_ = LoadAcceleratorsA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDR_MAIN_KEYS));
    if (keys_ && !keyFilterOwner)
        keyFilter_ = SetWindowsHookExA(WH_MSGFILTER, KeyFilter, nullptr, GetCurrentThreadId());
    if (keyFilter_)
        keyFilterOwner = this;
    DragAcceptFiles(hwnd_, TRUE);
    files_.UpdateTotal();
    UpdateCounts();
    CheckMenuRadioItem(GetMenu(hwnd_), IDM_VIEW_ALL, IDM_VIEW_SKIPPED, IDM_VIEW_ALL, MF_BYCOMMAND);
    UpdateExampleLine();
    EnableItem(ID_META_INFO, false);
    EnableItem(IDC_REMOVE, false);
    ApplyModeEnabling();
    ApplyOutputFolderEnabling();
    ShowFirstRunHelp();
    FitTagButtons();
    RegisterLayout();
    RestorePlacement();
    preview_.Create(hwnd_, IDC_PREVIEW_PANE);
    wasMaximized_ = IsZoomed(hwnd_) != 0;
    if (!startPaths_.empty())
        PostMessageA(hwnd_, kListStartPathsMessage, 0, 0);
    FitColumnsToList();
    // The stored column widths belong to the stored window size: only later sizes are shared.
    MeasureListWidth();
    return true;
}

void MainDialog::InsertColumns()
{
    // The widths were saved at the DPI of their day; a screen at another DPI gets them scaled.
    const int from = static_cast<int>(options_.ColWidth_Dpi), to = ScreenDpi();
    list_.InsertColumn(kSourceColumn, "Source File",
                       ScaleToDpi(static_cast<int>(options_.ColWidth_Source), from, to));
    list_.InsertColumn(kTargetColumn, "Target File",
                       ScaleToDpi(static_cast<int>(options_.ColWidth_Target), from, to));
    list_.InsertColumn(kResultColumn, "Result",
                       ScaleToDpi(static_cast<int>(options_.ColWidth_Result), from, to));
    // With the three stored widths' defaults, all four columns fit the list at its designed size.
    constexpr int kDateFromWidth = 140;
    list_.InsertColumn(kDateFromColumn, "Date from", ScaleToDpi(kDateFromWidth, 96, to));
}

void MainDialog::FitTagButtons()
{
    // Dialog units round differently for the button and for the combo box, whose height follows
    // its font: at 150% the "?" would stand taller than the box beside it.
    for (const auto& [button, combo] :
         {std::pair {IDC_MONTH_TAGS, IDC_MONTH_FORMAT}, std::pair {IDC_DAY_TAGS, IDC_DAY_FORMAT},
          std::pair {IDC_FILENAME_TAGS, IDC_FILENAME_FORMAT}}) {
        RECT box {}, rect {};
        if (!GetWindowRect(Item(combo), &box) || !GetWindowRect(Item(button), &rect))
            continue;
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&box), 2);
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
        const int height = box.bottom - box.top;
        if (rect.bottom - rect.top > height)
            SetWindowPos(Item(button), nullptr, rect.left, box.top, rect.right - rect.left, height,
                         SWP_NOZORDER | SWP_NOACTIVATE);
    }
}

void MainDialog::FillModes()
{
    ComboBox modes(Item(IDC_ORGANIZE_MODE));
    bool selected = false;
    for (const OrganizeModeRow& mode : kOrganizeModes) {
        const int index = modes.AddString(mode.windowText);
        modes.SetItemData(index, static_cast<LPARAM>(mode.value));
        if (mode.value == options_.Mode) {
            modes.SetCurSel(index);
            selected = true;
        }
    }
    // A stored mode that matches no entry selects the first one.
    if (!selected)
        modes.SetCurSel(0);
}

void MainDialog::FillTemplateCombo(int id, const char* history, const char* const* presets,
                                   size_t presetCount, const std::string& text)
{
    HWND combo = Item(id);
    if (!LoadHistory(combo, history)) {
        ComboBox box(combo);
        for (size_t i = 0; i < presetCount; ++i)
            box.AddString(presets[i]);
    }
    SetWindowTextA(combo, text.c_str());
}

void MainDialog::FillOutputFolder()
{
    HWND combo = Item(IDC_OUTPUT_FOLDER);
    LoadHistory(combo, kOutputFolderHistory);
    if (!options_.CustomTargetFolder.empty())
        SetWindowTextA(combo, options_.CustomTargetFolder.c_str());
    else if (ComboBox(combo).GetCount() > 0 && ComboBox(combo).SetCurSel(0) >= 0)
        options_.CustomTargetFolder = Window(combo).GetText();
}

void MainDialog::RegisterLayout()
{
    AnchorItem(IDC_FILE_LIST, Anchor::TopLeft, Anchor::BottomRight);
    for (int id : {IDC_ADD_FILES, IDC_ADD_FOLDER, ID_META_INFO, IDC_REMOVE, IDC_REMOVE_ALL, IDC_OPTIONS,
                   IDC_HELP_MORE, IDC_CLOSE})
        AnchorItem(id, Anchor::TopRight);
    AnchorItem(IDC_ORGANIZE_LABEL, Anchor::BottomLeft);
    AnchorItem(IDC_ORGANIZE_MODE, Anchor::BottomLeft, Anchor::BottomRight);
    for (int id : {IDC_PREVIEW, IDC_MOVE_FILES, IDC_COPY_FILES})
        AnchorItem(id, Anchor::BottomRight);
    for (int id : {IDC_YEAR_FOLDER, IDC_MONTH_FOLDER, IDC_DAY_FOLDER, IDC_RENAME_TARGET})
        AnchorItem(id, Anchor::BottomLeft);
    for (int id : kTemplateCombos)
        AnchorItem(id, Anchor::BottomLeft, Anchor::BottomCentre);
    for (int id : {IDC_MONTH_TAGS, IDC_DAY_TAGS, IDC_FILENAME_TAGS})
        AnchorItem(id, Anchor::BottomCentre);
    // The example line and the template warning share the last row, two thirds and one third.
    constexpr AnchorPoint kExampleEnd {66, 100};
    AnchorItem(IDC_EXAMPLE, Anchor::BottomLeft, kExampleEnd);
    AnchorItem(IDC_TEMPLATE_WARNING, kExampleEnd, Anchor::BottomRight);
    for (int id : {IDC_OUTPUT_GROUP, IDC_SAME_FOLDER, IDC_ANOTHER_FOLDER, IDC_OUTPUT_FOLDER})
        AnchorItem(id, Anchor::BottomCentre, Anchor::BottomRight);
    for (int id : {IDC_BROWSE_OUTPUT, IDC_OPEN_OUTPUT})
        AnchorItem(id, Anchor::BottomRight);
}

void MainDialog::RestorePlacement()
{
    // As it was stored, on a monitor that may be gone.
    const StoredRect& r = options_.WndPosition;
    if (r.left != 0 || r.top != 0 || r.right != 0 || r.bottom != 0)
        RestoreNormalPosition(hwnd_, RECT {r.left, r.top, r.right, r.bottom});
    // The design size can be larger than a small or high-DPI screen, the monitor may be gone, and
    // a position saved at a lower DPI can carry the window, grown to this DPI's smallest size, past
    // the screen's edge: the whole window is brought into the work area (cut down to it where it
    // is larger), and the layout moves the right-hand controls into view.
    RECT now {};
    if (GetWindowRect(hwnd_, &now)) {
        RECT within = now;
        if (!KeepWithinWorkArea(within))
            MoveWindow(hwnd_, within.left, within.top, within.right - within.left, within.bottom - within.top,
                       TRUE);
    }
    if (options_.WndMaximized)
        ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
}

void MainDialog::ListStartPaths()
{
    std::vector<std::string> missing;
    const size_t before = files_.Count();
    const size_t leftOut = files_.AddPaths(startPaths_, options_.AddFilesInSubfolder != 0,
                                           options_.EnableExtFilter, allowedExts_, &missing);
    startPaths_.clear();
    OnListChanged(before);
    if (!missing.empty()) {
        std::string text = "Not found, so not listed:";
        for (const std::string& path : missing)
            text += "\n" + path;
        ShowMessage(text, MessageKind::Warning);
    }
    ReportFilteredOut(before, leftOut);
}

void MainDialog::TogglePreview()
{
    if (!preview_.Handle())
        return;
    previewShown_ = !previewShown_;
    ShowWindow(preview_.Handle(), previewShown_ ? SW_SHOWNOACTIVATE : SW_HIDE);
    // The list takes its whole width back, or gives the pane its part, and its columns share
    // what it gained or lost, as they do when the window is sized.
    ArrangeControls();
    FitPreviewPane();
    ShareExtraWidth();
    UpdatePreview();
}

void MainDialog::FitPreviewPane()
{
    if (!previewShown_)
        return;
    RECT list {};
    if (!GetWindowRect(list_.Handle(), &list))
        return;
    MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&list), 2);
    // A third of the list's width, and a gap of the list's own margin, at any DPI.
    const int gap = ScaleToDpi(6, 96, ScreenDpi());
    const int width = (list.right - list.left) / 3;
    SetWindowPos(list_.Handle(), nullptr, 0, 0, list.right - list.left - width - gap, list.bottom - list.top,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    SetWindowPos(preview_.Handle(), nullptr, list.right - width, list.top, width, list.bottom - list.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    InvalidateRect(preview_.Handle(), nullptr, TRUE);
}

void MainDialog::UpdatePreview()
{
    const int row = previewShown_ ? list_.SelectedItem() : -1;
    preview_.ShowFile(row >= 0 ? rows_.Source(row) : std::string());
}

void MainDialog::ShowFirstRunHelp()
{
    if (TakeFirstRunFlag())
        OpenHelp();
}

bool MainDialog::OnCommand(int id, int code, HWND control)
{
    const bool handled = DispatchCommand(id, code, control);
    // A preview shows what a run would have done with the settings of its time.
    if (!previewSettings_.empty() && RunSettingsText() != previewSettings_) {
        previewSettings_.clear();
        ShowSummary(kStalePreviewText);
    }
    return handled;
}

std::string MainDialog::RunSettingsText() const
{
    std::string text = std::to_string(static_cast<std::uint32_t>(SelectedMode()));
    for (int id : {IDC_YEAR_FOLDER, IDC_MONTH_FOLDER, IDC_DAY_FOLDER, IDC_RENAME_TARGET, IDC_ANOTHER_FOLDER})
        text += IsButtonChecked(id) ? "1" : "0";
    for (int id : {IDC_MONTH_FORMAT, IDC_DAY_FORMAT, IDC_FILENAME_FORMAT, IDC_OUTPUT_FOLDER})
        text += "|" + ItemText(id);
    for (std::uint32_t value : {static_cast<std::uint32_t>(options_.TargetExistsOpt), options_.CompanionFiles,
                                options_.NameDates, options_.DownloadCloudFiles})
        text += "|" + std::to_string(value);
    return text;
}

bool MainDialog::DispatchCommand(int id, int code, HWND)
{
    switch (id) {
    case IDC_CLOSE: End(IDCANCEL); return true;
    case IDC_OPTIONS: OnOptions(); return true;
    case IDC_HELP_MORE: OnHelpMore(); return true;
    case IDC_ADD_FILES: OnAddFiles(); return true;
    case IDC_ADD_FOLDER: OnAddFolder(); return true;
    case IDC_REMOVE: OnRemove(); return true;
    case IDC_REMOVE_ALL: OnRemoveAll(); return true;
    case IDC_BROWSE_OUTPUT: OnBrowseOutput(); return true;
    case IDC_OPEN_OUTPUT: OnOpenOutput(); return true;
    case IDC_PREVIEW: StartRun(RunKind::Preview); return true;
    case IDC_MOVE_FILES: StartRun(RunKind::Move); return true;
    case IDC_COPY_FILES: StartRun(RunKind::Copy); return true;
    case IDC_MONTH_TAGS:
    case IDC_DAY_TAGS:
    case IDC_FILENAME_TAGS: OnTagHelp(id); return true;
    case ID_META_INFO: OnMetaInfo(); return true;
    case ID_UNDO_LAST_RUN: OnUndoLastRun(); return true;
    case IDM_VIEW_PREVIEW: TogglePreview(); return true;
    case IDM_SAVE_REPORT: OnSaveReport(); return true;
    case IDM_SELECT_ALL: OnSelectAll(); return true;
    case IDM_PAST_RUNS: OnPastRuns(); return true;
    case IDM_VIEW_ALL:
    case IDM_VIEW_FAILED:
    case IDM_VIEW_SKIPPED: OnViewFilter(id); return true;
    case ID_OPEN_SOURCE:
    case ID_OPEN_TARGET:
    case ID_BROWSE_SOURCE:
    case ID_BROWSE_TARGET: OnRowCommand(id); return true;
    case ID_ABOUT:
    case ID_HELP_CONTENTS:
    case ID_TELL_FRIEND:
    case ID_FEEDBACK:
    case ID_HOMEPAGE:
    case ID_CHECK_UPDATES: RunHelpOrWebCommand(hwnd_, id); return true;
    case IDC_ORGANIZE_MODE:
        if (code == CBN_SELCHANGE) {
            options_.Mode = SelectedMode();
            ReadControls();
            ApplyModeEnabling();
            UpdateExampleLine();
        }
        return true;
    case IDC_YEAR_FOLDER:
    case IDC_MONTH_FOLDER:
    case IDC_DAY_FOLDER:
    case IDC_RENAME_TARGET:
        if (code == BN_CLICKED) {
            options_.Mode = SelectedMode();
            ReadControls();
            if (id != IDC_YEAR_FOLDER)
                ApplyModeEnabling();
            UpdateExampleLine();
        }
        return true;
    case IDC_MONTH_FORMAT: OnTemplateChanged(id, code, options_.MonthFolderFormat); return true;
    case IDC_DAY_FORMAT: OnTemplateChanged(id, code, options_.DayFolderFormat); return true;
    case IDC_FILENAME_FORMAT: OnTemplateChanged(id, code, options_.TargetFilenameFormat); return true;
    case IDC_SAME_FOLDER:
    case IDC_ANOTHER_FOLDER:
        if (code == BN_CLICKED) {
            options_.OutputFolderType =
                    id == IDC_ANOTHER_FOLDER ? kOutputToCustomFolder : kOutputBesideSource;
            ApplyOutputFolderEnabling();
            UpdateExampleLine();
        }
        return true;
    case IDC_OUTPUT_FOLDER:
        if (ReadChangedCombo(id, code, options_.CustomTargetFolder))
            UpdateExampleLine();
        return true;
    default: return false;
    }
}

LRESULT MainDialog::OnNotify(NMHDR* header)
{
    if (header->idFrom != IDC_FILE_LIST)
        return 0;
    // A virtual list reports a change to a range of rows (Shift+click) as one state change.
    if (header->code == LVN_ITEMCHANGED || header->code == LVN_ODSTATECHANGED) {
        UpdateRowButtons();
        UpdatePreview();
    } else if (header->code == LVN_KEYDOWN)
        OnListKey(reinterpret_cast<NMLVKEYDOWN*>(header)->wVKey);
    else if (header->code == NM_DBLCLK)
        SendMessageA(hwnd_, WM_COMMAND, ID_META_INFO, 0);
    return 0;
}

void MainDialog::OnListKey(WORD key)
{
    if (key == VK_DELETE) {
        OnRemove();
    } else if (key == 'A' && GetKeyState(VK_CONTROL) < 0) {
        OnSelectAll();
    }
}

// The dialog manager turns Enter into IDOK before the list sees it.
void MainDialog::OnOK()
{
    if (GetFocus() == list_.Handle())
        OnMetaInfo();
}

void MainDialog::UpdateRowButtons()
{
    const bool any = list_.GetSelectedCount() > 0;
    EnableItem(IDC_REMOVE, any);
    EnableItem(ID_META_INFO, any);
}

bool MainDialog::OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result)
{
    switch (message) {
    case WM_CLOSE: End(IDCANCEL); return true;
    case WM_DROPFILES: {
        const size_t before = files_.Count();
        const size_t leftOut =
                files_.AddDrop(reinterpret_cast<HDROP>(wParam), options_.AddFilesInSubfolder != 0,
                               options_.EnableExtFilter, allowedExts_);
        OnListChanged(before);
        ReportFilteredOut(before, leftOut);
        return true;
    }
    case WM_HELP:
        // F1 alone opens the help, as the menu's "Help\tF1" says.
        if (GetKeyState(VK_SHIFT) >= 0 && GetKeyState(VK_CONTROL) >= 0 && GetKeyState(VK_MENU) >= 0)
            RunHelpOrWebCommand(hwnd_, ID_HELP_CONTENTS);
        result = TRUE;
        return true;
    case WM_CONTEXTMENU:
        if (reinterpret_cast<HWND>(wParam) != list_.Handle())
            break;
        ShowListMenu({GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam)});
        return true;
    case WM_INITMENUPOPUP:
        if (!HIWORD(lParam))
            UpdateMenuItems(reinterpret_cast<HMENU>(wParam));
        break;
    case WM_PAINT:
        if (IsIconic(hwnd_)) {
            PaintMinimized();
            return true;
        }
        break;
    case kListStartPathsMessage: ListStartPaths(); return true;
    case kPreviewReadyMessage: preview_.TakeResult(lParam); return true;
    case WM_DRAWITEM:
        if (wParam != IDC_PREVIEW_PANE)
            break;
        preview_.Draw(*reinterpret_cast<const DRAWITEMSTRUCT*>(lParam));
        result = TRUE;
        return true;
    case WM_SIZE: {
        const bool arranged = AnchoredDialog::OnMessage(message, wParam, lParam, result);
        FitPreviewPane();
        if (wParam != SIZE_MINIMIZED) {
            LayOutStatusBar();
            ShareExtraWidth();
        }
        // Maximized or restored: controls that moved a long way leave no trace of where they were.
        const bool maximized = wParam == SIZE_MAXIMIZED;
        if ((wParam == SIZE_MAXIMIZED || wParam == SIZE_RESTORED) && maximized != wasMaximized_)
            RedrawWindow(hwnd_, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
        if (wParam == SIZE_MAXIMIZED || wParam == SIZE_RESTORED)
            wasMaximized_ = maximized;
        return arranged;
    }
    case WM_QUERYDRAGICON: result = reinterpret_cast<LRESULT>(icon_); return true;
    default: break;
    }
    return AnchoredDialog::OnMessage(message, wParam, lParam, result);
}

void MainDialog::PaintMinimized()
{
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(hwnd_, &ps);
    SendMessageA(hwnd_, WM_ICONERASEBKGND, reinterpret_cast<WPARAM>(dc), 0);
    RECT client;
    GetClientRect(hwnd_, &client);
    const int x = (client.right - GetSystemMetrics(SM_CXICON) + 1) / 2;
    const int y = (client.bottom - GetSystemMetrics(SM_CYICON) + 1) / 2;
    DrawIcon(dc, x, y, icon_);
    EndPaint(hwnd_, &ps);
}

LRESULT CALLBACK MainDialog::KeyFilter(int code, WPARAM wParam, LPARAM lParam)
{
    auto* message = reinterpret_cast<MSG*>(lParam);
    MainDialog* self = keyFilterOwner;
    if (code == MSGF_DIALOGBOX && self && message && self->hwnd_ &&
        (message->hwnd == self->hwnd_ || IsChild(self->hwnd_, message->hwnd))) {
        // An edit box keeps Ctrl+Z for its own text; a run under way takes no command.
        char className[16] = "";
        GetClassNameA(message->hwnd, className, sizeof className);
        if (lstrcmpiA(className, "Edit") != 0 && IsWindowEnabled(self->hwnd_) &&
            TranslateAcceleratorA(self->hwnd_, self->keys_, message))
            return TRUE;
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

void MainDialog::OnDestroy()
{
    if (keyFilter_) {
        UnhookWindowsHookEx(keyFilter_);
        keyFilter_ = nullptr;
        keyFilterOwner = nullptr;
    }
    AnchoredDialog::OnDestroy();
    CloseHelpWindow();
    SaveOnClose();
}

void MainDialog::SaveOnClose()
{
    options_.Mode = SelectedMode();
    ReadControls();
    WINDOWPLACEMENT placement {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(hwnd_, &placement)) {
        const RECT& r = placement.rcNormalPosition;
        options_.WndPosition = {r.left, r.top, r.right, r.bottom};
        options_.WndMaximized = IsZoomed(hwnd_) ? 1 : 0;
    } else {
        options_.WndPosition = {};
        options_.WndMaximized = 1;
    }
    // The widths are stored as the list has them without the photo preview, which took its room
    // from them: the next start shows the list at its whole width.
    RECT list {}, pane {};
    if (previewShown_ && GetWindowRect(list_.Handle(), &list) && GetWindowRect(preview_.Handle(), &pane) &&
        pane.right > list.right)
        ShareWidth(pane.right - list.right);
    if (list_.GetHeader()) {
        options_.ColWidth_Source = static_cast<std::uint32_t>(list_.GetColumnWidth(kSourceColumn));
        options_.ColWidth_Target = static_cast<std::uint32_t>(list_.GetColumnWidth(kTargetColumn));
        options_.ColWidth_Result = static_cast<std::uint32_t>(list_.GetColumnWidth(kResultColumn));
        options_.ColWidth_Dpi = static_cast<std::uint32_t>(ScreenDpi());
    }
    SaveSettingsAndHistories(options_);
}

OrganizeMode MainDialog::SelectedMode() const
{
    ComboBox modes(Item(IDC_ORGANIZE_MODE));
    const int selection = modes.GetCurSel();
    if (selection < 0)
        return OrganizeMode::Modified;
    return static_cast<OrganizeMode>(modes.GetItemData(selection));
}

void MainDialog::ReadControls()
{
    options_.CreateDayFolder = IsButtonChecked(IDC_DAY_FOLDER);
    options_.CreateMonthFolder = IsButtonChecked(IDC_MONTH_FOLDER);
    options_.CreateYearFolder = IsButtonChecked(IDC_YEAR_FOLDER);
    options_.RenameTargetFileName = IsButtonChecked(IDC_RENAME_TARGET);
    options_.OutputFolderType =
            IsButtonChecked(IDC_ANOTHER_FOLDER) ? kOutputToCustomFolder : kOutputBesideSource;
    options_.DayFolderFormat = ItemText(IDC_DAY_FORMAT);
    options_.MonthFolderFormat = ItemText(IDC_MONTH_FORMAT);
    options_.TargetFilenameFormat = ItemText(IDC_FILENAME_FORMAT);
    options_.CustomTargetFolder = ItemText(IDC_OUTPUT_FOLDER);
}

void MainDialog::WriteControls()
{
    CheckButton(IDC_DAY_FOLDER, options_.CreateDayFolder != 0);
    CheckButton(IDC_MONTH_FOLDER, options_.CreateMonthFolder != 0);
    CheckButton(IDC_YEAR_FOLDER, options_.CreateYearFolder != 0);
    CheckButton(IDC_RENAME_TARGET, options_.RenameTargetFileName != 0);
    CheckRadioButton(hwnd_, IDC_SAME_FOLDER, IDC_ANOTHER_FOLDER,
                     options_.OutputFolderType != kOutputBesideSource ? IDC_ANOTHER_FOLDER : IDC_SAME_FOLDER);
    SetItemText(IDC_DAY_FORMAT, options_.DayFolderFormat);
    SetItemText(IDC_MONTH_FORMAT, options_.MonthFolderFormat);
    SetItemText(IDC_FILENAME_FORMAT, options_.TargetFilenameFormat);
    SetItemText(IDC_OUTPUT_FOLDER, options_.CustomTargetFolder);
}

void MainDialog::SaveSettingsAndHistories(const OrganizeOptions& options)
{
    // Settings that cannot be stored cost only the next start's choices; the run goes on.
    static_cast<void>(SaveSettings(options));
    PushHistory(Item(IDC_OUTPUT_FOLDER), kOutputFolderHistory);
    PushHistory(Item(IDC_FILENAME_FORMAT), kFileNameFormatHistory);
    PushHistory(Item(IDC_DAY_FORMAT), kDayFolderFormatHistory);
    PushHistory(Item(IDC_MONTH_FORMAT), kMonthFolderFormatHistory);
}
