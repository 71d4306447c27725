#include "metaprobe/AppleMakerNote.h"

#include <cstring>

#include "metaprobe/ByteSource.h"

namespace metaprobe {

namespace {

constexpr char kSignature[] = "Apple iOS";  // with its terminating zero: 10 bytes
constexpr std::size_t kDirectoryOffset = 14;  // after the signature, a version word and "MM"
constexpr uint16_t kContentIdentifierTag = 0x0011;
constexpr uint16_t kAscii = 2;
constexpr std::size_t kMaxIdentifier = 256;

}  // namespace

bool AppleContentIdentifier(const std::vector<uint8_t>& note, std::string& identifier)
{
    if (note.size() < kDirectoryOffset + 2 || std::memcmp(note.data(), kSignature, sizeof kSignature) != 0 ||
        note[12] != 'M' || note[13] != 'M')
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

}  // namespace metaprobe
