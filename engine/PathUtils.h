// File-system and system-error utilities shared by the organize run and its helpers.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <functional>
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

// EnsureFolder's checks and walk with create, on any file system: isFolder tells whether a path
// already is a folder, ensureLevel makes one level of the walk a folder (or says why not through
// the last error).
bool EnsureFolderLevels(const std::string& path, const std::function<bool(const std::string&)>& isFolder,
                        const std::function<bool(const std::string&)>& ensureLevel);

// A path as the file list and the command line compare it, so that each file is listed once
// whatever its letter case: upper-cased by the code page's own case rules.
std::string PathKey(const std::string& path);

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
