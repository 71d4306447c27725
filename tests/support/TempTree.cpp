#include "tests/support/TempTree.h"

#include <windows.h>

#include <atomic>

#include "base/WidePath.h"
#include "engine/PathUtils.h"

namespace {

std::atomic<unsigned> g_counter {0};

void Collect(const std::string& folder, const std::string& prefix, std::map<std::string, std::string>& out)
{
    ListFolder(folder, [&](const FolderEntry& entry) {
        if (entry.isFolder)
            Collect(folder + entry.name + "\\", prefix + entry.name + "\\", out);
        else
            out[prefix + entry.name] = ReadText(folder + entry.name);
    });
}

}  // namespace

TempTree::TempTree()
{
    char temp[MAX_PATH];
    const DWORD n = GetTempPathA(MAX_PATH, temp);
    std::string base = n > 0 && n < MAX_PATH ? std::string(temp, n) : std::string(".\\");
    if (base.back() != '\\')
        base += '\\';
    root_ = base + "qmrun_" + std::to_string(GetCurrentProcessId()) + "_" + std::to_string(g_counter++) +
            "\\";
    RemoveTree(root_);
    CreateDirectoryA(root_.c_str(), nullptr);
}

TempTree::~TempTree()
{
    RemoveTree(root_);
}

bool WriteData(const std::string& path, const std::vector<unsigned char>& content)
{
    return WriteText(path, std::string(content.begin(), content.end()));
}

bool WriteText(const std::string& path, const std::string& content)
{
    HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    const bool ok = WriteFile(h, content.data(), static_cast<DWORD>(content.size()), &written, nullptr) &&
                    written == content.size();
    CloseHandle(h);
    return ok;
}

std::string ReadText(const std::string& path, bool* ok)
{
    if (ok)
        *ok = false;
    HANDLE h = CreateFileW(WidePath(path).c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return {};
    std::string content;
    char buf[4096];
    DWORD got = 0;
    while (ReadFile(h, buf, sizeof buf, &got, nullptr) && got > 0)
        content.append(buf, got);
    CloseHandle(h);
    if (ok)
        *ok = true;
    return content;
}

bool Exists(const std::string& path)
{
    return GetFileAttributesW(WidePath(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::map<std::string, std::string> FilesBelow(const std::string& folder)
{
    std::map<std::string, std::string> out;
    Collect(folder.back() == '\\' ? folder : folder + "\\", "", out);
    return out;
}

void RemoveTree(const std::string& folder)
{
    // Wide and in the long form where needed: trees of long paths go too.
    const std::string base = folder.back() == '\\' ? folder : folder + "\\";
    WIN32_FIND_DATAW data;
    HANDLE find = FindFirstFileW((WidePath(base) + L"*").c_str(), &data);
    if (find != INVALID_HANDLE_VALUE) {
        do {
            const std::wstring name = data.cFileName;
            if (name == L"." || name == L"..")
                continue;
            const std::string path = base + NarrowText(name);
            SetFileAttributesW(WidePath(path).c_str(), FILE_ATTRIBUTE_NORMAL);
            if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
                RemoveTree(path);
            else
                DeleteFileW(WidePath(path).c_str());
        } while (FindNextFileW(find, &data));
        FindClose(find);
    }
    RemoveDirectoryW(WidePath(base).c_str());
}

bool WriteSparseFile(const std::string& path, const std::string& head, long long size)
{
    HANDLE file =
            CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return false;
    DWORD written = 0;
    LARGE_INTEGER end;
    end.QuadPart = size;
    const bool ok = WriteFile(file, head.data(), static_cast<DWORD>(head.size()), &written, nullptr) &&
                    written == head.size() && SetFilePointerEx(file, end, nullptr, FILE_BEGIN) &&
                    SetEndOfFile(file);
    return CloseHandle(file) && ok;
}
