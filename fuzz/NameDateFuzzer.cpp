// Reads a date from arbitrary name bytes and checks that whatever is found is a valid date and
// time within the accepted years.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "metadata/NameDate.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    constexpr int kCurrentYear = 2026;
    const std::string_view name(reinterpret_cast<const char*>(bytes), size);
    DateTime date;
    if (!DateFromFileName(name, kCurrentYear, date))
        return 0;
    if (date.year < 1990 || date.year > kCurrentYear + 1 || date.month < 1 || date.month > 12 ||
        date.day < 1 || date.day > 31 || date.hour < 0 || date.hour > 23 || date.minute < 0 ||
        date.minute > 59 || date.second < 0 || date.second > 59)
        std::abort();
    return 0;
}
