#include "engine/FileOps.h"

#include <algorithm>

// Where nothing is gained by flushing together: one copy after another.
void FileOps::CopyNewTogether(std::vector<BatchCopy>& copies, const std::function<bool()>& stop)
{
    bool stopped = false;
    for (BatchCopy& copy : copies) {
        stopped = stopped || (stop && stop());
        if (stopped) {
            copy.status = FileFailure(FileError::kCancelled);
            continue;
        }
        copy.status = CopyNew(copy.source, copy.target, copy.expectedSize, nullptr, copy.hasher);
        copy.done = copy.status.Ok();
        if (copy.done && copy.progress != nullptr)
            copy.progress->Written(copy);
    }
}

std::string FileOps::NameKey(const std::string& name) const
{
    // Letters beyond ASCII are left as they are: two spellings it does not join are only asked
    // of the file system itself, which refuses a name that is taken.
    std::string key = name;
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

bool FileIsThere(FileOps& ops, const std::string& path)
{
    FileState state;
    return ops.Stat(path, state) && !state.folder;
}

bool AnythingThere(FileOps& ops, const std::string& path)
{
    FileState state;
    return ops.Stat(path, state);
}

bool ReadStampOf(FileOps& ops, const std::string& path, FileStamp& stamp)
{
    FileState state;
    if (!ops.Stat(path, state) || state.folder)
        return false;
    stamp = state.stamp;
    return true;
}

Status MakeFolders(FileOps& ops, const std::string& folder)
{
    std::string walk = folder;
    while (!walk.empty() && walk.back() == '\\')
        walk.pop_back();
    std::vector<std::string> missing;
    FileState state;
    while (!walk.empty() && !ops.Stat(walk, state)) {
        missing.push_back(walk);
        const auto slash = walk.rfind('\\');
        if (slash == std::string::npos || slash == 0 || walk[slash - 1] == '\\')
            break;
        walk.resize(slash);
    }
    if (missing.empty() && !walk.empty() && !state.folder)
        return FileFailure(FileError::kAlreadyExists);
    // A level another program made meanwhile is there as well.
    for (auto it = missing.rbegin(); it != missing.rend(); ++it)
        if (Status made = ops.MakeFolder(*it); !made && made.Code() != FileError::kAlreadyExists)
            return made;
    return Status();
}

bool SameBytes(FileOps& ops, const std::string& a, const std::string& b, ByteProgress* progress)
{
    FileState sa, sb;
    if (!ops.Stat(a, sa) || !ops.Stat(b, sb) || sa.folder || sb.folder || sa.stamp.size != sb.stamp.size)
        return false;
    const std::unique_ptr<ReadStream> fa = ops.OpenRead(a);
    const std::unique_ptr<ReadStream> fb = fa ? ops.OpenRead(b) : nullptr;
    if (!fa || !fb)
        return false;
    // Photos are often smaller than a block: the buffers take only what the files need.
    const std::size_t kBlock =
            static_cast<std::size_t>(std::min<std::uint64_t>(kCompareBlockSize, sa.stamp.size + 1));
    std::vector<char> ba(kBlock), bb(kBlock);
    std::uint64_t done = 0;
    for (;;) {
        std::size_t na = 0, nb = 0;
        if (!fa->Read(ba.data(), kBlock, na) || !fb->Read(bb.data(), kBlock, nb) || na != nb ||
            !std::equal(ba.begin(), ba.begin() + static_cast<std::ptrdiff_t>(na), bb.begin()))
            return false;
        if (na == 0)
            return true;
        done += na;
        if (progress != nullptr && !progress->Advance(done, sa.stamp.size)) {
            ops.SetLastError(FileError::kCancelled);
            return false;
        }
    }
}
