// File-system and system-error utilities shared by the organize run and its helpers.
#pragma once

#include <windows.h>

#include <cstddef>
#include <string>

// Longest path EnsureFolder creates: the ANSI file functions take no longer paths.
inline constexpr std::size_t kMaxEnsureFolderLength = MAX_PATH - 1;

// The file system reports attributes for the path (a file or a folder).
bool FileExists(const std::string& path);

// The path exists and is a folder.
bool FolderExists(const std::string& path);

// True at once when the folder exists. Otherwise, with create, creates every missing folder of
// the path from the outermost inwards; an existing non-folder, an empty first component (a path
// beginning with a backslash) or a failed creation ends the walk with false. A path longer than
// kMaxEnsureFolderLength characters (or holding a zero character) is refused before anything is
// created, with ERROR_FILENAME_EXCED_RANGE (or ERROR_INVALID_NAME) as the last error.
bool EnsureFolder(const std::string& path, bool create);

// The path made full against the current folder, so that "beside each source", the printed
// sources and the check that a target lies inside the output folder name real places. The path
// as given when the system cannot make it full.
std::string FullPath(const std::string& path);

// The system's message text for code in the user's default language, without carriage returns
// and line feeds. False, with text untouched, when the system has no text for the code.
bool SystemErrorText(DWORD code, std::string& text);

// Translates and dispatches every message waiting in the thread's queue and returns when it is
// empty; never waits. A quit request is left in the queue for the message loop that owns it.
void PumpMessages();
