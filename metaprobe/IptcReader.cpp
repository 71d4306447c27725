#include "metaprobe/IptcReader.h"

#include <string>

#include "metaprobe/ByteSource.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

enum class Kind { Text, List, Date, Time, Number };

struct IptcField {
    uint8_t dataset;
    const char* name;
    Kind kind;
};

// Datasets of the application record (record 2) that are listed.
const IptcField kFields[] = {
        {0, "Application Record Version", Kind::Number},
        {5, "Object Name", Kind::Text},
        {25, "Keywords", Kind::List},
        {55, "Date Created", Kind::Date},
        {60, "Time Created", Kind::Time},
        {62, "Digital Creation Date", Kind::Date},
        {63, "Digital Creation Time", Kind::Time},
        {80, "By-line", Kind::List},
        {85, "By-line Title", Kind::List},
        {90, "City", Kind::Text},
        {101, "Country-Primary Location Name", Kind::Text},
        {116, "Copyright Notice", Kind::Text},
        {120, "Caption-Abstract", Kind::Text},
        {122, "Writer-Editor", Kind::List},
};

bool Digits(const std::string& text, size_t from, size_t count)
{
    if (text.size() < from + count)
        return false;
    for (size_t i = from; i < from + count; ++i) {
        if (text[i] < '0' || text[i] > '9')
            return false;
    }
    return true;
}

// "20050718" -> "2005:07:18"; anything else stays as it is.
std::string DateText(const std::string& value)
{
    if (value.size() != 8 || !Digits(value, 0, 8))
        return value;
    return value.substr(0, 4) + ":" + value.substr(4, 2) + ":" + value.substr(6, 2);
}

// "082714+0200" -> "08:27:14+02:00", "082714" -> "08:27:14".
std::string TimeText(const std::string& value)
{
    if (!Digits(value, 0, 6))
        return value;
    std::string text = value.substr(0, 2) + ":" + value.substr(2, 2) + ":" + value.substr(4, 2);
    if (value.size() == 6)
        return text;
    if (value.size() == 11 && (value[6] == '+' || value[6] == '-') && Digits(value, 7, 4))
        return text + value[6] + value.substr(7, 2) + ":" + value.substr(9, 2);
    return value;
}

}  // namespace

void ReadIptc(const std::vector<uint8_t>& data, Listing& listing)
{
    bool utf8 = false;
    std::string values[sizeof kFields / sizeof kFields[0]];
    bool present[sizeof kFields / sizeof kFields[0]] = {};
    size_t at = 0;
    // Each dataset: 0x1C, record, dataset, 16-bit big-endian size. Extended sizes (top bit set)
    // only occur for large binary data: the walk ends there.
    while (at + 5 <= data.size() && data[at] == 0x1C) {
        uint8_t record = data[at + 1], dataset = data[at + 2];
        unsigned size = Get16(data.data() + at + 3, true);
        if (size & 0x8000)
            break;
        at += 5;
        if (size > data.size() - at)
            break;
        std::string value(data.begin() + long(at), data.begin() + long(at + size));
        at += size;
        if (record == 1 && dataset == 90) {
            utf8 = value == "\x1b%G";
            continue;
        }
        if (record != 2)
            continue;
        for (size_t i = 0; i < sizeof kFields / sizeof kFields[0]; ++i) {
            const IptcField& field = kFields[i];
            if (field.dataset != dataset)
                continue;
            std::string text;
            switch (field.kind) {
            case Kind::Number:
                text = size == 2 ? std::to_string(Get16(data.data() + at - 2, true)) : value;
                break;
            case Kind::Date: text = DateText(value); break;
            case Kind::Time: text = TimeText(value); break;
            default: text = utf8 ? value : Latin1ToUtf8(value); break;
            }
            // Repeated datasets of a list are joined; of any other kind the last one counts.
            if (field.kind == Kind::List && present[i])
                values[i] += ", " + text;
            else
                values[i] = text;
            present[i] = true;
        }
    }
    for (size_t i = 0; i < sizeof kFields / sizeof kFields[0]; ++i) {
        if (present[i])
            listing.Add(kFields[i].name, values[i]);
    }
    // The combined date and time, as the dates of the other metadata blocks are written.
    if (present[3] && present[4])
        listing.Add("Date/Time Created", values[3] + " " + values[4]);
    if (present[5] && present[6])
        listing.Add("Digital Creation Date/Time", values[5] + " " + values[6]);
}

}  // namespace metaprobe
