// Keeps the program's settings in the current user's registry, under
// HKEY_CURRENT_USER\Software\Quillmere: the organize settings, the Meta/EXIF window's placement,
// the first-run flag and the histories of the editable combo boxes. Every stored value goes
// through here. A value that cannot be read leaves the default in force; a write that fails says
// which key and why.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "base/Status.h"
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

// The Meta/EXIF window's restored rectangle (all zero: none yet), whether it was maximized and
// its two column widths.
struct MetaWindowPlacement {
    StoredRect position;
    std::uint32_t maximized = 0;
    std::uint32_t nameWidth = 200;
    std::uint32_t valueWidth = 340;
    std::uint32_t widthDpi = 96;  // the DPI the two widths were saved at
};

// The user's documents folder as the shell reports it (created when missing); "" when the
// shell gives no path.
std::string UserDocumentsFolder();

// Every field to its default, with the documents folder of the current user.
void SetUserDefaults(OrganizeOptions& options);

// Fills the record from the Options key; values that are missing keep what the record holds.
// The caller rebuilds anything derived from EnableExtFilter and AllowExts afterwards.
void LoadSettings(OrganizeOptions& options);

// Writes every field to the Options key, creating it when missing.
Status SaveSettings(const OrganizeOptions& options);

// Fills the record from the Options key; a value missing or of another size keeps the field.
void LoadMetaWindowPlacement(MetaWindowPlacement& placement);
Status SaveMetaWindowPlacement(const MetaWindowPlacement& placement);

// True on the program's first start for this user, and then never again: the answer is
// stored as it is given. Also true when the registry cannot be used at all.
bool TakeFirstRunFlag();
// Stores the first start as past, as the first start does.
Status SetFirstRunDone();

// The number of run journals to keep: the REG_DWORD KeepRuns (kKeepRunsValue) under the Options
// key, at least 1; kDefaultKeepRuns when it is missing or of another type. The program never
// writes it.
std::uint32_t StoredKeepRuns();

// The stored entries of a history, most recent first, at most kMaxLoadedHistoryEntries; reading
// stops at the first missing or empty entry. Nothing when the history's key does not exist.
std::optional<std::vector<std::string>> ReadHistory(const std::string& name);

// Replaces the stored history with the non-empty entries, in order.
Status WriteHistory(const std::string& name, const std::vector<std::string>& entries);
