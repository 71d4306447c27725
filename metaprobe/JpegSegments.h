// The metadata segments of a JPEG stream that hold dates: the EXIF block (with its maker note),
// XMP (the standard packet and an extended one), IPTC in a Photoshop APP13 segment, the CIFF
// heap of early Canon compacts (APP0), Casio's QVCI block (APP1) and the picture info text of
// APP12. The tool's JPEG reader and the program's in-process JPEG lookup both list them through
// this class, so that both find the same capture date.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "metaprobe/ByteSource.h"
#include "metaprobe/ExifFacts.h"
#include "metaprobe/Listing.h"

namespace metaprobe {

// Largest extended XMP packet put together; a larger one is not read.
constexpr uint32_t kMaxExtendedXmpBytes = 16u << 20;

class JpegSegments {
public:
    JpegSegments(Listing& listing, ExifFacts& facts) : listing_(listing), facts_(facts) { }

    // One segment: its marker and its payload (the bytes after the length field). Segments of
    // other kinds are left alone.
    void Segment(uint8_t marker, ByteSource& payload);
    // After the last segment: lists the extended XMP packet when all of its pieces came.
    void Finish();
    bool ExifRead() const { return exifRead_; }

private:
    void App1(ByteSource& payload);
    void ExtendedXmpPiece(ByteSource& payload);

    Listing& listing_;
    ExifFacts& facts_;
    bool exifRead_ = false;
    // Extended packets by ID, each put together from its pieces by offset; the standard packet
    // names the one that is read.
    struct ExtendedPacket {
        uint32_t size = 0;
        uint32_t kept = 0;
        std::map<uint32_t, std::vector<uint8_t>> pieces;
    };
    std::string extendedId_;
    std::map<std::string, ExtendedPacket> extended_;
    uint32_t extendedKept_ = 0;  // bytes of all packets' pieces
};

// Photoshop's image resources of an APP13 segment after "Photoshop 3.0\0": lists the IPTC block.
void ReadPhotoshopResources(const std::vector<uint8_t>& resources, Listing& listing);

// The CIFF heap of a CRW file or of a JPEG's APP0 segment: the header (byte order, header
// length, "HEAP" and the file's kind), then the root heap. False when `source` holds none.
bool ReadCiff(ByteSource& source, Listing& listing);

}  // namespace metaprobe
