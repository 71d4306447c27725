// A file system in memory behind FileOps, for the tests of everything that changes a user's
// files: volumes by drive letter (a rename between them fails as it does between drives), files
// with shared content for hard links, creation times handed on to a file that replaces another by
// a rename (the tunnelling of NTFS and FAT), a capacity per volume, other programs that hold a file for
// a moment, and an end by force at any chosen call (the process killed: what was written stays).
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <set>
#include <stdexcept>
#include <string>

#include "engine/FileOps.h"

// Thrown at the call where the simulated process is ended.
struct Killed : std::runtime_error {
    Killed() : std::runtime_error("killed") { }
};

class MemoryFileOps : public FileOps {
public:
    struct Data {
        std::string bytes;
        std::uint64_t writeTime = 0;
        std::uint64_t creationTime = 0;
        bool readOnly = false;
        std::uint64_t index = 0;
        int writers = 0;  // handles that may write
    };
    struct Node {
        bool folder = false;
        std::string path;  // as created
        std::shared_ptr<Data> data;  // files only
    };

    MemoryFileOps();

    // Test set-up, free of kills and counting.
    void AddFolder(const std::string& path);
    void AddFile(const std::string& path, const std::string& bytes, std::uint64_t writeTime);
    // The bytes of the file at path; false when there is none.
    bool Contents(const std::string& path, std::string& bytes) const;
    // Every file: path as created -> bytes.
    std::map<std::string, std::string> Files() const;
    std::set<std::string> Folders() const;

    // The call numbered killAt (counted from 1 over the calls that change anything) ends the
    // process; 0: never.
    void KillAt(std::uint64_t killAt) { killAt_ = killAt; }
    std::uint64_t Calls() const { return calls_; }
    // After a kill every call fails, as nothing runs in an ended process; a new process begins here.
    void Revive()
    {
        dead_ = false;
        killAt_ = 0;
    }
    // A volume ("C:") takes at most this many bytes of file content.
    void SetCapacity(const std::string& volume, std::uint64_t bytes) { capacity_[Upper(volume)] = bytes; }
    // The next `times` renames, deletions or opens for writing of path fail as if another program
    // held it open, letting others read (as scanners and indexers do).
    void HoldFor(const std::string& path, int times) { held_[Upper(path)] = times; }
    unsigned Waited() const { return waited_; }
    // Deletions of path report success and leave the file, as a write-protected card does under
    // some systems.
    void LieAboutDeleting(const std::string& path) { lying_.insert(Upper(path)); }
    // The next `times` reads past the cache give back other bytes than the file holds, as a drive
    // that garbled a copy does.
    void GarbleReadBacks(int times) { garbledReadBacks_ = times; }
    // The flush of a copy written to path fails, as a drive that cannot take it does.
    void FailFlushOf(const std::string& path) { failingFlushes_.insert(Upper(path)); }

    std::size_t PathLength(const std::string& path) const override { return path.size(); }
    std::uint32_t LastError() const override { return error_; }
    void SetLastError(std::uint32_t code) override { error_ = code; }
    bool Stat(const std::string& path, FileState& state) override;
    bool Identity(const std::string& path, FileIdentity& identity) override;
    Status MakeFolder(const std::string& folder) override;
    Status RemoveFolder(const std::string& folder) override;
    Status Rename(const std::string& from, const std::string& to, bool replace, bool writeThrough) override;
    Status HardLink(const std::string& existing, const std::string& link) override;
    Status Delete(const std::string& path) override;
    Status SetReadOnly(const std::string& path, bool readOnly) override;
    Status SetCreationTime(const std::string& path, std::uint64_t creationTime) override;
    // The in-memory drive has no zone: the DOS time is taken as UTC.
    Status SetWriteTimeFromDos(const std::string& path, std::uint16_t dosDate,
                               std::uint16_t dosTime) override;
    // Reports to progress after the first half of the bytes.
    Status CopyNew(const std::string& source, const std::string& target, std::uint64_t expectedSize,
                   ByteProgress* progress, ContentHasher* hasher) override;
    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override;
    bool ListNames(const std::string& folder, std::vector<std::string>& names) override;
    std::unique_ptr<AppendStream> OpenAppend(const std::string& path, bool createNew) override;
    std::unique_ptr<ReadStream> OpenRead(const std::string& path) override;
    // The plain read, but for the next GarbleReadBacks reads, which give other bytes than the file holds.
    std::unique_ptr<ReadStream> OpenReadUncached(const std::string& path) override;
    void Wait(unsigned milliseconds) override { waited_ += milliseconds; }

    // For the streams.
    void Tick();
    bool Ended() { return Dead(); }
    bool Fits(const std::string& path, std::uint64_t more);
    static std::string Upper(std::string text);

private:
    static std::string Key(const std::string& path);
    static std::string ParentKey(const std::string& key);
    static std::string VolumeOf(const std::string& key);
    Node* Find(const std::string& path);
    bool Fail(std::uint32_t code);
    // The failure of a call that changes files, its number kept as the last error too.
    Status Failure(std::uint32_t code);
    // True (with an error) once the process was ended.
    bool Dead();
    bool Held(const std::string& path);
    bool ParentIsFolder(const std::string& key);
    std::uint64_t Used(const std::string& volume) const;

    std::map<std::string, Node> nodes_;
    std::map<std::string, std::uint64_t> capacity_;
    std::map<std::string, int> held_;
    std::set<std::string> lying_;
    std::set<std::string> failingFlushes_;
    int garbledReadBacks_ = 0;
    std::uint32_t error_ = 0;
    std::uint64_t calls_ = 0;
    std::uint64_t killAt_ = 0;
    std::uint64_t nextIndex_ = 1;
    std::uint64_t clock_ = 1000;
    unsigned waited_ = 0;
    bool dead_ = false;
};
