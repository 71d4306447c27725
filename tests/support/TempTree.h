// A fresh folder under the system's temporary folder, removed with everything in it at the end,
// and small file helpers for tests that organize real files.
#pragma once

#include <map>
#include <string>
#include <vector>

class TempTree {
public:
    TempTree();
    ~TempTree();
    TempTree(const TempTree&) = delete;
    TempTree& operator=(const TempTree&) = delete;

    // The folder, with its trailing backslash.
    const std::string& Root() const { return root_; }
    std::string Path(const std::string& relative) const { return root_ + relative; }

private:
    std::string root_;
};

bool WriteText(const std::string& path, const std::string& content);
bool WriteData(const std::string& path, const std::vector<unsigned char>& content);
// The file's bytes; empty with ok false when it cannot be read.
std::string ReadText(const std::string& path, bool* ok = nullptr);
bool Exists(const std::string& path);
// Every file below folder, by path relative to it, with its content.
std::map<std::string, std::string> FilesBelow(const std::string& folder);
void RemoveTree(const std::string& folder);
// A new file of size bytes that begins with head; the rest is a hole where the file system keeps
// holes, so that a long video costs neither time nor disk.
bool WriteSparseFile(const std::string& path, const std::string& head, long long size);
