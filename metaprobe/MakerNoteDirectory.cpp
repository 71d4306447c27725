#include "metaprobe/MakerNoteDirectory.h"

#include <algorithm>
#include <cstdio>

#include "metaprobe/ByteSource.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {
constexpr unsigned kMaxEntries = 1000;
}  // namespace

unsigned NoteDirectory::Count() const
{
    if (start_ + 2 > note_.size())
        return 0;
    size_t whole = (note_.size() - start_ - 2) / 12;
    unsigned count = Get16(note_.data() + start_, big_);
    return unsigned(std::min<size_t>({count, whole, kMaxEntries}));
}

bool NoteDirectory::Locate(unsigned index, NoteEntry& entry) const
{
    const uint8_t* at = note_.data() + start_ + 2 + 12 * size_t(index);
    // Up to format 13, a directory's offset (four bytes).
    static const unsigned sizes[] = {0, 1, 1, 2, 4, 8, 1, 1, 2, 4, 8, 4, 8, 4};
    entry.tag = Get16(at, big_);
    entry.format = Get16(at + 2, big_);
    uint64_t bytes = uint64_t(entry.format < 14 ? sizes[entry.format] : 0) * Get32(at + 4, big_);
    if (bytes == 0)
        return false;
    if (bytes <= 4) {
        entry.data = at + 8;
        entry.size = size_t(bytes);
        return true;
    }
    int64_t offset = origin_ + int64_t(Get32(at + 8, big_));
    if (offset < 0 || uint64_t(offset) > note_.size() || bytes > note_.size() - uint64_t(offset))
        return false;
    entry.data = note_.data() + offset;
    entry.size = size_t(bytes);
    return true;
}

bool NoteDirectory::Find(uint16_t tag, std::vector<uint8_t>& value, uint16_t* format) const
{
    unsigned count = Count();
    for (unsigned i = 0; i < count; ++i) {
        if (Get16(note_.data() + start_ + 2 + 12 * size_t(i), big_) != tag)
            continue;
        NoteEntry entry;
        if (!Locate(i, entry))
            return false;
        if (format)
            *format = entry.format;
        value.assign(entry.data, entry.data + entry.size);
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
