// Canon CIFF, in CRW files and in the APP0 segment of early Canon compacts' JPEGs: nested heaps of
// records. Lists the camera, the capture time and the image size and rotation.

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "metaprobe/JpegSegments.h"
#include "metaprobe/Readers.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

constexpr unsigned kMaxDepth = 8;
constexpr unsigned kMaxRecords = 10000;  // per file
constexpr uint32_t kMaxValueBytes = 1 << 16;

enum RecordTag : uint16_t {
    kMakeModel = 0x080A,
    kFirmwareVersion = 0x080B,
    kOwnerName = 0x0810,
    kTimeStamp = 0x180E,
    kImageInfo = 0x1810,
};

constexpr uint16_t kTypeMask = 0x3800;
constexpr uint16_t kInEntry = 0x4000;  // the value is the entry's own 8 bytes

class CiffWalker {
public:
    CiffWalker(ByteSource& source, bool bigEndian, Listing& listing)
        : source_(source), big_(bigEndian), listing_(listing)
    { }

    void Heap(uint64_t start, uint64_t length, unsigned depth)
    {
        uint8_t bytes[4];
        if (depth > kMaxDepth || length < 6 || !source_.Read(start + length - 4, bytes, 4))
            return;
        uint64_t directory = start + Get32(bytes, big_);
        if (directory + 2 > start + length - 4 || !source_.Read(directory, bytes, 2))
            return;
        unsigned count = Get16(bytes, big_);
        for (unsigned i = 0; i < count && records_ < kMaxRecords; ++i, ++records_) {
            uint8_t entry[10];
            if (directory + 2 + 10 * uint64_t(i + 1) > start + length - 4 ||
                !source_.Read(directory + 2 + 10 * uint64_t(i), entry, sizeof entry))
                return;
            uint16_t tag = Get16(entry, big_);
            uint16_t type = tag & kTypeMask;
            std::vector<uint8_t> value;
            if (tag & kInEntry) {
                value.assign(entry + 2, entry + 10);
            } else {
                uint64_t size = Get32(entry + 2, big_), offset = start + Get32(entry + 6, big_);
                if (offset > start + length - 4 || size > start + length - 4 - offset)
                    continue;
                if (type == 0x2800 || type == 0x3000) {
                    Heap(offset, size, depth + 1);
                    continue;
                }
                if (size > kMaxValueBytes || !source_.ReadSome(offset, size_t(size), value) ||
                    value.size() != size)
                    continue;
            }
            List(uint16_t(tag & 0x3FFF), value);
        }
    }

private:
    void List(uint16_t tag, const std::vector<uint8_t>& v)
    {
        switch (tag) {
        case kMakeModel: {
            std::string text(v.begin(), v.end());
            std::string make = text.substr(0, text.find('\0'));
            size_t next = make.size() + 1;
            std::string model = next < text.size() ? text.substr(next, text.find('\0', next) - next) : "";
            listing_.Add("Make", TrimRight(make));
            listing_.Add("Camera Model Name", TrimRight(model));
            break;
        }
        case kFirmwareVersion:
        case kOwnerName: {
            std::string text(v.begin(), v.end());
            listing_.Add(tag == kOwnerName ? "Owner Name" : "Canon Firmware Version",
                         TrimRight(text.substr(0, text.find('\0'))));
            break;
        }
        case kTimeStamp:
            if (v.size() >= 4)
                listing_.Add("Date/Time Original", CameraClockText(Get32(v.data(), big_)));
            break;
        case kImageInfo:
            // Width, height, pixel aspect ratio (float), rotation, then three bit-depth words.
            if (v.size() >= 28) {
                listing_.Add("Image Width", std::to_string(Get32(v.data(), big_)));
                listing_.Add("Image Height", std::to_string(Get32(v.data() + 4, big_)));
                uint32_t bits = Get32(v.data() + 8, big_);
                float aspect;
                std::memcpy(&aspect, &bits, sizeof aspect);
                listing_.Add("Pixel Aspect Ratio", FormatG(aspect, 7));
                listing_.Add("Rotation", std::to_string(int32_t(Get32(v.data() + 12, big_))));
                listing_.Add("Component Bit Depth", std::to_string(Get32(v.data() + 16, big_)));
                listing_.Add("Color Bit Depth", std::to_string(Get32(v.data() + 20, big_)));
                listing_.Add("Color BW", std::to_string(Get32(v.data() + 24, big_)));
            }
            break;
        default: break;
        }
    }

    ByteSource& source_;
    bool big_;
    Listing& listing_;
    unsigned records_ = 0;
};

}  // namespace

bool ReadCiff(ByteSource& source, Listing& listing)
{
    uint8_t head[10];
    if (!source.Read(0, head, sizeof head) || head[0] != head[1] || (head[0] != 'I' && head[0] != 'M') ||
        std::memcmp(head + 6, "HEAP", 4) != 0)
        return false;
    bool big = head[0] == 'M';
    uint64_t headerLength = Get32(head + 2, big);
    if (headerLength < 14 || headerLength > source.Size())
        return false;
    CiffWalker(source, big, listing).Heap(headerLength, source.Size() - headerLength, 0);
    return true;
}

ReadResult ReadCrwFile(ByteSource& source, Listing& listing, ExifFacts&)
{
    ReadResult result;
    result.type = {"CRW", "crw", "image/x-canon-crw"};
    if (!ReadCiff(source, listing))
        result.error = "File format error";
    return result;
}

}  // namespace metaprobe
