#include "toolkit/ShellServices.h"

#include <shellapi.h>
#include <shlobj.h>

#include <cstring>

namespace {

// The registry's buffer size for the class name and the browser command line.
constexpr DWORD kRegistryTextSize = 520;

// The default value of a key under HKEY_CLASSES_ROOT, as text.
bool ReadClassesRootDefault(const std::string& subKey, std::string& value)
{
    HKEY key = nullptr;
    if (RegOpenKeyExA(HKEY_CLASSES_ROOT, subKey.c_str(), 0, KEY_QUERY_VALUE, &key) != ERROR_SUCCESS)
        return false;
    char buffer[kRegistryTextSize];
    DWORD type = 0;
    DWORD size = sizeof buffer - 1;  // room for a terminator the stored value may lack
    LONG status = RegQueryValueExA(key, nullptr, nullptr, &type, reinterpret_cast<BYTE*>(buffer), &size);
    RegCloseKey(key);
    if (status != ERROR_SUCCESS || (type != REG_SZ && type != REG_EXPAND_SZ))
        return false;
    buffer[size] = '\0';
    value = buffer;
    if (type == REG_EXPAND_SZ) {
        char expanded[kRegistryTextSize];
        DWORD length = ExpandEnvironmentStringsA(buffer, expanded, sizeof expanded);
        if (length == 0 || length > sizeof expanded)
            return false;
        value = expanded;
    }
    return !value.empty();
}

int CALLBACK PickFolderCallback(HWND picker, UINT message, LPARAM, LPARAM initialFolder)
{
    if (message == BFFM_INITIALIZED)
        SendMessageA(picker, BFFM_SETSELECTIONA, TRUE, initialFolder);
    return 0;
}

}  // namespace

void OpenWithAssociatedProgram(const char* path)
{
    ShellExecuteA(nullptr, "open", path, nullptr, nullptr, SW_SHOWNORMAL);
}

std::string FileBrowserParameters(const char* path)
{
    return std::string("/select,\"") + path + "\"";
}

void ShowInFileBrowser(const char* path)
{
    std::string parameters = FileBrowserParameters(path);
    ShellExecuteA(nullptr, "open", "explorer.exe", parameters.c_str(), nullptr, SW_SHOWNORMAL);
}

std::string BrowserCommandLine(const std::string& registered, const char* url)
{
    std::string command = registered;
    size_t placeholder = command.find("\"%1\"");
    if (placeholder == std::string::npos)
        placeholder = command.find("%1");
    if (placeholder != std::string::npos)
        command.erase(placeholder);
    return command + " " + url;
}

UINT_PTR OpenUrl(const char* url, int showCommand)
{
    auto shellResult =
            reinterpret_cast<UINT_PTR>(ShellExecuteA(nullptr, "open", url, nullptr, nullptr, showCommand));
    if (shellResult > 32)
        return shellResult;
    std::string htmlClass;
    std::string browser;
    if (!ReadClassesRootDefault(".htm", htmlClass) ||
        !ReadClassesRootDefault(htmlClass + "\\shell\\open\\command", browser))
        return shellResult;
    // The address can be of any length: the command line grows with it.
    std::string commandLine = BrowserCommandLine(browser, url);
    return WinExec(commandLine.c_str(), static_cast<UINT>(showCommand));
}

int RunFileDialog(HWND owner, const char* filter, DWORD flags, char* file, DWORD fileSize, DWORD& filterIndex,
                  const char* initialFolder, const char* defaultExtension, bool open)
{
    if (!file || fileSize == 0)
        return 0;
    OPENFILENAMEA ofn {};
    ofn.lStructSize = OPENFILENAME_SIZE_VERSION_400A;  // the form without the three trailing fields
    ofn.hwndOwner = owner;
    ofn.lpstrFilter = filter;
    ofn.nFilterIndex = filterIndex;
    file[0] = '\0';
    ofn.lpstrFile = file;
    ofn.nMaxFile = fileSize;
    ofn.lpstrInitialDir = initialFolder;
    ofn.Flags = flags;
    ofn.lpstrDefExt = defaultExtension;

    auto run = [&] { return open ? GetOpenFileNameA(&ofn) : GetSaveFileNameA(&ofn); };
    int result = run();
    if (!result && file[0] != '\0') {
        // The dialog left something behind (such as the size a multiple selection needs):
        // start once more with an empty name.
        file[0] = '\0';
        result = run();
    }
    filterIndex = ofn.nFilterIndex;
    return result;
}

void StripTrailingBackslash(char* folder)
{
    size_t length = std::strlen(folder);
    if (length == 0 || folder[length - 1] != '\\')
        return;
    if (length == 3 && folder[1] == ':')
        return;  // "C:" alone would mean the current folder of drive C
    folder[length - 1] = '\0';
}

bool PickFolder(HWND owner, const char* title, char* initialFolder, char* result, size_t resultSize)
{
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator)
        return false;
    if (initialFolder)
        StripTrailingBackslash(initialFolder);

    char displayName[MAX_PATH] = "";
    BROWSEINFOA info {};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = title;
    info.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE;
    info.lpfn = PickFolderCallback;
    info.lParam = reinterpret_cast<LPARAM>(initialFolder ? initialFolder : "");

    bool chosen = false;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&info)) {
        char path[MAX_PATH + 1] = "";
        if (SHGetPathFromIDListA(item, path) && path[0] != '\0') {
            size_t length = std::strlen(path);
            if (path[length - 1] != '\\') {
                path[length++] = '\\';
                path[length] = '\0';
            }
            if (length < resultSize) {
                std::memcpy(result, path, length + 1);
                chosen = true;
            }
        }
        allocator->Free(item);
    }
    allocator->Release();
    return chosen;
}

std::optional<std::string> PickFolder(HWND owner, const char* title, const std::string& initialFolder)
{
    char start[520];
    lstrcpynA(start, initialFolder.c_str(), sizeof start);
    char chosen[520];
    if (!PickFolder(owner, title, start, chosen, sizeof chosen))
        return std::nullopt;
    return std::string(chosen);
}

bool GetProgramFolder(char* buffer, size_t size)
{
    char path[MAX_PATH + 1];
    DWORD length = GetModuleFileNameA(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return false;
    path[length] = '\0';
    char* lastSlash = std::strrchr(path, '\\');
    if (!lastSlash)
        return false;
    size_t folderLength = static_cast<size_t>(lastSlash - path) + 1;
    // A cut-off folder would be a wrong folder: refuse instead of truncating.
    if (folderLength >= size)
        return false;
    std::memcpy(buffer, path, folderLength);
    buffer[folderLength] = '\0';
    return true;
}

std::vector<char*> SplitInPlace(char* text, char separator)
{
    std::vector<char*> tokens;
    if (!text || !*text || separator == '\0')
        return tokens;
    char* piece = text;
    for (char* p = text; *p;) {
        if (*p == separator) {
            *p = '\0';
            if (*piece)
                tokens.push_back(piece);
            ++p;
            piece = p;
        } else {
            p = CharNextA(p);  // a trail byte of a double-byte character is never a separator
        }
    }
    if (*piece)
        tokens.push_back(piece);
    return tokens;
}
