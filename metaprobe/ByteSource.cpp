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
    uint64_t size = 0;
    if (!SeekEnd(file, size)) {
        std::fclose(file);
        return nullptr;
    }
    return std::unique_ptr<FileSource>(new FileSource(file, size));
}

FileSource::~FileSource()
{
    std::fclose(file_);
}

bool FileSource::Read(uint64_t offset, void* out, size_t count)
{
    if (!Contains(offset, count))
        return false;
    if (count == 0)
        return true;
    if (!Seek(file_, offset))
        return false;
    return std::fread(out, 1, count, file_) == count;
}

}  // namespace metaprobe
