// The library of an organize run that skips the files it already has: every file below the
// output folder, found by a scan when the run starts (its index stored in the runs folder, so that
// a later run hashes nothing twice), and every file the run places there.
#pragma once

#include <functional>
#include <map>
#include <memory>
#include <string>

#include "engine/LibraryIndex.h"
#include "engine/RunFileSystem.h"
#include "engine/RunInterfaces.h"

// The result of a row whose bytes are in the library already.
inline constexpr const char* kKnownLead = "Already in the library: ";

// Where the index of the library below outFolder is stored: in the runs folder, named by the
// folder's path; "" without a runs folder.
std::string LibraryIndexFile(const std::string& outFolder);

// Lists every file below root (with its trailing backslash) by its path below it, with its size
// and last-write time; folders reached through a junction or link are not entered, and unfinished
// copies are left out. visit returns false to stop the scan, which then returns false.
bool ScanLibrary(const std::string& root,
                 const std::function<bool(const std::string& relative, const FileStamp& stamp)>& visit);

class RunLibrary {
public:
    // preview: the run changes no file; its placements are remembered for the run only and the
    // index is not stored.
    RunLibrary(const std::string& outFolder, bool preview);

    // Loads the stored index and refreshes it by a scan, shown in progress and kept answering
    // through host; false when Cancel stopped the scan.
    bool Open(RunHost& host, RunProgress& progress);
    // The library file an earlier run placed from this very source file, unchanged on both
    // sides since: found without reading a byte.
    bool KnownSource(const std::string& source, std::string& existing);
    // The library file with the bytes of source, read at bytesAt (for a member of an archive, its
    // staged copy); see LibraryIndex::FindContent.
    LibraryIndex::Found KnownContent(const std::string& source, const std::string& bytesAt,
                                     ByteProgress* progress, std::string& existing);
    // The serial of the volume that holds source, asked once per folder in a run (under Wine each
    // ask costs milliseconds); a card formatted again gets a new one.
    bool SourceVolume(const std::string& source, std::uint32_t& volume);
    // source is at target now, or (a move) was taken there; sourceStamp and volume as before the step.
    void Placed(const std::string& source, const std::string& target, bool haveVolume, std::uint32_t volume,
                const FileStamp& sourceStamp);
    // Stores the index when it changed (never for a preview). A failure loses only speed.
    void Save();

    const LibraryIndex& Index() const { return index_; }

private:
    std::string root_;
    std::string file_;
    bool preview_;
    LibraryIndex index_;
    std::map<std::string, std::uint32_t> volumes_;  // by PathKey of a source folder
};

// The run's file system that tells the library of every file it places.
class LibraryFileSystem : public RunFileSystem {
public:
    LibraryFileSystem(RunFileSystem& inner, RunLibrary* library) : inner_(inner), library_(library) { }

    bool Exists(const std::string& path) override { return inner_.Exists(path); }
    Status EnsureFolder(const std::string& folder) override { return inner_.EnsureFolder(folder); }
    TransferResult Transfer(const std::string& source, const std::string& target, bool move) override
    {
        return Recorded(source, target, move, false);
    }
    TransferResult Replace(const std::string& source, const std::string& target, bool move) override
    {
        return Recorded(source, target, move, true);
    }
    bool SameFile(const std::string& a, const std::string& b) override { return inner_.SameFile(a, b); }
    bool ChangesFiles() const override { return inner_.ChangesFiles(); }
    bool SameContent(const std::string& a, const std::string& b) override { return inner_.SameContent(a, b); }
    void ReportComparisons(ByteProgress* progress) override { inner_.ReportComparisons(progress); }
    void CheckCopies(CopyCheck* check) override { inner_.CheckCopies(check); }
    bool Identity(const std::string& path, FileIdentity& identity) override
    {
        return inner_.Identity(path, identity);
    }
    bool FolderIdentities(const std::string& folder, std::vector<ListedIdentity>& files) override
    {
        return inner_.FolderIdentities(folder, files);
    }
    bool Announce(const std::vector<PlannedTransfer>& steps) override { return inner_.Announce(steps); }
    void Withdraw(const std::string& target) override { inner_.Withdraw(target); }

private:
    TransferResult Recorded(const std::string& source, const std::string& target, bool move, bool replace);

    RunFileSystem& inner_;
    RunLibrary* library_;
};
