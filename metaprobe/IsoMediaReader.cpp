// ISO base media files (MOV, MP4, 3GP, HEIC, AVIF, CR3): walks the boxes for the brands, the movie,
// track and media headers, the Exif item of image files and the metadata boxes of Canon raws.

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "base/BatchProtocol.h"
#include "metaprobe/IccReader.h"
#include "metaprobe/IsoItemProperties.h"
#include "metaprobe/IsoTrackFields.h"
#include "metaprobe/IsoUserData.h"
#include "metaprobe/IsoValueText.h"
#include "metaprobe/Readers.h"
#include "metaprobe/TiffReader.h"
#include "metaprobe/ValueText.h"
#include "metaprobe/WindowSource.h"
#include "metaprobe/XmpReader.h"

namespace metaprobe {

namespace {

constexpr unsigned kMaxDepth = 10;
constexpr unsigned kMaxBoxes = 20000;
constexpr uint32_t kMaxMetadataKeys = 1000;
constexpr uint64_t kMaxMetadataText = 256;
// Largest payload read of a small box (a header, a property, a sample description).
constexpr size_t kMaxSmallBox = 4096;
// Largest time-to-sample table read (a variable frame rate gives one entry per change).
constexpr size_t kMaxTimeTable = 256 * 1024;
// Largest property container and item list walked.
constexpr unsigned kMaxProperties = 1000;
// The metadata keys listed with a converted value, with their field names.
const struct {
    const char* key;
    const char* fieldName;
    bool date;
} kMetadataKeys[] = {
        {"com.apple.quicktime.content.identifier", "Content Identifier", false},
        {"com.apple.quicktime.creationdate", "Creation Date", true},
        {"com.apple.quicktime.location.ISO6709", "", false},
};
const uint8_t kXmpUuid[16] = {0xbe, 0x7a, 0xcf, 0xcb, 0x97, 0xa9, 0x42, 0xe8,
                              0x9c, 0x71, 0x99, 0x94, 0x91, 0xe3, 0xaf, 0xac};

struct Box {
    std::string type;
    uint64_t data = 0;  // first byte after the header
    uint64_t size = 0;  // bytes after the header
};

// Reads the box header at `position` within [.., end); false when there is no whole box.
bool ReadBox(ByteSource& source, uint64_t position, uint64_t end, Box& box)
{
    uint8_t head[16];
    if (position + 8 > end || !source.Read(position, head, 8))
        return false;
    uint64_t size = Get32(head, true);
    box.type.assign(reinterpret_cast<const char*>(head + 4), 4);
    uint64_t header = 8;
    if (size == 1) {
        if (position + 16 > end || !source.Read(position + 8, head + 8, 8))
            return false;
        size = Get64(head + 8, true);
        header = 16;
    } else if (size == 0) {
        size = end - position;
    }
    if (size < header || size > end - position)
        return false;
    box.data = position + header;
    box.size = size - header;
    return true;
}

struct ItemLocation {
    uint32_t id = 0;
    uint64_t offset = 0;
    uint64_t length = 0;
};

class IsoReader {
public:
    IsoReader(ByteSource& source, Listing& listing, ExifFacts& facts)
        : source_(source), listing_(listing), facts_(facts)
    { }

    void Children(uint64_t begin, uint64_t end, unsigned depth, const std::string& parent);
    std::string major, compatible;
    bool sawBox = false;
    double movieSeconds = 0;  // duration of the movie, 0 when unknown
    bool hasMediaData = false;
    uint64_t mediaDataSize = 0;
    std::string rotation;  // of the first video track, empty when unknown

private:
    void Handle(const Box& box, unsigned depth, const std::string& parent);
    void Container(const Box& box, unsigned depth);
    void FileTypeBox(const Box& box);
    void MovieHeader(const Box& box, const char* prefix, bool movie);
    void Handler(const Box& box, bool metaLevel);
    void SampleDescription(const Box& box);
    void ItemInfo(const Box& box);
    void ItemLocations(const Box& box);
    void PropertyAssociations(const Box& box);
    void ReadExifItem();
    void ReadXmpItem();
    void ItemProperties();
    bool ListColourProfile(const Box& box);
    void CanonBlock(const Box& box, bool gps);
    void MetadataKeys(const Box& box);
    void MetadataItems(const Box& box);
    bool Payload(const Box& box, std::vector<uint8_t>& out, size_t most = kMaxSmallBox);
    const ItemLocation* LocationOf(uint32_t id) const;

    ByteSource& source_;
    Listing& listing_;
    ExifFacts& facts_;
    unsigned boxes_ = 0;
    uint32_t exifItem_ = 0;
    bool exifItemKnown_ = false;
    uint32_t xmpItem_ = 0;
    bool xmpItemKnown_ = false;
    std::vector<ItemLocation> locations_;
    bool exifRead_ = false;
    bool xmpRead_ = false;
    uint32_t movieScale_ = 0;
    std::vector<std::string> keys_;  // QuickTime metadata keys, by index - 1
    std::string trackHandler_;  // handler type of the track being read
    uint32_t mediaScale_ = 0;  // time scale of the track being read
    uint8_t trackMatrix_[36] = {};  // transformation of the track being read
    bool haveTrackMatrix_ = false;
    uint32_t primaryItem_ = 0;
    bool primaryKnown_ = false;
    Box properties_;  // the item property container, read once the items are
    bool propertiesKnown_ = false;
    std::vector<unsigned> primaryProperties_;  // 1-based indexes into the container
};

void IsoReader::Children(uint64_t begin, uint64_t end, unsigned depth, const std::string& parent)
{
    if (depth > kMaxDepth)
        return;
    uint64_t position = begin;
    Box box;
    while (boxes_ < kMaxBoxes && ReadBox(source_, position, end, box)) {
        ++boxes_;
        sawBox = true;
        Handle(box, depth, parent);
        position = box.data + box.size;
    }
}

bool IsoReader::Payload(const Box& box, std::vector<uint8_t>& out, size_t most)
{
    return source_.ReadSome(box.data, size_t(box.size < most ? box.size : most), out);
}

void IsoReader::Container(const Box& box, unsigned depth)
{
    const std::string& t = box.type;
    if (t == "trak") {
        trackHandler_.clear();
        mediaScale_ = 0;
        haveTrackMatrix_ = false;
    }
    if (t == "meta") {
        // The ISO form has version and flags before its children; the QuickTime form does not.
        uint8_t head[8];
        uint64_t skip = 4;
        if (box.size >= 8 && source_.Read(box.data, head, 8) && std::memcmp(head + 4, "hdlr", 4) == 0)
            skip = 0;
        if (box.size < skip)
            return;
        keys_.clear();
        Children(box.data + skip, box.data + box.size, depth + 1, t);
        ReadExifItem();
        ReadXmpItem();
        ItemProperties();
        return;
    }
    Children(box.data, box.data + box.size, depth + 1, t);
}

void IsoReader::Handle(const Box& box, unsigned depth, const std::string& parent)
{
    const std::string& t = box.type;
    std::vector<uint8_t> d;
    if (t == "ftyp") {
        FileTypeBox(box);
    } else if (t == "mdat" && parent.empty()) {
        if (!hasMediaData) {
            hasMediaData = true;
            mediaDataSize = box.size;
            listing_.Add("Media Data Size", std::to_string(box.size));
            listing_.Add("Media Data Offset", std::to_string(box.data));
        }
    } else if (t == "moov" || t == "trak" || t == "mdia" || t == "minf" || t == "stbl" || t == "udta" ||
               t == "dinf" || t == "tapt" || t == "meta") {
        Container(box, depth);
    } else if (t == "iprp") {
        Children(box.data, box.data + box.size, depth + 1, t);
    } else if (t == "ipco" && parent == "iprp") {
        properties_ = box;
        propertiesKnown_ = true;
    } else if (t == "ipma" && parent == "iprp") {
        PropertyAssociations(box);
    } else if (t == "mvhd") {
        MovieHeader(box, "", true);
    } else if (t == "tkhd") {
        MovieHeader(box, "Track ", false);
    } else if (t == "mdhd") {
        MovieHeader(box, "Media ", false);
    } else if (t == "hdlr") {
        Handler(box, parent == "meta");
    } else if (t == "vmhd" && parent == "minf" && Payload(box, d)) {
        ListVideoMediaHeader(d.data(), d.size(), listing_);
    } else if (t == "smhd" && parent == "minf" && Payload(box, d)) {
        ListSoundMediaHeader(d.data(), d.size(), listing_);
    } else if (t == "stsd" && parent == "stbl") {
        SampleDescription(box);
    } else if (t == "stts" && parent == "stbl" && trackHandler_ == "vide" && Payload(box, d, kMaxTimeTable)) {
        const std::string rate = FrameRateText(d.data(), d.size(), mediaScale_);
        if (!rate.empty())
            listing_.Add("Video Frame Rate", rate);
    } else if (parent == "tapt" && (t == "clef" || t == "prof" || t == "enof") && Payload(box, d)) {
        static const char* const names[] = {"Clean Aperture Dimensions", "Production Aperture Dimensions",
                                            "Encoded Pixels Dimensions"};
        const std::string text = ApertureText(d.data(), d.size());
        if (!text.empty())
            listing_.Add(names[t == "clef" ? 0 : t == "prof" ? 1 : 2], text);
    } else if (t == "TAGS" && parent == "udta" && Payload(box, d)) {
        ListCameraTags(d.data(), d.size(), listing_, facts_);
    } else if (parent == "udta" && UserDataTextName(reinterpret_cast<const uint8_t*>(t.data())) &&
               Payload(box, d)) {
        const char* name = UserDataTextName(reinterpret_cast<const uint8_t*>(t.data()));
        std::string text = UserDataText(d.data(), d.size());
        if (std::strcmp(name, kGpsCoordinatesField) == 0) {
            // The ISO 6709 text as it is, for the run's zone of the video; Apple's metadata key,
            // when present, wins.
            if (!text.empty())
                listing_.NoteFact(std::string(batch::kPositionField), text, false);
            text = CoordinatesText(text);
        }
        if (!text.empty())
            listing_.Add(name, text);
    } else if (t == "XMP_" && parent == "udta") {
        ReadXmpAt(source_, box.data, box.size, listing_);
    } else if (t == "pitm" && box.size >= 6) {
        uint8_t p[8];
        if (source_.Read(box.data, p, 6)) {
            uint32_t id =
                    p[0] == 0 ? Get16(p + 4, true) : (source_.Read(box.data, p, 8) ? Get32(p + 4, true) : 0);
            listing_.Add("Primary Item Reference", std::to_string(id));
            primaryItem_ = id;
            primaryKnown_ = true;
        }
    } else if (t == "iinf") {
        ItemInfo(box);
    } else if (t == "iloc") {
        ItemLocations(box);
    } else if (t == "uuid" && box.size >= 16 && (parent == "moov" || parent.empty())) {
        static const uint8_t kCanon[16] = {0x85, 0xc0, 0xb6, 0x87, 0x82, 0x0f, 0x11, 0xe0,
                                           0x81, 0x11, 0xf4, 0xce, 0x46, 0x2b, 0x6a, 0x48};
        uint8_t id[16];
        if (!source_.Read(box.data, id, 16))
            return;
        if (parent == "moov" && std::memcmp(id, kCanon, 16) == 0)
            Children(box.data + 16, box.data + box.size, depth + 1, "canon");
        else if (std::memcmp(id, kXmpUuid, 16) == 0)
            ReadXmpAt(source_, box.data + 16, box.size - 16, listing_);
    } else if (parent == "canon" && (t == "CMT1" || t == "CMT2" || t == "CMT4")) {
        CanonBlock(box, t == "CMT4");
    } else if (parent == "meta" && t == "keys") {
        MetadataKeys(box);
    } else if (parent == "meta" && t == "ilst") {
        MetadataItems(box);
    }
}

void IsoReader::FileTypeBox(const Box& box)
{
    if (box.size < 8)
        return;
    std::vector<uint8_t> d;
    if (!source_.ReadSome(box.data, size_t(box.size < 256 ? box.size : 256), d) || d.size() < 8)
        return;
    major.assign(d.begin(), d.begin() + 4);
    listing_.Add("Major Brand", BrandName(major));
    char version[32];
    std::snprintf(version, sizeof version, "%x.%x.%x", unsigned(Get16(d.data() + 4, true)), unsigned(d[6]),
                  unsigned(d[7]));
    listing_.Add("Minor Version", version);
    std::string brands;
    for (size_t i = 8; i + 4 <= d.size(); i += 4) {
        std::string brand(d.begin() + long(i), d.begin() + long(i) + 4);
        compatible += brand;
        brands += (brands.empty() ? "" : ", ") + brand;
    }
    if (!brands.empty())
        listing_.Add("Compatible Brands", TrimRight(brands));
}

void IsoReader::MovieHeader(const Box& box, const char* prefix, bool movie)
{
    uint8_t d[112];
    size_t n = size_t(box.size < sizeof d ? box.size : sizeof d);
    if (n < 4 || !source_.Read(box.data, d, n))
        return;
    unsigned version = d[0];
    size_t wide = version == 1 ? 8 : 4;
    bool track = std::string(prefix) == "Track ";
    std::string p = prefix;
    size_t need = 4 + 2 * wide + (track ? 8 : 4) + wide;
    if (n < need)
        return;
    // Track headers: the first track's are listed (the video track comes first in camera files),
    // but the first image size of any track (a sound track has none) and the last track's matrix;
    // media headers: the last one's, as the reference tool lists them.
    if (track) {
        // Version and flags, two dates, id, reserved, duration, reserved, layer, group, volume,
        // reserved, the matrix, width and height.
        const size_t matrixAt = 4 + 2 * wide + 8 + wide + 8 + 8, sizeAt = matrixAt + 36;
        haveTrackMatrix_ = n >= matrixAt + 36;
        if (haveTrackMatrix_)
            std::memcpy(trackMatrix_, d + matrixAt, 36);
        if (listing_.Has(p + "Header Version")) {
            if (haveTrackMatrix_)
                listing_.Add("Matrix Structure", MatrixText(trackMatrix_));
            if (!listing_.Has("Image Width") && n >= sizeAt + 8) {
                const uint32_t width = Get32(d + sizeAt, true), height = Get32(d + sizeAt + 4, true);
                if (width && height) {
                    listing_.Add("Image Width", FormatG(width / 65536.0, 10));
                    listing_.Add("Image Height", FormatG(height / 65536.0, 10));
                }
            }
            return;
        }
    }
    listing_.Add((movie ? "Movie Header Version" : p + "Header Version"), std::to_string(version));
    uint64_t created = version == 1 ? Get64(d + 4, true) : Get32(d + 4, true);
    uint64_t modified = version == 1 ? Get64(d + 4 + wide, true) : Get32(d + 4 + wide, true);
    // A zero date means "not set": it is listed as zeros, and never replaces a date read elsewhere
    // (the EXIF block of a CR3 file).
    listing_.Add(p + "Create Date", MovieDateText(created), created == 0 ? 0 : 1);
    listing_.Add(p + "Modify Date", MovieDateText(modified), modified == 0 ? 0 : 1);
    // The header keeps UTC; the organizer takes the instant to find the local time where the
    // video was taken.
    int64_t instant = 0;
    if (MovieDateInstant(created, instant))
        listing_.NoteInstant(p + "Create Date", MovieDateText(created), instant);
    if (MovieDateInstant(modified, instant))
        listing_.NoteInstant(p + "Modify Date", MovieDateText(modified), instant);
    size_t at = 4 + 2 * wide;
    if (track) {
        listing_.Add("Track ID", std::to_string(Get32(d + at, true)));
        uint64_t duration = version == 1 ? Get64(d + at + 8, true) : Get32(d + at + 8, true);
        // The track duration counts in the movie's time scale.
        if (movieScale_)
            listing_.Add("Track Duration", DurationText(double(duration) / movieScale_));
        size_t rest = at + 8 + wide + 8;  // layer, group, volume, reserved, matrix, width, height
        if (n < rest + 52)
            return;
        listing_.Add("Track Layer", std::to_string(int16_t(Get16(d + rest, true))));
        listing_.Add("Track Volume", FormatF(Get16(d + rest + 4, true) / 256.0 * 100, 2) + "%");
        listing_.Add("Matrix Structure", MatrixText(d + rest + 8));
        uint32_t width = Get32(d + rest + 44, true), height = Get32(d + rest + 48, true);
        if (width && height) {
            listing_.Add("Image Width", FormatG(width / 65536.0, 10));
            listing_.Add("Image Height", FormatG(height / 65536.0, 10));
        }
        return;
    }
    uint32_t scale = Get32(d + at, true);
    uint64_t duration = version == 1 ? Get64(d + at + 4, true) : Get32(d + at + 4, true);
    listing_.Add(p + "Time Scale", std::to_string(scale));
    if (!movie)
        mediaScale_ = scale;
    if (scale)
        listing_.Add(p + "Duration", DurationText(double(duration) / scale));
    if (!movie)
        return;
    movieScale_ = scale;
    if (scale)
        movieSeconds = double(duration) / scale;
    size_t rest = at + 4 + wide;  // rate, volume, reserved, matrix, six times, next track
    if (n < rest + 80)
        return;
    listing_.Add("Preferred Rate", FormatG(Get32(d + rest, true) / 65536.0, 10));
    listing_.Add("Preferred Volume", FormatF(Get16(d + rest + 4, true) / 256.0 * 100, 2) + "%");
    listing_.Add("Matrix Structure", MatrixText(d + rest + 16));
    static const char* const times[] = {"Preview Time",   "Preview Duration",   "Poster Time",
                                        "Selection Time", "Selection Duration", "Current Time"};
    for (int i = 0; i < 6; ++i) {
        uint32_t value = Get32(d + rest + 52 + 4 * i, true);
        if (scale)
            listing_.Add(times[i], DurationText(double(value) / scale));
    }
    listing_.Add("Next Track ID", std::to_string(Get32(d + rest + 76, true)));
}

// A handler's class, type and vendor; each later handler's replace the earlier values.
void IsoReader::Handler(const Box& box, bool metaLevel)
{
    std::vector<uint8_t> d;
    if (!Payload(box, d) || d.size() < 16)
        return;
    static const char* const names[] = {"Handler Class", "Handler Type", "Handler Vendor ID"};
    const std::string values[] = {HandlerClassName(d.data() + 4), HandlerTypeName(d.data() + 8),
                                  VendorName(d.data() + 12)};
    for (int i = 0; i < 3; ++i) {
        if (!values[i].empty())
            listing_.Add(names[i], values[i]);
    }
    // The media handler (directly in the media box) tells which kind of track this is.
    if (!metaLevel && trackHandler_.empty()) {
        trackHandler_.assign(reinterpret_cast<const char*>(d.data() + 8), 4);
        if (trackHandler_ == "vide" && rotation.empty() && haveTrackMatrix_)
            rotation = RotationText(trackMatrix_);
    }
}

// The first entry of a track's sample description table, read by the track's kind.
void IsoReader::SampleDescription(const Box& box)
{
    std::vector<uint8_t> d;
    if (!Payload(box, d) || d.size() < 16 || Get32(d.data() + 4, true) == 0)
        return;
    const size_t size = Get32(d.data() + 8, true);
    if (size < 8 || size > d.size() - 8)
        return;
    const uint8_t* format = d.data() + 12;
    if (trackHandler_ == "vide")
        ListVideoSampleEntry(format, d.data() + 16, size - 8, listing_);
    else if (trackHandler_ == "soun")
        ListAudioSampleEntry(format, d.data() + 16, size - 8, listing_);
}

// Which properties belong to which item: per item its id and a list of property indexes (7 or
// 15 bits, the top bit marking an essential one). Only the primary item's are kept.
void IsoReader::PropertyAssociations(const Box& box)
{
    std::vector<uint8_t> d;
    if (!Payload(box, d, 1u << 16) || d.size() < 8)
        return;
    const bool wideIds = d[0] >= 1, wideIndexes = d[3] & 1;
    const uint64_t count = Get32(d.data() + 4, true);
    size_t at = 8;
    for (uint64_t i = 0; i < count; ++i) {
        const size_t idSize = wideIds ? 4 : 2;
        if (at + idSize + 1 > d.size())
            return;
        const uint32_t id = wideIds ? Get32(d.data() + at, true) : Get16(d.data() + at, true);
        const unsigned associations = d[at + idSize];
        at += idSize + 1;
        for (unsigned a = 0; a < associations; ++a) {
            const size_t indexSize = wideIndexes ? 2 : 1;
            if (at + indexSize > d.size())
                return;
            const unsigned index = wideIndexes ? Get16(d.data() + at, true) & 0x7fff : d[at] & 0x7f;
            at += indexSize;
            if (primaryKnown_ && id == primaryItem_ && index != 0 &&
                primaryProperties_.size() < kMaxProperties)
                primaryProperties_.push_back(index);
        }
    }
}

// Lists the item properties, after the items, in the order of the container. The codec
// configuration and size are the primary image's when it has them (a grid image has no codec
// configuration of its own: then its tiles' stands); of the other properties each later one
// replaces an earlier one whichever image it belongs to, as the reference tool lists them.
void IsoReader::ItemProperties()
{
    if (!propertiesKnown_)
        return;
    propertiesKnown_ = false;
    std::vector<Box> properties;
    uint64_t position = properties_.data;
    const uint64_t end = properties_.data + properties_.size;
    Box property;
    while (properties.size() < kMaxProperties && boxes_ < kMaxBoxes &&
           ReadBox(source_, position, end, property)) {
        ++boxes_;
        properties.push_back(property);
        position = property.data + property.size;
    }
    auto primary = [&](size_t i) {
        return std::find(primaryProperties_.begin(), primaryProperties_.end(), i + 1) !=
               primaryProperties_.end();
    };
    bool primaryHas[2] = {};  // a configuration, a size
    for (size_t i = 0; i < properties.size(); ++i) {
        primaryHas[0] = primaryHas[0] || (primary(i) && properties[i].type == "hvcC");
        primaryHas[1] = primaryHas[1] || (primary(i) && properties[i].type == "ispe");
    }
    for (size_t i = 0; i < properties.size(); ++i) {
        const std::string& type = properties[i].type;
        const bool primaryOnly = (type == "hvcC" && primaryHas[0]) || (type == "ispe" && primaryHas[1]);
        if (primaryOnly && !primary(i))
            continue;
        if (type == "colr" && ListColourProfile(properties[i]))
            continue;
        std::vector<uint8_t> d;
        if (Payload(properties[i], d))
            ListItemProperty(type, d.data(), d.size(), listing_);
    }
}

// A colour box holding an ICC profile ("prof" or "rICC"), read in place like a profile in any
// other container.
bool IsoReader::ListColourProfile(const Box& box)
{
    uint8_t kind[4];
    if (box.size <= 4 || !source_.Read(box.data, kind, 4) ||
        (std::memcmp(kind, "prof", 4) != 0 && std::memcmp(kind, "rICC", 4) != 0))
        return false;
    WindowSource profile(source_, box.data + 4, box.size - 4);
    ReadIccProfile(profile, listing_);
    return true;
}

const ItemLocation* IsoReader::LocationOf(uint32_t id) const
{
    for (const ItemLocation& location : locations_) {
        if (location.id == id)
            return &location;
    }
    return nullptr;
}

void IsoReader::ReadXmpItem()
{
    if (xmpRead_ || !xmpItemKnown_)
        return;
    const ItemLocation* location = LocationOf(xmpItem_);
    if (location == nullptr)
        return;
    xmpRead_ = true;
    ReadXmpAt(source_, location->offset, location->length, listing_);
}

void IsoReader::ItemInfo(const Box& box)
{
    uint8_t head[6];
    if (box.size < 6 || !source_.Read(box.data, head, 6))
        return;
    uint64_t start = box.data + (head[0] == 0 ? 6 : 8);
    Box entry;
    uint64_t position = start, end = box.data + box.size;
    while (boxes_ < kMaxBoxes && ReadBox(source_, position, end, entry)) {
        ++boxes_;
        position = entry.data + entry.size;
        // Version 2 and 3 entries: version and flags, the id (16 or 32 bits), a protection index,
        // the item type, a name; a "mime" item then gives its content type.
        std::vector<uint8_t> d;
        if (entry.type != "infe" || !Payload(entry, d) || d.size() < 12 || d[0] < 2)
            continue;
        const size_t idSize = d[0] == 2 ? 2 : 4;
        if (d.size() < 10 + idSize)
            continue;
        const uint32_t id = idSize == 2 ? Get16(d.data() + 4, true) : Get32(d.data() + 4, true);
        const uint8_t* type = d.data() + 6 + idSize;
        if (std::memcmp(type, "Exif", 4) == 0 && !exifItemKnown_) {
            exifItem_ = id;
            exifItemKnown_ = true;
        } else if (std::memcmp(type, "mime", 4) == 0 && !xmpItemKnown_) {
            const char* text = reinterpret_cast<const char*>(d.data() + 10 + idSize);
            const size_t rest = d.size() - 10 - idSize;
            const size_t nameLength = strnlen(text, rest);
            if (nameLength < rest &&
                std::string(text + nameLength + 1, strnlen(text + nameLength + 1, rest - nameLength - 1)) ==
                        "application/rdf+xml") {
                xmpItem_ = id;
                xmpItemKnown_ = true;
            }
        }
    }
}

void IsoReader::ItemLocations(const Box& box)
{
    std::vector<uint8_t> d;
    if (!source_.ReadSome(box.data, size_t(box.size < (1u << 20) ? box.size : (1u << 20)), d) || d.size() < 8)
        return;
    unsigned version = d[0];
    unsigned offsetSize = d[4] >> 4, lengthSize = d[4] & 15, baseSize = d[5] >> 4;
    unsigned indexSize = (version == 1 || version == 2) ? d[5] & 15 : 0;
    size_t at = 6;
    auto get = [&](unsigned bytes, uint64_t& value) {
        if (bytes != 0 && bytes != 2 && bytes != 4 && bytes != 8)
            return false;
        if (at + bytes > d.size())
            return false;
        value = bytes == 8   ? Get64(d.data() + at, true)
                : bytes == 4 ? Get32(d.data() + at, true)
                : bytes == 2 ? Get16(d.data() + at, true)
                             : 0;
        at += bytes;
        return true;
    };
    uint64_t count = 0;
    if (!get(version < 2 ? 2 : 4, count))
        return;
    for (uint64_t i = 0; i < count && i < 10000; ++i) {
        uint64_t id = 0, method = 0, reference = 0, base = 0, extents = 0;
        if (!get(version < 2 ? 2 : 4, id))
            return;
        if (version == 1 || version == 2) {
            if (!get(2, method))
                return;
        }
        if (!get(2, reference) || !get(baseSize, base) || !get(2, extents))
            return;
        // Extents whose fields all have size zero take no bytes: each repeats the first, and
        // walking 65535 of them for each of 10000 items would take seconds.
        const uint64_t walked =
                indexSize + offsetSize + lengthSize == 0 ? std::min<uint64_t>(extents, 1) : extents;
        for (uint64_t e = 0; e < walked; ++e) {
            uint64_t index = 0, offset = 0, length = 0;
            if (!get(indexSize, index) || !get(offsetSize, offset) || !get(lengthSize, length))
                return;
            if (e == 0 && (method & 15) == 0)
                locations_.push_back({uint32_t(id), base + offset, length});
        }
    }
}

void IsoReader::ReadExifItem()
{
    if (exifRead_ || !exifItemKnown_)
        return;
    for (const ItemLocation& location : locations_) {
        if (location.id != exifItem_)
            continue;
        uint8_t head[4];
        if (location.length < 4 || !source_.Read(location.offset, head, 4))
            return;
        uint64_t skip = 4 + uint64_t(Get32(head, true));
        if (skip >= location.length)
            return;
        WindowSource tiff(source_, location.offset + skip, location.length - skip);
        exifRead_ = ReadTiff(tiff, 0, listing_, facts_);
        return;
    }
}

void IsoReader::CanonBlock(const Box& box, bool gps)
{
    WindowSource tiff(source_, box.data, box.size);
    TiffOptions options;
    options.gpsRoot = gps;
    options.listByteOrder = !listing_.Has("Exif Byte Order");
    ReadTiff(tiff, 0, listing_, facts_, options);
}

// QuickTime metadata keys: version and flags, a count, then per key its size, namespace and name.
void IsoReader::MetadataKeys(const Box& box)
{
    uint8_t head[8];
    if (box.size < 8 || !source_.Read(box.data, head, 8))
        return;
    const uint32_t count = Get32(head + 4, true);
    keys_.clear();
    uint64_t position = box.data + 8;
    const uint64_t end = box.data + box.size;
    for (uint32_t i = 0; i < count && i < kMaxMetadataKeys; ++i) {
        uint8_t entry[8];
        if (end - position < 8 || !source_.Read(position, entry, 8))
            return;
        const uint64_t size = Get32(entry, true);
        if (size < 8 || size > end - position)
            return;
        std::string name;
        if (size - 8 <= kMaxMetadataText) {
            name.resize(size - 8);
            if (!name.empty() &&
                !source_.Read(position + 8, reinterpret_cast<uint8_t*>(name.data()), name.size()))
                return;
        }
        keys_.push_back(name);  // an over-long name keeps its index with an empty text
        position += size;
    }
}

// The item list: each item's box type is its key's 1-based index; its "data" box holds a type
// word (1 for UTF-8), a locale word and the value.
void IsoReader::MetadataItems(const Box& box)
{
    uint64_t position = box.data;
    const uint64_t end = box.data + box.size;
    Box item;
    while (boxes_ < kMaxBoxes && ReadBox(source_, position, end, item)) {
        ++boxes_;
        position = item.data + item.size;
        const uint8_t* code = reinterpret_cast<const uint8_t*>(item.type.data());
        const uint32_t index = Get32(code, true);
        const bool keyed = !keys_.empty();
        if (keyed && (index == 0 || index > keys_.size()))
            continue;
        const std::string key = keyed ? keys_[index - 1] : std::string();
        const auto* known = std::find_if(std::begin(kMetadataKeys), std::end(kMetadataKeys),
                                         [&](const auto& k) { return key == k.key; });
        Box data;
        // Cover art is listed by its size, however large.
        if (!keyed && std::memcmp(code, "covr", 4) == 0) {
            if (ReadBox(source_, item.data, item.data + item.size, data) && data.type == "data" &&
                data.size >= 8)
                listing_.Add("Cover Art", "(Binary data " + std::to_string(data.size - 8) +
                                                  " bytes, use -b option to extract)");
            continue;
        }
        const char* name = keyed ? MetadataKeyFieldName(key) : ItemListFieldName(code);
        if (known == std::end(kMetadataKeys) && name == nullptr)
            continue;
        std::vector<uint8_t> d;
        if (!ReadBox(source_, item.data, item.data + item.size, data) || data.type != "data" ||
            data.size > kMaxSmallBox || !Payload(data, d))
            continue;
        if (known != std::end(kMetadataKeys)) {
            if (d.size() < 8 || d.size() - 8 > kMaxMetadataText || (Get32(d.data(), true) & 0xFFFFFF) != 1)
                continue;
            const std::string value(d.begin() + 8, d.end());
            if (*known->fieldName != '\0') {
                listing_.Add(known->fieldName, known->date ? CreationDateText(value) : value);
                continue;
            }
            // The position: to the organizer as it is, to the listing as degrees.
            listing_.NoteFact(std::string(batch::kPositionField), value, true);
            const std::string degrees = name != nullptr ? CoordinatesText(value) : std::string();
            if (!degrees.empty())
                listing_.Add(name, degrees);
            continue;
        }
        std::string value = ItemValueText(keyed ? nullptr : code, d.data(), d.size());
        if (std::strcmp(name, kGpsCoordinatesField) == 0)
            value = CoordinatesText(value);
        if (!value.empty())
            listing_.Add(name, value);
    }
}

}  // namespace

ReadResult ReadIsoMediaFile(ByteSource& source, Listing& listing, ExifFacts& facts)
{
    ReadResult result;
    IsoReader reader(source, listing, facts);
    reader.Children(0, source.Size(), 0, "");
    result.type = IsoFileType(reader.major, reader.compatible);
    if (reader.hasMediaData && reader.movieSeconds > 0) {
        listing.Add("Avg Bitrate", BitrateText(double(reader.mediaDataSize) * 8 / reader.movieSeconds));
    }
    if (!reader.rotation.empty())
        listing.Add("Rotation", reader.rotation);
    if (!reader.sawBox)
        result.error = "File format error";
    return result;
}

}  // namespace metaprobe
