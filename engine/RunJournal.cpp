#include "engine/RunJournal.h"

#include <algorithm>
#include <utility>

#include "engine/FileTransfer.h"
#include "base/PathText.h"

namespace {

// A header line is far shorter: three paths at most. It is read from kHeaderFirstRead bytes, and
// twice as many at a time until its end is in: the start of every journal is read at each run's
// start, and most headers fit the first read.
constexpr std::size_t kHeaderReadLimit = 1 << 18;
constexpr std::size_t kHeaderFirstRead = 1 << 12;
// The last records of a journal are read from this far before its end, and from twice as far
// while they are fewer than kTailLines whole records (a batch of steps told ahead, and the outcomes
// of those before it, are far fewer; records of long paths are long), up to kTailReadMost bytes.
constexpr std::uint64_t kTailReadLimit = 1 << 16;
constexpr std::size_t kTailLines = 512;
constexpr std::uint64_t kTailReadMost = 16ull << 20;

std::string StemOf(const std::string& journal)
{
    const std::size_t extLength = std::char_traits<char>::length(kJournalExtension);
    if (journal.size() >= extLength &&
        journal.compare(journal.size() - extLength, extLength, kJournalExtension) == 0)
        return journal.substr(0, journal.size() - extLength);
    return journal;
}

bool EndsWithNoCase(const std::string& text, const std::string& end)
{
    if (text.size() < end.size())
        return false;
    for (std::size_t i = 0; i < end.size(); ++i) {
        char a = text[text.size() - end.size() + i], b = end[i];
        if (a >= 'A' && a <= 'Z')
            a = static_cast<char>(a - 'A' + 'a');
        if (a != b)
            return false;
    }
    return true;
}

// The start of a journal up to the end of its first line, or up to kHeaderReadLimit bytes when
// no line ends before; false when the file cannot be read. whole: the file ended within head.
bool ReadHead(ReadStream& file, std::string& head, bool& whole)
{
    head.clear();
    whole = false;
    for (std::size_t want = kHeaderFirstRead; head.find('\n') == std::string::npos; want *= 2) {
        const std::size_t had = head.size();
        const std::size_t upTo = std::min(want, kHeaderReadLimit);
        if (had >= upTo)
            break;
        head.resize(upTo);
        std::size_t got = 0;
        if (!file.Read(head.data() + had, upTo - had, got))
            return false;
        head.resize(had + got);
        if (got == 0) {
            whole = true;
            break;
        }
    }
    return true;
}

// The order number in a journal's first line; 0 for a version 1 journal or one that cannot be read.
// unstarted: the file holds no whole line, the mark of a run ended while it wrote its header.
std::uint64_t OrderOf(FileOps& ops, const std::string& path, bool& unstarted)
{
    unstarted = false;
    const std::unique_ptr<ReadStream> file = ops.OpenRead(path);
    if (!file)
        return 0;
    std::string head;
    bool whole = false;
    if (!ReadHead(*file, head, whole))
        return 0;
    const auto end = head.find('\n');
    if (end == std::string::npos) {
        unstarted = whole && head.rfind("QMJ\t", 0) == 0;
        return 0;
    }
    JournalData data;
    std::string error;
    if (!ParseJournal(std::string_view(head).substr(0, end + 1), data, error))
        return 0;
    return data.header.order;
}

struct Listed {
    std::uint64_t order;
    std::string name;
    bool unstarted;
};

std::vector<Listed> ListJournals(FileOps& ops, const std::string& folder)
{
    std::vector<std::string> names;
    ops.ListFiles(folder, names);
    std::vector<Listed> listed;
    for (const std::string& name : names)
        if (EndsWithNoCase(name, kJournalExtension)) {
            bool unstarted = false;
            const std::uint64_t order = OrderOf(ops, folder + name, unstarted);
            listed.push_back({order, name, unstarted});
        }
    std::sort(listed.begin(), listed.end(), [](const Listed& a, const Listed& b) {
        return a.order != b.order ? a.order < b.order : a.name < b.name;
    });
    return listed;
}

// Removes the kept folder and the files in it (it holds no sub-folders); false when something
// stays.
bool RemoveKeptFolder(FileOps& ops, const std::string& folder)
{
    std::vector<std::string> names;
    if (!ops.ListFiles(folder, names))
        return !AnythingThere(ops, folder);
    bool all = true;
    for (const std::string& name : names)
        all = DeleteFileFully(ops, folder + name).Ok() && all;
    return (ops.RemoveFolder(folder).Ok() || !AnythingThere(ops, folder)) && all;
}

// Up to limit bytes of a file from offset.
bool ReadPart(ReadStream& file, std::uint64_t offset, std::size_t limit, std::string& text)
{
    text.assign(limit, '\0');
    std::size_t got = 0;
    if (!file.Seek(offset) || !file.Read(text.data(), limit, got))
        return false;
    text.resize(got);
    return true;
}

}  // namespace

std::vector<std::string> KeptJournals(FileOps& ops, const std::string& folder)
{
    std::vector<std::string> paths;
    for (const Listed& journal : ListJournals(ops, folder))
        paths.push_back(folder + journal.name);
    return paths;
}

std::string KeptFolderOf(const std::string& journal)
{
    return StemOf(journal) + ".kept\\";
}

std::string StageFolderName(const std::string& journal)
{
    return "~qm" + FileNameOf(StemOf(journal)) + ".qmpart";
}

bool IsStageFolder(const std::string& folder)
{
    std::string trimmed = folder;
    while (!trimmed.empty() && trimmed.back() == '\\')
        trimmed.pop_back();
    const std::string name = FileNameOf(trimmed);
    return name.size() > 3 && name[0] == '~' && (name[1] == 'q' || name[1] == 'Q') &&
           (name[2] == 'm' || name[2] == 'M') && EndsWithNoCase(name, ".qmpart");
}

std::vector<std::string> KeptFilesOf(FileOps& ops, const std::string& journal)
{
    std::vector<std::string> names;
    ops.ListFiles(KeptFolderOf(journal), names);
    for (std::string& name : names)
        name = KeptFolderOf(journal) + name;
    return names;
}

Status LoadJournal(FileOps& ops, const std::string& path, JournalData& data)
{
    const std::unique_ptr<ReadStream> file = ops.OpenRead(path);
    FileState state;
    if (!file || !ops.Stat(path, state)) {
        const std::uint32_t code = ops.LastError();
        return Status::Failure(FailureKind::System, "cannot open \"" + path + "\": " + FileErrorText(code),
                               code);
    }
    std::string text;
    bool ok = state.stamp.size <= kMaxJournalSize;
    if (ok) {
        text.resize(static_cast<std::size_t>(state.stamp.size));
        std::size_t got = 0;
        ok = file->Read(text.data(), text.size(), got);
        text.resize(got);
    }
    if (!ok) {
        const std::uint32_t code = ops.LastError();
        return Status::Failure(FailureKind::System, "cannot read \"" + path + "\": " + FileErrorText(code),
                               code);
    }
    std::string error;
    if (!ParseJournal(text, data, error))
        return Status::Failure(FailureKind::Damaged, "\"" + path + "\": " + error);
    return {};
}

void SweepUnfinishedCopies(FileOps& ops, const std::vector<std::string>& journals)
{
    for (const std::string& journal : journals) {
        // A journal another process holds is a run or an undo still going: its copies are not ours.
        const std::unique_ptr<AppendStream> hold = ops.OpenAppend(journal, false);
        const std::unique_ptr<ReadStream> file = hold ? ops.OpenRead(journal) : nullptr;
        FileState state;
        std::string head, tail;
        bool whole = false;
        if (!file || !ops.Stat(journal, state) || !ReadHead(*file, head, whole))
            continue;
        const auto headEnd = head.find('\n');
        if (headEnd == std::string::npos)
            continue;
        std::uint64_t from = 0;
        bool read = false;
        for (std::uint64_t length = kTailReadLimit; length <= kTailReadMost; length *= 2) {
            from = state.stamp.size > length ? state.stamp.size - length : 0;
            read = ReadPart(*file, from, static_cast<std::size_t>(length), tail);
            if (!read || from == 0 ||
                static_cast<std::size_t>(std::count(tail.begin(), tail.end(), '\n')) > kTailLines)
                break;
        }
        if (!read)
            continue;
        // The tail from its first whole line on.
        if (from > 0) {
            const auto first = tail.find('\n');
            tail.erase(0, first == std::string::npos ? tail.size() : first + 1);
        }
        // An unfinished copy still there never took its real name: its source has every byte of it.
        std::set<std::string> stages;
        for (const std::string& partial :
             AnnouncedPartials(std::string_view(head).substr(0, headEnd + 1), tail)) {
            if (FileIsThere(ops, partial))
                static_cast<void>(DeleteFileFully(ops, partial));
            std::string folder;
            if (FolderOf(partial, folder) && IsStageFolder(folder))
                stages.insert(folder);
        }
        // Its run's stage folders go with the copies in them (a folder holding anything stays).
        for (const std::string& stage : stages)
            static_cast<void>(ops.RemoveFolder(stage));
    }
}

RunJournal::~RunJournal()
{
    Close();
}

Status RunJournal::Open(const std::string& folder, const std::string& name, JournalHeader header,
                        std::uint32_t keep)
{
    const auto failed = [&](std::uint32_t code) {
        return Status::Failure(
                FailureKind::System,
                "Failed to write the run's journal in \"" + folder + "\". " + FileErrorText(code), code);
    };
    if (folder.empty())
        return failed(FileError::kPathNotFound);
    if (const Status made = MakeFolders(ops_, folder); !made)
        return failed(made.Code());
    std::vector<Listed> listed = ListJournals(ops_, folder);
    // A journal without a whole first line belongs to a run that ended before its first step.
    for (const Listed& journal : listed)
        if (journal.unstarted)
            static_cast<void>(ops_.Delete(folder + journal.name));
    listed.erase(std::remove_if(listed.begin(), listed.end(), [](const Listed& j) { return j.unstarted; }),
                 listed.end());
    std::vector<std::string> paths;
    for (const Listed& journal : listed)
        paths.push_back(folder + journal.name);
    SweepUnfinishedCopies(ops_, paths);
    header.version = kJournalVersion;
    header.order = listed.empty() ? 1 : listed.back().order + 1;
    // The kept files go before their journal: a journal without its kept folder is harmless, a
    // kept folder without its journal would stay for ever.
    for (std::size_t i = 0; i + std::max<std::uint32_t>(keep, 1) <= listed.size(); ++i) {
        const std::string old = folder + listed[i].name;
        if (RemoveKeptFolder(ops_, KeptFolderOf(old)))
            static_cast<void>(DeleteFileFully(ops_, old));
    }
    // A name taken (two runs within one millisecond, a clock set back) gets a number.
    for (int attempt = 0; attempt < 1000 && !file_; ++attempt) {
        path_ = folder + name + (attempt == 0 ? std::string() : "-" + std::to_string(attempt)) +
                kJournalExtension;
        file_ = ops_.OpenAppend(path_, true);
        if (!file_ && ops_.LastError() != FileError::kFileExists &&
            ops_.LastError() != FileError::kAlreadyExists)
            return failed(ops_.LastError());
    }
    if (!file_)
        return failed(FileError::kFileExists);
    if (const Status written = Write(HeaderLine(header)); !written) {
        const Status status = failed(written.Code());
        KeepFileError keep(ops_);
        file_.reset();
        static_cast<void>(ops_.Delete(path_));
        return status;
    }
    anyRecord_ = false;
    return {};
}

Status RunJournal::Write(const std::string& line)
{
    return Put(line, true);
}

Status RunJournal::WriteOutcome(const std::string& line)
{
    return Put(line, false);
}

Status RunJournal::WriteFailure() const
{
    const std::uint32_t code = ops_.LastError();
    return Status::Failure(FailureKind::System, "cannot write to \"" + path_ + "\": " + FileErrorText(code),
                           code);
}

Status RunJournal::WriteAll(const std::vector<std::string>& lines)
{
    if (!file_) {
        ops_.SetLastError(FileError::kInvalidHandle);
        return WriteFailure();
    }
    std::string text;
    for (const std::string& line : lines)
        text += line;
    if (text.empty())
        return {};
    if (!file_->Append(text) || !file_->Flush())
        return WriteFailure();
    anyRecord_ = true;
    return {};
}

Status RunJournal::Put(const std::string& line, bool flush)
{
    if (!file_) {
        ops_.SetLastError(FileError::kInvalidHandle);
        return WriteFailure();
    }
    // The flush makes the record outlive a lost power supply (bench/journal_bench.sh measures it).
    if (!file_->Append(line) || (flush && !file_->Flush()))
        return WriteFailure();
    anyRecord_ = true;
    return {};
}

void RunJournal::Close()
{
    if (!file_)
        return;
    file_->Flush();
    file_.reset();
    // Only an empty kept folder goes.
    static_cast<void>(ops_.RemoveFolder(KeptFolderOf(path_)));
    if (!anyRecord_)
        static_cast<void>(ops_.Delete(path_));
}

namespace {

// Names compared as the file system compares them, near enough to find a step told ahead.
std::string NameKey(std::string path)
{
    for (char& c : path)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    while (!path.empty() && path.back() == '\\')
        path.pop_back();
    return path;
}

// A folder that was there is listed once the run has asked this many of its names; before, each
// is asked by name. Under Wine a listing looks at every file of the folder, which costs more than
// a few lookups when the run places only a few files there.
constexpr int kAsksBeforeListing = 8;

// The folder of path and its last name; false for a name right below a drive or share root, whose
// folder is not worth a listing, and for a path without a folder.
bool SplitLast(const std::string& path, std::string& folder, std::string& name)
{
    std::string walk = path;
    while (!walk.empty() && walk.back() == '\\')
        walk.pop_back();
    const auto slash = walk.rfind('\\');
    if (slash == std::string::npos || slash <= 2 || slash + 1 == walk.size())
        return false;
    folder = walk.substr(0, slash);
    name = walk.substr(slash + 1);
    return true;
}

// Removes a copy made ahead for a step; one still held open (none: null) is closed first, as an
// open file cannot be removed by name.
void RemoveMadeAhead(FileOps& ops, HeldCopy* held, const std::string& partial)
{
    if (held != nullptr)
        held->Close();
    static_cast<void>(DeleteFileFully(ops, partial));
}

}  // namespace

JournalFileSystem::~JournalFileSystem()
{
    WithdrawAll();
}

std::vector<std::string> JournalFileSystem::MissingFolders(const std::string& folder)
{
    std::vector<std::string> missing;
    std::string walk = folder;
    while (!walk.empty() && walk.back() == '\\')
        walk.pop_back();
    // A folder recorded ahead was missing then: only the folders above it are looked for.
    while (walk.size() > 2 && knownFolders_.count(NameKey(walk)) == 0 &&
           (announcedFolders_.count(NameKey(walk)) != 0 || !Exists(walk))) {
        missing.push_back(walk + "\\");
        const auto slash = walk.rfind('\\');
        if (slash == std::string::npos)
            break;
        walk.resize(slash);
    }
    return {missing.rbegin(), missing.rend()};
}

Status JournalFileSystem::EnsureFolder(const std::string& folder)
{
    std::string walk = NameKey(folder);
    if (knownFolders_.count(walk) != 0)
        return Status();
    const std::vector<std::string> missing = MissingFolders(folder);
    for (const std::string& made : missing) {
        // A folder recorded with its batch needs no record of its own. A record that cannot be
        // written fails the folder by the system's own reason, as a folder the system refused.
        if (announcedFolders_.erase(NameKey(made)) != 0)
            continue;
        if (const Status written = journal_.Write(FolderLine(made)); !written)
            return FileFailure(written.Code());
    }
    if (Status made = inner_.EnsureFolder(folder); !made)
        return made;
    // The folders it made hold nothing yet, from the outermost on.
    for (const std::string& made : missing) {
        NameTaken(made);
        FolderNames& names = folderNames_[Key(made)];
        names.there = true;
        names.keys.clear();
        unlisted_.erase(Key(made));
    }
    // The folder and every one above it are there now.
    for (;;) {
        knownFolders_.insert(walk);
        const auto slash = walk.rfind('\\');
        if (slash == std::string::npos || slash <= 2)
            return Status();
        walk.resize(slash);
    }
}

bool JournalFileSystem::FolderAgain(const std::string& target)
{
    std::string folder;
    if (!FolderOf(target, folder))
        return false;
    std::string walk = NameKey(folder);
    if (knownFolders_.count(walk) == 0)
        return false;
    // What the run knew of these folders' names is not so any more: they are listed again; a
    // stage folder inside went with its folder.
    ForgetFolder(folder);
    for (std::string level = folder; !level.empty(); level.pop_back()) {
        if (level.back() == '\\') {
            folderNames_.erase(Key(level));
            unlisted_.erase(Key(level));
        }
    }
    for (;;) {
        knownFolders_.erase(walk);
        const auto slash = walk.rfind('\\');
        if (slash == std::string::npos || slash <= 2)
            break;
        walk.resize(slash);
    }
    return EnsureFolder(folder).Ok();
}

std::string JournalFileSystem::StageOf(const JournalStep& step) const
{
    std::string partialFolder, targetFolder;
    if (step.partial.empty() || !FolderOf(step.partial, partialFolder) || !IsStageFolder(partialFolder) ||
        !FolderOf(step.target, targetFolder) || Key(partialFolder) == Key(targetFolder))
        return std::string();
    return partialFolder;
}

bool JournalFileSystem::Unstage(JournalStep& step)
{
    FileOps& ops = journal_.Ops();
    static_cast<void>(Finish(step, TransferEnded(TransferOutcome::Failed, ops.LastError()), false));
    const std::string source = step.source, target = step.target;
    step = NewStep(source, target, step.move, true);
    return journal_.Write(TransferLine(step)).Ok();
}

bool JournalFileSystem::EnsureStage(const JournalStep& step)
{
    const std::string stage = StageOf(step);
    if (stage.empty())
        return true;
    std::string folder;
    if (!FolderOf(step.target, folder))
        return false;
    // A stage folder refused once is not asked for again.
    if (const auto refused = unstaged_.find(Key(folder)); refused != unstaged_.end()) {
        journal_.Ops().SetLastError(refused->second);
        return false;
    }
    if (Status made = EnsureFolder(stage); !made) {
        unstaged_.emplace(Key(folder), made.Code());
        journal_.Ops().SetLastError(made.Code());
        return false;
    }
    stages_[Key(stage)].made = true;
    return true;
}

void JournalFileSystem::StepEnding(const JournalStep& step)
{
    const std::string stage = StageOf(step);
    const auto known = stage.empty() ? stages_.end() : stages_.find(Key(stage));
    if (known == stages_.end() || --known->second.open > 0)
        return;
    if (known->second.made) {
        FileOps& ops = journal_.Ops();
        KeepFileError keep(ops);
        // One that another program holds for a moment is waited for; one that keeps something
        // another program put there stays, known as it is.
        if (Retrying(ops, [&] { return ops.RemoveFolder(stage); }) || !AnythingThere(ops, stage)) {
            ForgetFolder(stage);
            NameFreed(stage);
        }
    }
    stages_.erase(known);
}

void JournalFileSystem::ForgetFolder(const std::string& folder)
{
    const std::string key = Key(folder);
    // The folder itself, or one inside it (inside: only those), by their keys.
    const auto within = [&key](const std::string& other, bool inside) {
        if (other.size() == key.size())
            return !inside && other == key;
        return other.size() > key.size() && other.compare(0, key.size(), key) == 0 &&
               other[key.size()] == '\\';
    };
    for (auto it = knownFolders_.begin(); it != knownFolders_.end();)
        it = within(Key(*it), false) ? knownFolders_.erase(it) : std::next(it);
    for (auto it = folderNames_.begin(); it != folderNames_.end();)
        it = within(it->first, false) ? folderNames_.erase(it) : std::next(it);
    for (auto& [stageKey, stage] : stages_) {
        if (within(stageKey, true))
            stage.made = false;
    }
}

JournalStep JournalFileSystem::NewStep(const std::string& source, const std::string& target, bool move,
                                       bool copying, const std::optional<FileStamp>& sourceStamp, bool staged)
{
    FileOps& ops = journal_.Ops();
    JournalStep step;
    step.seq = journal_.NextSeq();
    step.move = move;
    step.source = source;
    step.target = target;
    if (sourceStamp) {
        step.sourceStamp = *sourceStamp;
        stamped_.insert(step.seq);
    } else if (ReadStampOf(ops, source, step.sourceStamp)) {
        stamped_.insert(step.seq);
    }
    if (copying) {
        const bool small = stamped_.count(step.seq) != 0 && step.sourceStamp.size < kLoneCopySize;
        ChoosePartial(target, step.partial, staged && !move && small);
    }
    return step;
}

std::string JournalFileSystem::Key(const std::string& path) const
{
    std::string trimmed = path;
    while (!trimmed.empty() && trimmed.back() == '\\')
        trimmed.pop_back();
    return journal_.Ops().NameKey(trimmed);
}

JournalFileSystem::FolderNames* JournalFileSystem::NamesOf(const std::string& folder)
{
    const std::string key = Key(folder);
    if (unlisted_.count(key) != 0)
        return nullptr;
    const auto known = folderNames_.find(key);
    if (known != folderNames_.end())
        return &known->second;
    // A folder its known parent does not hold is not there: nothing to list.
    std::string parent, name;
    if (SplitLast(folder, parent, name)) {
        const auto above = folderNames_.find(Key(parent));
        if (above != folderNames_.end() && (!above->second.there || above->second.keys.count(Key(name)) == 0))
            return &folderNames_[key];
    }
    if (++asked_[key] < kAsksBeforeListing)
        return nullptr;
    FileOps& ops = journal_.Ops();
    std::vector<std::string> names;
    ops.SetLastError(FileError::kNone);
    if (!inner_.ListNames(folder, names)) {
        if (ops.LastError() == FileError::kPathNotFound)
            return &folderNames_[key];
        // Each name is then asked of the file system.
        unlisted_.insert(key);
        return nullptr;
    }
    FolderNames& listed = folderNames_[key];
    listed.there = true;
    for (const std::string& one : names)
        listed.keys.insert(Key(one));
    return &listed;
}

void JournalFileSystem::NameTaken(const std::string& path)
{
    std::string folder, name;
    if (!SplitLast(path, folder, name))
        return;
    const auto known = folderNames_.find(Key(folder));
    if (known == folderNames_.end())
        return;
    if (known->second.there)
        known->second.keys.insert(Key(name));
    else
        folderNames_.erase(known);  // there after all: listed when next asked
}

void JournalFileSystem::NameFreed(const std::string& path)
{
    std::string folder, name;
    if (!SplitLast(path, folder, name))
        return;
    const auto known = folderNames_.find(Key(folder));
    if (known != folderNames_.end())
        known->second.keys.erase(Key(name));
}

bool JournalFileSystem::Exists(const std::string& path)
{
    std::string folder, name;
    if (SplitLast(path, folder, name)) {
        if (const FolderNames* names = NamesOf(folder))
            return names->there && names->keys.count(Key(name)) != 0;
    }
    return inner_.Exists(path);
}

void JournalFileSystem::ChoosePartial(const std::string& target, std::string& partial, bool staged)
{
    FileOps& ops = journal_.Ops();
    std::string folder, name;
    if (staged && SplitLast(target, folder, name) && unstaged_.count(Key(folder)) == 0) {
        const std::string stage = folder + "\\" + StageFolderName(journal_.Path()) + "\\";
        // A stage folder this run has not made yet holds nothing of it: no name is asked.
        const auto known = stages_.find(Key(stage));
        const bool made = known != stages_.end() && known->second.made;
        if (FreeAmong(made ? NamesOf(stage) : nullptr, stage + name, partial))
            return;
    }
    FolderNames* names = SplitLast(target, folder, name) ? NamesOf(folder) : nullptr;
    if (names == nullptr) {
        FreePartialName(ops, target, partial);
        return;
    }
    static_cast<void>(FreeAmong(names, target, partial));
}

bool JournalFileSystem::FreeAmong(const FolderNames* names, const std::string& target, std::string& partial)
{
    FileOps& ops = journal_.Ops();
    for (int attempt = 0; attempt < kPartialAttempts; ++attempt) {
        std::string candidate;
        if (!PartialNameFor(ops, target, attempt, candidate))
            return false;
        if (names == nullptr || !names->there || names->keys.count(Key(FileNameOf(candidate))) == 0) {
            partial = std::move(candidate);
            return true;
        }
    }
    ops.SetLastError(FileError::kFileExists);
    return false;
}

TransferResult JournalFileSystem::AvoidTakenPartial(JournalStep& step, TransferResult result)
{
    FileOps& ops = journal_.Ops();
    for (int again = 0;
         result.outcome == TransferOutcome::Failed && ops.LastError() == FileError::kPartialTaken; ++again) {
        NameTaken(step.partial);
        if (again == kPartialAttempts) {
            ops.SetLastError(FileError::kFileExists);
            return TransferEnded(TransferOutcome::Failed, FileError::kFileExists);
        }
        static_cast<void>(Finish(step, result, false));
        const std::optional<FileStamp> stamp =
                stamped_.count(step.seq) != 0 ? std::optional<FileStamp>(step.sourceStamp) : std::nullopt;
        step = NewStep(step.source, step.target, step.move, true, stamp);
        if (!journal_.Write(TransferLine(step)))
            return TransferEnded(TransferOutcome::Failed, ops.LastError());
        result = TransferFile(ops, step.source, step.target, step.move, false, step.partial, check_);
    }
    return result;
}

bool JournalFileSystem::Announce(const std::vector<PlannedTransfer>& steps)
{
    std::vector<std::string> lines;
    std::vector<JournalStep> made;
    std::set<std::string> folders;
    // By target folder key: the small copies this batch may make ahead into it.
    std::map<std::string, std::size_t> copiesInto;
    for (const PlannedTransfer& planned : steps) {
        std::string folder, name;
        if (!planned.move && (!planned.sourceStamp || planned.sourceStamp->size < kLoneCopySize) &&
            SplitLast(planned.target, folder, name))
            ++copiesInto[Key(folder)];
    }
    const auto staged = [&](const std::string& target) {
        std::string folder, name;
        if (!SplitLast(target, folder, name) || copiesInto[Key(folder)] < stageCopies_)
            return false;
        const auto names = folderNames_.find(Key(folder));
        const std::size_t known = names != folderNames_.end() ? names->second.keys.size() : 0;
        return known >= stageNames_;
    };
    for (const PlannedTransfer& planned : steps) {
        const std::string key = NameKey(planned.target);
        if (announced_.count(key) != 0)
            continue;
        JournalStep step = NewStep(planned.source, planned.target, planned.move, !planned.move,
                                   planned.sourceStamp, staged(planned.target));
        // The folder of its unfinished copy (a stage folder inside the target's) is recorded with
        // the folders above it.
        std::string folder;
        if (FolderOf(step.partial.empty() ? planned.target : step.partial, folder)) {
            for (const std::string& missing : MissingFolders(folder)) {
                const std::string folderKey = NameKey(missing);
                if (announcedFolders_.count(folderKey) == 0 && folders.insert(folderKey).second)
                    lines.push_back(FolderLine(missing));
            }
        }
        made.push_back(std::move(step));
        lines.push_back(TransferLine(made.back()));
    }
    lastAnnounced_.clear();
    if (!journal_.WriteAll(lines))
        return false;
    announcedFolders_.insert(folders.begin(), folders.end());
    for (JournalStep& step : made) {
        if (const std::string stage = StageOf(step); !stage.empty())
            ++stages_[Key(stage)].open;
        lastAnnounced_.push_back(NameKey(step.target));
        announced_.emplace(lastAnnounced_.back(), std::move(step));
    }
    return true;
}

void JournalFileSystem::CopyAhead(const std::function<bool()>& stop)
{
    // The bytes a batch holds written and not yet flushed.
    constexpr std::uint64_t kTogetherBytes = 64ull * 1024 * 1024;
    std::vector<BatchCopy> copies;
    std::vector<std::string> keys;
    std::uint64_t bytes = 0;
    for (const std::string& key : lastAnnounced_) {
        const auto it = announced_.find(key);
        if (it == announced_.end())
            continue;
        const JournalStep& step = it->second;
        std::string folder;
        // A large file is copied on its own when its step comes, reporting its progress; a step
        // whose folder cannot be made says so itself. A source that is no plain file fails its
        // copy here as it would at its turn.
        if (step.move || step.partial.empty() || step.sourceStamp.size >= kLoneCopySize ||
            !FolderOf(step.target, folder) || !EnsureFolder(folder) || !EnsureStage(step))
            continue;
        if (bytes + step.sourceStamp.size > kTogetherBytes) {
            CopyTogether(copies, keys, stop);
            bytes = 0;
        }
        bytes += step.sourceStamp.size;
        BatchCopy& copy = copies.emplace_back();
        copy.source = step.source;
        copy.target = step.partial;
        copy.expectedSize = step.sourceStamp.size;
        copy.hold = true;
        keys.push_back(key);
    }
    CopyTogether(copies, keys, stop);
    lastAnnounced_.clear();
}

void JournalFileSystem::CopyTogether(std::vector<BatchCopy>& copies, std::vector<std::string>& keys,
                                     const std::function<bool()>& stop)
{
    std::vector<std::unique_ptr<ContentHasher>> hashers;
    if (check_ != nullptr) {
        for (BatchCopy& copy : copies)
            copy.hasher = hashers.emplace_back(std::make_unique<ContentHasher>()).get();
    }
    journal_.Ops().CopyNewTogether(copies, stop);
    for (std::size_t i = 0; i < copies.size(); ++i) {
        // A copy Cancel stopped before it began is left to its step.
        if (copies[i].status.Code() == FileError::kCancelled)
            continue;
        ReadyCopy& ready = ready_[keys[i]];
        ready.done = copies[i].done;
        ready.error = copies[i].status.Code();
        ready.made = copies[i].made;
        ready.held = std::move(copies[i].held);
        if (copies[i].hasher != nullptr)
            ready.hash = copies[i].hasher->Digest();
    }
    copies.clear();
    keys.clear();
}

bool JournalFileSystem::TakeAnnounced(const std::string& source, const std::string& target, bool move,
                                      JournalStep& step)
{
    const auto it = announced_.find(NameKey(target));
    if (it == announced_.end())
        return false;
    if (it->second.source != source || it->second.target != target || it->second.move != move) {
        displaced_[it->first] = it->second.source;
        Withdraw(target);
        return false;
    }
    step = std::move(it->second);
    announced_.erase(it);
    return true;
}

void JournalFileSystem::Withdraw(const std::string& target)
{
    const auto it = announced_.find(NameKey(target));
    if (it == announced_.end())
        return;
    KeepFileError keep(journal_.Ops());
    // Its copy made ahead goes before the step is recorded as not done: a journal that stops in
    // between still names the unfinished copy for undo and the next run to remove.
    const auto ready = ready_.find(it->first);
    if (ready != ready_.end()) {
        if (ready->second.done)
            RemoveMadeAhead(journal_.Ops(), ready->second.held.get(), it->second.partial);
        ready_.erase(ready);
    }
    StepEnding(it->second);
    // A lost not-done record leaves the step without an outcome, which undo judges by the files.
    static_cast<void>(journal_.WriteOutcome(FailedLine(it->second.seq, kNotStartedText)));
    announced_.erase(it);
}

void JournalFileSystem::WithdrawAll()
{
    while (!announced_.empty())
        Withdraw(announced_.begin()->second.target);
}

// A move whose source could not be deleted left a finished copy at its target: recorded as done,
// so that undo finds the target and reports the source path as taken instead of losing either.
TransferResult JournalFileSystem::Finish(const JournalStep& step, TransferResult result, bool started,
                                         const std::optional<FileStamp>& placed)
{
    FileOps& ops = journal_.Ops();
    KeepFileError keep(ops);
    StepEnding(step);
    if (result.outcome != TransferOutcome::Failed) {
        FileStamp stamp;
        if (placed)
            stamp = *placed;
        else
            ReadStampOf(ops, step.target, stamp);
        // A lost outcome record leaves the step for undo to judge by the files: the step stands.
        static_cast<void>(journal_.WriteOutcome(DoneLine(step.seq, stamp)));
    } else {
        static_cast<void>(journal_.WriteOutcome(
                FailedLine(step.seq, started ? FileErrorText(result.status.Code()) : kNotStartedText)));
    }
    return result;
}

TransferResult JournalFileSystem::PlaceReady(const JournalStep& step, const ReadyCopy& copy,
                                             std::optional<FileStamp>& placed)
{
    FileOps& ops = journal_.Ops();
    // A failed copy left nothing of itself; its only name refused is its unfinished one.
    if (!copy.done) {
        const bool taken = copy.error == FileError::kFileExists || copy.error == FileError::kAlreadyExists;
        ops.SetLastError(taken ? FileError::kPartialTaken : copy.error);
        return TransferEnded(TransferOutcome::Failed, ops.LastError());
    }
    if (check_ != nullptr && !CheckCopied(ops, step.partial, copy.hash, *check_)) {
        KeepFileError keep(ops);
        RemoveMadeAhead(ops, copy.held.get(), step.partial);
        return TransferEnded(TransferOutcome::Failed, ops.LastError());
    }
    TransferResult result =
            PlaceCopy(ops, step.source, step.target, step.move, false, step.partial, copy.held.get());
    // A rename keeps the file's size and time: those the copy was closed with.
    if (result.outcome != TransferOutcome::Failed)
        placed = copy.made;
    return result;
}

TransferResult JournalFileSystem::Attempt(const JournalStep& step, std::optional<FileStamp>& placed)
{
    FileOps& ops = journal_.Ops();
    const auto ready = ready_.find(NameKey(step.target));
    if (ready != ready_.end()) {
        const ReadyCopy copy = ready->second;
        ready_.erase(ready);
        return PlaceReady(step, copy, placed);
    }
    if (!EnsureStage(step))
        return TransferEnded(TransferOutcome::Failed, ops.LastError());
    if (step.move && step.partial.empty()) {
        if (Status renamed = MoveByRename(ops, step.source, step.target, false); !renamed)
            return {TransferOutcome::Failed, std::move(renamed)};
        // A rename on one drive keeps the file's size and time: those its source was found with.
        if (stamped_.count(step.seq) != 0)
            placed = step.sourceStamp;
        return TransferDone();
    }
    return TransferFile(ops, step.source, step.target, step.move, false, step.partial, check_);
}

TransferResult JournalFileSystem::Transfer(const std::string& source, const std::string& target, bool move)
{
    FileOps& ops = journal_.Ops();
    JournalStep step;
    bool told = TakeAnnounced(source, target, move, step);
    if (!told) {
        // Told ahead too, though another step took the target first.
        const auto displaced = displaced_.find(NameKey(target));
        told = displaced != displaced_.end() && displaced->second == source;
        if (told)
            displaced_.erase(displaced);
        step = NewStep(source, target, move, !move);
        if (!journal_.Write(TransferLine(step)))
            return TransferEnded(TransferOutcome::Failed, ops.LastError());
    }
    std::optional<FileStamp> placed;
    TransferResult outcome = Attempt(step, placed);
    // A folder this run made or found and another program removed since is made again.
    if (outcome == TransferOutcome::Failed && ops.LastError() == FileError::kPathNotFound &&
        FolderAgain(target))
        outcome = Attempt(step, placed);
    // Its stage folder cannot be made (or went with its folder and cannot be made again).
    if (outcome == TransferOutcome::Failed && !EnsureStage(step)) {
        if (!Unstage(step))
            return TransferEnded(TransferOutcome::Failed, ops.LastError());
        outcome = Attempt(step, placed);
    }
    outcome = AvoidTakenPartial(step, outcome);
    if (outcome == TransferOutcome::Failed && step.move && step.partial.empty() &&
        ops.LastError() == FileError::kNotSameDevice) {
        // Across drives the file is copied: the rename changed nothing, and the copy is a step of
        // its own whose unfinished name is recorded before a byte of it is written.
        static_cast<void>(Finish(step, outcome, false));
        step = NewStep(source, target, move, true);
        if (!journal_.Write(TransferLine(step)))
            return TransferEnded(TransferOutcome::Failed, ops.LastError());
        outcome =
                AvoidTakenPartial(step, TransferFile(ops, source, target, move, false, step.partial, check_));
    }
    // A name taken meanwhile is known taken from now on; one taken since the step was told ahead
    // is placed anew by the run.
    const bool refused =
            outcome == TransferOutcome::Failed &&
            (ops.LastError() == FileError::kAlreadyExists || ops.LastError() == FileError::kFileExists);
    if (refused)
        NameTaken(target);
    outcome = Finish(step, outcome, !(told && refused), placed);
    if (outcome != TransferOutcome::Failed)
        NameTaken(target);
    if (outcome == TransferOutcome::Done && move)
        NameFreed(source);
    return outcome;
}

bool JournalFileSystem::Keep(JournalStep& step)
{
    FileOps& ops = journal_.Ops();
    const std::string folder = KeptFolderOf(journal_.Path());
    if (!journal_.keptFolderMade_) {
        if (const Status made = ops.MakeFolder(folder); !made && made.Code() != FileError::kAlreadyExists)
            return false;
        journal_.keptFolderMade_ = true;
    }
    FileStamp stamp;
    if (!ReadStampOf(ops, step.target, stamp))
        return false;
    // A second name costs nothing on the same volume; elsewhere the copy is made complete or not
    // at all, and only a K record makes undo trust it.
    if (!ops.HardLink(step.target, step.kept) && !ops.CopyNew(step.target, step.kept, stamp.size))
        return false;
    FileStamp kept;
    if (!ReadStampOf(ops, step.kept, kept) || kept.size != stamp.size ||
        !journal_.Write(KeptLine(step.seq, kept))) {
        KeepFileError keepError(ops);
        static_cast<void>(DeleteFileFully(ops, step.kept));
        return false;
    }
    step.keptComplete = true;
    step.keptStamp = kept;
    return true;
}

TransferResult JournalFileSystem::Replace(const std::string& source, const std::string& target, bool move)
{
    FileOps& ops = journal_.Ops();
    Withdraw(target);
    JournalStep step = NewStep(source, target, move, true);
    step.replace = true;
    // A short numbered name: the original name is the target's, in the record.
    step.kept = KeptFolderOf(journal_.Path()) + std::to_string(step.seq) + ".qmkept";
    if (!journal_.Write(TransferLine(step)))
        return TransferEnded(TransferOutcome::Failed, ops.LastError());
    FileState state;
    const bool there = ops.Stat(target, state);
    // A folder in the target's place is not a file to keep: the replacing move or copy refuses it
    // with its own reason, as it does without a journal.
    if (there && state.folder)
        return Finish(step, TransferFile(ops, source, target, move, true, step.partial, check_));
    // A read-only target is refused as a replacing move or copy refuses it.
    if (there && state.readOnly) {
        ops.SetLastError(FileError::kAccessDenied);
        return Finish(step, TransferEnded(TransferOutcome::Failed, ops.LastError()));
    }
    if (there && !Keep(step))
        return Finish(step, TransferEnded(TransferOutcome::Failed, ops.LastError()));
    TransferResult outcome = TransferFile(ops, source, target, move, true, step.partial, check_);
    if (outcome == TransferOutcome::Failed && step.keptComplete) {
        // The target still holds the old file: the kept one is a spare.
        KeepFileError keep(ops);
        static_cast<void>(DeleteFileFully(ops, step.kept));
    }
    // An unfinished name another program took meanwhile fails the replacement, worded as a taken
    // name.
    if (outcome == TransferOutcome::Failed && ops.LastError() == FileError::kPartialTaken) {
        ops.SetLastError(FileError::kFileExists);
        outcome = TransferEnded(TransferOutcome::Failed, FileError::kFileExists);
    }
    if (outcome == TransferOutcome::Done && move)
        NameFreed(source);
    return Finish(step, outcome);
}
