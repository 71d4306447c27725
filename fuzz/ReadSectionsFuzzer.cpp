// Feeds arbitrary bytes to the JPEG section reader as a stream, as a file from anywhere would be,
// and once more through the block reader the program reads files with, in small blocks: both
// readings must agree.
#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

#include "metadata/JpegSectionReader.h"

namespace {

void Check(bool condition)
{
    if (!condition)
        __builtin_trap();
}

// The bytes handed out a block at a time, as a file read through its own handle.
class MemoryBlocks : public JpegBlockStream {
public:
    MemoryBlocks(const std::uint8_t* data, std::size_t size, std::size_t block)
        : JpegBlockStream(block), data_(data), size_(size)
    { }

protected:
    bool ReadBlock(unsigned char* to, std::size_t size, std::size_t& got) override
    {
        got = std::min(size, size_ - at_);
        std::memcpy(to, data_ + at_, got);
        at_ += got;
        return true;
    }

private:
    const std::uint8_t* data_;
    std::size_t size_;
    std::size_t at_ = 0;
};

}  // namespace

// The reader reports padding and end-of-image failures on standard output; millions of those
// lines would only slow the run. When /dev/null cannot be opened the lines are simply printed.
extern "C" int LLVMFuzzerInitialize(int*, char***)
{
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) {
        if (dup2(null, STDOUT_FILENO) < 0)
            std::perror("dup2");
        close(null);
    }
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    if (size == 0)
        return 0;
    std::FILE* stream = fmemopen(const_cast<std::uint8_t*>(data), size, "rb");
    if (stream == nullptr)
        return 0;
    ImageInfo info {};
    JpegSectionReader reader(&info);
    reader.ReadSections(stream);
    std::fclose(stream);

    // Every text is terminated inside its field, and the thumbnail lies inside a kept section.
    Check(std::strlen(reader.ErrorText()) < JpegSectionReader::kErrorTextSize);
    Check(std::strlen(info.model) < sizeof info.model);
    Check(std::strlen(info.bodySerial) < sizeof info.bodySerial);
    Check(std::strlen(info.dateTaken) < sizeof info.dateTaken);
    Check(std::strlen(info.dateTakenField) < sizeof info.dateTakenField);
    Check((info.dateTaken[0] == '\0') == (info.dateTakenField[0] == '\0'));
    Check(std::strlen(info.comment) < sizeof info.comment);
    Check(info.orientation >= 0 && info.orientation <= 8);
    Check(reader.SectionCount() >= 0 && reader.SectionCount() <= JpegSectionReader::kMaxSections);
    const std::string_view thumbnail = reader.ExifThumbnail();
    if (!thumbnail.empty()) {
        bool inside = false;
        for (int i = 0; i < reader.SectionCount(); ++i) {
            const JpegSection& section = reader.Section(i);
            const char* begin = reinterpret_cast<const char*>(section.data.get());
            if (begin != nullptr && thumbnail.data() > begin &&
                thumbnail.data() + thumbnail.size() <= begin + section.size)
                inside = true;
        }
        Check(inside);
    }
    // Blocks of 1 to 97 bytes put section boundaries at every place a block can end.
    ImageInfo blockInfo {};
    JpegSectionReader blockReader(&blockInfo);
    MemoryBlocks blocks(data, size, 1 + size % 97);
    blockReader.ReadSections(blocks);
    Check(blockReader.SectionCount() == reader.SectionCount());
    Check(std::strcmp(blockInfo.dateTaken, info.dateTaken) == 0);
    Check(std::strcmp(blockInfo.model, info.model) == 0);
    Check(std::strcmp(blockInfo.comment, info.comment) == 0);
    Check(blockInfo.orientation == info.orientation);
    Check(blockReader.ExifThumbnail().size() == thumbnail.size());
    return 0;
}
