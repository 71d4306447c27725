#include "ui/ProgressDialog.h"

#include <memory>

#include "resource.h"

ProgressDialog::ProgressDialog() : Dialog(IDD_PROGRESS)
{ }

ProgressDialog* ProgressDialog::Open(HWND owner)
{
    ProgressDialog* dialog = CreateSelfDeleting(std::unique_ptr<ProgressDialog>(new ProgressDialog), owner);
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

    // Centred over the owner (or the screen when there is none).
    RECT mine, over;
    HWND owner = GetWindow(hwnd_, GW_OWNER);
    GetWindowRect(hwnd_, &mine);
    if (!owner || !GetWindowRect(owner, &over))
        SystemParametersInfoA(SPI_GETWORKAREA, 0, &over, 0);
    const int width = mine.right - mine.left, height = mine.bottom - mine.top;
    SetWindowPos(hwnd_, nullptr, over.left + (over.right - over.left - width) / 2,
                 over.top + (over.bottom - over.top - height) / 2, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return true;
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

bool ProgressDialog::OnMessage(UINT message, WPARAM, LPARAM, LRESULT& result)
{
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
    text_.SetText(text.c_str());
}

void ProgressDialog::SetDetail(const std::string& text)
{
    detail_.SetText(text.c_str());
}

void ProgressDialog::SetRange(int low, int high)
{
    bar_.SetRange(low, high);
}

void ProgressDialog::SetPosition(int position)
{
    bar_.SetPosition(position);
}

void ProgressDialog::SetStep(int step)
{
    bar_.SetStep(step);
}

void ProgressDialog::Step()
{
    bar_.Step();
}

void ProgressDialog::Close()
{
    closing_ = true;
    PostMessageA(hwnd_, WM_CLOSE, 0, 0);
}
