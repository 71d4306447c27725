#pragma once

#include <cstddef>
#include <cstdint>

#include "metadata/ImageInfo.h"

// Size of the failure text buffer shared by the JPEG reader and the EXIF parser.
constexpr std::size_t kErrorTextSize = 256;

// Reads the EXIF data of a JPEG APP1 section: the EXIF and TIFF headers, the chain of TIFF
// directories and their Exif, interoperability and GPS sub-directories, into an ImageInfo.
// The input is untrusted: every read is checked against the section's length, and the walk
// visits each directory at most once and at most kMaxDirectories of them per parse.
class ExifParser {
public:
    // Writes into `info` and, on failures, into `errorText` (kErrorTextSize characters).
    ExifParser(ImageInfo& info, char* errorText);

    ExifParser(const ExifParser&) = delete;
    ExifParser& operator=(const ExifParser&) = delete;

    // `payload` is the APP1 data after the length field (it begins with "Exif"), `sectionSize`
    // the section's length field, so the payload holds sectionSize - 2 bytes. The user comment
    // is trimmed in place and `thumbnail` points into the payload afterwards.
    bool ParseExif(unsigned char* payload, int sectionSize);

    static constexpr int kMaxDirectories = 64;

private:
    // `mainImage`: the first directory and its sub-directories, not the thumbnail's chain.
    bool WalkDirectory(std::uint32_t start, bool mainImage);
    double ConvertValue(const unsigned char* value, unsigned format) const;

    // The tags stored as plain numbers (a table); false for any other tag.
    bool StoreNumberTag(unsigned tag, double number);
    void StoreTag(unsigned tag, unsigned format, std::uint32_t components, unsigned char* value,
                  std::uint64_t byteCount, long long& thumbnailOffset, long long& thumbnailLength);
    void StoreUserComment(unsigned char* value, std::uint64_t byteCount);
    bool FollowLink(std::uint32_t offset, bool mainImage);
    // The position of the main image's GPS directory, into info.
    void ReadGpsDirectory(std::uint32_t start);
    bool MarkVisited(std::uint32_t start);

    unsigned Get16(const unsigned char* p) const;
    std::uint32_t Get32(const unsigned char* p) const;
    void Fail(const char* message);

    ImageInfo& info;
    char* errorText;

    bool motorolaOrder = false;
    int largestDimension = 0;

    // The TIFF data of the current parse.
    unsigned char* tiff = nullptr;
    std::uint32_t tiffLength = 0;

    // Directories already walked in the current parse, by offset.
    std::uint32_t visited[kMaxDirectories] = {};
    int visitedCount = 0;

    // Whether the main image's directories held an orientation in the current parse.
    bool mainImageOrientation = false;
};
