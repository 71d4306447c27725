// The files the next run will organize: the rows of the main window's list, the set of paths
// already listed (so that each path is listed once, whatever its letter case), and the counter.
#pragma once

#include <windows.h>

#include <cstdint>
#include <string>
#include <unordered_set>
#include <vector>

#include "toolkit/VirtualListCtrl.h"

class FileList {
public:
    FileList();
    // The counter ("Total: N") goes to that part of the status bar.
    void Attach(VirtualListCtrl* list, HWND statusBar, int totalPart);

    // Adds one file path unless it is listed already (compared without regard to case); true
    // when it was added, as the list's last row.
    bool AddPath(std::string path);
    // A file the user chose: a zip archive as its photos and videos that pass the filter (itself
    // when it cannot be read, so that its row says why), any other file as it is.
    void AddChosen(const std::string& path, std::uint32_t enableExtFilter,
                   const std::vector<std::string>& allowedExts);
    // Adds the files of a folder (and of its sub-folders when asked) that pass the filter, and
    // returns how many files the filter left out. Folders reached twice (through junctions or
    // links) are scanned once.
    size_t AddFolderContents(const std::string& folder, bool subfolders, std::uint32_t enableExtFilter,
                             const std::vector<std::string>& allowedExts);
    // Adds dropped files and folders; returns how many files the filter left out.
    size_t AddDrop(HDROP drop, bool subfolders, std::uint32_t enableExtFilter,
                   const std::vector<std::string>& allowedExts);
    // Adds files and folders as a drop does; a path that names nothing is added to *missing
    // instead when it is given. Returns how many files the filter left out.
    size_t AddPaths(const std::vector<std::string>& paths, bool subfolders, std::uint32_t enableExtFilter,
                    const std::vector<std::string>& allowedExts, std::vector<std::string>* missing);
    void RemoveSelected();
    void RemoveAll();
    size_t Count() const { return addedPaths_.size(); }
    void UpdateTotal() const;

    // While one lives, rows are added without telling the list of each; at its end the last
    // row is scrolled into view and the counter updated.
    class Batch {
    public:
        explicit Batch(FileList& list);
        ~Batch();
        Batch(const Batch&) = delete;
        Batch& operator=(const Batch&) = delete;

    private:
        FileList& list_;
    };

private:
    // Scans a folder with the filter applied here, so that the files it refuses are counted.
    void ScanCounting(const std::string& folder, bool subfolders, std::uint32_t enableExtFilter,
                      const std::vector<std::string>& allowedExts, size_t& leftOut);

    VirtualListCtrl* list_ = nullptr;
    HWND statusBar_ = nullptr;
    int totalPart_ = 0;
    std::unordered_set<std::string> addedPaths_;
    int batchDepth_ = 0;
};
