#include "engine/ContentCompare.h"

#include <windows.h>

#include <algorithm>
#include <cstring>
#include <vector>

#include "engine/RunFileSystem.h"

namespace {

class ReadHandle {
public:
    explicit ReadHandle(const std::string& path)
        // Others may go on reading and writing: the comparison only needs a consistent moment,
        // and a file another program holds open must not fail the run.
        : handle_(CreateFileA(path.c_str(), GENERIC_READ,
                              FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                              FILE_FLAG_SEQUENTIAL_SCAN, nullptr))
    { }
    ~ReadHandle()
    {
        if (handle_ != INVALID_HANDLE_VALUE)
            CloseHandle(handle_);
    }
    ReadHandle(const ReadHandle&) = delete;
    ReadHandle& operator=(const ReadHandle&) = delete;

    bool Valid() const { return handle_ != INVALID_HANDLE_VALUE; }
    HANDLE Get() const { return handle_; }

private:
    HANDLE handle_;
};

bool IsPlainFile(HANDLE file, LARGE_INTEGER& size)
{
    BY_HANDLE_FILE_INFORMATION info;
    if (!GetFileInformationByHandle(file, &info) || (info.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
        return false;
    size.HighPart = static_cast<LONG>(info.nFileSizeHigh);
    size.LowPart = info.nFileSizeLow;
    return true;
}

// Fills the block unless the file ends first; `got` is what was read.
bool ReadBlock(HANDLE file, std::vector<char>& block, DWORD& got)
{
    got = 0;
    while (got < block.size()) {
        DWORD read = 0;
        if (!ReadFile(file, block.data() + got, static_cast<DWORD>(block.size()) - got, &read, nullptr))
            return false;
        if (read == 0)
            break;
        got += read;
    }
    return true;
}

}  // namespace

bool HaveSameContent(const std::string& a, const std::string& b)
{
    ReadHandle fileA(a);
    ReadHandle fileB(b);
    if (!fileA.Valid() || !fileB.Valid())
        return false;
    LARGE_INTEGER sizeA, sizeB;
    if (!IsPlainFile(fileA.Get(), sizeA) || !IsPlainFile(fileB.Get(), sizeB) ||
        sizeA.QuadPart != sizeB.QuadPart)
        return false;
    // Photos are often smaller than a block: the buffers take only what the file needs.
    const auto blockSize = static_cast<std::size_t>(
            std::min<LONGLONG>(static_cast<LONGLONG>(kCompareBlockSize), sizeA.QuadPart + 1));
    std::vector<char> blockA(blockSize), blockB(blockSize);
    for (;;) {
        DWORD gotA = 0, gotB = 0;
        if (!ReadBlock(fileA.Get(), blockA, gotA) || !ReadBlock(fileB.Get(), blockB, gotB) || gotA != gotB)
            return false;
        if (gotA == 0)
            return true;
        if (std::memcmp(blockA.data(), blockB.data(), gotA) != 0)
            return false;
    }
}

bool RealFileSystem::SameContent(const std::string& a, const std::string& b)
{
    return HaveSameContent(a, b);
}
