#include "engine/LibraryRun.h"

#include <windows.h>

#include <chrono>
#include <cstdio>
#include <functional>
#include <vector>

#include "base/OwnedHandle.h"
#include "base/PathText.h"
#include "base/WidePath.h"
#include "engine/PathUtils.h"
#include "engine/RunsFolder.h"

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace {

using Clock = std::chrono::steady_clock;
constexpr auto kShowEvery = std::chrono::milliseconds(100);

std::uint64_t Join(DWORD high, DWORD low)
{
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

bool EndsWith(const std::wstring& text, const std::wstring& end)
{
    return text.size() >= end.size() && text.compare(text.size() - end.size(), end.size(), end) == 0;
}

// One folder and, depth first, those below it; false when visit stopped the scan.
bool ScanFolder(const std::string& root, const std::string& relative,
                const std::function<bool(const std::string&, const FileStamp&)>& visit)
{
    WIN32_FIND_DATAW found;
    OwnedFind find(FindFirstFileExW(WidePath(root + relative + "*").c_str(), FindExInfoBasic, &found,
                                    FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    // A folder that cannot be listed holds nothing the run can find: its files are only copied
    // again, never lost.
    if (!find.Valid())
        return true;
    std::vector<std::string> folders;
    bool going = true;
    do {
        const std::wstring name = found.cFileName;
        if (name == L"." || name == L"..")
            continue;
        const std::string path = relative + NarrowText(name);
        if (found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) {
            // A junction or link may lead back up the tree or out of the library; a run's stage
            // folder holds unfinished copies only.
            if (!(found.dwFileAttributes & FILE_ATTRIBUTE_REPARSE_POINT) && !EndsWith(name, L".qmpart"))
                folders.push_back(path + "\\");
            continue;
        }
        // Unfinished copies are no photos of the library.
        if (EndsWith(name, L".qmpart"))
            continue;
        const FileStamp stamp {
                Join(found.nFileSizeHigh, found.nFileSizeLow),
                Join(found.ftLastWriteTime.dwHighDateTime, found.ftLastWriteTime.dwLowDateTime)};
        going = visit(path, stamp);
    } while (going && FindNextFileW(find.Get(), &found));
    find.Close();
    for (std::size_t i = 0; going && i < folders.size(); ++i)
        going = ScanFolder(root, folders[i], visit);
    return going;
}

}  // namespace

std::string LibraryIndexFile(const std::string& outFolder)
{
    const std::string runs = RunsFolder();
    if (runs.empty())
        return {};
    const std::string key = PathKey(FullPath(WithBackslash(outFolder)));
    char name[40];
    std::snprintf(name, sizeof name, "library-%016llx.qmlib",
                  static_cast<unsigned long long>(XXH3_64bits(key.data(), key.size())));
    return runs + name;
}

bool ScanLibrary(const std::string& root,
                 const std::function<bool(const std::string& relative, const FileStamp& stamp)>& visit)
{
    return ScanFolder(root, {}, visit);
}

RunLibrary::RunLibrary(const std::string& outFolder, bool preview)
    : root_(WithBackslash(outFolder)), file_(LibraryIndexFile(outFolder)), preview_(preview), index_(root_)
{ }

bool RunLibrary::Open(RunHost& host, RunProgress& progress)
{
    // No stored index, another library's or a damaged one: the scan finds everything again.
    if (!file_.empty())
        static_cast<void>(LoadLibraryIndex(SystemFileOps(), file_, index_));
    index_.BeginScan();
    std::uint64_t files = 0;
    Clock::time_point shown {};
    const bool complete = ScanLibrary(root_, [&](const std::string& relative, const FileStamp& stamp) {
        index_.Seen(relative, stamp);
        ++files;
        if (Clock::now() - shown >= kShowEvery) {
            progress.SetText("Reading the library " + root_ + ": " + std::to_string(files) + " files...");
            host.Pump();
            shown = Clock::now();
        }
        return !progress.Cancelled();
    });
    if (!complete)
        return false;
    index_.EndScan();
    return true;
}

bool RunLibrary::SourceVolume(const std::string& source, std::uint32_t& volume)
{
    std::string folder;
    if (!FolderOf(FullPath(source), folder))
        return false;
    const std::string key = PathKey(folder);
    const auto known = volumes_.find(key);
    if (known != volumes_.end()) {
        volume = known->second;
        return true;
    }
    FileIdentity identity;
    if (!SystemFileOps().Identity(folder, identity))
        return false;
    volumes_.emplace(key, identity.volume);
    volume = identity.volume;
    return true;
}

bool RunLibrary::KnownSource(const std::string& source, std::string& existing)
{
    std::uint32_t volume = 0;
    FileStamp stamp;
    return ReadStampOf(SystemFileOps(), source, stamp) && SourceVolume(source, volume) &&
           index_.FindSource(volume, PathKey(FullPath(source)), stamp, existing);
}

LibraryIndex::Found RunLibrary::KnownContent(const std::string& source, const std::string& bytesAt,
                                             ByteProgress* progress, std::string& existing)
{
    FileStamp stamp;
    if (!ReadStampOf(SystemFileOps(), bytesAt, stamp))
        return LibraryIndex::Found::No;
    const LibraryIndex::Found found = index_.FindContent(SystemFileOps(), bytesAt, stamp, progress, existing);
    // Its bytes were compared just now: the next run over the same source reads none of them.
    std::uint32_t volume = 0;
    FileStamp placed;
    if (found == LibraryIndex::Found::Yes && SourceVolume(source, volume) &&
        ReadStampOf(SystemFileOps(), existing, placed))
        index_.Imported({volume, PathKey(FullPath(source)), stamp, existing.substr(root_.size()), placed});
    return found;
}

void RunLibrary::Placed(const std::string& source, const std::string& target, bool haveVolume,
                        std::uint32_t volume, const FileStamp& sourceStamp)
{
    // Every target is the output folder as given followed by the folders and name the run made.
    const std::string relative = target.substr(root_.size());
    if (preview_) {
        index_.Placed(relative, sourceStamp, source);
        return;
    }
    FileStamp placed;
    if (!ReadStampOf(SystemFileOps(), target, placed))
        return;
    index_.Placed(relative, placed);
    if (haveVolume)
        index_.Imported({volume, PathKey(FullPath(source)), sourceStamp, relative, placed});
}

void RunLibrary::Save()
{
    if (preview_ || file_.empty() || !index_.Changed())
        return;
    std::string folder;
    if (!FolderOf(file_, folder) || !MakeFolders(SystemFileOps(), folder))
        return;
    static_cast<void>(SaveLibraryIndex(SystemFileOps(), file_, index_));
}

TransferResult LibraryFileSystem::Recorded(const std::string& source, const std::string& target, bool move,
                                           bool replace)
{
    if (library_ == nullptr)
        return replace ? inner_.Replace(source, target, move) : inner_.Transfer(source, target, move);
    // What the source is must be read before a move takes it away.
    std::uint32_t volume = 0;
    FileStamp stamp;
    const bool haveVolume = library_->SourceVolume(source, volume);
    ReadStampOf(SystemFileOps(), source, stamp);
    TransferResult placed =
            replace ? inner_.Replace(source, target, move) : inner_.Transfer(source, target, move);
    if (placed.outcome != TransferOutcome::Failed) {
        const KeepFileError keep(SystemFileOps());
        library_->Placed(source, target, haveVolume, volume, stamp);
    }
    return placed;
}
