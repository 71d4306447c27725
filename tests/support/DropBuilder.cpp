#include "tests/support/DropBuilder.h"

#include <shlobj.h>

#include <cstring>

HGLOBAL BuildDrop(const std::vector<std::string>& paths, POINT point)
{
    size_t size = sizeof(DROPFILES) + 1;  // the list's final zero
    for (const std::string& path : paths)
        size += path.size() + 1;
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block)
        return nullptr;
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    if (!header) {
        GlobalFree(block);
        return nullptr;
    }
    header->pFiles = sizeof(DROPFILES);
    header->pt = point;
    header->fNC = FALSE;
    header->fWide = FALSE;
    char* names = reinterpret_cast<char*>(header) + sizeof(DROPFILES);
    for (const std::string& path : paths) {
        std::memcpy(names, path.c_str(), path.size() + 1);
        names += path.size() + 1;
    }
    GlobalUnlock(block);
    return block;
}

bool SendDrop(HWND target, const std::vector<std::string>& paths)
{
    HGLOBAL block = BuildDrop(paths);
    if (!block)
        return false;
    SendMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
    return true;
}

bool SendWideDrop(HWND target, const std::vector<std::string>& utf8Paths)
{
    std::vector<std::wstring> paths;
    size_t size = sizeof(DROPFILES) + sizeof(wchar_t);  // the list's final zero
    for (const std::string& path : utf8Paths) {
        const int units =
                MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), nullptr, 0);
        std::wstring wide(static_cast<size_t>(units), L'\0');
        MultiByteToWideChar(CP_UTF8, 0, path.data(), static_cast<int>(path.size()), wide.data(), units);
        size += (wide.size() + 1) * sizeof(wchar_t);
        paths.push_back(std::move(wide));
    }
    HGLOBAL block = GlobalAlloc(GMEM_MOVEABLE | GMEM_ZEROINIT, size);
    if (!block)
        return false;
    auto* header = static_cast<DROPFILES*>(GlobalLock(block));
    if (!header) {
        GlobalFree(block);
        return false;
    }
    header->pFiles = sizeof(DROPFILES);
    header->fWide = TRUE;
    auto* names = reinterpret_cast<wchar_t*>(reinterpret_cast<char*>(header) + sizeof(DROPFILES));
    for (const std::wstring& path : paths) {
        std::memcpy(names, path.c_str(), (path.size() + 1) * sizeof(wchar_t));
        names += path.size() + 1;
    }
    GlobalUnlock(block);
    SendMessageA(target, WM_DROPFILES, reinterpret_cast<WPARAM>(block), 0);
    return true;
}
