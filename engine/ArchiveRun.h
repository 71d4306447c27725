// Files inside .zip archives as rows of a run. A member ("D:\\in\\t-001.zip\\Photos\\a.jpg") is
// extracted, complete or not at all, into a staging folder on the output drive before its row is
// planned; the lookup reads the extracted copy, and the copy step renames it into the run's
// unfinished name beside the target, so that a member is placed exactly as any copied file. The
// archive itself is only ever read. Members are taken in the order of the list, which is the
// archive's order, so that each archive is read front to back.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <memory>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "engine/DateLookup.h"
#include "engine/FileOps.h"
#include "engine/RunFileSystem.h"
#include "engine/TakeoutMatch.h"
#include "engine/ZipArchive.h"

inline constexpr char kArchiveMoveText[] = "Files inside a zip archive can only be copied";
inline constexpr char kArchiveOutputText[] =
        "Files inside a zip archive are copied into an output folder only";

// The staging folder's name inside the output folder (or the temporary folder, for a preview).
inline constexpr char kArchiveStageName[] = "~qmzip.qmpart";
// A stage's record inside it: "~qmstageN.qmlock". Its run holds it open for writing while it runs
// (the system lets go of it when the program ends, however it ends), and writes into it each
// folder and file it is about to make, so that a later run can remove exactly what a killed run
// left.
inline constexpr char kStageLockPrefix[] = "~qmstage";
inline constexpr char kStageLockExtension[] = ".qmlock";

// Adds a path given to a run (named, dropped, or found in a folder): a .zip file as its members
// that pass the extension filter, or as itself when it cannot be read (its row then fails with the
// reason); any other path as itself when it passes the filter.
void AddListedPath(FileOps& ops, const std::string& path, std::uint32_t enableExtFilter,
                   const std::vector<std::string>& allowedExts,
                   const std::function<void(const std::string&)>& add);

// The extracted copies of a run's members. Only one archive is open at a time.
class ArchiveStage {
public:
    // folder: where the copies wait (created when the first is made, removed when the stage ends);
    // empty where members cannot be staged.
    ArchiveStage(FileOps& ops, std::string folder);
    // Removes the copies no step took, the folders it made and its record.
    ~ArchiveStage();
    ArchiveStage(const ArchiveStage&) = delete;
    ArchiveStage& operator=(const ArchiveStage&) = delete;

    // Removes what runs that ended without cleaning up (killed, or the computer switched off)
    // left in the staging folder: the files and folders their records name, the records, and the
    // folder when nothing else is in it. Nothing is removed while a running program holds a
    // record there, nor anything no record names. Call before the first member is staged.
    void SweepLeftovers();

    // Whether path names a file inside a .zip archive (its archive part is a file, not a folder).
    bool IsMember(const std::string& path);
    // A member's size uncompressed, read from its archive's directory; false when it has none.
    bool MemberSize(const std::string& member, std::uint64_t& size);
    // The extracted copy of a member, made when first asked; false with the reason.
    bool Staged(const std::string& member, std::string& copy, std::string& reason);
    // A step took the member's copy away (renamed it): the stage no longer removes it. A folder
    // made for the copy and its sidecar goes at once, sidecar and all (the lookup has read it), so
    // that the staging folder holds only the members still waiting, however long the run.
    void Released(const std::string& member);
    // Why the row of path cannot be planned: a listed archive that cannot be read, a member with
    // an unsafe name, a move, no output folder, an entry that cannot be extracted. Empty for a
    // member whose copy is now staged and for every plain file. A row that is only skipped (a
    // Takeout sidecar, which goes with its photo's copy) asks without extract: nothing is taken
    // out for it.
    std::string Refusal(const std::string& path, bool move, bool outputFolder, bool extract = true);

    // With Takeout dates on, a member whose export has a sidecar for it is staged in a folder of
    // its own with a copy of that sidecar, so that the lookup finds the pair as in a folder.
    void UseTakeout(bool on) { takeout_ = on; }
    // What a member is to the Google Takeout export it belongs to: the names of its folder in all
    // archives of the export ("takeout-...-001.zip", "-002.zip", ... beside each other are one
    // tree), matched as a folder's names are. Partners are member paths.
    std::optional<TakeoutRole> TakeoutRoleOf(const std::string& member);
    // Whether the member's copy was staged with its sidecar.
    bool StagedWithSidecar(const std::string& member) const;
    // The name its sidecar has in the export, where its copy was staged under another; "" else.
    std::string SidecarRenamed(const std::string& member) const;

private:
    struct OpenArchive {
        FileZipInput input;
        std::vector<ZipEntry> entries;
        std::map<std::string, std::size_t> byName;  // key of the safe relative name: entry
        std::string failure;  // why it could not be read, or ""
    };
    // One folder of an export's tree, over all its archives.
    struct ExportFolder {
        std::vector<std::string> names;
        std::vector<std::string> archives;  // by name: the archive holding it
        std::map<std::string, std::size_t> byName;
        std::optional<TakeoutMatch> match;  // made when first asked
    };
    using ExportTree = std::map<std::string, ExportFolder>;  // by key of the folder inside

    // Makes the staging folder and this stage's record in it, once.
    bool Begin();
    // Writes into the record that the stage is about to make path (a file, or a folder: "\\" at
    // its end), so that it is removed even when this program cannot remove it.
    bool Record(const std::string& path);
    OpenArchive* Open(const std::string& archive, std::string& reason);
    const ZipEntry* EntryOf(const std::string& member, OpenArchive*& archive, std::string& reason);
    bool FreeCopyName(const std::string& name, std::string& copy);
    // Makes a numbered folder of its own inside the staging folder; the caller keeps it to remove.
    bool NewFolder(std::string& folder);
    ExportTree& ExportOf(const std::string& archive);
    // The sidecar's title, read from the archive, or nothing.
    std::optional<std::string> TitleOf(const std::string& member);
    // Stages the member's sidecar beside its copy in folder as sidecarCopy; false when it cannot be.
    bool StageSidecar(const std::string& member, const std::string& sidecar, const std::string& folder,
                      std::string& sidecarCopy);

    FileOps& ops_;
    std::string folder_;
    bool folderMade_ = false;
    std::unique_ptr<AppendStream> record_;
    std::string recordPath_;
    bool takeout_ = false;
    std::size_t nextFolder_ = 1;
    std::vector<std::string> madeFolders_;  // numbered folders inside the staging folder
    // A member staged with its sidecar, in a numbered folder of its own.
    struct PairFolder {
        std::string folder;
        std::string sidecarCopy;  // "" until it is staged
    };
    std::map<std::string, PairFolder> pairFolders_;  // key of the member: its folder
    std::map<std::string, std::unique_ptr<OpenArchive>> open_;  // by key of the archive
    std::map<std::string, ExportTree> exports_;  // by key of the export's first name part
    std::map<std::string, bool> archives_;  // key: whether the path is an archive file
    std::map<std::string, std::string> staged_;  // key of the member: its copy
    std::set<std::string> withSidecar_;  // keys of members staged with their sidecars
    std::map<std::string, std::string> renamedSidecars_;  // key of the member: its sidecar's own name
    std::set<std::string> copyKeys_;
};

// File functions that read a member as its staged copy (it exists, reads and copies as that
// file; a copy of it takes the staged file itself when it can); every other path as ops does.
class ArchiveFileOps : public ForwardingFileOps {
public:
    ArchiveFileOps(FileOps& inner, ArchiveStage& stage) : ForwardingFileOps(inner), stage_(stage) { }

    // A member is no path of the file system: the calls not named here fail on it as on any path
    // that is not there.
    bool Stat(const std::string& path, FileState& state) override;
    Status CopyNew(const std::string& source, const std::string& target, std::uint64_t expectedSize,
                   ByteProgress* progress = nullptr, ContentHasher* hasher = nullptr) override;
    void CopyNewTogether(std::vector<BatchCopy>& copies, const std::function<bool()>& stop) override;
    std::unique_ptr<ReadStream> OpenRead(const std::string& path) override;

private:
    // The staged copy of a member, or nothing (with the last error set) when it has none.
    bool CopyOf(const std::string& member, std::string& copy);
    ArchiveStage& stage_;
};

// The run's file system with members copied from their staged copies and compared through them.
class ArchiveRunFileSystem : public RunFileSystem {
public:
    ArchiveRunFileSystem(RunFileSystem& inner, ArchiveStage& stage) : inner_(inner), stage_(stage) { }

    bool Exists(const std::string& path) override { return inner_.Exists(path); }
    Status EnsureFolder(const std::string& folder) override { return inner_.EnsureFolder(folder); }
    TransferResult Transfer(const std::string& source, const std::string& target, bool move) override;
    TransferResult Replace(const std::string& source, const std::string& target, bool move) override;
    bool SameFile(const std::string& a, const std::string& b) override { return inner_.SameFile(a, b); }
    bool ChangesFiles() const override { return inner_.ChangesFiles(); }
    bool SameContent(const std::string& a, const std::string& b) override;
    void ReportComparisons(ByteProgress* progress) override { inner_.ReportComparisons(progress); }
    bool Identity(const std::string& path, FileIdentity& identity) override
    {
        return inner_.Identity(path, identity);
    }
    bool FolderIdentities(const std::string& folder, std::vector<ListedIdentity>& files) override
    {
        return inner_.FolderIdentities(folder, files);
    }
    bool ListNames(const std::string& folder, std::vector<std::string>& names) override
    {
        return inner_.ListNames(folder, names);
    }
    bool Announce(const std::vector<PlannedTransfer>& steps) override { return inner_.Announce(steps); }
    void Withdraw(const std::string& target) override { inner_.Withdraw(target); }

private:
    // The path whose bytes stand for path: a member's staged copy, any other path itself; false
    // when a member has none.
    Result<std::string> Through(const std::string& path);

    RunFileSystem& inner_;
    ArchiveStage& stage_;
};

// The run's lookup with each member asked about as its staged copy.
class ArchiveLookup : public DateLookup {
public:
    ArchiveLookup(DateLookup& inner, ArchiveStage& stage) : inner_(inner), stage_(stage) { }

    Result<std::optional<FoundDate>> DateFrom(const std::string& path, const DateSources& sources) override;
    Result<std::optional<std::string>> OrientationText(const std::string& path) override;
    Result<std::optional<GeoPosition>> PositionOf(const std::string& path) override;
    Result<std::optional<std::string>> ContentIdentifier(const std::string& path) override;
    Result<std::optional<TakeoutRole>> TakeoutRoleOf(const std::string& path) override;
    void SetWaitHook(std::function<bool()> hook) override { inner_.SetWaitHook(std::move(hook)); }
    // Members are asked about under their staged copies' names, known only once staged: only
    // the files outside archives are told.
    void Ahead(const std::vector<std::string>& paths) override;

private:
    // The path to ask the inner lookup about, or why a member has no copy to ask about.
    Result<std::string> Through(const std::string& path);

    DateLookup& inner_;
    ArchiveStage& stage_;
};
