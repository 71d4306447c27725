// Feeds arbitrary text to the extension list reader of the Options dialog and the filter: a list
// it accepts is stored in a form it accepts again unchanged, and every extension the filter then
// compares is a plain name part (no dot, wildcard, separator or control character).
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/ExtFilter.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string list(reinterpret_cast<const char*>(bytes), size);
    std::string normalized, bad;
    if (!NormalizeExtensionList(list, normalized, bad)) {
        if (bad.empty() || list.find(bad) == std::string::npos)
            std::abort();
        return 0;
    }
    if (normalized.size() > list.size())
        std::abort();
    std::string again, badAgain;
    if (!NormalizeExtensionList(normalized, again, badAgain) || again != normalized)
        std::abort();
    for (const std::string& ext : BuildAllowedExts(1, normalized)) {
        if (ext.empty())
            std::abort();
        for (char c : ext)
            if (static_cast<unsigned char>(c) < 32 ||
                std::string_view("\\/:*?\"<>|.,; ").find(c) != std::string_view::npos)
                std::abort();
    }
    return 0;
}
