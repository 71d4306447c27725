#include "ui/ExifInfoDialog.h"

#include <cstddef>
#include <cstdio>
#include <utility>
#include <vector>

#include "engine/PathUtils.h"
#include "engine/PlaceFinder.h"
#include "engine/SettingsStore.h"
#include "metadata/FilePosition.h"
#include "metadata/MetaLookup.h"
#include "resource.h"
#include "toolkit/ScreenFit.h"
#include "toolkit/ShellServices.h"
#include "toolkit/WaitCursor.h"

namespace {

// Hands a copy of size bytes to the open clipboard in the given format.
void PutOnClipboard(UINT format, const void* data, size_t size)
{
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE, size);
    if (!block)
        return;
    void* memory = GlobalLock(block);
    if (!memory) {
        GlobalFree(block);
        return;
    }
    CopyMemory(memory, data, size);
    GlobalUnlock(block);
    if (!SetClipboardData(format, block))
        GlobalFree(block);
}

}  // namespace

ExifInfoDialog::ExifInfoDialog(MetaWindowInput input)
    : AnchoredDialog(IDD_EXIFINFO), path_(std::move(input.path)), navigator_(input.navigator),
      toolConfig_(std::move(input.toolConfig))
{
    if (toolConfig_.toolPath.empty())
        toolConfig_.toolPath = DefaultToolPath();
}

bool ExifInfoDialog::OnInitDialog()
{
    AnchoredDialog::OnInitDialog();
    LoadMetaWindowPlacement(placement_);
    HINSTANCE module = GetModuleHandleA(nullptr);
    icon_ = static_cast<HICON>(
            LoadImageA(module, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON, 0, 0, LR_DEFAULTSIZE | LR_SHARED));
    smallIcon_ = static_cast<HICON>(LoadImageA(module, MAKEINTRESOURCEA(IDI_APP), IMAGE_ICON,
                                               GetSystemMetrics(SM_CXSMICON), GetSystemMetrics(SM_CYSMICON),
                                               LR_SHARED));
    SendMessageA(hwnd_, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon_));
    SendMessageA(hwnd_, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(smallIcon_));

    AnchorItem(IDC_EXIF_LIST, Anchor::TopLeft, Anchor::BottomRight);
    for (int id : {IDC_EXIF_OPEN, IDC_EXIF_BROWSE, IDC_EXIF_PREVIOUS, IDC_EXIF_NEXT, IDC_EXIF_COPY, IDCANCEL})
        AnchorItem(id, Anchor::TopRight);

    list_.Attach(Item(IDC_EXIF_LIST));
    // Widths saved at another DPI (or by a version that kept none, at 96) are scaled to this one.
    const int from = static_cast<int>(placement_.widthDpi), to = ScreenDpi();
    list_.InsertColumn(0, "Name", ScaleToDpi(static_cast<int>(placement_.nameWidth), from, to));
    list_.InsertColumn(1, "Value", ScaleToDpi(static_cast<int>(placement_.valueWidth), from, to));
    list_.SetExtendedStyle(LVS_EX_FULLROWSELECT, LVS_EX_FULLROWSELECT);
    Load();
    const StoredRect& r = placement_.position;
    if (r.right > r.left && r.bottom > r.top) {
        RECT rect {r.left, r.top, r.right, r.bottom};
        KeepOnAMonitor(rect);  // the monitor it was on may be gone
        RestoreNormalPosition(hwnd_, rect);
    }
    if (placement_.maximized)
        ShowWindow(hwnd_, SW_SHOWMAXIMIZED);
    return true;
}

namespace {

// A capture date the file keeps in UTC (a video's), as the run reads it: in the local time where it
// was taken, with the zone that gave it, right after the field it comes from.
void InsertLocalTimeTaken(const std::string& path, const MetaToolConfig& config,
                          std::vector<MetaField>& fields)
{
    OrganizeOptions options;
    LoadSettings(options);
    MetaLookup lookup(config);
    lookup.UseComputerZone(options.VideoComputerZone != 0);
    DateSources sources;
    sources.captureDate = true;
    // A file without a capture date (or whose lookup failed) shows its listing as it is.
    const auto looked = lookup.DateFrom(path, sources);
    if (!looked || !*looked || (*looked)->zoneNote.empty())
        return;
    const FoundDate& found = **looked;
    const DateTime& d = found.date;
    char text[32];
    std::snprintf(text, sizeof text, "%04d:%02d:%02d %02d:%02d:%02d", d.year, d.month, d.day, d.hour,
                  d.minute, d.second);
    std::size_t after = fields.size();
    for (std::size_t i = 0; i < fields.size(); ++i) {
        if (fields[i].name == found.origin) {
            after = i + 1;
            break;
        }
    }
    fields.insert(fields.begin() + static_cast<std::ptrdiff_t>(after),
                  MetaField {"Local Time Taken", std::string(text) + " (" + found.zoneNote + ")"});
}

}  // namespace

void ExifInfoDialog::Load()
{
    ++loads_;
    WaitCursor wait;
    LockWindowUpdate(hwnd_);
    SetText(path_.c_str());
    list_.DeleteAllRows();
    MetaToolRunner runner(toolConfig_);
    // A file that is gone fails the load: the tool would list only its own "File not found"
    // error, which reads like a field of the file.
    const bool ok = FileExists(path_) && runner.RunTool(path_);
    if (ok) {
        std::vector<MetaField> fields(runner.begin(), runner.end());
        // The place the position names, as the place tags would, right after the last GPS line.
        if (const auto position = PositionFromListing(fields)) {
            std::size_t after = fields.size();
            for (std::size_t i = 0; i < fields.size(); ++i)
                if (fields[i].name.rfind("GPS ", 0) == 0)
                    after = i + 1;
            fields.insert(fields.begin() + static_cast<std::ptrdiff_t>(after),
                          MetaField {"Place", PlaceNamesAt(position).description});
        }
        InsertLocalTimeTaken(path_, toolConfig_, fields);
        for (const MetaField& field : fields) {
            const int row = list_.InsertRow(LVIF_TEXT, list_.GetItemCount(), field.name.c_str());
            if (row >= 0)
                list_.SetItemText(row, 1, field.value.c_str());
        }
    }
    // Released before any message, so that the window paints normally behind it.
    LockWindowUpdate(nullptr);
    if (!ok)
        MessageBoxA(hwnd_, ("Failed to load Exif information from the following file.\n\n" + path_).c_str(),
                    "Quillmere", MB_OK | MB_ICONEXCLAMATION);
}

bool ExifInfoDialog::OnCommand(int id, int, HWND)
{
    switch (id) {
    case IDC_EXIF_OPEN: OpenWithAssociatedProgram(path_.c_str()); return true;
    case IDC_EXIF_BROWSE: ShowInFileBrowser(path_.c_str()); return true;
    case IDC_EXIF_COPY: CopyToClipboard(); return true;
    case IDC_EXIF_PREVIOUS: Step(Direction::Previous); return true;
    case IDC_EXIF_NEXT: Step(Direction::Next); return true;
    default: return false;
    }
}

void ExifInfoDialog::Step(Direction direction)
{
    if (!navigator_)
        return;
    const std::string path =
            direction == Direction::Next ? navigator_->SelectNextRow() : navigator_->SelectPreviousRow();
    if (path == path_)
        return;
    path_ = path;
    Load();
}

void ExifInfoDialog::CopyToClipboard()
{
    std::string text = path_ + "\r\n";
    const int rows = list_.GetItemCount();
    for (int row = 0; row < rows; ++row)
        text += list_.GetItemText(row, 0) + " : " + list_.GetItemText(row, 1) + "\r\n";
    if (!OpenClipboard(hwnd_))
        return;
    EmptyClipboard();
    // Unicode text too, so that a value in any script pastes as its characters wherever the
    // program that takes it stands on code pages.
    const std::wstring wide = WideOf(text);
    PutOnClipboard(CF_TEXT, text.c_str(), text.size() + 1);
    PutOnClipboard(CF_UNICODETEXT, wide.c_str(), (wide.size() + 1) * sizeof(wchar_t));
    CloseClipboard();
}

void ExifInfoDialog::OnDestroy()
{
    AnchoredDialog::OnDestroy();
    SavePlacement();
}

void ExifInfoDialog::SavePlacement()
{
    WINDOWPLACEMENT placement {};
    placement.length = sizeof placement;
    if (GetWindowPlacement(hwnd_, &placement)) {
        const RECT& r = placement.rcNormalPosition;
        placement_.position = {r.left, r.top, r.right, r.bottom};
        placement_.maximized = placement.showCmd == SW_SHOWMAXIMIZED ? 1 : 0;
    } else {
        placement_.position = {};
        placement_.maximized = 1;
    }
    if (list_.GetHeader()) {
        placement_.nameWidth = static_cast<std::uint32_t>(list_.GetColumnWidth(0));
        placement_.valueWidth = static_cast<std::uint32_t>(list_.GetColumnWidth(1));
        placement_.widthDpi = static_cast<std::uint32_t>(ScreenDpi());
    }
    // A placement that cannot be stored costs only the next opening's place and size.
    static_cast<void>(SaveMetaWindowPlacement(placement_));
}
