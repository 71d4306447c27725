#include "metaprobe/MakerNoteDirectory.h"

#include <cstdio>

#include "metaprobe/ByteSource.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {
constexpr unsigned kMaxEntries = 1000;
}  // namespace

bool NoteDirectory::Find(uint16_t tag, std::vector<uint8_t>& value, uint16_t* format) const
{
    if (start_ + 2 > note_.size())
        return false;
    unsigned count = Get16(note_.data() + start_, big_);
    for (unsigned i = 0; i < count && i < kMaxEntries; ++i) {
        size_t entry = start_ + 2 + 12 * size_t(i);
        if (entry + 12 > note_.size())
            return false;
        if (Get16(note_.data() + entry, big_) != tag)
            continue;
        // Up to format 13, a directory's offset (four bytes).
        static const unsigned sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
        unsigned type = Get16(note_.data() + entry + 2, big_);
        uint64_t bytes = uint64_t(type < 14 ? sizes[type] : 0) * Get32(note_.data() + entry + 4, big_);
        if (bytes == 0)
            return false;
        if (format)
            *format = uint16_t(type);
        if (bytes <= 4) {
            value.assign(note_.begin() + long(entry + 8), note_.begin() + long(entry + 8 + bytes));
            return true;
        }
        int64_t at = origin_ + int64_t(Get32(note_.data() + entry + 8, big_));
        if (at < 0 || uint64_t(at) > note_.size() || bytes > note_.size() - uint64_t(at))
            return false;
        value.assign(note_.begin() + long(at), note_.begin() + long(at + int64_t(bytes)));
        return true;
    }
    return false;
}

std::string ZoneText(int minutes)
{
    char text[16];
    int magnitude = minutes < 0 ? -minutes : minutes;
    std::snprintf(text, sizeof text, "%c%02d:%02d", minutes < 0 ? '-' : '+', magnitude / 60 % 100,
                  magnitude % 60);
    return text;
}

std::string CText(const std::vector<uint8_t>& value)
{
    size_t n = 0;
    while (n < value.size() && value[n] != 0)
        ++n;
    return TrimRight(Latin1ToUtf8(std::string(value.begin(), value.begin() + long(n))));
}

bool FirstShort(const std::vector<uint8_t>& value, uint16_t format, bool big, int& number)
{
    if (value.size() < 2 || (format != 3 && format != 8))
        return false;
    uint16_t raw = Get16(value.data(), big);
    number = format == 8 ? int(int16_t(raw)) : int(raw);
    return true;
}

}  // namespace metaprobe
