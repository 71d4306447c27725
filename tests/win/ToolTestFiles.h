#pragma once
// Files and folders for the tool runner and lookup tests: a fresh temporary folder per test,
// scripts for the stand-in tool, and the paths of the programs built beside the tests.

#include <windows.h>

#include <string>
#include <vector>

namespace tooltest {

// The folder of the running test executable, with its trailing backslash.
std::string ExecutableFolder();
// The stand-in tool built beside the tests.
std::string FakeToolPath();
// A build host's path as the program sees it (Wine's Z: drive), or the path unchanged.
std::string HostPath(std::string path);
// The real metaprobe.exe among the shippable programs.
std::string RealToolPath();

class TempFolder {
public:
    explicit TempFolder(const std::string& name);
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;
    // Full path of a file in the folder.
    std::string operator/(const std::string& name) const { return path_ + name; }
    const std::string& Path() const { return path_; }

private:
    std::string path_;
};

bool WriteText(const std::string& path, const std::string& text);
// Generated samples of every container the tool reads (TIFF both ways, JPEG, PNG, HEIC, CR3,
// MOV, MP4), with capture dates and orientations, written to the folder; their full paths.
std::vector<std::string> SampleFiles(const TempFolder& folder);
std::string ReadText(const std::string& path);

}  // namespace tooltest
