#include "metadata/JpegHeads.h"

#include <algorithm>
#include <new>
#include <set>

#include "base/OwnedHandle.h"
#include "base/WidePath.h"
#include "engine/WorkerPool.h"
#include "metadata/JpegSectionReader.h"

namespace {

// Holds an exclusive lock for its life.
class Locked {
public:
    explicit Locked(SRWLOCK& lock) : lock_(lock) { AcquireSRWLockExclusive(&lock_); }
    ~Locked() { ReleaseSRWLockExclusive(&lock_); }
    Locked(const Locked&) = delete;
    Locked& operator=(const Locked&) = delete;

private:
    SRWLOCK& lock_;
};

// Heads read at once: the reading waits on the system more than it computes.
constexpr int kReaders = 2;

// A file read through its own handle, a bounded block at a time, with no buffering of its own.
class HandleBlocks : public JpegBlockStream {
public:
    HandleBlocks(HANDLE file, unsigned char* block) : JpegBlockStream(block, kJpegHeadBlock), file_(file) { }

protected:
    bool ReadBlock(unsigned char* to, std::size_t size, std::size_t& got) override
    {
        DWORD read = 0;
        if (!ReadFile(file_, to, static_cast<DWORD>(size), &read, nullptr))
            return false;
        got = read;
        return true;
    }

private:
    HANDLE file_;
};

}  // namespace

bool ReadJpegHead(const std::string& path, ImageInfo& info, unsigned char* block)
{
    // Others may rename, replace or delete the file meanwhile: a head read ahead must not make a
    // step of the run (or another program) fail on a file it happens to hold.
    const OwnedHandle file(CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
    if (!file.Valid())
        return false;
    info = ImageInfo {};
    HandleBlocks bytes(file.Get(), block);
    JpegSectionReader reader(&info);
    reader.ReadSections(bytes);
    return true;
}

JpegHeadsAhead::~JpegHeadsAhead()
{
    {
        const Locked locked(lock_);
        waiting_.clear();
        told_.clear();
    }
    if (work_ != nullptr) {
        WaitForThreadpoolWorkCallbacks(work_, FALSE);
        CloseThreadpoolWork(work_);
    }
}

void JpegHeadsAhead::Tell(const std::vector<std::string>& paths)
{
    if (work_ == nullptr) {
        TP_CALLBACK_ENVIRON* const pool = WorkerPool();
        // Without a pool every head is read at its lookup, as it would be untold.
        work_ = pool != nullptr ? CreateThreadpoolWork(Work, this, pool) : nullptr;
        if (work_ == nullptr)
            return;
    }
    int submit = 0;
    {
        const Locked locked(lock_);
        const std::set<std::string> wanted(paths.begin(), paths.end());
        // A head read or being read stays only while it is still wanted; a reader that holds one
        // dropped ends it unseen.
        std::erase_if(told_, [&wanted](const auto& entry) { return wanted.count(entry.first) == 0; });
        waiting_.clear();
        for (const std::string& path : paths) {
            const auto found = told_.find(path);
            if (found == told_.end())
                waiting_.push_back(told_[path] = std::make_shared<Head>(Head {path}));
            else if (!found->second->begun)
                waiting_.push_back(found->second);
        }
        const int wanting = static_cast<int>(std::min<std::size_t>(waiting_.size(), kReaders));
        submit = std::max(0, wanting - readers_);
        readers_ += submit;
    }
    for (int i = 0; i < submit; ++i)
        SubmitThreadpoolWork(work_);
}

bool JpegHeadsAhead::Take(const std::string& path, bool& opened, ImageInfo& info)
{
    const Locked locked(lock_);
    const auto found = told_.find(path);
    if (found == told_.end())
        return false;
    const std::shared_ptr<Head> head = found->second;
    told_.erase(found);
    if (!head->begun) {
        std::erase(waiting_, head);
        return false;
    }
    while (!head->read)
        SleepConditionVariableSRW(&changed_, &lock_, INFINITE, 0);
    if (!head->readHere)
        return false;
    opened = head->opened;
    info = head->info;
    return true;
}

void CALLBACK JpegHeadsAhead::Work(PTP_CALLBACK_INSTANCE, void* data, PTP_WORK)
{
    static_cast<JpegHeadsAhead*>(data)->ReadTold();
}

void JpegHeadsAhead::ReadTold()
{
    // A block of this size per file costs the system a mapping and its release.
    const std::unique_ptr<unsigned char[]> block(new (std::nothrow) unsigned char[kJpegHeadBlock]);
    AcquireSRWLockExclusive(&lock_);
    while (block && !waiting_.empty()) {
        const std::shared_ptr<Head> head = waiting_.front();
        waiting_.pop_front();
        head->begun = true;
        ReleaseSRWLockExclusive(&lock_);
        ImageInfo info {};
        bool opened = false;
        bool readHere = true;
        // Nothing may be thrown through the pool's frames: a head whose read threw is read again
        // at its lookup, where the caller's handling sees what it throws.
        try {
            opened = ReadJpegHead(head->path, info, block.get());
        } catch (...) {
            readHere = false;
        }
        AcquireSRWLockExclusive(&lock_);
        head->info = info;
        head->opened = opened;
        head->readHere = readHere;
        head->read = true;
        WakeAllConditionVariable(&changed_);
    }
    // Without a block the heads left waiting are read at their lookups.
    --readers_;
    ReleaseSRWLockExclusive(&lock_);
}
