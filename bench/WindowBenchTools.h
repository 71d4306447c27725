// What the benchmarks that drive the real window share: a tree of empty files, a bare count of
// a tree, running the command-line program, and letting the window's messages through.
#pragma once

#include <windows.h>

#include <string>
#include <vector>

namespace benchtools {

// FILES empty files, 1,000 to a sub-folder; an existing tree of the right size is reused.
inline bool MakeTree(const std::string& root, int files)
{
    CreateDirectoryA(root.c_str(), nullptr);
    for (int i = 0; i < files; ++i) {
        const std::string folder = root + "\\d" + std::to_string(i / 1000);
        if (i % 1000 == 0)
            CreateDirectoryA(folder.c_str(), nullptr);
        const std::string path = folder + "\\IMG_" + std::to_string(i) + ".JPG";
        HANDLE h = CreateFileA(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW, FILE_ATTRIBUTE_NORMAL,
                               nullptr);
        if (h == INVALID_HANDLE_VALUE && GetLastError() != ERROR_FILE_EXISTS)
            return false;
        if (h != INVALID_HANDLE_VALUE)
            CloseHandle(h);
    }
    return true;
}

// The least any lister does with a tree: every file found with FindFirstFile/FindNextFile and its
// full path kept.
inline void ListBare(const std::string& folder, std::vector<std::string>& paths)
{
    WIN32_FIND_DATAA data;
    HANDLE find = FindFirstFileA((folder + "\\*.*").c_str(), &data);
    if (find == INVALID_HANDLE_VALUE)
        return;
    do {
        const char* name = data.cFileName;
        if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0)))
            continue;
        if (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY)
            ListBare(folder + "\\" + name, paths);
        else
            paths.push_back(folder + "\\" + name);
    } while (FindNextFileA(find, &data));
    FindClose(find);
}

inline int CountBare(const std::string& folder)
{
    std::vector<std::string> paths;
    ListBare(folder, paths);
    return static_cast<int>(paths.size());
}

// Runs the command line program to its end with its output thrown away; its exit code or -1.
inline int RunCli(const std::string& commandLine)
{
    SECURITY_ATTRIBUTES inherit {sizeof inherit, nullptr, TRUE};
    HANDLE null = CreateFileA("NUL", GENERIC_WRITE, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                              OPEN_EXISTING, 0, nullptr);
    STARTUPINFOA start {};
    start.cb = sizeof start;
    start.dwFlags = STARTF_USESTDHANDLES;
    start.hStdOutput = null;
    start.hStdError = null;
    PROCESS_INFORMATION process {};
    std::string line = commandLine;
    const bool started = CreateProcessA(nullptr, line.data(), nullptr, nullptr, TRUE, CREATE_NO_WINDOW,
                                        nullptr, nullptr, &start, &process) != 0;
    if (null != INVALID_HANDLE_VALUE)
        CloseHandle(null);
    if (!started)
        return -1;
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 1;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hProcess);
    CloseHandle(process.hThread);
    return static_cast<int>(code);
}

inline void Pump()
{
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

}  // namespace benchtools
