// The file system of a dry run: answers as the real one would after the run's earlier steps,
// while changing nothing. It remembers the folders it would have created and the files it would
// have moved or copied away and onto, and fails a step exactly when the real call would, with
// the same last error, so that every target and result text of a dry run is the real run's.
#pragma once

#include <map>
#include <string>

#include "engine/RunFileSystem.h"

class DryRunFileSystem : public RunFileSystem {
public:
    bool Exists(const std::string& path) override;
    Status EnsureFolder(const std::string& folder) override;
    TransferResult Transfer(const std::string& source, const std::string& target, bool move) override;
    TransferResult Replace(const std::string& source, const std::string& target, bool move) override;
    bool SameFile(const std::string& a, const std::string& b) override;
    bool Identity(const std::string& path, FileIdentity& identity) override
    {
        return SystemFileOps().Identity(path, identity);
    }
    bool FolderIdentities(const std::string& folder, std::vector<ListedIdentity>& files) override
    {
        return SystemFileOps().FolderIdentities(folder, files);
    }
    bool ChangesFiles() const override { return false; }
    // A file the dry run moved or copied has the content of the real file it came from.
    bool SameContent(const std::string& a, const std::string& b) override;
    void ReportComparisons(ByteProgress* progress) override { comparisons_ = progress; }

private:
    enum class Kind { None, File, Folder };

    // What is at the path after the simulated steps; the last error tells why when None.
    Kind KindOf(const std::string& path);
    bool EnsureOneFolder(const std::string& folder);
    // Checks shared by Transfer and Replace: the source is there and the target's folder is.
    bool SourceAndFolderPresent(const std::string& source, const std::string& target);
    void Record(const std::string& source, const std::string& target, bool move);

    // The real file whose content a path holds after the simulated steps; "" when none.
    std::string ContentOf(const std::string& path);

    std::map<std::string, Kind> changed_;  // by upper-cased path without a trailing backslash
    std::map<std::string, std::string> origins_;  // simulated files: key of the target, real source
    ByteProgress* comparisons_ = nullptr;
};
