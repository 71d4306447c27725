// Test helper: runs a dialog modally and plays a script inside its modal loop, as a user would
// work with it. The script starts once the dialog is up; if the dialog is still open when the
// script returns, it is cancelled, so a failed step never leaves the test waiting.
#pragma once
#include <windows.h>

#include <functional>
#include <string>

#include "toolkit/Dialog.h"

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
