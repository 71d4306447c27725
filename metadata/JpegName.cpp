#include "metadata/JpegName.h"

#include <optional>

#include "base/PathText.h"

bool IsJpegPath(const std::string& path)
{
    const std::optional<std::string> extension = ExtensionOf(path);
    if (!extension)
        return false;
    std::string lower = *extension;
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return lower == ".jpg" || lower == ".jpeg";
}
