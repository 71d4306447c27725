#pragma once

#include <cstdio>
#include <memory>
#include <string_view>

#include "metadata/ImageInfo.h"
#include "metaprobe/ExifFacts.h"
#include "metaprobe/JpegSegments.h"
#include "metaprobe/Listing.h"

// One marker section as it stands in the file from its length field on: data[0] and data[1]
// are the big-endian length, data[2] to data[size - 1] the payload. The end-of-image marker,
// which has no length field, is kept with size 0 and no data.
struct JpegSection {
    std::unique_ptr<unsigned char[]> data;
    int marker = 0;
    int size = 0;
};

// Where the reader takes a file's bytes from, in order.
class JpegByteStream {
public:
    virtual ~JpegByteStream() = default;
    // The next byte, or EOF at the end or after a failed read.
    virtual int Next() = 0;
    // Exactly size bytes; false when fewer are there or a read failed.
    virtual bool Take(unsigned char* to, std::size_t size) = 0;
};

// A stream read in blocks of a bounded size into one buffer: the first block holds the marker
// sections of nearly every file, so a file's head costs one read; a longer head reads on.
class JpegBlockStream : public JpegByteStream {
public:
    explicit JpegBlockStream(std::size_t blockSize)
        : own_(new unsigned char[blockSize]), buffer_(own_.get()), size_(blockSize)
    { }
    // Into the caller's block of blockSize bytes, which outlives the stream: a reader of many files
    // allocates it once.
    JpegBlockStream(unsigned char* block, std::size_t blockSize) : buffer_(block), size_(blockSize) { }

    int Next() override;
    bool Take(unsigned char* to, std::size_t size) override;

protected:
    // Up to size bytes of the file from where the last block ended; got 0 at the end. False when
    // the read failed.
    virtual bool ReadBlock(unsigned char* to, std::size_t size, std::size_t& got) = 0;

private:
    bool Refill();

    std::unique_ptr<unsigned char[]> own_;  // none when the caller gave the block
    unsigned char* buffer_;
    std::size_t size_;
    std::size_t at_ = 0;
    std::size_t end_ = 0;
    bool ended_ = false;  // the end was reached or a read failed: nothing more is read
};

// Reads the marker sections of a JPEG stream from the start-of-image marker up to the
// start-of-scan marker (never the compressed image data) into ImageInfo: image size from the
// frame header, the first comment, and what the metadata segments give: they are listed as the
// metadata tool lists them (JpegSegments), the first of kDateTakenFields listed gives the capture
// date, and the same walk of the first EXIF block gives its fields (ExifFields.h).
class JpegSectionReader {
public:
    static constexpr int kMaxSections = 20;
    static constexpr std::size_t kErrorTextSize = 256;

    // Fills `info` when given (the caller keeps ownership), else a zero-filled record of its own.
    explicit JpegSectionReader(ImageInfo* info = nullptr);

    JpegSectionReader(const JpegSectionReader&) = delete;
    JpegSectionReader& operator=(const JpegSectionReader&) = delete;

    // `stream` is opened for binary reading ("rb") at its first byte; the caller closes it.
    // True when the start-of-scan marker was reached. On false everything read so far stays.
    bool ReadSections(std::FILE* stream);
    bool ReadSections(JpegByteStream& stream);

    const char* ErrorText() const { return errorMessage; }
    ImageInfo& Info() { return *info; }
    const ImageInfo& Info() const { return *info; }
    int SectionCount() const { return count; }
    // Any slot 0 to kMaxSections - 1; slots from SectionCount() on are empty or hold a section
    // whose reading failed.
    const JpegSection& Section(int index) const { return sections[index]; }
    // The thumbnail JPEG of the first EXIF block, inside the sections read: empty when the block
    // names none or names bytes outside itself. Valid while this reader lives.
    std::string_view ExifThumbnail() const;

private:
    enum class Step { Continue, ReachedScan, Failed };

    bool ReadAll(JpegByteStream& stream);
    bool ReadMarker(JpegByteStream& stream, int& marker);
    bool ReadSection(JpegByteStream& stream);
    Step ActOnSection(bool& commentTaken);
    void TakeFrame(const JpegSection& frame);
    void TakeComment(const JpegSection& comment);
    void ListSegment(const JpegSection& section);
    void TakeDate();
    // The first XMP section with a GPS position gives it; later ones are not read for one.
    void TakeXmpPosition(const JpegSection& app1);
    void Discard();
    void Fail(const char* message);
    void FailToStdout(const char* message);

    ImageInfo ownInfo {};  // used when the creator supplies no record
    ImageInfo* info;
    char errorMessage[kErrorTextSize] = {};
    metaprobe::Listing dates;
    metaprobe::ExifFacts facts {};
    metaprobe::JpegSegments segments {dates, facts};
    JpegSection sections[kMaxSections];
    int count = 0;
};
