// Puts the process's current folder back when it goes out of scope. The common file and folder
// dialogs move it to the folder the user browsed to; left there, it keeps that folder busy, and
// Windows then refuses to eject the card or rename the folder while the program runs.
#pragma once

#include <windows.h>

#include <vector>

class CurrentFolderKeeper {
public:
    CurrentFolderKeeper()
    {
        const DWORD size = GetCurrentDirectoryA(0, nullptr);
        if (size == 0)
            return;
        folder_.resize(size);
        const DWORD length = GetCurrentDirectoryA(size, folder_.data());
        if (length == 0 || length >= size)
            folder_.clear();
    }
    ~CurrentFolderKeeper()
    {
        if (!folder_.empty())
            SetCurrentDirectoryA(folder_.data());
    }
    CurrentFolderKeeper(const CurrentFolderKeeper&) = delete;
    CurrentFolderKeeper& operator=(const CurrentFolderKeeper&) = delete;

private:
    std::vector<char> folder_;
};
