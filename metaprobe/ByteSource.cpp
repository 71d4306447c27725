#include "metaprobe/ByteSource.h"

#include <algorithm>
#include <cstring>

#include "metaprobe/HostFacts.h"

namespace metaprobe {

bool ByteSource::ReadSome(uint64_t offset, size_t count, std::vector<uint8_t>& out)
{
    out.clear();
    if (offset >= Size())
        return count == 0;
    size_t n = size_t(std::min<uint64_t>(count, Size() - offset));
    out.resize(n);
    if (!Read(offset, out.data(), n)) {
        out.clear();
        return false;
    }
    return true;
}

bool MemorySource::Read(uint64_t offset, void* out, size_t count)
{
    if (!Contains(offset, count))
        return false;
    if (count != 0)
        std::memcpy(out, data_ + offset, count);
    return true;
}

namespace {

// 64-bit seeks: a video may be larger than 2 GB.
bool Seek(std::FILE* file, uint64_t offset)
{
#ifdef _WIN32
    return _fseeki64(file, static_cast<__int64>(offset), SEEK_SET) == 0;
#else
    return fseeko(file, static_cast<off_t>(offset), SEEK_SET) == 0;
#endif
}

bool SeekEnd(std::FILE* file, uint64_t& size)
{
#ifdef _WIN32
    if (_fseeki64(file, 0, SEEK_END) != 0)
        return false;
    __int64 pos = _ftelli64(file);
#else
    if (fseeko(file, 0, SEEK_END) != 0)
        return false;
    off_t pos = ftello(file);
#endif
    if (pos < 0)
        return false;
    size = static_cast<uint64_t>(pos);
    return true;
}

}  // namespace

std::unique_ptr<FileSource> FileSource::Open(const std::string& path)
{
    std::FILE* file = OpenFileForReading(path);
    if (!file)
        return nullptr;
    // The blocks are this source's own buffer: a second one in the stream would copy every byte
    // twice and split a large read into buffer-sized ones.
    uint64_t size = 0;
    if (std::setvbuf(file, nullptr, _IONBF, 0) != 0 || !SeekEnd(file, size)) {
        std::fclose(file);
        return nullptr;
    }
    return std::unique_ptr<FileSource>(new FileSource(file, size));
}

FileSource::~FileSource()
{
    std::fclose(file_);
}

bool FileSource::ReadAt(uint64_t offset, void* out, size_t count)
{
    ++systemReads_;
    return Seek(file_, offset) && std::fread(out, 1, count, file_) == count;
}

bool FileSource::Read(uint64_t offset, void* out, size_t count)
{
    if (!Contains(offset, count))
        return false;
    if (count == 0)
        return true;
    if (offset >= blockOffset_ && offset - blockOffset_ <= block_.size() &&
        count <= block_.size() - (offset - blockOffset_)) {
        std::memcpy(out, block_.data() + (offset - blockOffset_), count);
        return true;
    }
    if (count > kBlockSize / 2)
        return ReadAt(offset, out, count);
    // The block starts a little before the read, so that a reader stepping back a few bytes
    // still finds them; as the read is at most half a block, it ends inside the block.
    const uint64_t start = offset - offset % kBlockAlign;
    block_.resize(static_cast<size_t>(std::min<uint64_t>(kBlockSize, size_ - start)));
    if (!ReadAt(start, block_.data(), block_.size())) {
        block_.clear();
        return false;
    }
    blockOffset_ = start;
    std::memcpy(out, block_.data() + (offset - start), count);
    return true;
}

}  // namespace metaprobe
