// Where this user's run journals live and how many are kept, and the journal functions on the
// system's own file functions.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/RunJournal.h"

// "%LOCALAPPDATA%\Quillmere\Runs\" (or the variable's folder), with its trailing backslash; ""
// when the shell gives no folder.
std::string RunsFolder();

// A new journal's name: its start time in UTC, "20261208-075418-123".
std::string NewJournalName();

// Now, local time, "YYYY-MM-DD HH:MM:SS", as journals write times.
std::string LocalTimeText();

// "N replaced files are still kept in FOLDER", for an undo that could not put them all back.
std::string KeptFilesText(const std::vector<std::string>& keptFiles);

std::vector<std::string> KeptJournals(const std::string& folder);
Status LoadJournal(const std::string& path, JournalData& data);
