#include "engine/ExtFilter.h"

#include "engine/PathText.h"

namespace {

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

}  // namespace

std::vector<std::string> BuildAllowedExts(std::uint32_t enableExtFilter, const std::string& allowExts)
{
    std::vector<std::string> exts;
    if (enableExtFilter == 0)
        return exts;
    std::string piece;
    for (char c : allowExts + ",") {
        if (c == ' ' || c == '\t')
            continue;
        if (c == ',' || c == ';') {
            if (!piece.empty())
                exts.push_back(LowerAscii(piece));
            piece.clear();
        } else {
            piece += c;
        }
    }
    return exts;
}

bool PassesExtFilter(std::uint32_t enableExtFilter, const std::vector<std::string>& allowedExts,
                     const std::string& path)
{
    if (enableExtFilter == 0)
        return true;
    const std::string name = FileNameOf(path);
    const auto dot = name.rfind('.');
    if (dot == std::string::npos)
        return false;
    const std::string ext = LowerAscii(name.substr(dot + 1));
    for (const auto& allowed : allowedExts)
        if (ext == allowed)
            return true;
    return false;
}
