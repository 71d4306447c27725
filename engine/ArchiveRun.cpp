#include "engine/ArchiveRun.h"

#include <algorithm>

#include "base/PathText.h"
#include "engine/ArchiveMembers.h"
#include "engine/CopyCheck.h"
#include "engine/ExtFilter.h"
#include "engine/FileTransfer.h"
#include "engine/RunJournal.h"
#include "engine/TakeoutJson.h"

namespace {

// Paths compared as Windows compares names, near enough for one run's own bookkeeping.
std::string Key(std::string path)
{
    for (char& c : path)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return path;
}

// Gives hasher every byte of a file.
bool HashWhole(FileOps& ops, const std::string& path, ContentHasher& hasher)
{
    const std::unique_ptr<ReadStream> in = ops.OpenRead(path);
    if (!in)
        return false;
    std::vector<char> block(1u << 20);
    for (;;) {
        std::size_t got = 0;
        if (!in->Read(block.data(), block.size(), got))
            return false;
        if (got == 0)
            return true;
        hasher.Update(block.data(), got);
    }
}

}  // namespace

void AddListedPath(FileOps& ops, const std::string& path, std::uint32_t enableExtFilter,
                   const std::vector<std::string>& allowedExts,
                   const std::function<void(const std::string&)>& add)
{
    if (!IsZipArchiveName(path)) {
        if (PassesExtFilter(enableExtFilter, allowedExts, path))
            add(path);
        return;
    }
    std::vector<ArchiveMember> members;
    std::string reason;
    if (!ListArchiveMembers(ops, path, enableExtFilter, allowedExts, members, reason)) {
        add(path);
        return;
    }
    for (const ArchiveMember& member : members)
        add(member.path);
}

ArchiveStage::ArchiveStage(FileOps& ops, std::string folder) : ops_(ops), folder_(std::move(folder))
{
    if (!folder_.empty() && folder_.back() != '\\')
        folder_ += '\\';
}

ArchiveStage::~ArchiveStage()
{
    for (const auto& [member, copy] : staged_)
        static_cast<void>(DeleteFileFully(ops_, copy));
    for (const auto& [member, pair] : pairFolders_) {
        if (!pair.sidecarCopy.empty())
            static_cast<void>(DeleteFileFully(ops_, pair.sidecarCopy));
        static_cast<void>(ops_.RemoveFolder(pair.folder));
    }
    for (auto it = madeFolders_.rbegin(); it != madeFolders_.rend(); ++it)
        static_cast<void>(ops_.RemoveFolder(*it));
    if (record_) {
        record_.reset();
        static_cast<void>(ops_.Delete(recordPath_));
    }
    if (folderMade_)
        static_cast<void>(ops_.RemoveFolder(folder_));
}

namespace {

// A record longer than this is no record of a run's stage.
constexpr std::uint64_t kMaxStageRecordBytes = 64ull << 20;

// Whether name is that of a stage's record: "~qmstage" digits ".qmlock".
bool IsStageRecordName(const std::string& name)
{
    const std::string prefix = kStageLockPrefix, extension = kStageLockExtension;
    if (name.size() <= prefix.size() + extension.size() ||
        Key(name.substr(0, prefix.size())) != Key(prefix) ||
        Key(name.substr(name.size() - extension.size())) != Key(extension))
        return false;
    for (std::size_t i = prefix.size(); i + extension.size() < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

// Whether a line of a record names something a stage makes: a file "NAME" or "N\NAME", or a
// numbered folder "N\". A record is read from the drive: a line naming anything else (another
// folder, a path going up) is not followed.
bool StagePart(const std::string& line, bool& folder)
{
    std::string name = line;
    const std::size_t slash = line.find('\\');
    if (slash != std::string::npos) {
        if (slash == 0)
            return false;
        for (std::size_t i = 0; i < slash; ++i)
            if (line[i] < '0' || line[i] > '9')
                return false;
        name = line.substr(slash + 1);
        folder = name.empty();
        if (folder)
            return true;
    }
    folder = false;
    // A name only ("", "." and ".." name folders, which a deletion never removes).
    return name.find_first_of("\\/") == std::string::npos;
}

}  // namespace

void ArchiveStage::SweepLeftovers()
{
    std::vector<std::string> names;
    if (folder_.empty() || !ops_.ListFiles(folder_, names))
        return;
    std::vector<std::string> records, texts;
    std::vector<std::unique_ptr<AppendStream>> opened;
    for (const std::string& name : names) {
        if (!IsStageRecordName(name))
            continue;
        std::unique_ptr<AppendStream> record = ops_.OpenAppend(folder_ + name, false);
        std::string text;
        // A record a running program holds (or one that cannot be read): its stage may be in use,
        // so nothing in the folder is touched.
        if (!record || !record->ReadAll(text, kMaxStageRecordBytes))
            return;
        records.push_back(folder_ + name);
        texts.push_back(std::move(text));
        opened.push_back(std::move(record));
    }
    std::vector<std::string> folders;
    for (const std::string& text : texts) {
        // Only whole lines: a line cut off by the end of its program names nothing made yet.
        for (std::size_t start = 0, end; (end = text.find('\n', start)) != std::string::npos;
             start = end + 1) {
            const std::string line = text.substr(start, end - start);
            bool folder = false;
            if (!StagePart(line, folder))
                continue;
            if (folder)
                folders.push_back(folder_ + line);
            else
                static_cast<void>(ops_.Delete(folder_ + line));
        }
    }
    for (const std::string& folder : folders)
        static_cast<void>(ops_.RemoveFolder(folder));
    opened.clear();
    for (const std::string& record : records)
        static_cast<void>(ops_.Delete(record));
    static_cast<void>(ops_.RemoveFolder(folder_));
}

bool ArchiveStage::Begin()
{
    if (record_)
        return true;
    if (!folderMade_) {
        if (!MakeFolders(ops_, folder_).Ok())
            return false;
        folderMade_ = true;
    }
    // Each running stage has a record of its own; one that another run holds is not reused.
    for (std::size_t n = 1;; ++n) {
        const std::string path = folder_ + kStageLockPrefix + std::to_string(n) + kStageLockExtension;
        record_ = ops_.OpenAppend(path, true);
        if (record_) {
            recordPath_ = path;
            return true;
        }
        if (ops_.LastError() != FileError::kFileExists)
            return false;
    }
}

bool ArchiveStage::Record(const std::string& path)
{
    return Begin() && record_->Append(path.substr(folder_.size()) + "\n");
}

bool ArchiveStage::IsMember(const std::string& path)
{
    std::string archive, relative;
    if (!SplitArchiveMember(path, archive, relative))
        return false;
    const auto [it, added] = archives_.emplace(Key(archive), false);
    if (added) {
        FileState state;
        it->second = ops_.Stat(archive, state) && !state.folder;
    }
    return it->second;
}

ArchiveStage::OpenArchive* ArchiveStage::Open(const std::string& archive, std::string& reason)
{
    std::unique_ptr<OpenArchive>& slot = open_[Key(archive)];
    if (!slot) {
        slot = std::make_unique<OpenArchive>();
        OpenArchive& opened = *slot;
        if (!opened.input.Open(ops_, archive)) {
            opened.failure = "The archive could not be opened (" + FileErrorText(ops_.LastError()) + ")";
        } else if (ReadZipDirectory(opened.input, opened.entries, opened.failure)) {
            for (std::size_t i = 0; i < opened.entries.size(); ++i) {
                std::string relative, unsafe;
                // The first entry of a name wins, as the listing shows it once.
                if (!opened.entries[i].folder && ZipEntryPath(opened.entries[i].name, relative, unsafe))
                    opened.byName.emplace(Key(relative), i);
            }
        }
    }
    reason = slot->failure;
    return slot->failure.empty() ? slot.get() : nullptr;
}

const ZipEntry* ArchiveStage::EntryOf(const std::string& member, OpenArchive*& archive, std::string& reason)
{
    std::string path, relative;
    if (!SplitArchiveMember(member, path, relative)) {
        reason = "Not a file inside a .zip archive";
        return nullptr;
    }
    archive = Open(path, reason);
    if (archive == nullptr)
        return nullptr;
    const auto entry = archive->byName.find(Key(relative));
    if (entry == archive->byName.end()) {
        reason = "The archive no longer holds this file";
        return nullptr;
    }
    return &archive->entries[entry->second];
}

bool ArchiveStage::MemberSize(const std::string& member, std::uint64_t& size)
{
    OpenArchive* archive = nullptr;
    std::string reason;
    const ZipEntry* entry = EntryOf(member, archive, reason);
    if (entry == nullptr)
        return false;
    size = entry->size;
    return true;
}

bool ArchiveStage::NewFolder(std::string& folder)
{
    if (!Begin())
        return false;
    // A folder another run left is not ours: the next number is tried.
    for (;; ++nextFolder_) {
        folder = folder_ + std::to_string(nextFolder_) + "\\";
        if (!Record(folder))
            return false;
        const Status made = ops_.MakeFolder(folder);
        if (made) {
            ++nextFolder_;
            return true;
        }
        if (made.Code() != FileError::kAlreadyExists)
            return false;
    }
}

bool ArchiveStage::FreeCopyName(const std::string& name, std::string& copy)
{
    if (!Begin())
        return false;
    // The copy keeps the member's name: a date in the file name is read from it.
    copy = folder_ + name;
    if (copyKeys_.count(Key(copy)) == 0 && !AnythingThere(ops_, copy))
        return true;
    std::string folder;
    if (!NewFolder(folder))
        return false;
    madeFolders_.push_back(folder);
    copy = folder + name;
    return true;
}

bool ArchiveStage::Staged(const std::string& member, std::string& copy, std::string& reason)
{
    const std::string key = Key(member);
    const auto found = staged_.find(key);
    if (found != staged_.end()) {
        copy = found->second;
        return true;
    }
    OpenArchive* archive = nullptr;
    const ZipEntry* entry = EntryOf(member, archive, reason);
    if (entry == nullptr)
        return false;
    if (folder_.empty()) {
        reason = kArchiveOutputText;
        return false;
    }
    const std::string name = FileNameOf(member);
    std::optional<TakeoutRole> role;
    if (takeout_)
        role = TakeoutRoleOf(member);
    const bool sidecar = role && role->kind == TakeoutRole::Kind::Media && !role->partner.empty();
    std::string folder;
    bool named = false;
    if (sidecar) {
        named = NewFolder(folder);
        if (named) {
            pairFolders_[key] = {folder, {}};
            copy = folder + name;
        }
    } else {
        named = FreeCopyName(name, copy);
    }
    if (!named || !Record(copy)) {
        reason = "The staging folder \"" + folder_ + "\" could not be made (" +
                 FileErrorText(ops_.LastError()) + ")";
        return false;
    }
    if (!ExtractZipEntryToFile(ops_, archive->input, *entry, copy, reason))
        return false;
    staged_.emplace(key, copy);
    copyKeys_.insert(Key(copy));
    // Without its sidecar's copy the member is looked up as one without a sidecar.
    if (sidecar && StageSidecar(member, role->partner, folder, pairFolders_[key].sidecarCopy))
        withSidecar_.insert(key);
    return true;
}

bool ArchiveStage::StageSidecar(const std::string& member, const std::string& sidecar,
                                const std::string& folder, std::string& sidecarCopy)
{
    const std::string name = FileNameOf(member);
    OpenArchive* archive = nullptr;
    std::string reason;
    const ZipEntry* entry = EntryOf(sidecar, archive, reason);
    if (entry == nullptr || entry->size > kMaxTakeoutJsonBytes)
        return false;
    // The sidecar keeps its own name where the pair alone still matches by it (the row names it);
    // the plain form, which always matches, where its match needed the rest of the folder.
    std::string sidecarName = FileNameOf(sidecar);
    const TakeoutMatch pair =
            MatchTakeoutSidecars({name, sidecarName}, [](std::size_t) { return std::nullopt; });
    if (pair.sidecarOf[0] != 1) {
        renamedSidecars_[Key(member)] = sidecarName;
        sidecarName = name + ".json";
    }
    // Only the lookup reads it, and the stage removes it: it need not reach the drive.
    const std::string copy = folder + sidecarName;
    if (!Record(copy) || !ExtractZipEntryToFile(ops_, archive->input, *entry, copy, reason, nullptr, false))
        return false;
    sidecarCopy = copy;
    return true;
}

void ArchiveStage::Released(const std::string& member)
{
    const auto found = staged_.find(Key(member));
    if (found == staged_.end())
        return;
    copyKeys_.erase(Key(found->second));
    staged_.erase(found);
    const auto pair = pairFolders_.find(Key(member));
    if (pair == pairFolders_.end())
        return;
    // What cannot be removed now the stage's end (or the next run's sweep) removes.
    PairFolder& left = pair->second;
    if (!left.sidecarCopy.empty() && DeleteFileFully(ops_, left.sidecarCopy))
        left.sidecarCopy.clear();
    if (left.sidecarCopy.empty() && ops_.RemoveFolder(left.folder))
        pairFolders_.erase(pair);
}

bool ArchiveStage::StagedWithSidecar(const std::string& member) const
{
    return withSidecar_.count(Key(member)) != 0;
}

std::string ArchiveStage::SidecarRenamed(const std::string& member) const
{
    const auto found = renamedSidecars_.find(Key(member));
    return found == renamedSidecars_.end() ? std::string() : found->second;
}

namespace {

// The first part an export's archives share: "D:\\in\\takeout-20250203T030726Z-" for
// "takeout-20250203T030726Z-001.zip"; empty for an archive not numbered so.
std::string ExportPrefix(const std::string& archive)
{
    if (!IsZipArchiveName(archive))
        return {};
    const std::string stem = archive.substr(0, archive.size() - 4);
    std::size_t digits = stem.size();
    while (digits > 0 && stem[digits - 1] >= '0' && stem[digits - 1] <= '9')
        --digits;
    if (digits == stem.size() || digits == 0 || stem[digits - 1] != '-')
        return {};
    return stem.substr(0, digits);
}

// Whether name (a file name) is prefix followed by digits and ".zip".
bool NumberedAfter(const std::string& name, const std::string& prefix)
{
    if (name.size() <= prefix.size() + 4 || Key(name.substr(0, prefix.size())) != Key(prefix) ||
        !IsZipArchiveName(name))
        return false;
    for (std::size_t i = prefix.size(); i + 4 < name.size(); ++i)
        if (name[i] < '0' || name[i] > '9')
            return false;
    return true;
}

// An entry's bytes in memory.
class TextOutput : public ZipOutput {
public:
    bool Write(const char* bytes, std::size_t size) override
    {
        text.append(bytes, size);
        return true;
    }
    std::string text;
};

}  // namespace

ArchiveStage::ExportTree& ArchiveStage::ExportOf(const std::string& archive)
{
    const std::string prefix = ExportPrefix(archive);
    const std::string key = Key(prefix.empty() ? archive : prefix);
    const auto known = exports_.find(key);
    if (known != exports_.end())
        return known->second;
    std::vector<std::string> archives;
    std::string folder;
    std::vector<std::string> listed;
    if (!prefix.empty() && FolderOf(archive, folder) && ops_.ListFiles(folder, listed)) {
        std::sort(listed.begin(), listed.end());
        for (const std::string& name : listed)
            if (NumberedAfter(name, FileNameOf(prefix)))
                archives.push_back(folder + name);
    }
    if (archives.empty())
        archives.push_back(archive);
    ExportTree& tree = exports_[key];
    for (const std::string& path : archives) {
        std::string reason;
        const OpenArchive* opened = Open(path, reason);
        if (opened == nullptr)
            continue;
        for (const ZipEntry& entry : opened->entries) {
            std::string relative, unsafe;
            if (entry.folder || !ZipEntryPath(entry.name, relative, unsafe))
                continue;
            std::string inside;
            if (!FolderOf(relative, inside))
                inside.clear();
            ExportFolder& part = tree[Key(inside)];
            const std::string name = FileNameOf(relative);
            if (part.byName.emplace(Key(name), part.names.size()).second) {
                part.names.push_back(name);
                part.archives.push_back(path);
            }
        }
    }
    return tree;
}

std::optional<std::string> ArchiveStage::TitleOf(const std::string& member)
{
    OpenArchive* archive = nullptr;
    std::string reason;
    const ZipEntry* entry = EntryOf(member, archive, reason);
    if (entry == nullptr || entry->size > kMaxTakeoutJsonBytes)
        return std::nullopt;
    TextOutput text;
    TakeoutSidecar sidecar;
    if (!ExtractZipEntry(archive->input, *entry, text, reason) ||
        !ReadTakeoutJson(text.text, sidecar, reason) || sidecar.title.empty())
        return std::nullopt;
    return sidecar.title;
}

std::optional<TakeoutRole> ArchiveStage::TakeoutRoleOf(const std::string& member)
{
    std::string archive, relative;
    if (!IsMember(member) || !SplitArchiveMember(member, archive, relative))
        return std::nullopt;
    std::string inside;
    if (!FolderOf(relative, inside))
        inside.clear();
    ExportTree& tree = ExportOf(archive);
    const auto part = tree.find(Key(inside));
    if (part == tree.end())
        return std::nullopt;
    ExportFolder& folder = part->second;
    const auto found = folder.byName.find(Key(FileNameOf(relative)));
    if (found == folder.byName.end())
        return std::nullopt;
    if (!folder.match) {
        folder.match = MatchTakeoutSidecars(folder.names, [&](std::size_t i) {
            return TitleOf(ArchiveMemberPath(folder.archives[i], inside + folder.names[i]));
        });
    }
    const std::size_t i = found->second;
    TakeoutRole role;
    const bool sidecar = folder.match->isSidecar[i];
    role.kind = sidecar ? TakeoutRole::Kind::Sidecar : TakeoutRole::Kind::Media;
    const int partner = sidecar ? folder.match->ownerOf[i] : folder.match->sidecarOf[i];
    if (partner >= 0) {
        const auto p = static_cast<std::size_t>(partner);
        role.partner = ArchiveMemberPath(folder.archives[p], inside + folder.names[p]);
    }
    return role;
}

std::string ArchiveStage::Refusal(const std::string& path, bool move, bool outputFolder, bool extract)
{
    if (!IsMember(path)) {
        FileState state;
        if (!IsZipArchiveName(path) || !ops_.Stat(path, state) || state.folder)
            return {};
        // Only an archive that could not be read is listed as itself.
        std::string reason;
        return Open(path, reason) != nullptr
                       ? "A zip archive: its photos and videos are listed, not the archive"
                       : "The archive could not be read: " + reason;
    }
    std::string archive, relative, unsafe, safe;
    SplitArchiveMember(path, archive, relative);
    if (!ZipEntryPath(relative, safe, unsafe))
        return unsafe;
    if (move)
        return kArchiveMoveText;
    if (!outputFolder)
        return kArchiveOutputText;
    if (!extract)
        return {};
    std::string copy, reason;
    return Staged(path, copy, reason) ? std::string() : reason;
}

bool ArchiveFileOps::CopyOf(const std::string& member, std::string& copy)
{
    std::string reason;
    if (stage_.Staged(member, copy, reason))
        return true;
    inner_.SetLastError(FileError::kFileNotFound);
    return false;
}

bool ArchiveFileOps::Stat(const std::string& path, FileState& state)
{
    if (!stage_.IsMember(path))
        return inner_.Stat(path, state);
    std::string copy;
    return CopyOf(path, copy) && inner_.Stat(copy, state);
}

Status ArchiveFileOps::CopyNew(const std::string& source, const std::string& target,
                               std::uint64_t expectedSize, ByteProgress* progress, ContentHasher* hasher)
{
    if (!stage_.IsMember(source))
        return inner_.CopyNew(source, target, expectedSize, progress, hasher);
    std::string copy;
    if (!CopyOf(source, copy))
        return FileFailure(FileError::kFileNotFound);
    // A staged copy that becomes the new file by a rename passes no bytes through a copy: the hash
    // the new file is checked against is taken from the staged bytes before they take its name.
    if (hasher != nullptr && !HashWhole(inner_, copy, *hasher))
        return FileFailure(inner_.LastError());
    // The staged copy is complete and flushed already: on its drive it becomes the new file.
    Status renamed = inner_.Rename(copy, target, false, true);
    if (renamed) {
        stage_.Released(source);
        return renamed;
    }
    if (renamed.Code() != FileError::kNotSameDevice)
        return renamed;
    // Its hash is taken already.
    return inner_.CopyNew(copy, target, expectedSize, progress);
}

void ArchiveFileOps::CopyNewTogether(std::vector<BatchCopy>& copies, const std::function<bool()>& stop)
{
    // A member's copy is its staged copy renamed, with nothing to flush: a batch holding one is
    // made one copy after another.
    if (std::any_of(copies.begin(), copies.end(),
                    [&](const BatchCopy& copy) { return stage_.IsMember(copy.source); }))
        FileOps::CopyNewTogether(copies, stop);
    else
        inner_.CopyNewTogether(copies, stop);
}

std::unique_ptr<ReadStream> ArchiveFileOps::OpenRead(const std::string& path)
{
    if (!stage_.IsMember(path))
        return inner_.OpenRead(path);
    std::string copy;
    if (!CopyOf(path, copy))
        return nullptr;
    return inner_.OpenRead(copy);
}

Result<std::string> ArchiveRunFileSystem::Through(const std::string& path)
{
    if (!stage_.IsMember(path))
        return path;
    std::string through, reason;
    if (stage_.Staged(path, through, reason))
        return through;
    return Status::Failure(FailureKind::System, reason);
}

// A member that could not be staged is not transferred: the row says why.
TransferResult ArchiveRunFileSystem::Transfer(const std::string& source, const std::string& target, bool move)
{
    const Result<std::string> through = Through(source);
    if (!through)
        return {TransferOutcome::Failed, through.GetStatus()};
    return inner_.Transfer(*through, target, move && *through == source);
}

TransferResult ArchiveRunFileSystem::Replace(const std::string& source, const std::string& target, bool move)
{
    const Result<std::string> through = Through(source);
    if (!through)
        return {TransferOutcome::Failed, through.GetStatus()};
    return inner_.Replace(*through, target, move && *through == source);
}

bool ArchiveRunFileSystem::SameContent(const std::string& a, const std::string& b)
{
    const Result<std::string> throughA = Through(a);
    if (!throughA)
        return false;
    const Result<std::string> throughB = Through(b);
    return throughB && inner_.SameContent(*throughA, *throughB);
}

Result<std::string> ArchiveLookup::Through(const std::string& path)
{
    if (!stage_.IsMember(path))
        return path;
    std::string through, reason;
    if (stage_.Staged(path, through, reason))
        return through;
    // The member could not be read out of its archive (or staged): its lookup could not be made.
    return Status::Failure(FailureKind::System, reason);
}

void ArchiveLookup::Ahead(const std::vector<std::string>& paths)
{
    std::vector<std::string> outside;
    for (const std::string& path : paths) {
        if (!stage_.IsMember(path))
            outside.push_back(path);
    }
    inner_.Ahead(outside);
}

Result<std::optional<FoundDate>> ArchiveLookup::DateFrom(const std::string& path, const DateSources& sources)
{
    const Result<std::string> through = Through(path);
    if (!through)
        return through.GetStatus();
    if (*through == path)
        return inner_.DateFrom(path, sources);
    // Only a copy staged with its sidecar is looked up with it: other copies share a folder that
    // is no export.
    DateSources own = sources;
    own.takeout = sources.takeout && stage_.StagedWithSidecar(path);
    Result<std::optional<FoundDate>> found = inner_.DateFrom(*through, own);
    // The row names the sidecar as the export does, not as its staged copy.
    const std::string renamed = stage_.SidecarRenamed(path);
    if (found && *found && !(*found)->takeoutSidecar.empty() && !renamed.empty()) {
        (*found)->takeoutSidecar = renamed;
        (*found)->origin = "Takeout sidecar \"" + renamed + "\"";
    }
    return found;
}

Result<std::optional<std::string>> ArchiveLookup::OrientationText(const std::string& path)
{
    const Result<std::string> through = Through(path);
    if (!through)
        return through.GetStatus();
    return inner_.OrientationText(*through);
}

Result<std::optional<GeoPosition>> ArchiveLookup::PositionOf(const std::string& path)
{
    const Result<std::string> through = Through(path);
    if (!through)
        return through.GetStatus();
    return inner_.PositionOf(*through);
}

Result<std::optional<std::string>> ArchiveLookup::ContentIdentifier(const std::string& path)
{
    const Result<std::string> through = Through(path);
    if (!through)
        return through.GetStatus();
    return inner_.ContentIdentifier(*through);
}

Result<std::optional<TakeoutRole>> ArchiveLookup::TakeoutRoleOf(const std::string& path)
{
    if (stage_.IsMember(path))
        return stage_.TakeoutRoleOf(path);
    return inner_.TakeoutRoleOf(path);
}
