#include "ui/ProgressDialog.h"

#include <algorithm>
#include <memory>

#include "resource.h"
#include "toolkit/MessagePump.h"
#include "toolkit/ScreenFit.h"

namespace {

constexpr UINT_PTR kLinesTimer = 1;
constexpr ULONGLONG kLineIntervalMs = 100;

}  // namespace

ProgressDialog::ProgressDialog() : Dialog(IDD_PROGRESS)
{ }

ProgressDialog* ProgressDialog::Open(HWND owner, bool throttleLines)
{
    ProgressDialog* dialog = CreateSelfDeleting(std::unique_ptr<ProgressDialog>(new ProgressDialog), owner);
    if (dialog)
        dialog->throttleLines_ = throttleLines;
    if (dialog)
        dialog->Show(SW_SHOW);
    return dialog;
}

bool ProgressDialog::OnInitDialog()
{
    text_.Attach(Item(IDC_PROGRESS_TEXT));
    detail_.Attach(Item(IDC_PROGRESS_DETAIL));
    bar_.Attach(Item(IDC_PROGRESS_BAR));
    cancelled_ = 0;
    // The run's pumps hand this window its keys.
    RouteDialogKeys(hwnd_);
    // Without COM or a taskbar (older systems, a service) there is no taskbar button to show on.
    taskbarWindow_ = GetAncestor(hwnd_, GA_ROOTOWNER);
    if (taskbarWindow_ != hwnd_ &&
        SUCCEEDED(CoCreateInstance(CLSID_TaskbarList, nullptr, CLSCTX_INPROC_SERVER, IID_ITaskbarList3,
                                   reinterpret_cast<void**>(&taskbar_))) &&
        taskbar_ && FAILED(taskbar_->HrInit())) {
        taskbar_->Release();
        taskbar_ = nullptr;
    }

    // Centred over the owner (or the screen when there is none), within the work area.
    RECT mine, over;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    GetWindowRect(hwnd_, &mine);
    if (!owner || !GetWindowRect(owner, &over))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &over, 0);
    const int width = FitWidth(mine.right - mine.left), height = mine.bottom - mine.top;
    const RECT work = NearestWorkArea(over);
    const int left = std::max(static_cast<int>(work.left),
                              std::min(static_cast<int>(over.left + (over.right - over.left - width) / 2),
                                       static_cast<int>(work.right) - width));
    const int top = std::max(static_cast<int>(work.top),
                             std::min(static_cast<int>(over.top + (over.bottom - over.top - height) / 2),
                                      static_cast<int>(work.bottom) - height));
    SetWindowPos(hwnd_, nullptr, left, top, width, height, SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
}

int ProgressDialog::FitWidth(int width)
{
    const int fitted = FitInWorkArea(hwnd_, {width, 1}).cx;
    if (fitted >= width)
        return width;
    // Wider than the screen (a large scale on a small screen): the lines and the bar narrow with
    // the window, the path's ellipsis takes what no longer fits, and Cancel stays in the middle.
    const int narrower = width - fitted;
    for (const int id : {IDC_PROGRESS_TEXT, IDC_PROGRESS_BAR, IDC_PROGRESS_DETAIL, IDC_PROGRESS_CANCEL}) {
        HWND control = Item(id);
        RECT rect {};
        if (!control || !GetWindowRect(control, &rect))
            continue;
        MapWindowPoints(nullptr, hwnd_, reinterpret_cast<POINT*>(&rect), 2);
        if (id == IDC_PROGRESS_CANCEL)
            SetWindowPos(control, nullptr, rect.left - narrower / 2, rect.top, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
        else
            SetWindowPos(control, nullptr, 0, 0,
                         std::max(0, static_cast<int>(rect.right - rect.left) - narrower),
                         rect.bottom - rect.top, SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
    }
    return fitted;
}

void ProgressDialog::OnDestroy()
{
    if (RoutedDialog() == hwnd_)
        RouteDialogKeys(nullptr);
    if (taskbar_) {
        taskbar_->SetProgressState(taskbarWindow_, TBPF_NOPROGRESS);
        taskbar_->Release();
        taskbar_ = nullptr;
    }
    Dialog::OnDestroy();
}

bool ProgressDialog::OnCommand(int id, int, HWND)
{
    if (id != IDC_PROGRESS_CANCEL)
        return false;
    // The run stops the copy or comparison under way, or finishes a file whose bytes it has not
    // begun to move, and then stops.
    cancelled_ = 1;
    return true;
}

bool ProgressDialog::OnMessage(UINT message, WPARAM wParam, LPARAM, LRESULT& result)
{
    if (message == WM_TIMER && wParam == kLinesTimer) {
        ShowPendingLines();
        return true;
    }
    if (message != WM_CLOSE)
        return false;
    // Only the run's own close request ends the window: the run reads cancelled_ after every
    // file, so a close from the user (Alt+F4) while it works counts as Cancel instead.
    if (closing_)
        End(IDCANCEL);
    else
        cancelled_ = 1;
    result = 0;
    return true;
}

void ProgressDialog::SetText(const std::string& text)
{
    ShowLine(text_, pendingText_, text);
}

void ProgressDialog::SetTitle(const std::string& text)
{
    SetWindowTextA(hwnd_, text.c_str());
}

void ProgressDialog::SetDetail(const std::string& text)
{
    ShowLine(detail_, pendingDetail_, text);
}

void ProgressDialog::ShowLine(Static& line, std::optional<std::string>& pending, const std::string& text)
{
    const ULONGLONG now = GetTickCount64();
    if (!throttleLines_ || now - lastShown_ >= kLineIntervalMs) {
        lastShown_ = now;
        pending.reset();
        line.SetText(text.c_str());
        return;
    }
    pending = text;
    if (!timerSet_)
        timerSet_ = SetTimer(hwnd_, kLinesTimer, static_cast<UINT>(kLineIntervalMs), nullptr) != 0;
}

void ProgressDialog::ShowPendingLines()
{
    KillTimer(hwnd_, kLinesTimer);
    timerSet_ = false;
    lastShown_ = GetTickCount64();
    if (pendingText_)
        text_.SetText(pendingText_->c_str());
    if (pendingDetail_)
        detail_.SetText(pendingDetail_->c_str());
    pendingText_.reset();
    pendingDetail_.reset();
}

void ProgressDialog::SetRange(int low, int high)
{
    bar_.SetRange(low, high);
    ShowOnTaskbar();
}

void ProgressDialog::SetPosition(int position)
{
    bar_.SetPosition(position);
    ShowOnTaskbar();
}

void ProgressDialog::SetStep(int step)
{
    bar_.SetStep(step);
}

void ProgressDialog::Step()
{
    bar_.Step();
    ShowOnTaskbar();
}

void ProgressDialog::ShowOnTaskbar() const
{
    if (!taskbar_)
        return;
    const int low = static_cast<int>(SendMessageA(bar_, PBM_GETRANGE, TRUE, 0));
    const int high = bar_.GetUpperLimit();
    const int position = bar_.GetPosition();
    if (high > low && position >= low)
        taskbar_->SetProgressValue(taskbarWindow_, static_cast<ULONGLONG>(position - low),
                                   static_cast<ULONGLONG>(high - low));
}

void ProgressDialog::Close()
{
    closing_ = true;
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}
