// The file-system steps of an organize run, behind one seam: the real file system for every
// run that changes files, and a simulation for previews that must report exactly what a real run
// would do without touching anything.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/FileOps.h"

struct CopyCheck;

// A move or copy the run expects to make soon, onto a target that is free.
struct PlannedTransfer {
    std::string source;
    std::string target;
    bool move = false;
    std::optional<FileStamp> sourceStamp;  // the source's when already known, so it is not read again
};

// How a move or copy ended. SourceKept: a move across drives put the complete file in place but
// could not delete its source, so the photo is in both places.
enum class TransferOutcome { Failed, Done, SourceKept };

// A move or copy's outcome, which the run decides by, with why it was not Done: the failure, or
// why a kept source could not be deleted (success when Done).
struct [[nodiscard]] TransferResult {
    TransferOutcome outcome = TransferOutcome::Failed;
    Status status;
    bool operator==(TransferOutcome other) const { return outcome == other; }
};

inline TransferResult TransferDone()
{
    return {TransferOutcome::Done, Status()};
}

// outcome for the failed call's error number; Done has no failure to carry.
inline TransferResult TransferEnded(TransferOutcome outcome, std::uint32_t code)
{
    if (outcome == TransferOutcome::Done)
        return TransferDone();
    return {outcome, FileFailure(code)};
}

class RunFileSystem {
public:
    virtual ~RunFileSystem() = default;
    // A file or a folder of that name exists.
    virtual bool Exists(const std::string& path) = 0;
    // Creates the folder and its missing parents (EnsureFolder with create); the failure tells why
    // not.
    virtual Status EnsureFolder(const std::string& folder) = 0;
    // Moves or copies; fails when the target exists. The status (and the last error) tell why
    // unless Done.
    virtual TransferResult Transfer(const std::string& source, const std::string& target, bool move) = 0;
    // Moves or copies over an existing target in one step. The status (and the last error) tell
    // why unless Done.
    virtual TransferResult Replace(const std::string& source, const std::string& target, bool move) = 0;
    // Both paths reach the same existing file.
    virtual bool SameFile(const std::string& a, const std::string& b) = 0;
    // False for a simulation: a run on it keeps no journal.
    virtual bool ChangesFiles() const { return true; }
    // Both paths name files with the same bytes.
    virtual bool SameContent(const std::string& a, const std::string& b) = 0;
    // From now on SameContent reports each block it compares to progress (none: null), and fails
    // with kCancelled when progress stops it.
    virtual void ReportComparisons(ByteProgress*) { }
    // From now on the bytes of every copy are hashed into check, and verified when it asks (none:
    // null). A simulation copies nothing.
    virtual void CheckCopies(CopyCheck*) { }
    // What identifies the file however its path is spelled; false where the volume gives nothing.
    virtual bool Identity(const std::string&, FileIdentity&) { return false; }
    // Identity for the plain files of a folder from one listing (FileOps::FolderIdentities).
    virtual bool FolderIdentities(const std::string&, std::vector<ListedIdentity>&) { return false; }
    // Every name a folder holds, from one listing (FileOps::ListNames).
    virtual bool ListNames(const std::string&, std::vector<std::string>&) { return false; }
    // The next steps of the run, told ahead so that a journal can record them all at once.
    virtual bool Announce(const std::vector<PlannedTransfer>&) { return true; }
    // The copies among the steps told last are made now, under their unfinished names, and
    // flushed together; each takes its real name when its step is taken. stop is asked between
    // the copies, and a copy it stops is left to its step.
    virtual void CopyAhead(const std::function<bool()>& /*stop*/) { }
    // A step told ahead that will not be taken as told.
    virtual void Withdraw(const std::string& /*target*/) { }
};
