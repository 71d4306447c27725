// Feeds a listing whole and in pieces (cut where the input's first bytes say) under tight
// limits, and checks that the fields agree and the limits hold. Also parses each line as a
// date text.
#include <cstdint>
#include <cstdlib>
#include <string_view>
#include <vector>

#include "metadata/DateText.h"
#include "metadata/ListingParser.h"

namespace {

std::vector<MetaField> ReadWhole(std::string_view data, const ListingLimits& limits)
{
    std::vector<MetaField> fields;
    ListingReader reader(fields, limits);
    reader.Begin();
    reader.Feed(data);
    reader.End();
    return fields;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 2)
        return 0;
    ListingLimits limits;
    limits.maxLineLength = 64 + bytes[0] % 64;
    limits.maxKeptBytes = 4096;
    const unsigned step = 1 + bytes[1] % 16;
    const std::string_view data(reinterpret_cast<const char*>(bytes) + 2, size - 2);

    const std::vector<MetaField> whole = ReadWhole(data, limits);

    std::vector<MetaField> pieces;
    ListingReader reader(pieces, limits);
    reader.Begin();
    for (std::size_t at = 0; at < data.size(); at += step)
        reader.Feed(data.substr(at, step));
    if (reader.PendingCapacity() > PendingLine::kInitialCapacity)
        std::abort();
    if (reader.KeptBytes() > limits.maxKeptBytes)
        std::abort();
    reader.End();

    if (whole.size() != pieces.size())
        std::abort();
    for (std::size_t i = 0; i < whole.size(); ++i) {
        const MetaField& field = whole[i];
        if (field.name != pieces[i].name || field.value != pieces[i].value)
            std::abort();
        if (field.name.empty() || field.name.size() + field.value.size() > limits.maxLineLength) {
            std::abort();
        }
        DateTime date;
        if (ParseDateText(field.value, date) && (date.year == 0 || date.month == 0 || date.day == 0)) {
            std::abort();
        }
    }
    return 0;
}
