// Keeps the organize settings and the histories of the editable combo boxes in the current
// user's registry, under HKEY_CURRENT_USER\Software\Quillmere. Registry failures are silent:
// defaults stay in force and the operation is skipped.
#pragma once

#include <windows.h>

#include <string>

#include "engine/OrganizeOptions.h"

inline constexpr const char* kProgramKey = "Software\\Quillmere";
inline constexpr const char* kOptionsKey = "Software\\Quillmere\\Options";

// History names: sub-keys of kProgramKey, one per combo box.
inline constexpr const char* kOutputFolderHistory = "OutputFolder";
inline constexpr const char* kFileNameFormatHistory = "FilenameFormat";
inline constexpr const char* kDayFolderFormatHistory = "DayFolderFormat";
inline constexpr const char* kMonthFolderFormatHistory = "MonthFolderFormat";
inline constexpr const char* kAllowExtsHistory = "AllowExts";
inline constexpr const char* kLogFileHistory = "LogFile";

// A history keeps any number of entries but loads at most this many.
inline constexpr int kMaxLoadedHistoryEntries = 30;

// The user's documents folder as the shell reports it (created when missing); "" when the
// shell gives no path.
std::string UserDocumentsFolder();

// Every field to its default, with the documents folder of the current user.
void SetUserDefaults(OrganizeOptions& options);

// Fills the record from the Options key; values that are missing keep what the record holds.
// The caller rebuilds anything derived from EnableExtFilter and AllowExts afterwards.
void LoadSettings(OrganizeOptions& options);

// Writes every field to the Options key, creating it when missing.
void SaveSettings(const OrganizeOptions& options);

// Empties the combo box's list and fills it from the history, most recent first. False when the
// history's key does not exist (the caller then offers its presets); true otherwise, even when
// nothing was loaded.
bool LoadHistory(HWND combo, const std::string& name);

// Replaces the stored history with the combo box's non-empty list entries, in list order.
bool SaveHistory(HWND combo, const std::string& name);

// Moves the combo box's edit text to the top of its list (exact, case-sensitive comparison) and
// saves the history. An empty text changes nothing (false); a text already at the top changes
// and saves nothing (true).
bool PushHistory(HWND combo, const std::string& name);
