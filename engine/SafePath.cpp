#include "engine/SafePath.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

char UpperAscii(char c)
{
    return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool EqualNoCaseAscii(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i)
        if (UpperAscii(a[i]) != UpperAscii(b[i]))
            return false;
    return true;
}

// Device names Windows reserves in every folder, with or without an extension. The superscript
// digits (UTF-8) are reserved as well since COM¹ and LPT¹ name the same devices.
bool IsReservedDeviceName(std::string_view name)
{
    std::string_view base = name.substr(0, name.find('.'));
    while (!base.empty() && base.back() == ' ')
        base.remove_suffix(1);
    static const std::array<std::string_view, 6> kPlain = {"CON", "PRN", "AUX", "NUL", "CONIN$", "CONOUT$"};
    for (std::string_view reserved : kPlain)
        if (EqualNoCaseAscii(base, reserved))
            return true;
    if (base.size() < 4)
        return false;
    const std::string_view stem = base.substr(0, 3);
    if (!EqualNoCaseAscii(stem, "COM") && !EqualNoCaseAscii(stem, "LPT"))
        return false;
    const std::string_view digit = base.substr(3);
    if (digit.size() == 1)
        return digit[0] >= '0' && digit[0] <= '9';
    return digit == "\xC2\xB9" || digit == "\xC2\xB2" || digit == "\xC2\xB3";
}

bool IsSeparator(char c)
{
    return c == '\\' || c == '/';
}

// The root a normalised path keeps ("C:\", "\\server\share\", "\") and the names after it.
struct SplitPath {
    std::string root;
    std::vector<std::string_view> names;
};

SplitPath Split(std::string_view path)
{
    SplitPath split;
    std::size_t pos = 0;
    if (path.size() >= 2 && IsSeparator(path[0]) && IsSeparator(path[1])) {
        // A UNC path: the server and share names belong to the root and are never resolved away.
        split.root = "\\\\";
        pos = 2;
        for (int part = 0; part < 2; ++part) {
            while (pos < path.size() && IsSeparator(path[pos]))
                ++pos;
            std::size_t end = pos;
            while (end < path.size() && !IsSeparator(path[end]))
                ++end;
            for (std::size_t i = pos; i < end; ++i)
                split.root += UpperAscii(path[i]);
            split.root += '\\';
            pos = end;
        }
    } else if (path.size() >= 2 && path[1] == ':') {
        split.root = {UpperAscii(path[0]), ':', '\\'};
        pos = 2;
    } else if (!path.empty() && IsSeparator(path[0])) {
        split.root = "\\";
    }
    while (pos < path.size()) {
        while (pos < path.size() && IsSeparator(path[pos]))
            ++pos;
        std::size_t end = pos;
        while (end < path.size() && !IsSeparator(path[end]))
            ++end;
        std::string_view name = path.substr(pos, end - pos);
        // Windows drops trailing dots and spaces of each name. A name of dots and spaces alone is
        // read as ".." when it has two dots or more: resolving it upwards can only refuse a target.
        if (name.find_first_not_of(". ") == std::string_view::npos) {
            const auto dots = std::count(name.begin(), name.end(), '.');
            name = dots >= 2 ? ".." : dots == 1 ? "." : "";
        } else {
            while (name.back() == '.' || name.back() == ' ')
                name.remove_suffix(1);
        }
        if (name == "..") {
            if (!split.names.empty())
                split.names.pop_back();
        } else if (!name.empty() && name != ".") {
            split.names.push_back(name);
        }
        pos = end;
    }
    return split;
}

}  // namespace

NameFault CheckNameComponent(std::string_view name)
{
    if (name.empty())
        return NameFault::Empty;
    if (name == "." || name == "..")
        return NameFault::DotPart;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if (c < 0x20 || c == 0x7F)
            return NameFault::ControlChar;
        if (IsSeparator(name[i]))
            return NameFault::Separator;
        if (c == ':')
            return i == 1 ? NameFault::DrivePrefix : NameFault::BadChar;
        if (std::string_view("*?\"<>|").find(name[i]) != std::string_view::npos)
            return NameFault::BadChar;
    }
    if (name.back() == '.' || name.back() == ' ')
        return NameFault::TrailingDotOrSpace;
    if (IsReservedDeviceName(name))
        return NameFault::ReservedName;
    return NameFault::None;
}

std::string ShowableName(std::string_view name)
{
    constexpr std::size_t kMost = 80;
    std::size_t length = name.size();
    if (length > kMost) {
        length = kMost;
        // Back to the start of a UTF-8 sequence, so that no character is cut in two.
        while (length > 0 && (static_cast<unsigned char>(name[length]) & 0xC0) == 0x80)
            --length;
    }
    std::string shown(name.substr(0, length));
    for (char& c : shown)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F)
            c = '?';
    if (length < name.size())
        shown += "...";
    return shown;
}

const char* NameFaultReason(NameFault fault)
{
    switch (fault) {
    case NameFault::None: return "";
    case NameFault::Empty: return "an empty name";
    case NameFault::Separator: return "a name may not contain \\ or /";
    case NameFault::DotPart: return "a name may not be . or ..";
    case NameFault::DrivePrefix: return "a name may not name a drive";
    case NameFault::ControlChar: return "a name may not contain control characters";
    case NameFault::ReservedName: return "a name Windows reserves for a device";
    case NameFault::TrailingDotOrSpace: return "a name may not end in a dot or a space";
    case NameFault::BadChar: return "a name may not contain any of :*?\"<>|";
    }
    return "";
}

std::string NameFaultText(NameFault fault, std::string_view name)
{
    if (fault == NameFault::None)
        return {};
    return "Unsafe name \"" + ShowableName(name) + "\" (" + NameFaultReason(fault) + ")";
}

bool IsInsideFolder(std::string_view folder, std::string_view target)
{
    const SplitPath base = Split(folder);
    const SplitPath full = Split(target);
    if (base.root.empty() || base.root != full.root || full.names.size() <= base.names.size())
        return false;
    for (std::size_t i = 0; i < base.names.size(); ++i)
        if (!EqualNoCaseAscii(base.names[i], full.names[i]))
            return false;
    return true;
}

bool SameFolderPath(std::string_view a, std::string_view b)
{
    const SplitPath left = Split(a);
    const SplitPath right = Split(b);
    if (left.root != right.root || left.names.size() != right.names.size())
        return false;
    for (std::size_t i = 0; i < left.names.size(); ++i)
        if (!EqualNoCaseAscii(left.names[i], right.names[i]))
            return false;
    return true;
}

bool CheckTargetInFolder(std::string_view folder, std::string_view target, std::string& reason)
{
    if (target.substr(0, folder.size()) == folder) {
        std::string_view rest = target.substr(folder.size());
        while (true) {
            const std::size_t end = rest.find('\\');
            const bool last = end == std::string_view::npos;
            const std::string_view name = rest.substr(0, end);
            NameFault fault = CheckNameComponent(name);
            // The file's own name may end in a dot or space (made on another system): Windows
            // stores it without them, as a copy in Explorer would, so only the rest must be sound.
            if (last && fault == NameFault::TrailingDotOrSpace) {
                const std::size_t kept = name.find_last_not_of(". ");
                fault = kept == std::string_view::npos ? NameFault::DotPart
                                                       : CheckNameComponent(name.substr(0, kept + 1));
            }
            if (fault != NameFault::None) {
                reason = NameFaultText(fault, name);
                return false;
            }
            if (last)
                break;
            rest.remove_prefix(end + 1);
        }
    }
    if (!IsInsideFolder(folder, target)) {
        reason = "Target \"" + ShowableName(target) + "\" lies outside the output folder";
        return false;
    }
    return true;
}
