#include "engine/PathUtils.h"

#include <algorithm>

#include "base/OwnedHandle.h"
#include "base/PathText.h"
#include "base/WidePath.h"

namespace {

// Makes sure one prefix of the walk is a folder, creating it when nothing is there.
bool EnsureOneFolder(const std::string& folder)
{
    if (folder.empty()) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    const std::wstring wide = WidePath(folder);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES) {
        if (attributes & FILE_ATTRIBUTE_DIRECTORY)
            return true;
        SetLastError(ERROR_ALREADY_EXISTS);
        return false;
    }
    if (CreateDirectoryW(wide.c_str(), nullptr))
        return true;
    // Someone else may have created it in the meantime; keep the creation's error otherwise.
    const DWORD error = GetLastError();
    if (FolderExists(folder))
        return true;
    SetLastError(error);
    return false;
}

// Most often only the last level of a folder is missing (a new day's folder): made with one call,
// without asking each level above it. False for anything else, which the walk of every level then
// handles and explains.
bool MadeLastLevel(const std::string& path)
{
    if (IsNetworkPath(path) || path.find('\0') != std::string::npos || !PathFits(path))
        return false;
    const std::string last = !path.empty() && path.back() == '\\' ? path.substr(0, path.size() - 1) : path;
    const std::size_t first = FirstFolderSeparator(path);
    return first != std::string::npos && first > 0 && first < last.size() &&
           CreateDirectoryW(WidePath(last).c_str(), nullptr) != 0;
}

}  // namespace

std::size_t SystemLength(const std::string& text)
{
    // ASCII text (nearly every path) is one unit a byte in every code page the system has; the
    // conversion call costs more than finding the file.
    if (std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return text.size();
    // Without MB_ERR_INVALID_CHARS every invalid byte counts as one replacement character, as the
    // file functions convert it.
    const int units = MultiByteToWideChar(CP_ACP, 0, text.data(), static_cast<int>(text.size()), nullptr, 0);
    return units > 0 ? static_cast<std::size_t>(units) : text.size();
}

std::wstring WideOf(const std::string& text)
{
    return WideText(text);
}

std::string AnsiOf(const std::wstring& text)
{
    return NarrowText(text);
}

bool PathFits(const std::string& path)
{
    const std::string full = FullPath(path);
    bool fits = SystemLength(full) <= kMaxRunPathLength;
    for (std::size_t start = 0; fits && start <= full.size();) {
        std::size_t end = full.find_first_of("\\/", start);
        if (end == std::string::npos)
            end = full.size();
        fits = SystemLength(full.substr(start, end - start)) <= kMaxNameLength;
        start = end + 1;
    }
    if (!fits)
        SetLastError(ERROR_FILENAME_EXCED_RANGE);
    return fits;
}

std::string PathKey(const std::string& path)
{
    // A path of ASCII characters alone (nearly every path a camera writes) is upper-cased here as
    // CharUpperBuffW would: the two conversions and the call cost more than finding the file.
    std::string key = path;
    bool ascii = true;
    for (char& c : key) {
        if (static_cast<unsigned char>(c) >= 0x80) {
            ascii = false;
            break;
        }
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    }
    if (ascii)
        return key;
    std::wstring wide = WideOf(path);
    if (wide.empty())
        return path;
    CharUpperBuffW(wide.data(), static_cast<DWORD>(wide.size()));
    return AnsiOf(wide);
}

bool FileExists(const std::string& path)
{
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

bool FolderExists(const std::string& path)
{
    const DWORD attributes = GetFileAttributesW(WidePath(path).c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
}

bool EnsureFolder(const std::string& path, bool create)
{
    if (create)
        return MadeLastLevel(path) || EnsureFolderLevels(path, FolderExists, EnsureOneFolder);
    if (path.find('\0') != std::string::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    return FolderExists(path);
}

bool EnsureFolderLevels(const std::string& path, const std::function<bool(const std::string&)>& isFolder,
                        const std::function<bool(const std::string&)>& ensureLevel)
{
    if (path.find('\0') != std::string::npos) {
        SetLastError(ERROR_INVALID_NAME);
        return false;
    }
    if (isFolder(path))
        return true;
    // Refuse before creating anything: a shortened walk would build a different folder.
    if (!PathFits(path))
        return false;
    std::size_t first = FirstFolderSeparator(path);
    if (IsNetworkPath(path)) {
        if (first == std::string::npos) {
            SetLastError(ERROR_BAD_PATHNAME);
            return false;
        }
        // A share is never made, only found (Wine would make one as a plain folder).
        if (!isFolder(path.substr(0, first))) {
            SetLastError(ERROR_BAD_NETPATH);
            return false;
        }
        first = path.find('\\', first + 1);
    }
    for (std::size_t slash = first; slash < path.size(); slash = path.find('\\', slash + 1)) {
        if (!ensureLevel(path.substr(0, slash)))
            return false;
    }
    if (!path.empty() && path.back() == '\\')
        return true;
    return ensureLevel(path);
}

bool ListFolder(const std::string& folder, const std::function<void(const FolderEntry&)>& visit)
{
    const std::string base = !folder.empty() && folder.back() == '\\' ? folder : folder + "\\";
    // The wide form: the ANSI one cannot hand out a long name in a code page of several bytes a
    // character (UTF-8), and drops such a folder from the listing. "*.*" lists names without a dot
    // too.
    WIN32_FIND_DATAW data;
    const OwnedFind find(FindFirstFileW((WidePath(base) + L"*.*").c_str(), &data));
    if (!find.Valid())
        return false;
    // Each name is converted straight from the find data, in one call: a folder of a hundred
    // thousand files costs a copy and a measuring call less for each.
    char name[MAX_PATH * 3];
    do {
        const wchar_t* wide = data.cFileName;
        if (wide[0] == L'.' && (wide[1] == 0 || (wide[1] == L'.' && wide[2] == 0)))
            continue;
        const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, name, sizeof name, nullptr, nullptr);
        visit({bytes > 0 ? std::string(name, static_cast<size_t>(bytes - 1)) : std::string(),
               (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0, data.dwFileAttributes});
    } while (FindNextFileW(find.Get(), &data));
    return true;
}

std::string FullPath(const std::string& path)
{
    const std::wstring full = FullWidePath(WideText(path));
    return full.empty() ? path : NarrowText(full);
}
