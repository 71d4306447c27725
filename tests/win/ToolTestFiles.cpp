#include "tests/win/ToolTestFiles.h"

#include "tests/support/TempTree.h"

#include <cstdio>
#include <vector>

namespace tooltest {

std::string ExecutableFolder()
{
    char module[MAX_PATH];
    const DWORD length = GetModuleFileNameA(nullptr, module, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return "";
    std::string path(module, length);
    return path.substr(0, path.rfind('\\') + 1);
}

std::string FakeToolPath()
{
    return ExecutableFolder() + "fake_metaprobe.exe";
}

TempFolder::TempFolder(const std::string& name)
{
    char temp[MAX_PATH];
    const DWORD length = GetTempPathA(MAX_PATH, temp);
    std::string base = (length > 0 && length < MAX_PATH) ? std::string(temp, length) : ".\\";
    path_ = base + "qm_tool_" + name + "_" + std::to_string(GetCurrentProcessId()) + "\\";
    RemoveTree(path_);
    CreateDirectoryA(path_.c_str(), nullptr);
}

TempFolder::~TempFolder()
{
    RemoveTree(path_);
}

bool WriteText(const std::string& path, const std::string& text)
{
    FILE* file = std::fopen(path.c_str(), "wb");
    if (file == nullptr)
        return false;
    const bool written = std::fwrite(text.data(), 1, text.size(), file) == text.size();
    return std::fclose(file) == 0 && written;
}

std::string ReadText(const std::string& path)
{
    std::string text;
    FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr)
        return text;
    char block[4096];
    std::size_t got = 0;
    while ((got = std::fread(block, 1, sizeof block, file)) > 0)
        text.append(block, got);
    std::fclose(file);
    return text;
}

}  // namespace tooltest
