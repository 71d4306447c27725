#include "engine/PlaceNames.h"

#include <cstring>

std::string PlaceTagText(std::string_view name)
{
    std::string text;
    text.reserve(name.size());
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool bad = byte < 0x20 || byte == 0x7F || c == '%' || std::strchr("\\/:*?\"<>|", c) != nullptr;
        text += bad ? '_' : c;
    }
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(". ");
    if (first == std::string::npos || last == std::string::npos || last < first)
        return kUnknownPlace;
    return text.substr(first, last - first + 1);
}
