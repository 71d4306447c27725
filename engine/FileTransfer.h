// Moving and copying one file for the organize run and its undo, with the guarantees the run gives
// the user: an existing target is never replaced by accident, a replacement that fails keeps the
// old target as it was, and a file under its real name is always complete. A copy (and a move
// across drives) is written under a plainly unfinished name beside the target, flushed to the drive,
// checked against the source's size and only then renamed into place in one step; a move deletes
// its source after that rename has reached the disk. Steps that another program's open handle
// refuses for a moment (a virus scanner, an indexer, a sync client) are tried again for a few
// seconds.
#pragma once

#include <string>

#include "engine/FileOps.h"
#include "engine/RunFileSystem.h"

// Unfinished copies left by other runs (or killed ones) are never touched; this many names are
// tried beside one target before the copy fails.
inline constexpr int kPartialAttempts = 100;

// The name a copy is written under before it takes the target's name: "~NAME.qmpart" beside the
// target for attempt 0, "~NAME.N.qmpart" for attempt N, or "~qmN.qmpart" where those would make
// the path too long. False, with kFilenameTooLong, when not even that fits.
bool PartialNameFor(FileOps& ops, const std::string& target, int attempt, std::string& partial);

// The first unfinished-copy name beside target that nothing holds; unfinished copies of other runs
// are never touched. False with the reason when there is none.
bool FreePartialName(FileOps& ops, const std::string& target, std::string& partial);

// Moves or copies source to target (over an existing file only when replace), through partial
// when the bytes must be copied, hashed (and verified when asked) as check says (none: null).
// The status (and the last error) tell why unless Done (kPartialTaken: another program holds
// partial, which is left to it); nothing of partial is left.
TransferResult TransferFile(FileOps& ops, const std::string& source, const std::string& target, bool move,
                            bool replace, const std::string& partial, CopyCheck* check = nullptr);

// The end of a transfer whose copy stands complete, flushed and checked under partial: partial
// takes target's name in one step, made durable, then (for a move) the source is deleted. The
// status (and the last error) tell why unless Done; nothing of partial is left. A copy held open
// (none: null; never for a replacing one) is renamed through its handle and closed.
TransferResult PlaceCopy(FileOps& ops, const std::string& source, const std::string& target, bool move,
                         bool replace, const std::string& partial, HeldCopy* held = nullptr);

// Moves source to target by a rename on its drive (over an existing file only when replace),
// waiting for another program's handle as TransferFile does; fails with kNotSameDevice across
// drives, where the bytes must be copied.
Status MoveByRename(FileOps& ops, const std::string& source, const std::string& target, bool replace);

// Calls step until it succeeds or fails for a reason other than another program's handle (sharing,
// lock or access refusals), waiting longer each time, a few seconds in all.
template <class Step> Status Retrying(FileOps& ops, Step step)
{
    constexpr unsigned kWaits[] = {50, 100, 200, 400, 800, 1500};
    for (const unsigned wait : kWaits) {
        Status done = step();
        const std::uint32_t code = done.Code();
        if (done || (code != FileError::kSharingViolation && code != FileError::kLockViolation &&
                     code != FileError::kAccessDenied))
            return done;
        ops.Wait(wait);
    }
    return step();
}

// Deletes a file, and a read-only one as a rename on one drive would move it; true only when the
// file is gone afterwards (some file systems report success for a deletion they refused).
Status DeleteFileFully(FileOps& ops, const std::string& path);

// The run's file system on a FileOps: every step through the transfers above.
class OpsFileSystem : public RunFileSystem {
public:
    explicit OpsFileSystem(FileOps& ops) : ops_(ops) { }

    bool Exists(const std::string& path) override { return AnythingThere(ops_, path); }
    Status EnsureFolder(const std::string& folder) override { return MakeFolders(ops_, folder); }
    TransferResult Transfer(const std::string& source, const std::string& target, bool move) override;
    TransferResult Replace(const std::string& source, const std::string& target, bool move) override;
    bool SameFile(const std::string& a, const std::string& b) override;
    bool SameContent(const std::string& a, const std::string& b) override
    {
        return SameBytes(ops_, a, b, comparisons_);
    }
    void ReportComparisons(ByteProgress* progress) override { comparisons_ = progress; }
    void CheckCopies(CopyCheck* check) override { check_ = check; }
    bool Identity(const std::string& path, FileIdentity& identity) override
    {
        return ops_.Identity(path, identity);
    }
    bool FolderIdentities(const std::string& folder, std::vector<ListedIdentity>& files) override
    {
        return ops_.FolderIdentities(folder, files);
    }
    bool ListNames(const std::string& folder, std::vector<std::string>& names) override
    {
        return ops_.ListNames(folder, names);
    }

private:
    FileOps& ops_;
    ByteProgress* comparisons_ = nullptr;
    CopyCheck* check_ = nullptr;
};

// The real thing.
class RealFileSystem : public OpsFileSystem {
public:
    RealFileSystem() : OpsFileSystem(SystemFileOps()) { }
    // The system's folder walk: a network share is found, never made.
    Status EnsureFolder(const std::string& folder) override;
};
