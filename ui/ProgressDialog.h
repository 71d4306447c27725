// The small modeless window shown while an organize run works: the file being processed, a
// progress bar (shown on the program's taskbar button as well), the bytes done with the time left
// and the pace, and a Cancel button; its title says what the run does, and it can be moved aside. It lives on
// the heap and deletes itself once its window is gone; the run closes it with Close and does not touch it
// afterwards.
#pragma once

#include <shobjidl.h>

#include <optional>
#include <string>

#include "engine/RunInterfaces.h"
#include "toolkit/Dialog.h"
#include "toolkit/ProgressBar.h"
#include "toolkit/Static.h"

class ProgressDialog : public Dialog, public RunProgress {
public:
    // Creates and shows the window over owner; null when it cannot be created. With throttleLines,
    // a line that changed a moment ago shows its latest text a moment later instead of at once.
    static ProgressDialog* Open(HWND owner, bool throttleLines = false);

    void SetText(const std::string& text) override;
    void SetTitle(const std::string& text) override;
    void SetDetail(const std::string& text) override;
    void SetRange(int low, int high) override;
    void SetPosition(int position) override;
    void SetStep(int step) override;
    void Step() override;
    bool Cancelled() const override { return cancelled_ != 0; }
    // Posts the close request that ends the window.
    void Close() override;

protected:
    ProgressDialog();
    bool OnInitDialog() override;
    bool OnCommand(int id, int code, HWND control) override;
    void OnOK() override { }
    // Escape and Alt+C cancel as the Cancel button does.
    void OnCancel() override { cancelled_ = 1; }
    void OnDestroy() override;
    bool OnMessage(UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) override;

private:
    // The window's width cut down to the work area, its controls narrowed to match.
    int FitWidth(int width);
    // The bar's state on the owner's taskbar button too, where the system has one.
    void ShowOnTaskbar() const;
    // A line's text, shown at once unless it changed a moment ago (a static control repaints on
    // every change, which costs more than a small file); then a timer shows the latest.
    void ShowLine(Static& line, std::optional<std::string>& pending, const std::string& text);
    void ShowPendingLines();

    Static text_;
    Static detail_;
    ProgressBar bar_;
    int cancelled_ = 0;
    bool closing_ = false;
    std::optional<std::string> pendingText_;
    std::optional<std::string> pendingDetail_;
    ULONGLONG lastShown_ = 0;
    bool timerSet_ = false;
    bool throttleLines_ = false;
    ITaskbarList3* taskbar_ = nullptr;
    HWND taskbarWindow_ = nullptr;
};
