#include "engine/Companions.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>

#include "base/PathText.h"

namespace {

enum class FileClass { Other, Sidecar, FullNameSidecar, Still, Video, Raw };

constexpr std::array<std::string_view, 3> kSidecars {".XMP", ".AAE", ".THM"};
constexpr std::array<std::string_view, 4> kStills {".JPG", ".JPEG", ".HEIC", ".HEIF"};
constexpr std::array<std::string_view, 22> kRaws {
        ".3FR", ".ARW", ".CR2", ".CR3", ".CRW", ".DCR", ".DNG", ".ERF", ".IIQ", ".KDC", ".MRW",
        ".NEF", ".NRW", ".ORF", ".PEF", ".RAF", ".RW2", ".RWL", ".SR2", ".SRF", ".SRW", ".X3F",
};

std::string Upper(std::string text)
{
    for (char& c : text)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return text;
}

template <std::size_t N> bool IsOneOf(const std::string& ext, const std::array<std::string_view, N>& list)
{
    return std::find(list.begin(), list.end(), ext) != list.end();
}

// A file's folder and base name (both upper-cased) and what kind of file it is.
struct Parts {
    std::string stemKey;  // folder + name without its last extension
    std::string nameKey;  // folder + whole name
    std::string ext;  // upper-cased, with its dot
    FileClass type = FileClass::Other;
};

Parts Describe(const std::string& path)
{
    Parts parts;
    parts.nameKey = Upper(path);
    const std::string ext = Upper(ExtensionOf(path).value_or(""));
    parts.ext = ext;
    parts.stemKey = parts.nameKey.substr(0, parts.nameKey.size() - ext.size());
    if (IsOneOf(ext, kSidecars))
        parts.type = FileClass::Sidecar;
    else if (ext == ".JSON")
        parts.type = FileClass::FullNameSidecar;
    else if (IsOneOf(ext, kStills))
        parts.type = FileClass::Still;
    else if (ext == ".MOV")
        parts.type = FileClass::Video;
    else if (IsOneOf(ext, kRaws))
        parts.type = FileClass::Raw;
    return parts;
}

bool IsSidecar(FileClass type)
{
    return type == FileClass::Sidecar || type == FileClass::FullNameSidecar;
}

}  // namespace

std::vector<CompanionLink> FindCompanions(const std::vector<std::string>& sources)
{
    std::vector<Parts> parts;
    parts.reserve(sources.size());
    std::map<std::string, int> byName;
    std::multimap<std::string, int> byStem;  // photos and videos only, in row order
    for (std::size_t i = 0; i < sources.size(); ++i) {
        parts.push_back(Describe(sources[i]));
        const int row = static_cast<int>(i);
        byName.emplace(parts[i].nameKey, row);
        if (!IsSidecar(parts[i].type))
            byStem.emplace(parts[i].stemKey, row);
    }

    std::vector<CompanionLink> links(sources.size());
    // Pairs first: a sidecar then prefers a pair's still as its lead.
    for (std::size_t i = 0; i < sources.size(); ++i) {
        const FileClass type = parts[i].type;
        if (type != FileClass::Raw && type != FileClass::Video)
            continue;
        const auto [first, last] = byStem.equal_range(parts[i].stemKey);
        for (auto it = first; it != last; ++it) {
            const Parts& other = parts[static_cast<std::size_t>(it->second)];
            if (other.type != FileClass::Still)
                continue;
            // A raw pairs with a JPEG, not with a HEIC no camera writes beside it.
            if (type == FileClass::Raw && other.ext != ".JPG" && other.ext != ".JPEG")
                continue;
            links[i] = {it->second,
                        type == FileClass::Video ? CompanionKind::LiveVideo : CompanionKind::Partner};
            break;
        }
    }
    for (std::size_t i = 0; i < sources.size(); ++i) {
        if (!IsSidecar(parts[i].type))
            continue;
        // name.ext.xmp and name.ext.json name their photo whole.
        const auto whole = byName.find(parts[i].stemKey);
        if (whole != byName.end() && !IsSidecar(parts[static_cast<std::size_t>(whole->second)].type)) {
            links[i] = {whole->second, CompanionKind::FullNameSidecar};
            continue;
        }
        if (parts[i].type != FileClass::Sidecar)
            continue;
        const auto [first, last] = byStem.equal_range(parts[i].stemKey);
        // The pair's still when there is one, else the first photo of that base name.
        int lead = -1;
        for (auto it = first; it != last; ++it) {
            if (lead < 0)
                lead = it->second;
            if (links[static_cast<std::size_t>(it->second)].lead < 0) {
                lead = it->second;
                break;
            }
        }
        if (lead >= 0)
            links[i] = {lead, CompanionKind::Sidecar};
    }
    return links;
}

std::string CompanionName(const std::string& companionName, CompanionKind kind,
                          const std::string& leadTargetName)
{
    const std::string ownExt = ExtensionOf(companionName).value_or("");
    if (kind == CompanionKind::FullNameSidecar)
        return leadTargetName + ownExt;
    const std::string leadExt = ExtensionOf(leadTargetName).value_or("");
    return leadTargetName.substr(0, leadTargetName.size() - leadExt.size()) + ownExt;
}
