#include "engine/ExtFilter.h"

#include <string_view>

#include "base/PathText.h"

namespace {

std::string LowerAscii(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

// "*.jpg" and ".jpg" stand for "jpg", as Windows users write extensions.
std::string WithoutWildcardPrefix(const std::string& entry)
{
    if (entry.rfind("*.", 0) == 0)
        return entry.substr(2);
    if (entry.rfind('.', 0) == 0)
        return entry.substr(1);
    return entry;
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
            piece = WithoutWildcardPrefix(piece);
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

namespace {

bool IsSeparator(char c)
{
    return c == ' ' || c == '\t' || c == ',' || c == ';';
}

// The extension an entry stands for, or empty when it stands for none.
std::string EntryExtension(const std::string& entry)
{
    const std::string ext = WithoutWildcardPrefix(entry);
    for (char c : ext)
        if (static_cast<unsigned char>(c) < 32 ||
            std::string_view("\\/:*?\"<>|.").find(c) != std::string_view::npos)
            return {};
    return ext;
}

}  // namespace

bool NormalizeExtensionList(const std::string& list, std::string& normalized, std::string& badEntry)
{
    std::string result;
    size_t at = 0;
    while (at < list.size()) {
        if (IsSeparator(list[at])) {
            result += list[at++];
            continue;
        }
        size_t end = at;
        while (end < list.size() && !IsSeparator(list[end]))
            ++end;
        const std::string entry = list.substr(at, end - at);
        const std::string ext = EntryExtension(entry);
        if (ext.empty()) {
            badEntry = entry;
            return false;
        }
        result += ext;
        at = end;
    }
    normalized = result;
    return true;
}
