// The program's ways into the Windows shell and the common dialogs. No state; ANSI texts.
#pragma once
#include <windows.h>

#include <optional>
#include <string>
#include <vector>

// Opens a file or folder with its associated program; the shell's result is ignored.
void OpenWithAssociatedProgram(const char* path);

// Shows a file selected in a file-browser window; the result is ignored.
void ShowInFileBrowser(const char* path);
// The file browser's parameters for a path: /select,"path".
std::string FileBrowserParameters(const char* path);

// Opens a web address or mail link; when the shell cannot, runs the registered web browser
// (the open command of the .htm class) with the address. Returns the shell's or the
// browser start's result code: above 32 means success.
UINT_PTR OpenUrl(const char* url, int showCommand);
// The browser's registered command line with the address in place of its "%1" placeholder
// (everything from the placeholder on is replaced), or appended when there is none.
std::string BrowserCommandLine(const std::string& registered, const char* url);

// Runs the open-file (open true) or save-file dialog with the file name buffer emptied first.
// The filter index is read and written back. Nonzero when the user confirmed a choice.
int RunFileDialog(HWND owner, const char* filter, DWORD flags, char* file, DWORD fileSize, DWORD& filterIndex,
                  const char* initialFolder, const char* defaultExtension, bool open);

// Runs the folder picker opened at the initial folder: the system's item dialog, with the
// initial folder in its path box, or the older folder browser where the item dialog cannot be
// created. A trailing backslash of the initial folder is removed in the caller's text (a drive
// root keeps its own). The picker offers file system folders only. The chosen folder is returned with a
// trailing backslash. False when cancelled, when the choice has no folder path (then *noFolderPath, when
// given, is set), or when it does not fit the result buffer. The picker needs COM on the calling thread (the
// application initialises it at start-up).
bool PickFolder(HWND owner, const char* title, char* initialFolder, char* result, size_t resultSize,
                bool* noFolderPath = nullptr);
// The same with texts (an initial folder longer than kPickedFolderBytes is cut): the chosen
// folder, or nothing.
std::optional<std::string> PickFolder(HWND owner, const char* title, const std::string& initialFolder,
                                      bool* noFolderPath = nullptr);

// What to tell a user who chose a place without a folder path.
inline constexpr const char kNoFolderPathText[] =
        "This place has no folder path (a phone or camera connected over MTP). Copy its photos to a "
        "folder on this PC first, or switch the phone to its USB drive (mass storage) mode.";

// Bytes that hold any folder the picker can return: MAX_PATH characters of up to three bytes each
// in UTF-8, with room to spare.
inline constexpr size_t kPickedFolderBytes = 3 * 520;

// Removes a trailing backslash unless it belongs to a drive root ("C:\").
void StripTrailingBackslash(char* folder);

// The running program's folder with its trailing backslash; false if it does not fit.
bool GetProgramFolder(char* buffer, size_t size);

// The paths named on a program's command line (the program's own name, first, left out), each made
// whole against the current folder and given in the ANSI code page (UTF-8 under the program's
// manifest). A path the code page cannot spell is left out and counted in *unspellable.
std::vector<std::string> CommandLinePaths(const wchar_t* commandLine, size_t* unspellable = nullptr);

// Splits the text at the separator, writing zeros over the separators; returns pointers to
// the non-empty pieces, in order (they point into the text). Empty for no text, an empty
// text or a zero separator.
std::vector<char*> SplitInPlace(char* text, char separator);
