#include "metadata/JpegSectionReader.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>

#include "metaprobe/ByteSource.h"
#include "metadata/ExifFields.h"
#include "metaprobe/Composite.h"
#include "metaprobe/XmpReader.h"

namespace {

constexpr int kStartOfImage = 0xD8;
constexpr int kEndOfImage = 0xD9;
constexpr int kStartOfScan = 0xDA;
constexpr int kApp0 = 0xE0;
constexpr int kApp1 = 0xE1;
constexpr int kApp12 = 0xEC;
constexpr int kApp13 = 0xED;
constexpr int kComment = 0xFE;

constexpr int kMaxFillBytes = 6;
constexpr int kFrameHeaderSize = 8;
constexpr int kCommentSectionLimit = 1000;

// Start-of-frame markers: 0xC0 to 0xCF except DHT (0xC4), JPG (0xC8) and DAC (0xCC).
bool IsStartOfFrame(int marker)
{
    return marker >= 0xC0 && marker <= 0xCF && marker != 0xC4 && marker != 0xC8 && marker != 0xCC;
}

// A stdio stream, read through its own buffer.
class FileByteStream : public JpegByteStream {
public:
    explicit FileByteStream(std::FILE* stream) : stream_(stream) { }
    int Next() override { return std::fgetc(stream_); }
    bool Take(unsigned char* to, std::size_t size) override
    {
        return std::fread(to, 1, size, stream_) == size;
    }

private:
    std::FILE* stream_;
};

}  // namespace

int JpegBlockStream::Next()
{
    if (at_ == end_ && !Refill())
        return EOF;
    return buffer_[at_++];
}

bool JpegBlockStream::Take(unsigned char* to, std::size_t size)
{
    while (size > 0) {
        if (at_ == end_ && !Refill())
            return false;
        const std::size_t n = std::min(size, end_ - at_);
        std::memcpy(to, buffer_ + at_, n);
        at_ += n;
        to += n;
        size -= n;
    }
    return true;
}

bool JpegBlockStream::Refill()
{
    std::size_t got = 0;
    if (ended_ || !ReadBlock(buffer_, size_, got) || got == 0 || got > size_) {
        ended_ = true;
        return false;
    }
    at_ = 0;
    end_ = got;
    return true;
}

JpegSectionReader::JpegSectionReader(ImageInfo* given) : info(given != nullptr ? given : &ownInfo)
{ }

void JpegSectionReader::Fail(const char* message)
{
    std::snprintf(errorMessage, sizeof errorMessage, "%s", message);
}

void JpegSectionReader::FailToStdout(const char* message)
{
    // The program has no console in normal use, so a failed write has nobody to tell; the text
    // also goes to ErrorText(), which is the record that callers can read.
    std::printf("%s\n", message);
    std::fflush(stdout);
    Fail(message);
}

bool JpegSectionReader::ReadSections(std::FILE* stream)
{
    FileByteStream bytes(stream);
    return ReadSections(bytes);
}

bool JpegSectionReader::ReadSections(JpegByteStream& stream)
{
    const bool read = ReadAll(stream);
    TakeDate();
    TakeExifFields(facts.image, segments.ExifRead(), *info);
    return read;
}

bool JpegSectionReader::ReadAll(JpegByteStream& stream)
{
    const int first = stream.Next();
    const int second = stream.Next();
    if (first != 0xFF || second != kStartOfImage)
        return false;

    bool commentTaken = false;
    while (count < kMaxSections) {
        if (!ReadSection(stream))
            return false;
        switch (ActOnSection(commentTaken)) {
        case Step::Continue: break;
        case Step::ReachedScan: return true;
        case Step::Failed: return false;
        }
    }
    Fail("Too many sections in jpg file");
    return false;
}

bool JpegSectionReader::ReadMarker(JpegByteStream& stream, int& marker)
{
    int fillBytes = 0;
    for (;;) {
        const int byte = stream.Next();
        if (byte == EOF) {
            Fail("invalid marker");
            return false;
        }
        if (byte != 0xFF) {
            marker = byte;
            return true;
        }
        if (++fillBytes > kMaxFillBytes) {
            FailToStdout("too many padding unsigned chars");
            return false;
        }
    }
}

bool JpegSectionReader::ReadSection(JpegByteStream& stream)
{
    JpegSection& section = sections[count];
    int marker = 0;
    if (!ReadMarker(stream, marker))
        return false;
    section.marker = marker;
    if (marker == kEndOfImage) {
        // The end-of-image marker has no length field: reading one would take the bytes behind it
        // (or the end of the file) for a length and hide the real failure.
        section.size = 0;
        section.data.reset();
        ++count;
        return true;
    }

    const int high = stream.Next();
    const int low = stream.Next();
    if (high == EOF || low == EOF || high * 256 + low < 2) {
        Fail("invalid marker");
        return false;
    }
    const int length = high * 256 + low;
    section.size = length;
    section.data.reset(new (std::nothrow) unsigned char[length]);
    if (!section.data) {
        Fail("Could not allocate memory");
        return false;
    }
    section.data[0] = static_cast<unsigned char>(high);
    section.data[1] = static_cast<unsigned char>(low);
    const auto payloadSize = static_cast<std::size_t>(length - 2);
    if (!stream.Take(section.data.get() + 2, payloadSize)) {
        Fail("Premature end of file?");
        return false;
    }
    ++count;
    return true;
}

JpegSectionReader::Step JpegSectionReader::ActOnSection(bool& commentTaken)
{
    JpegSection& section = sections[count - 1];
    if (IsStartOfFrame(section.marker)) {
        TakeFrame(section);
        return Step::Continue;
    }
    switch (section.marker) {
    case kEndOfImage: FailToStdout("No image in jpeg!"); return Step::Failed;
    case kStartOfScan: return Step::ReachedScan;
    case kApp0:
        ListSegment(section);
        Discard();
        return Step::Continue;
    case kApp1:
        ListSegment(section);
        // The EXIF block was read as it was listed; its section is kept.
        if (section.size < 6 || std::memcmp(section.data.get() + 2, "Exif", 4) != 0) {
            TakeXmpPosition(section);
            Discard();
        }
        return Step::Continue;
    case kApp12:
    case kApp13: ListSegment(section); return Step::Continue;
    case kComment:
        if (commentTaken) {
            Discard();
        } else {
            TakeComment(section);
            commentTaken = true;
        }
        return Step::Continue;
    default: return Step::Continue;
    }
}

void JpegSectionReader::TakeFrame(const JpegSection& frame)
{
    info->codingProcess = frame.marker;
    // A frame header cut short is not trusted for any of its fields.
    if (frame.size < kFrameHeaderSize)
        return;
    const unsigned char* data = frame.data.get();
    info->imageHeight = data[3] * 256 + data[4];
    info->imageWidth = data[5] * 256 + data[6];
    info->isColor = data[7] == 3 ? 1 : 0;
}

void JpegSectionReader::TakeComment(const JpegSection& comment)
{
    const unsigned char* data = comment.data.get();
    const int end = std::min(comment.size, kCommentSectionLimit);
    std::memset(info->comment, 0, sizeof info->comment);
    std::size_t length = 0;
    for (int i = 2; i < end; ++i) {
        const unsigned char byte = data[i];
        if (byte == '\r' && i + 1 < comment.size && data[i + 1] == '\n')
            continue;
        const bool kept = byte >= 32 || byte == '\n' || byte == '\t';
        info->comment[length++] = kept ? static_cast<char>(byte) : '?';
    }
}

void JpegSectionReader::TakeXmpPosition(const JpegSection& app1)
{
    constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";
    constexpr int kXmpSignatureSize = sizeof kXmpSignature;
    const int payloadSize = app1.size - 2;
    const char* payload = reinterpret_cast<const char*>(app1.data.get() + 2);
    if (info->hasXmpPosition || payloadSize < kXmpSignatureSize ||
        std::memcmp(payload, kXmpSignature, kXmpSignatureSize) != 0)
        return;
    const std::string packet(payload + kXmpSignatureSize,
                             static_cast<std::size_t>(payloadSize - kXmpSignatureSize));
    if (const auto position = metaprobe::XmpGpsPosition(packet)) {
        info->xmpLatitude = position->latitude;
        info->xmpLongitude = position->longitude;
        info->hasXmpPosition = true;
    }
}

void JpegSectionReader::ListSegment(const JpegSection& section)
{
    metaprobe::MemorySource payload(section.data.get() + 2, static_cast<std::size_t>(section.size - 2));
    segments.Segment(static_cast<uint8_t>(section.marker), payload);
}

void JpegSectionReader::TakeDate()
{
    segments.Finish();
    metaprobe::AddCompositeDates(dates);
    for (const char* field : kDateTakenFields) {
        const std::string date = dates.Value(field);
        if (date.empty())
            continue;
        const std::size_t length = std::min(date.size(), sizeof info->dateTaken - 1);
        std::memcpy(info->dateTaken, date.data(), length);
        info->dateTaken[length] = '\0';
        std::snprintf(info->dateTakenField, sizeof info->dateTakenField, "%s", field);
        return;
    }
}

std::string_view JpegSectionReader::ExifThumbnail() const
{
    const std::uint64_t offset = info->thumbnailOffset, length = info->thumbnailLength;
    if (length == 0)
        return {};
    // The first APP1 section that holds an EXIF block is the one the fields came from: after its
    // length field, "Exif" and two NULs, then the TIFF header the offset counts from.
    constexpr int kTiffStart = 2 + 6;
    for (int i = 0; i < count; ++i) {
        const JpegSection& section = sections[i];
        if (section.marker != 0xE1 || section.size <= kTiffStart ||
            std::string_view(reinterpret_cast<const char*>(section.data.get()) + 2, 6) !=
                    std::string_view("Exif\0\0", 6))
            continue;
        const std::uint64_t tiffSize = static_cast<std::uint64_t>(section.size - kTiffStart);
        if (offset >= tiffSize || length > tiffSize - offset)
            return {};
        return {reinterpret_cast<const char*>(section.data.get()) + kTiffStart + offset,
                static_cast<std::size_t>(length)};
    }
    return {};
}

void JpegSectionReader::Discard()
{
    --count;
    sections[count].data.reset();
    sections[count].marker = 0;
    sections[count].size = 0;
}
