#include "metaprobe/AppleMakerNote.h"

#include <cstring>

#include "metaprobe/ByteSource.h"
#include "metaprobe/MakerNoteDirectory.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

constexpr char kSignature[] = "Apple iOS";  // with its terminating zero: 10 bytes
constexpr std::size_t kDirectoryOffset = 14;  // after the signature, a version word and "MM"
constexpr uint16_t kAccelerationTag = 0x0008;
constexpr uint16_t kContentIdentifierTag = 0x0011;
constexpr uint16_t kSignedRational = 10;
constexpr uint16_t kAscii = 2;
constexpr std::size_t kMaxIdentifier = 256;

bool IsAppleNote(const std::vector<uint8_t>& note)
{
    return note.size() >= kDirectoryOffset + 2 &&
           std::memcmp(note.data(), kSignature, sizeof kSignature) == 0 && note[12] == 'M' && note[13] == 'M';
}

}  // namespace

bool AppleContentIdentifier(const std::vector<uint8_t>& note, std::string& identifier)
{
    if (!IsAppleNote(note))
        return false;
    const std::size_t count = Get16(note.data() + kDirectoryOffset, true);
    for (std::size_t i = 0; i < count; ++i) {
        const std::size_t entry = kDirectoryOffset + 2 + i * 12;
        if (entry + 12 > note.size())
            return false;
        const uint8_t* e = note.data() + entry;
        if (Get16(e, true) != kContentIdentifierTag)
            continue;
        const uint32_t length = Get32(e + 4, true);
        if (Get16(e + 2, true) != kAscii || length == 0 || length > kMaxIdentifier)
            return false;
        const std::size_t at = length <= 4 ? entry + 8 : Get32(e + 8, true);
        if (at > note.size() || length > note.size() - at)
            return false;
        const char* text = reinterpret_cast<const char*>(note.data() + at);
        identifier.assign(text, strnlen(text, length));
        return !identifier.empty();
    }
    return false;
}

void ReadAppleNote(const std::vector<uint8_t>& note, Listing& listing)
{
    if (!IsAppleNote(note))
        return;
    std::string identifier;
    if (AppleContentIdentifier(note, identifier))
        listing.Add("Media Group UUID", identifier);
    // Gravity in the phone's axes, in units of g: how the phone was held.
    const NoteDirectory dir(note, kDirectoryOffset, 0, true);
    std::vector<uint8_t> value;
    uint16_t format = 0;
    if (!dir.Find(kAccelerationTag, value, &format) || format != kSignedRational || value.size() != 24)
        return;
    std::string text;
    for (size_t i = 0; i < 3; ++i) {
        const int32_t num = int32_t(Get32(value.data() + 8 * i, true)),
                      den = int32_t(Get32(value.data() + 8 * i + 4, true));
        text += (i ? " " : "") + FormatRatio(num, den);
    }
    listing.Add("Acceleration Vector", text);
}

}  // namespace metaprobe
