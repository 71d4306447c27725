#include "metaprobe/TiffReader.h"

#include <cmath>
#include <cstdio>
#include <set>
#include <string>

#include "metaprobe/AppleMakerNote.h"
#include "metaprobe/IccReader.h"
#include "metaprobe/MakerNoteReader.h"
#include "metaprobe/TiffTags.h"
#include "metaprobe/TiffValue.h"
#include "metaprobe/ValueText.h"
#include "metaprobe/WindowSource.h"
#include "metaprobe/XmpReader.h"

namespace metaprobe {

namespace {

constexpr uint16_t kMakerNoteTag = 0x927C;
constexpr uint16_t kDngPrivateDataTag = 0xC634;
constexpr uint16_t kWhiteBalanceTag = 0xA403;
constexpr uint16_t kIccProfileTag = 0x8773;

enum class Dir { Ifd0, Ifd1, LaterIfd, SubIfd, Exif, Gps, Interop };

// Canon CR2 files name the strip pointers of their first directory as a preview image.
bool IsCr2(ByteSource& source)
{
    uint8_t head[11];
    return source.Read(0, head, sizeof head) && head[8] == 'C' && head[9] == 'R' && head[10] == 2;
}

std::string BinaryText(uint64_t size)
{
    return "(Binary data " + std::to_string(size) + " bytes, use -b option to extract)";
}

std::string JoinNumbers(const TiffValue& value, const char* separator)
{
    std::string text;
    for (size_t i = 0; i < value.Size(); ++i) {
        if (i)
            text += separator;
        switch (value.format) {
        case tiff::Rational:
        case tiff::SRational: {
            int64_t num, den;
            value.Ratio(i, num, den);
            text += FormatRatio(num, den);
            break;
        }
        case tiff::Float: text += FormatG(value.Number(i), 7); break;
        case tiff::Double: text += FormatG(value.Number(i), 15); break;
        default: text += std::to_string(value.Integer(i));
        }
    }
    return text;
}

bool Printable(const std::vector<uint8_t>& bytes)
{
    for (uint8_t b : bytes) {
        if (b != 0 && (b < 0x20 || b == 0x7F))
            return false;
    }
    return true;
}

std::string PlainText(const TiffValue& value)
{
    if (value.format == tiff::Ascii)
        return Latin1ToUtf8(TrimRight(value.Text()));
    if (value.format == tiff::Undefined) {
        if (!Printable(value.bytes))
            return BinaryText(value.bytes.size());
        return Latin1ToUtf8(TrimRight(value.Text()));
    }
    return JoinNumbers(value, " ");
}

std::string EnumValueText(const TagInfo& tag, int64_t number)
{
    if (const char* text = LookupEnum(tag, number))
        return text;
    return "Unknown (" + std::to_string(number) + ")";
}

// Appends one UCS-2 character as UTF-8.
void AppendUtf8(std::string& text, unsigned c)
{
    if (c < 0x80) {
        text += char(c);
    } else if (c < 0x800) {
        text += char(0xC0 | c >> 6);
        text += char(0x80 | (c & 0x3F));
    } else {
        text += char(0xE0 | c >> 12);
        text += char(0x80 | ((c >> 6) & 0x3F));
        text += char(0x80 | (c & 0x3F));
    }
}

std::string UserCommentText(const TiffValue& value)
{
    if (value.format == tiff::Ascii)
        return Latin1ToUtf8(TrimRight(value.Text()));
    if (value.bytes.size() < 8)
        return TrimRight(std::string(value.bytes.begin(), value.bytes.end()));
    std::string code(value.bytes.begin(), value.bytes.begin() + 8);
    std::vector<uint8_t> body(value.bytes.begin() + 8, value.bytes.end());
    if (code.compare(0, 7, "UNICODE") == 0) {
        std::string text;
        bool big = value.bigEndian;
        for (size_t i = 0; i + 1 < body.size(); i += 2) {
            unsigned c = big ? (body[i] << 8 | body[i + 1]) : (body[i + 1] << 8 | body[i]);
            if (c == 0)
                break;
            AppendUtf8(text, c);
        }
        return TrimRight(text);
    }
    std::string text(body.begin(), body.end());
    size_t nul = text.find('\0');
    if (nul != std::string::npos)
        text.resize(nul);
    return Latin1ToUtf8(TrimRight(text));
}

std::string Ucs2Text(const TiffValue& value)
{
    std::string text;
    const std::vector<uint8_t>& b = value.bytes;
    for (size_t i = 0; i + 1 < b.size(); i += 2) {
        unsigned c = b[i] | b[i + 1] << 8;
        if (c == 0)
            break;
        AppendUtf8(text, c);
    }
    return text;
}

std::string LensInfoText(const TiffValue& value)
{
    if (value.Size() < 4)
        return JoinNumbers(value, " ");
    auto part = [&](size_t i) {
        int64_t num, den;
        value.Ratio(i, num, den);
        return den == 0 ? std::string("?") : FormatG(double(num) / double(den), 10);
    };
    std::string text = part(0);
    if (part(1) != part(0))
        text += "-" + part(1);
    text += "mm f/" + part(2);
    if (part(3) != part(2))
        text += "-" + part(3);
    return text;
}

std::string SubSamplingText(const TiffValue& value)
{
    if (value.Size() != 2)
        return JoinNumbers(value, " ");
    if (const char* text = YCbCrSubSamplingName(value.Integer(0), value.Integer(1)))
        return text;
    return "Unknown (" + JoinNumbers(value, " ") + ")";
}

std::string SecondsText(double seconds)
{
    if (!(std::fabs(seconds) < 1e9))
        return FormatG(seconds, 10);
    char text[64];
    std::snprintf(text, sizeof text, "%09.6f", seconds);
    std::string s = text;
    while (!s.empty() && s.back() == '0')
        s.pop_back();
    if (!s.empty() && s.back() == '.')
        s.pop_back();
    return s;
}

std::string GpsTimeText(const TiffValue& value)
{
    if (value.Size() < 3)
        return JoinNumbers(value, " ");
    double hours = value.Number(0), minutes = value.Number(1);
    if (!(std::fabs(hours) < 1e9 && std::fabs(minutes) < 1e9))
        return JoinNumbers(value, " ");
    char text[64];
    std::snprintf(text, sizeof text, "%02.0f:%02.0f:", std::trunc(hours), std::trunc(minutes));
    return text + SecondsText(value.Number(2));
}

double CoordinateDegrees(const TiffValue& value)
{
    double degrees = 0;
    for (size_t i = 0; i < value.Size() && i < 3; ++i)
        degrees += value.Number(i) / std::pow(60.0, double(i));
    return degrees;
}

}  // namespace

std::string ConvertValue(const TagInfo& tag, const TiffValue& value)
{
    if (value.bytes.empty())
        return "";
    switch (tag.conv) {
    case Conv::Plain:
    case Conv::SubIfd: return PlainText(value);
    case Conv::Enum:
        if (value.format == tiff::Ascii)
            return PlainText(value);
        if (value.Size() == 1)
            return EnumValueText(tag, value.Integer(0));
        return PlainText(value);
    case Conv::GpsRef: {
        std::string text = TrimRight(value.Text());
        if (text.size() == 1)
            return EnumValueText(tag, static_cast<unsigned char>(text[0]));
        return text.empty() ? text : "Unknown (" + text + ")";
    }
    case Conv::Flash: {
        if (!value.IsNumeric())
            return PlainText(value);
        if (const char* text = LookupEnum(tag, value.Integer(0)))
            return text;
        char hex[40];
        std::snprintf(hex, sizeof hex, "Unknown (0x%llx)", static_cast<unsigned long long>(value.Integer(0)));
        return hex;
    }
    case Conv::Hex: {
        std::string text;
        char digits[3];
        for (uint8_t b : value.bytes) {
            std::snprintf(digits, sizeof digits, "%02X", b);
            text += digits;
        }
        return text;
    }
    case Conv::ExposureTime:
        return value.IsNumeric() ? FormatExposureTime(value.Number(0)) : PlainText(value);
    case Conv::FNumber:
        if (!value.IsNumeric())
            return PlainText(value);
        return FormatF(value.Number(0), value.Number(0) < 1 && value.Number(0) > 0 ? 2 : 1);
    case Conv::FocalLength: return value.IsNumeric() ? FormatF(value.Number(0), 1) + " mm" : PlainText(value);
    case Conv::Millimetres: return PlainText(value) + " mm";
    case Conv::Metres: {
        std::string text = PlainText(value);
        return (text == "inf" || text == "undef") ? text : text + " m";
    }
    case Conv::ShutterApex: {
        if (!value.IsNumeric())
            return PlainText(value);
        double apex = value.Number(0);
        return FormatExposureTime(std::fabs(apex) < 100 ? std::pow(2.0, -apex) : 0);
    }
    case Conv::ApertureApex:
        if (!value.IsNumeric())
            return PlainText(value);
        return FormatF(std::pow(2.0, value.Number(0) / 2), 1);
    case Conv::Fraction: return value.IsNumeric() ? FormatFraction(value.Number(0)) : PlainText(value);
    case Conv::Version:
    case Conv::Undefined8: return TrimRight(std::string(value.bytes.begin(), value.bytes.end()).c_str());
    case Conv::DottedVersion: {
        std::string text;
        for (size_t i = 0; i < value.Size(); ++i)
            text += (i ? "." : "") + std::to_string(value.Integer(i));
        return text;
    }
    case Conv::Components: {
        static const char* const names[] = {"-", "Y", "Cb", "Cr", "R", "G", "B"};
        std::string text;
        for (size_t i = 0; i < value.bytes.size(); ++i) {
            uint8_t c = value.bytes[i];
            text += i ? ", " : "";
            text += c < 7 ? names[c] : "Unknown (" + std::to_string(c) + ")";
        }
        return text;
    }
    case Conv::Binary: return BinaryText(value.bytes.size());
    case Conv::UserComment: return UserCommentText(value);
    case Conv::LensInfo: return LensInfoText(value);
    case Conv::Ucs2Text: return Ucs2Text(value);
    case Conv::SubSampling: return SubSamplingText(value);
    case Conv::InteropIndex: {
        std::string text = TrimRight(value.Text());
        if (text == "R98")
            return "R98 - DCF basic file (sRGB)";
        if (text == "R03")
            return "R03 - DCF option file (Adobe RGB)";
        if (text == "THM")
            return "THM - DCF thumbnail file";
        return "Unknown (" + text + ")";
    }
    case Conv::CommaList: return value.IsNumeric() ? JoinNumbers(value, ", ") : PlainText(value);
    case Conv::GpsCoordinate: return FormatCoordinate(CoordinateDegrees(value));
    case Conv::GpsTime: return GpsTimeText(value);
    }
    return PlainText(value);
}

namespace {

// Directories of thumbnails and reduced-resolution copies list with priority 0: their values
// never replace a value already listed. The full-resolution image's values replace earlier ones,
// so a raw file shows the size of its raw image, not of its preview.
int Priority(Dir dir)
{
    return (dir == Dir::Ifd1 || dir == Dir::LaterIfd) ? 0 : 1;
}

class TiffWalker {
public:
    TiffWalker(ByteSource& source, uint64_t base, bool bigEndian, Listing& listing, ExifFacts& facts,
               bool panasonic, bool cr2)
        : source_(source), base_(base), big_(bigEndian), listing_(listing), facts_(facts),
          panasonic_(panasonic), cr2_(cr2)
    { }

    void Walk(uint64_t offset, Dir dir, unsigned depth);

private:
    bool ReadValue(const uint8_t* entry, TiffValue& value, uint64_t& valueSize);
    void ImageFact(const TiffValue& value, Dir dir);
    void Entry(const TiffValue& value, uint64_t valueSize, Dir dir, unsigned depth);
    void Record(const TagInfo& tag, const TiffValue& value, Dir dir);
    Camera CameraNamed() const { return {listing_.Value("Make"), listing_.Value("Camera Model Name")}; }
    int priority_ = 1;  // of the directory being read

    ByteSource& source_;
    uint64_t base_;
    bool big_;
    Listing& listing_;
    ExifFacts& facts_;
    std::set<uint64_t> visited_;
    unsigned directories_ = 0;
    bool thumbnailOffset_ = false;
    bool mainImage_ = true;  // false from the second directory of the first chain on
    // Set in a directory from its first entry or link that cannot be read on: its later entries
    // and the directories they link to give no image facts (the rest of the chain neither).
    bool factsOff_ = false;
    bool panasonic_;
    bool cr2_;
    uint64_t position_ = 0;  // directory being read
    unsigned entryIndex_ = 0;  // entry being read
};

bool TiffWalker::ReadValue(const uint8_t* entry, TiffValue& value, uint64_t& valueSize)
{
    value.tag = Get16(entry, big_);
    value.format = Get16(entry + 2, big_);
    value.count = Get32(entry + 4, big_);
    value.bigEndian = big_;
    unsigned unit = tiff::FormatSize(value.format);
    if (unit == 0)
        return false;
    valueSize = uint64_t(unit) * value.count;
    if (valueSize > TiffLimits::kMaxValueBytes)
        return true;  // listed by size only
    value.bytes.resize(size_t(valueSize));
    if (valueSize <= 4) {
        std::copy(entry + 8, entry + 8 + valueSize, value.bytes.begin());
        return true;
    }
    uint64_t offset = base_ + Get32(entry + 8, big_);
    if (!source_.Read(offset, value.bytes.data(), value.bytes.size()))
        return false;
    return true;
}

void TiffWalker::Walk(uint64_t offset, Dir dir, unsigned depth)
{
    // A child directory's damage ends the facts of that directory only.
    struct Restore {
        bool& flag;
        const bool value;
        ~Restore() { flag = value; }
    } restore {factsOff_, factsOff_};
    Dir current = dir;
    unsigned chainIndex = 0;
    // The first directory must lie after the header and inside the structure.
    if (dir == Dir::Ifd0 && (offset < 8 || offset > source_.Size() - base_))
        factsOff_ = true;
    while (offset != 0) {
        uint64_t position = base_ + offset;
        if (depth > TiffLimits::kMaxDepth || directories_ >= TiffLimits::kMaxDirectories)
            return;
        if (!visited_.insert(position).second)
            return;  // a directory chain that loops
        ++directories_;
        uint8_t countBytes[2];
        if (!source_.Read(position, countBytes, 2))
            return;
        unsigned count = Get16(countBytes, big_);
        if (count == 0 && current == Dir::Ifd0)
            facts_.image.firstDirectoryRead = !factsOff_;
        if (count == 0 || count > TiffLimits::kMaxEntries)
            return;
        // The fourth directory of a CR2 file holds the raw image itself.
        int entryPriority = (cr2_ && chainIndex == 3) ? 1 : Priority(current);
        std::vector<uint8_t> entries(size_t(count) * 12 + 4);
        bool hasNext = source_.Read(position + 2, entries.data(), entries.size());
        if (!hasNext && !source_.Read(position + 2, entries.data(), entries.size() - 4))
            return;
        for (unsigned i = 0; i < count; ++i) {
            position_ = position;
            priority_ = entryPriority;
            entryIndex_ = i;
            TiffValue value;
            uint64_t valueSize = 0;
            if (!ReadValue(entries.data() + i * 12, value, valueSize)) {
                // A GPS directory's damaged entry leaves its other entries standing.
                factsOff_ = factsOff_ || current != Dir::Gps;
                continue;
            }
            Entry(value, valueSize, current, depth);
            // The rest of a directory whose subfile type says "not the full-resolution image".
            if (value.tag == 0x00FE && current != Dir::Gps && value.IsNumeric() && value.Integer(0) != 0)
                entryPriority = 0;
        }
        const bool chain = current == Dir::Ifd0 || current == Dir::Ifd1 || current == Dir::LaterIfd;
        if (hasNext && chain)
            offset = Get32(entries.data() + count * 12, big_);
        if (hasNext && chain && offset > source_.Size() - base_)
            factsOff_ = true;
        if (current == Dir::Ifd0)
            facts_.image.firstDirectoryRead = !factsOff_;
        if (!hasNext || !chain)
            return;
        current = current == Dir::Ifd0 ? Dir::Ifd1 : Dir::LaterIfd;
        mainImage_ = false;
        ++chainIndex;
    }
}

void TiffWalker::ImageFact(const TiffValue& value, Dir dir)
{
    if (factsOff_)
        return;
    ImageFacts& image = facts_.image;
    if (dir == Dir::Gps) {
        if (!mainImage_ || value.tag < 1 || value.tag > 4)
            return;
        GpsCoordinate& c = value.tag <= 2 ? image.latitude : image.longitude;
        if (value.tag % 2 == 1) {
            c.ref = value.bytes.empty() ? 0 : char(value.bytes[0]);
        } else if ((value.format == tiff::Rational || value.format == tiff::SRational) && value.count >= 1 &&
                   value.count <= 3) {
            // Degrees, minutes, seconds; some writers give fewer parts.
            c.present = true;
            c.degrees = CoordinateDegrees(value);
        }
        return;
    }
    switch (value.tag) {
    case 0x0110: image.model = value.Text(); break;
    case 0xA431: image.bodySerial = value.Text(); break;
    case kExifIfdTag:
    case kInteropIfdTag:
        // A link out of the structure is damage; one that leads to nothing readable is not.
        if (value.IsNumeric() && uint64_t(value.Integer(0)) > source_.Size() - base_)
            factsOff_ = true;
        break;
    case 0x0112: {
        ImageFacts::Orientation& o = mainImage_ ? image.mainOrientation : image.thumbnailOrientation;
        o.present = true;
        o.number = value.IsNumeric() ? value.Number(0) : 0;
        break;
    }
    default: break;
    }
}

void TiffWalker::Entry(const TiffValue& value, uint64_t valueSize, Dir dir, unsigned depth)
{
    ImageFact(value, dir);
    bool panasonicRoot = panasonic_ && dir == Dir::Ifd0;
    if (dir == Dir::Exif && value.tag == kMakerNoteTag) {
        uint8_t pointer[12];
        if (valueSize > 4 && !value.bytes.empty() &&
            source_.Read(position_ + 2 + entryIndex_ * 12, pointer, 12)) {
            ReadMakerNote(value.bytes, base_ + Get32(pointer + 8, big_), base_, big_, CameraNamed(),
                          listing_);
        }
        ReadAppleNote(value.bytes, listing_);
    }
    if (dir == Dir::Ifd0 && value.tag == kDngPrivateDataTag)
        ReadDngPrivateData(value.bytes, CameraNamed(), listing_);
    if (value.tag == kIccProfileTag && dir != Dir::Gps && !panasonicRoot) {
        uint8_t pointer[12];
        if (valueSize > 4 && source_.Read(position_ + 2 + entryIndex_ * 12, pointer, 12)) {
            WindowSource profile(source_, base_ + Get32(pointer + 8, big_), valueSize);
            ReadIccProfile(profile, listing_);
        }
        return;
    }
    const TagInfo* tag = dir == Dir::Gps ? FindGpsTag(value.tag)
                         : panasonicRoot ? FindPanasonicTag(value.tag)
                                         : FindExifTag(value.tag);
    if (!tag)
        return;
    if (panasonicRoot && value.tag == kPanasonicJpgFromRawTag) {
        listing_.Add(tag->name, BinaryText(valueSize));
        if (valueSize > 4 && depth < TiffLimits::kMaxDepth) {
            uint8_t pointer[12];
            if (source_.Read(position_ + 2 + entryIndex_ * 12, pointer, 12)) {
                WindowSource jpeg(source_, base_ + Get32(pointer + 8, big_), valueSize);
                ReadJpegExif(jpeg, listing_, facts_);
            }
        }
        return;
    }
    if (value.tag == kXmpTag && dir != Dir::Gps) {
        if (!value.bytes.empty()) {
            ReadXmp(std::string(value.bytes.begin(), value.bytes.end()), listing_);
        } else if (valueSize > 4) {
            uint8_t pointer[12];
            if (source_.Read(position_ + 2 + entryIndex_ * 12, pointer, 12)) {
                ReadXmpAt(source_, base_ + Get32(pointer + 8, big_), valueSize, listing_);
            }
        }
        return;
    }
    if (cr2_ && dir == Dir::Ifd0 && (value.tag == 0x0111 || value.tag == 0x0117) && !value.bytes.empty()) {
        listing_.Add(value.tag == 0x0111 ? "Preview Image Start" : "Preview Image Length",
                     JoinNumbers(value, " "));
        return;
    }
    if (tag->conv == Conv::SubIfd) {
        if (value.bytes.empty() || !(value.format == tiff::Long || value.format == tiff::Ifd))
            return;
        Dir child = value.tag == kExifIfdTag      ? Dir::Exif
                    : value.tag == kGpsIfdTag     ? Dir::Gps
                    : value.tag == kInteropIfdTag ? Dir::Interop
                                                  : Dir::SubIfd;
        if (child == Dir::Gps && dir == Dir::Gps)
            return;
        for (size_t i = 0; i < value.Size() && i < TiffLimits::kMaxDirectories; ++i) {
            Walk(uint64_t(value.Integer(i)), child, depth + 1);
        }
        return;
    }
    // The thumbnail pointers are named by the directory that holds them.
    if (dir != Dir::Gps && (value.tag == 0x0201 || value.tag == 0x0202)) {
        bool start = value.tag == 0x0201;
        const char* name = dir == Dir::Ifd1   ? (start ? "Thumbnail Offset" : "Thumbnail Length")
                           : dir == Dir::Ifd0 ? (start ? "Preview Image Start" : "Preview Image Length")
                                              : (start ? "Jpg From Raw Start" : "Jpg From Raw Length");
        if (value.bytes.empty())
            return;
        // Offsets are listed from the start of the file, also for a TIFF block inside a JPEG.
        listing_.Add(name,
                     start ? std::to_string(uint64_t(value.Integer(0)) + base_ + source_.Origin())
                           : JoinNumbers(value, " "),
                     priority_);
        if (dir == Dir::Ifd1) {
            if (start) {
                thumbnailOffset_ = true;
                facts_.image.thumbnailOffset = uint64_t(value.Integer(0));
            } else {
                facts_.hasThumbnail = thumbnailOffset_;
                facts_.thumbnailLength = uint64_t(value.Integer(0));
                facts_.image.thumbnailLength = facts_.thumbnailLength;
            }
        }
        return;
    }
    if (value.bytes.empty()) {
        if (valueSize > 0)
            listing_.Add(tag->name, BinaryText(valueSize), priority_);
        return;
    }
    Record(*tag, value, dir);
}

void TiffWalker::Record(const TagInfo& tag, const TiffValue& value, Dir dir)
{
    if (dir == Dir::Gps) {
        switch (value.tag) {
        case 0x0001:
        case 0x0003: {
            std::string ref = value.Text();
            GpsCoordinate& c = value.tag == 1 ? facts_.latitude : facts_.longitude;
            if (!ref.empty() && !c.ref)
                c.ref = ref[0];
            break;
        }
        case 0x0002:
        case 0x0004: {
            GpsCoordinate& c = value.tag == 2 ? facts_.latitude : facts_.longitude;
            if (!c.present && value.IsNumeric()) {
                c.present = true;
                c.degrees = CoordinateDegrees(value);
            }
            return;  // listed with its reference among the combined fields
        }
        case 0x0005:
            facts_.altitudeRefKnown = true;
            facts_.belowSeaLevel = value.Integer(0) == 1;
            break;
        case 0x0006:
            if (!facts_.hasAltitude && value.IsNumeric()) {
                facts_.hasAltitude = true;
                facts_.altitude = value.Number(0);
            }
            return;
        case 0x0007:
            if (facts_.gpsTime.empty())
                facts_.gpsTime = ConvertValue(tag, value);
            break;
        case 0x001D:
            if (facts_.gpsDate.empty())
                facts_.gpsDate = TrimRight(value.Text());
            break;
        default: break;
        }
    } else if (value.IsNumeric()) {
        switch (value.tag) {
        case 0x829D:
            if (!facts_.hasFNumber) {
                facts_.hasFNumber = true;
                facts_.fNumber = value.Number(0);
            }
            break;
        case 0x9202:
            if (!facts_.hasApertureValue) {
                facts_.hasApertureValue = true;
                facts_.apertureValue = std::pow(2.0, value.Number(0) / 2);
            }
            break;
        case 0x829A:
            if (!facts_.hasExposureTime) {
                facts_.hasExposureTime = true;
                facts_.exposureTime = value.Number(0);
            }
            break;
        case 0x9201:
            if (!facts_.hasShutterSpeedValue && std::fabs(value.Number(0)) < 100) {
                facts_.hasShutterSpeedValue = true;
                facts_.shutterSpeedValue = std::pow(2.0, -value.Number(0));
            }
            break;
        case 0x8827:
            if (!facts_.hasIso) {
                facts_.hasIso = true;
                facts_.iso = value.Number(0);
            }
            break;
        default: break;
        }
    }
    // The subfile type is listed as the last directory gives it. The white balance a maker note
    // names is more specific than this one, so this one never replaces it.
    int priority = value.tag == 0x00FE ? 1 : value.tag == kWhiteBalanceTag ? 0 : priority_;
    listing_.Add(tag.name, ConvertValue(tag, value), priority);
}

}  // namespace

bool ReadTiff(ByteSource& source, uint64_t base, Listing& listing, ExifFacts& facts,
              const TiffOptions& options)
{
    uint8_t header[8];
    if (!source.Read(base, header, sizeof header))
        return false;
    bool big;
    if (header[0] == 'I' && header[1] == 'I')
        big = false;
    else if (header[0] == 'M' && header[1] == 'M')
        big = true;
    else
        return false;
    uint16_t magic = Get16(header + 2, big);
    bool raw = magic == 0x55 || magic == 0x4F52 || magic == 0x5352;
    if (magic != 42 && !(options.rawMagic && raw))
        return false;
    if (options.listByteOrder) {
        listing.Add("Exif Byte Order", big ? "Big-endian (Motorola, MM)" : "Little-endian (Intel, II)");
    }
    TiffWalker walker(source, base, big, listing, facts, magic == 0x55, base == 0 && IsCr2(source));
    walker.Walk(Get32(header + 4, big), options.gpsRoot ? Dir::Gps : Dir::Ifd0, 0);
    return true;
}

}  // namespace metaprobe
