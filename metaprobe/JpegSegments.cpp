#include "metaprobe/JpegSegments.h"

#include <cstring>

#include "metaprobe/CameraTextBlocks.h"
#include "metaprobe/IptcReader.h"
#include "metaprobe/TiffReader.h"
#include "metaprobe/ValueText.h"
#include "metaprobe/WindowSource.h"
#include "metaprobe/XmpReader.h"

namespace metaprobe {

namespace {

constexpr char kXmpSignature[] = "http://ns.adobe.com/xap/1.0/";  // with its NUL: 29 bytes
constexpr char kExtendedSignature[] = "http://ns.adobe.com/xmp/extension/";  // with its NUL: 35
// After the extended signature: the packet's ID (32 hex digits), its full size and the piece's
// offset (32-bit big-endian each).
constexpr size_t kExtendedIdSize = 32;
constexpr size_t kExtendedHead = sizeof kExtendedSignature + kExtendedIdSize + 8;
constexpr size_t kMaxExtendedPackets = 16;  // IDs whose pieces are kept before one is named
constexpr char kPhotoshopSignature[] = "Photoshop 3.0";  // with its NUL: 14 bytes
constexpr uint16_t kIptcResource = 0x0404;
constexpr uint64_t kMaxBlockBytes = 1 << 16;  // a segment's payload is smaller

bool StartsWith(ByteSource& payload, const char* text, size_t size)
{
    std::vector<uint8_t> head;
    return payload.Size() >= size && payload.ReadSome(0, size, head) && head.size() == size &&
           std::memcmp(head.data(), text, size) == 0;
}

bool Whole(ByteSource& payload, std::vector<uint8_t>& bytes)
{
    return payload.Size() <= kMaxBlockBytes && payload.ReadSome(0, size_t(payload.Size()), bytes) &&
           bytes.size() == payload.Size();
}

}  // namespace

void JpegSegments::Segment(uint8_t marker, ByteSource& payload)
{
    std::vector<uint8_t> bytes;
    switch (marker) {
    case 0xE0:
        // The byte order, the header's length, then "HEAPJPGM".
        if (payload.ReadSome(0, 14, bytes) && bytes.size() == 14 &&
            std::memcmp(bytes.data() + 6, "HEAPJPGM", 8) == 0)
            ReadCiff(payload, listing_);
        break;
    case 0xE1: App1(payload); break;
    case 0xEC:
        if (Whole(payload, bytes))
            ReadPictureInfo(bytes, listing_);
        break;
    case 0xED:
        if (StartsWith(payload, kPhotoshopSignature, sizeof kPhotoshopSignature) && Whole(payload, bytes))
            ReadPhotoshopResources(
                    std::vector<uint8_t>(bytes.begin() + sizeof kPhotoshopSignature, bytes.end()), listing_);
        break;
    default: break;
    }
}

void JpegSegments::App1(ByteSource& payload)
{
    const uint64_t size = payload.Size();
    if (!exifRead_ && size > 6 && StartsWith(payload, "Exif\0\0", 6)) {
        WindowSource exif(payload, 6, size - 6);
        exifRead_ = ReadTiff(exif, 0, listing_, facts_);
    } else if (size > sizeof kXmpSignature && StartsWith(payload, kXmpSignature, sizeof kXmpSignature)) {
        std::vector<uint8_t> bytes;
        if (!Whole(payload, bytes))
            return;
        const std::string packet(bytes.begin() + sizeof kXmpSignature, bytes.end());
        ReadXmp(packet, listing_);
        // Only the packet the first standard packet names is read.
        if (extendedId_.empty())
            extendedId_ = XmpExtendedId(packet);
    } else if (size > kExtendedHead && StartsWith(payload, kExtendedSignature, sizeof kExtendedSignature)) {
        ExtendedXmpPiece(payload);
    } else if (size > 4 && StartsWith(payload, "QVCI", 4)) {
        std::vector<uint8_t> bytes;
        if (Whole(payload, bytes))
            ReadQvci(bytes, listing_);
    }
}

void JpegSegments::ExtendedXmpPiece(ByteSource& payload)
{
    std::vector<uint8_t> bytes;
    if (!Whole(payload, bytes))
        return;
    const uint8_t* head = bytes.data() + sizeof kExtendedSignature;
    const std::string id(reinterpret_cast<const char*>(head), kExtendedIdSize);
    const uint32_t total = Get32(head + kExtendedIdSize, true),
                   offset = Get32(head + kExtendedIdSize + 4, true);
    const size_t length = bytes.size() - kExtendedHead;
    // A piece lies inside its packet.
    if (total == 0 || total > kMaxExtendedXmpBytes || offset >= total || length > total - offset)
        return;
    // Once the standard packet has named its extended packet, pieces of others are left alone;
    // before that, every packet's pieces are kept, up to the bound on all of them.
    if ((!extendedId_.empty() && id != extendedId_) ||
        (extended_.count(id) == 0 && extended_.size() >= kMaxExtendedPackets))
        return;
    ExtendedPacket& packet = extended_[id];
    if (packet.pieces.empty())
        packet.size = total;
    if (total != packet.size || packet.pieces.count(offset) != 0 || length > total - packet.kept ||
        length > kMaxExtendedXmpBytes - extendedKept_)
        return;
    packet.kept += uint32_t(length);
    extendedKept_ += uint32_t(length);
    packet.pieces[offset].assign(bytes.begin() + kExtendedHead, bytes.end());
}

void JpegSegments::Finish()
{
    const auto named = extended_.find(extendedId_);
    if (extendedId_.empty() || named == extended_.end())
        return;
    // The pieces in the order of their offsets, overlaps taken once; a gap leaves it unread.
    std::string packet;
    for (const auto& [offset, piece] : named->second.pieces) {
        if (offset > packet.size())
            return;
        if (offset + piece.size() > packet.size())
            packet.append(piece.begin() + long(packet.size() - offset), piece.end());
    }
    if (packet.size() != named->second.size)
        return;
    ReadXmp(packet, listing_);
}

void ReadPhotoshopResources(const std::vector<uint8_t>& resources, Listing& listing)
{
    // Each: "8BIM", the resource ID, a Pascal name padded to an even size, the data size, the
    // data, padded to an even size.
    size_t at = 0;
    while (resources.size() - at >= 12 && std::memcmp(resources.data() + at, "8BIM", 4) == 0) {
        const unsigned id = Get16(resources.data() + at + 4, true);
        const size_t nameSize = (1 + size_t(resources[at + 6]) + 1) & ~size_t(1);
        const size_t sizeAt = at + 6 + nameSize;
        if (sizeAt + 4 > resources.size())
            return;
        const uint64_t size = Get32(resources.data() + sizeAt, true);
        const size_t data = sizeAt + 4;
        if (size > resources.size() - data)
            return;
        if (id == kIptcResource) {
            ReadIptc(std::vector<uint8_t>(resources.begin() + long(data),
                                          resources.begin() + long(data + size)),
                     listing);
        }
        at = data + size_t(size) + (size & 1);
        if (at > resources.size())
            return;
    }
}

}  // namespace metaprobe
