// Test helper: runs a dialog modally and plays a script inside its modal loop, as a user would
// work with it. The script starts once the dialog is up; if the dialog is still open when the
// script returns, it is cancelled, so a failed step never leaves the test waiting.
#pragma once
#include <windows.h>

#include <functional>
#include <string>
#include <vector>

#include "tests/support/MessageBoxCatcher.h"
#include "toolkit/Dialog.h"

// What the dialog under test showed in front of itself.
struct FrontDialog {
    std::string caption;
    std::string text;
    MessageIcon icon = MessageIcon::None;
    HWND owner = nullptr;
};

// Answers the message boxes and file dialogs that the dialog under test shows in front of itself,
// with OK or through an action. The shared catcher also sees the dialog under test activate:
// that one is left alone and not listed. Create it before the dialog runs.
class FrontDialogs {
public:
    explicit FrontDialogs(const Dialog& underTest);
    bool Installed() const { return catcher_.Installed(); }
    // Instead of OK, hands each dialog in front to the action, which must see to it that it ends.
    void SetAction(std::function<void(HWND)> action) { action_ = std::move(action); }
    const std::vector<FrontDialog>& Caught() const { return caught_; }

private:
    const Dialog& underTest_;
    std::function<void(HWND)> action_;
    std::vector<FrontDialog> caught_;
    MessageBoxCatcher catcher_;
};

INT_PTR RunModalScript(Dialog& dialog, const std::function<void(HWND)>& script);

// The script's actions on the dialog's controls.
void ClickButton(HWND dialog, int id);
void SetControlText(HWND dialog, int id, const char* text);
// Selects an entry of a drop-down list and tells the dialog as the list would.
void SelectEntry(HWND dialog, int id, int index);
// The focus is on the control or on one of its children (the edit field of a combo box).
bool HasFocus(HWND dialog, int id);
bool IsEnabled(HWND dialog, int id);
std::string ControlText(HWND dialog, int id);
