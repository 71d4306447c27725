#include "toolkit/ShellServices.h"

#include <shellapi.h>
#include <shlobj.h>
#include <shobjidl.h>

#include <cstring>

#include "base/PathText.h"
#include "toolkit/CurrentFolderKeeper.h"

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

// The initial folder is given in its wide form: the ANSI message holds MAX_PATH bytes at most,
// too few for a long path in UTF-8, and the picker then opens elsewhere.
int CALLBACK PickFolderCallback(HWND picker, UINT message, LPARAM, LPARAM initialFolder)
{
    if (message == BFFM_INITIALIZED)
        SendMessageW(picker, BFFM_SETSELECTIONW, TRUE, initialFolder);
    return 0;
}

std::wstring WideOfAnsi(const char* text)
{
    const int units = MultiByteToWideChar(CP_ACP, 0, text, -1, nullptr, 0);
    if (units <= 1)
        return {};
    std::wstring wide(static_cast<size_t>(units), L'\0');
    if (MultiByteToWideChar(CP_ACP, 0, text, -1, wide.data(), units) != units)
        return {};
    wide.resize(static_cast<size_t>(units) - 1);
    return wide;
}

// The chosen folder, with its backslash, in the ANSI code page into the caller's buffer; false
// when it cannot be spelled there or does not fit.
bool CopyChosenFolder(const wchar_t* wide, char* result, size_t resultSize)
{
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    std::string path(bytes > 0 ? static_cast<size_t>(bytes) : 0, '\0');
    if (bytes <= 1 || WideCharToMultiByte(CP_ACP, 0, wide, -1, path.data(), bytes, nullptr, nullptr) != bytes)
        return false;
    path.resize(static_cast<size_t>(bytes) - 1);
    path = WithBackslash(std::move(path));
    if (path.size() >= resultSize)
        return false;
    std::memcpy(result, path.c_str(), path.size() + 1);
    return true;
}

// The older picker, for systems without the item dialog.
bool PickFolderWithBrowser(HWND owner, const char* title, const char* initialFolder, char* result,
                           size_t resultSize, bool* noFolderPath)
{
    IMalloc* allocator = nullptr;
    if (FAILED(SHGetMalloc(&allocator)) || !allocator)
        return false;
    char displayName[MAX_PATH] = "";
    BROWSEINFOA info {};
    info.hwndOwner = owner;
    info.pszDisplayName = displayName;
    info.lpszTitle = title;
    // Only folders with a path can be organized: the picker greys OK on the others (a phone or
    // camera over MTP, the Control Panel).
    info.ulFlags = BIF_EDITBOX | BIF_NEWDIALOGSTYLE | BIF_RETURNONLYFSDIRS;
    info.lpfn = PickFolderCallback;
    const std::wstring initial = WideOfAnsi(initialFolder ? initialFolder : "");
    info.lParam = reinterpret_cast<LPARAM>(initial.c_str());

    bool chosen = false;
    const CurrentFolderKeeper keeper;
    if (LPITEMIDLIST item = SHBrowseForFolderA(&info)) {
        // The wide form, converted: the ANSI one holds MAX_PATH bytes, too few for a long path in
        // a code page of several bytes a character (UTF-8).
        wchar_t wide[MAX_PATH + 1] = L"";
        const bool hasPath = SHGetPathFromIDListW(item, wide) && wide[0] != L'\0';
        // Some places pass the picker's own check yet have no path (a device's storage).
        if (!hasPath && noFolderPath)
            *noFolderPath = true;
        if (hasPath)
            chosen = CopyChosenFolder(wide, result, resultSize);
        allocator->Free(item);
    }
    allocator->Release();
    return chosen;
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
    // OFN_NOCHANGEDIR is honoured by the save dialog only; the keeper covers the open dialog.
    ofn.Flags = flags | OFN_NOCHANGEDIR;
    ofn.lpstrDefExt = defaultExtension;

    const CurrentFolderKeeper keeper;
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

bool PickFolder(HWND owner, const char* title, char* initialFolder, char* result, size_t resultSize,
                bool* noFolderPath)
{
    if (noFolderPath)
        *noFolderPath = false;
    if (initialFolder)
        StripTrailingBackslash(initialFolder);
    IFileOpenDialog* dialog = nullptr;
    if (FAILED(CoCreateInstance(CLSID_FileOpenDialog, nullptr, CLSCTX_INPROC_SERVER, IID_IFileOpenDialog,
                                reinterpret_cast<void**>(&dialog))) ||
        !dialog)
        return PickFolderWithBrowser(owner, title, initialFolder, result, resultSize, noFolderPath);

    const std::wstring initial = WideOfAnsi(initialFolder ? initialFolder : "");
    const std::wstring caption = WideOfAnsi(title ? title : "");
    FILEOPENDIALOGOPTIONS options = 0;
    // Folders with a path only: a phone or camera over MTP has none to organize.
    if (SUCCEEDED(dialog->GetOptions(&options)))
        dialog->SetOptions(options | FOS_PICKFOLDERS | FOS_FORCEFILESYSTEM | FOS_PATHMUSTEXIST);
    if (!caption.empty())
        dialog->SetTitle(caption.c_str());
    if (!initial.empty()) {
        IShellItem* start = nullptr;
        if (SUCCEEDED(SHCreateItemFromParsingName(initial.c_str(), nullptr, IID_IShellItem,
                                                  reinterpret_cast<void**>(&start))) &&
            start) {
            dialog->SetFolder(start);
            start->Release();
            // The path box shows where it starts: OK at once keeps the folder.
            dialog->SetFileName(initial.c_str());
        }
    }

    bool chosen = false;
    const CurrentFolderKeeper keeper;
    IShellItem* item = nullptr;
    if (SUCCEEDED(dialog->Show(owner)) && SUCCEEDED(dialog->GetResult(&item)) && item) {
        wchar_t* wide = nullptr;
        if (SUCCEEDED(item->GetDisplayName(SIGDN_FILESYSPATH, &wide)) && wide && wide[0] != L'\0')
            chosen = CopyChosenFolder(wide, result, resultSize);
        else if (noFolderPath)
            *noFolderPath = true;
        CoTaskMemFree(wide);
        item->Release();
    }
    dialog->Release();
    return chosen;
}

std::optional<std::string> PickFolder(HWND owner, const char* title, const std::string& initialFolder,
                                      bool* noFolderPath)
{
    char start[kPickedFolderBytes];
    lstrcpynA(start, initialFolder.c_str(), sizeof start);
    char chosen[kPickedFolderBytes];
    if (!PickFolder(owner, title, start, chosen, sizeof chosen, noFolderPath))
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

std::vector<std::string> CommandLinePaths(const wchar_t* commandLine, size_t* unspellable)
{
    std::vector<std::string> paths;
    if (unspellable)
        *unspellable = 0;
    int count = 0;
    // An empty command line would give the program's own path as the first argument.
    if (!commandLine || !*commandLine)
        return paths;
    wchar_t** arguments = CommandLineToArgvW(commandLine, &count);
    if (!arguments)
        return paths;
    for (int i = 1; i < count; ++i) {
        if (!arguments[i][0])
            continue;
        // Relative to the folder the program was started in, as a console gives them.
        const DWORD units = GetFullPathNameW(arguments[i], 0, nullptr, nullptr);
        std::wstring whole(units, L'\0');
        const DWORD written = units ? GetFullPathNameW(arguments[i], units, whole.data(), nullptr) : 0;
        if (written == 0 || written >= units)
            whole = arguments[i];
        else
            whole.resize(written);
        BOOL lossy = FALSE;
        const int bytes = WideCharToMultiByte(CP_ACP, 0, whole.c_str(), -1, nullptr, 0, nullptr, nullptr);
        std::string path(bytes > 0 ? static_cast<size_t>(bytes) : 0, '\0');
        // A code page of one byte a character would turn what it cannot spell into '?'.
        const bool ok = bytes > 1 &&
                        WideCharToMultiByte(CP_ACP, 0, whole.c_str(), -1, path.data(), bytes, nullptr,
                                            GetACP() == CP_UTF8 ? nullptr : &lossy) == bytes &&
                        !lossy;
        if (!ok) {
            if (unspellable)
                ++*unspellable;
            continue;
        }
        path.resize(static_cast<size_t>(bytes) - 1);
        paths.push_back(std::move(path));
    }
    LocalFree(arguments);
    return paths;
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
