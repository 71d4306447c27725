// Test helper: acts on every dialog window ("#32770") that this thread creates after Start,
// once, when it is first activated. Dialogs that existed before are left alone, so a script
// that starts the hook inside the dialog under test answers only the message boxes and file
// dialogs shown in front of it.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

class NewDialogHook {
public:
    explicit NewDialogHook(std::function<void(HWND)> onActivated) : onActivated_(std::move(onActivated)) {}
    ~NewDialogHook();
    NewDialogHook(const NewDialogHook&) = delete;
    NewDialogHook& operator=(const NewDialogHook&) = delete;

    // Installs the hook; false if it could not be installed or another one is active.
    bool Start();

private:
    static LRESULT CALLBACK Procedure(int code, WPARAM wParam, LPARAM lParam);

    HHOOK hook_ = nullptr;
    std::function<void(HWND)> onActivated_;
};

// A message box as it was shown: its texts, its icon and its owner.
struct CaughtMessage {
    std::string caption;
    std::string text;
    // MB_ICONEXCLAMATION, MB_ICONINFORMATION, MB_ICONERROR, MB_ICONQUESTION, or 0 for none.
    UINT icon = 0;
    HWND owner = nullptr;
};

// Records every message box shown after Start and answers it with OK.
class MessageBoxCatcher {
public:
    MessageBoxCatcher();
    bool Start() { return hook_.Start(); }
    const std::vector<CaughtMessage>& Caught() const { return caught_; }

private:
    std::vector<CaughtMessage> caught_;
    NewDialogHook hook_;
};
