// File-system and system-error utilities shared by the organize run and its helpers.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>

#include "engine/FileOps.h"

// The length of text as the system counts it: UTF-16 units of its conversion from the ANSI code
// page (UTF-8 where the program's manifest is honoured), so that a limit such as MAX_PATH is
// checked the way the file functions check it, not in bytes.
std::size_t SystemLength(const std::string& text);

// Text in the program's code page as UTF-16 and back (base/WidePath.h gives file names their form).
std::wstring WideOf(const std::string& text);
std::string AnsiOf(const std::wstring& text);

// The path made full fits the file functions: at most kMaxRunPathLength units, no part longer
// than kMaxNameLength. Otherwise false with ERROR_FILENAME_EXCED_RANGE as the last error.
bool PathFits(const std::string& path);

// A path as the file list and the command line compare it, so that each file is listed once
// whatever its letter case: upper-cased one UTF-16 unit at a time, in every script, as NTFS
// compares names (so "\xC3\x84.jpg" and "\xC3\xA4.jpg" give one key), and never merging two
// spellings NTFS keeps apart (a precomposed and a combining accent stay two names).
std::string PathKey(const std::string& path);

// The file system reports attributes for the path (a file or a folder).
bool FileExists(const std::string& path);

// The path exists and is a folder.
bool FolderExists(const std::string& path);

// True at once when the folder exists. Otherwise, with create, creates every missing folder of
// the path from the outermost inwards, below its root (a drive, or the \\server\share of a network
// path, which must exist); an existing non-folder, an empty first component (a path beginning
// with a single backslash), a network path without a share name (ERROR_BAD_PATHNAME) or whose
// share is not there (ERROR_BAD_NETPATH), or a failed
// creation ends the walk with false. A path that does not fit (PathFits) or holds a zero
// character is refused before anything is created, with ERROR_FILENAME_EXCED_RANGE or
// ERROR_INVALID_NAME as the last error.
bool EnsureFolder(const std::string& path, bool create);

// EnsureFolder's checks and walk with create, on any file system: isFolder tells whether a path
// already is a folder, ensureLevel makes one level of the walk a folder (or says why not through
// the last error).
bool EnsureFolderLevels(const std::string& path, const std::function<bool(const std::string&)>& isFolder,
                        const std::function<bool(const std::string&)>& ensureLevel);

// One entry of a folder listing.
struct FolderEntry {
    std::string name;
    bool isFolder = false;
    std::uint32_t attributes = 0;
};

// Calls visit for every entry of the folder (given with or without its trailing backslash) in
// the order the file system lists them, "." and ".." left out. False when the folder cannot be
// listed. The one folder walk of the program and its tests.
bool ListFolder(const std::string& folder, const std::function<void(const FolderEntry&)>& visit);

// The path made full against the current folder, so that "beside each source", the printed
// sources and the check that a target lies inside the output folder name real places. The path
// as given when the system cannot make it full.
std::string FullPath(const std::string& path);

// The system's message text for code in the user's default language, without carriage returns
// and line feeds. False, with text untouched, when the system has no text for the code.
bool SystemErrorText(DWORD code, std::string& text);
