// The main window's menu bar, status bar and view: the filters that show only some rows, the
// rows' report, the columns that share the window's extra width.
#include "ui/MainDialog.h"

#include <commctrl.h>
#include <commdlg.h>

#include <algorithm>

#include "base/OwnedHandle.h"
#include "base/WidePath.h"
#include "engine/RunReport.h"
#include "engine/FileOps.h"
#include "engine/FileTransfer.h"
#include "engine/PathUtils.h"
#include "resource.h"
#include "toolkit/ScreenFit.h"
#include "toolkit/ShellServices.h"

namespace {

// The status bar's parts: the summary line, the counter, the rows' outcomes.
constexpr int kTotalWidth = 110;
constexpr int kCountsWidth = 230;
// No column shrinks below this when the window does.
constexpr int kNarrowestColumn = 40;

constexpr const char* kReportFilter = "CSV files (*.csv)\0*.csv\0All files (*.*)\0*.*\0";

unsigned KindsOfView(int id)
{
    if (id == IDM_VIEW_FAILED)
        return kRowFailed;
    return id == IDM_VIEW_SKIPPED ? kRowSkipped : 0u;
}

bool WriteWhole(HANDLE file, const std::string& text)
{
    DWORD written = 0;
    return WriteFile(file, text.data(), static_cast<DWORD>(text.size()), &written, nullptr) &&
           written == text.size();
}

}  // namespace

void MainDialog::CreateStatusBar()
{
    status_ = CreateWindowExA(0, STATUSCLASSNAMEA, "", WS_CHILD | WS_VISIBLE | SBARS_SIZEGRIP, 0, 0, 0, 0,
                              hwnd_, reinterpret_cast<HMENU>(static_cast<INT_PTR>(IDC_STATUS_BAR)),
                              GetModuleHandleA(nullptr), nullptr);
    if (!status_)
        return;
    SendMessageA(status_, WM_SETFONT, SendMessageA(hwnd_, WM_GETFONT, 0, 0), FALSE);
    SendMessageA(status_, WM_SIZE, 0, 0);
    RECT bar {};
    if (GetWindowRect(status_, &bar))
        ReserveBottomBand(bar.bottom - bar.top);
    LayOutStatusBar();
}

void MainDialog::LayOutStatusBar()
{
    if (!status_)
        return;
    SendMessageA(status_, WM_SIZE, 0, 0);
    RECT client {};
    GetClientRect(hwnd_, &client);
    const int dpi = ScreenDpi();
    const int counts = ScaleToDpi(kCountsWidth, 96, dpi), total = ScaleToDpi(kTotalWidth, 96, dpi);
    const int right = client.right;
    int edges[kStatusParts] = {std::max(0, right - counts - total), std::max(0, right - counts), -1};
    SendMessageA(status_, SB_SETPARTS, kStatusParts, reinterpret_cast<LPARAM>(edges));
}

void MainDialog::ShowSummary(const std::string& text)
{
    SendMessageA(status_, SB_SETTEXTA, kSummaryPart | SBT_NOBORDERS, reinterpret_cast<LPARAM>(text.c_str()));
}

void MainDialog::UpdateCounts()
{
    int failed = 0, skipped = 0;
    for (int row = 0; row < list_.RowCount(); ++row) {
        const unsigned kind = list_.RowKind(row);
        failed += kind == kRowFailed ? 1 : 0;
        skipped += kind == kRowSkipped ? 1 : 0;
    }
    std::string text = std::to_string(failed) + " failed, " + std::to_string(skipped) + " skipped";
    if (list_.ShownKinds() != 0)
        text += ", " + std::to_string(list_.ShownCount()) + " shown";
    SendMessageA(status_, SB_SETTEXTA, kCountsPart, reinterpret_cast<LPARAM>(text.c_str()));
}

void MainDialog::OnSelectAll()
{
    list_.SetItemState(-1, LVIS_SELECTED, LVIS_SELECTED);
}

void MainDialog::OnViewFilter(int id)
{
    list_.ShowKinds(KindsOfView(id));
    CheckMenuRadioItem(GetMenu(hwnd_), IDM_VIEW_ALL, IDM_VIEW_SKIPPED, static_cast<UINT>(id), MF_BYCOMMAND);
    UpdateRowButtons();
    UpdateCounts();
}

bool MainDialog::SaveRowsReport(const std::string& path, std::string& error) const
{
    std::string text = ReportHeader(ReportColumns::Window);
    for (int shown = 0; shown < list_.ShownCount(); ++shown) {
        const int row = list_.RowAt(shown);
        text += ReportLine(rows_.Source(row), rows_.Texts(row), ReportColumns::Window);
    }
    // Written beside the report under a temporary name and renamed over it: a report is whole or
    // not there, and an older one stays as it was when the new one cannot be written.
    std::string partial;
    if (!PartialNameFor(SystemFileOps(), path, 0, partial)) {
        error = "no temporary name is free beside it";
        return false;
    }
    OwnedHandle file(CreateFileW(WidePath(partial).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                 FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!file.Valid()) {
        SystemErrorText(GetLastError(), error);
        return false;
    }
    const bool written = WriteWhole(file.Get(), text) && FlushFileBuffers(file.Get()) && file.Close();
    const DWORD writeError = GetLastError();
    file.Close();
    if (!written ||
        !MoveFileExW(WidePath(partial).c_str(), WidePath(path).c_str(), MOVEFILE_REPLACE_EXISTING)) {
        SystemErrorText(written ? GetLastError() : writeError, error);
        DeleteFileW(WidePath(partial).c_str());
        return false;
    }
    return true;
}

void MainDialog::OnSaveReport()
{
    char file[MAX_PATH * 4] = "";
    DWORD filterIndex = 1;
    if (!RunFileDialog(hwnd_, kReportFilter,
                       OFN_EXPLORER | OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST, file,
                       sizeof file, filterIndex, nullptr, "csv", false))
        return;
    std::string error;
    if (!SaveRowsReport(file, error))
        ShowMessage("The report \"" + std::string(file) + "\" could not be written: " + error,
                    MessageKind::Warning);
}

void MainDialog::MeasureListWidth()
{
    RECT list {};
    listWidth_ = GetWindowRect(list_.Handle(), &list) ? list.right - list.left : 0;
}

void MainDialog::ShareExtraWidth()
{
    const int before = listWidth_;
    if (before <= 0)
        return;  // not measured yet: the window is still being set up
    MeasureListWidth();
    ShareWidth(listWidth_ - before);
}

void MainDialog::FitColumnsToList()
{
    RECT client {};
    if (!GetClientRect(list_.Handle(), &client))
        return;
    int total = 0;
    for (const int column : {kSourceColumn, kTargetColumn, kResultColumn, kDateFromColumn})
        total += list_.GetColumnWidth(column);
    const int room = client.right - GetSystemMetrics(SM_CXVSCROLL);
    if (total > room)
        ShareWidth(room - total);
}

void MainDialog::ShareWidth(int extra)
{
    // Source, Target and Result share what the list gained or lost, a third each. What a column
    // at its narrowest cannot give up is taken from the others, so that the columns lose all the
    // list lost while they can.
    const int columns[] = {kSourceColumn, kTargetColumn, kResultColumn};
    const int narrowest = ScaleToDpi(kNarrowestColumn, 96, ScreenDpi());
    for (int pass = 0; pass < 2 && extra != 0; ++pass)
        for (int i = 0; i < 3 && extra != 0; ++i) {
            const int share = pass == 0 ? extra / (3 - i) : extra;
            const int width = list_.GetColumnWidth(columns[i]);
            const int shared = std::max(narrowest, width + share);
            list_.SetColumnWidth(columns[i], shared);
            extra -= shared - width;
        }
}
