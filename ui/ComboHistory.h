// The history of an editable combo box: its list entries, kept in the settings store under a
// history name, most recent first.
#pragma once

#include <windows.h>

#include <string>

// Empties the combo box's list and fills it from the history. False when the history does not
// exist (the caller then offers its presets); true otherwise, even when nothing was loaded.
bool LoadHistory(HWND combo, const std::string& name);

// Replaces the stored history with the combo box's non-empty list entries, in list order.
bool SaveHistory(HWND combo, const std::string& name);

// Moves the combo box's edit text to the top of its list (exact, case-sensitive comparison) and
// saves the history. An empty text changes nothing (false); a text already at the top changes
// and saves nothing (true).
bool PushHistory(HWND combo, const std::string& name);
