#pragma once

#include <cstdio>
#include <memory>

#include "metadata/ExifParser.h"
#include "metadata/ImageInfo.h"

// One marker section as it stands in the file from its length field on: data[0] and data[1]
// are the big-endian length, data[2] to data[size - 1] the payload. The end-of-image marker,
// which has no length field, is kept with size 0 and no data.
struct JpegSection {
    std::unique_ptr<unsigned char[]> data;
    int marker = 0;
    int size = 0;
};

// Reads the marker sections of a JPEG stream from the start-of-image marker up to the
// start-of-scan marker (never the compressed image data) into ImageInfo: image size from the
// frame header, the first comment, the EXIF data of every "Exif" APP1 section, and the capture
// dates of the XMP APP1 section and of the blocks some cameras keep theirs in.
class JpegSectionReader {
public:
    static constexpr int kMaxSections = 20;

    // Fills `info` when given (the caller keeps ownership), else a zero-filled record of its own.
    explicit JpegSectionReader(ImageInfo* info = nullptr);

    JpegSectionReader(const JpegSectionReader&) = delete;
    JpegSectionReader& operator=(const JpegSectionReader&) = delete;

    // `stream` is opened for binary reading ("rb") at its first byte; the caller closes it.
    // True when the start-of-scan marker was reached. On false everything read so far stays.
    bool ReadSections(std::FILE* stream);

    const char* ErrorText() const { return errorMessage; }
    ImageInfo& Info() { return *info; }
    const ImageInfo& Info() const { return *info; }
    int SectionCount() const { return count; }
    // Any slot 0 to kMaxSections - 1; slots from SectionCount() on are empty or hold a section
    // whose reading failed.
    const JpegSection& Section(int index) const { return sections[index]; }

private:
    enum class Step { Continue, ReachedScan, Failed };

    bool ReadMarker(std::FILE* stream, int& marker);
    bool ReadSection(std::FILE* stream);
    Step ActOnSection(bool& commentTaken);
    void TakeFrame(const JpegSection& frame);
    void TakeComment(const JpegSection& comment);
    // The first XMP section with a capture date gives it, and the first with a GPS position
    // gives that; later ones are not read.
    void TakeXmp(const JpegSection& app1);
    // The first camera block (maker note, APP12 picture info, QVCI) with a capture date gives
    // it, read only while the EXIF data has none.
    void TakeCameraDate(const JpegSection& section);
    void Discard();
    void Fail(const char* message);
    void FailToStdout(const char* message);

    ImageInfo ownInfo {};  // used when the creator supplies no record
    ImageInfo* info;
    char errorMessage[kErrorTextSize] = {};
    ExifParser exifParser;
    JpegSection sections[kMaxSections];
    int count = 0;
};
