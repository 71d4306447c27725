#include "engine/TakeoutMatch.h"

#include <algorithm>
#include <array>
#include <map>
#include <string_view>
#include <tuple>

namespace {

constexpr std::string_view kSupplemental = ".supplemental-metadata";
constexpr std::string_view kJson = ".json";

// The export's "edited" suffix in the languages it is written in, as it appears in names.
constexpr std::array<std::string_view, 14> kEditedSuffixes {
        "-edited",         "-bearbeitet",
        "-modifi\xC3\xA9", "-editado",
        "-modificato",     "-bewerkt",
        "-redigerad",      "-redigeret",
        "-redigert",       "-muokattu",
        "-edytowane",      "-upraven\xC3\xA9",
        "-szerkesztett",   "-\xD0\xB8\xD0\xB7\xD0\xBC\xD0\xB5\xD0\xBD\xD0\xB5\xD0\xBD\xD0\xBE",
};

constexpr std::array<std::string_view, 3> kMotionVideos {".MP4", ".MOV", ".MP"};

// Names compare as Windows compares them, ASCII letters without case.
std::string Key(std::string_view text)
{
    std::string key(text);
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

bool EndsWithNoCase(std::string_view text, std::string_view tail)
{
    return text.size() >= tail.size() && Key(text.substr(text.size() - tail.size())) == Key(tail);
}

// The name's last extension with its dot, or empty.
std::string_view ExtOf(std::string_view name)
{
    const std::size_t dot = name.rfind('.');
    if (dot == std::string_view::npos || dot == 0)
        return {};
    return name.substr(dot);
}

std::string_view StemOf(std::string_view name)
{
    return name.substr(0, name.size() - ExtOf(name).size());
}

// The first limit characters of text (UTF-8: a character is never cut in two).
std::string Clip(std::string_view text, std::size_t limit)
{
    std::size_t characters = 0;
    for (std::size_t at = 0; at < text.size(); ++at) {
        if ((static_cast<unsigned char>(text[at]) & 0xC0) == 0x80)
            continue;
        if (characters == limit)
            return std::string(text.substr(0, at));
        ++characters;
    }
    return std::string(text);
}

// A duplicate's number at the end of a stem, "(1)" to "(9999)"; empty when there is none.
std::string_view DuplicateNumber(std::string_view stem)
{
    if (stem.size() < 3 || stem.back() != ')')
        return {};
    const std::size_t open = stem.rfind('(');
    if (open == std::string_view::npos || open == 0)
        return {};
    const std::string_view digits = stem.substr(open + 1, stem.size() - open - 2);
    if (digits.empty() || digits.size() > 4 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    return stem.substr(open);
}

struct Candidate {
    std::string name;  // the sidecar's name
    std::string title;  // the original name its title would hold
    int rank = 0;  // lower is the likelier form
};

// The sidecar names a file may have, likeliest first.
std::vector<Candidate> CandidatesOf(std::string_view name)
{
    std::vector<Candidate> out;
    const auto add = [&out](std::string sidecar, std::string_view title, int rank) {
        for (const Candidate& c : out)
            if (Key(c.name) == Key(sidecar))
                return;
        out.push_back({std::move(sidecar), std::string(title), rank});
    };
    const auto forms = [&add](std::string_view original, std::string_view number, int rank) {
        const std::string whole(original);
        const std::string_view stem = StemOf(original);
        const std::string tail = std::string(number) + std::string(kJson);
        add(Clip(whole + std::string(kSupplemental), kTakeoutNameLimit) + tail, original, rank);
        add(Clip(whole, kTakeoutNameLimit) + tail, original, rank + 1);
        if (stem.size() != original.size()) {
            add(Clip(std::string(stem) + std::string(kSupplemental), kTakeoutNameLimit) + tail, original,
                rank + 2);
            add(Clip(stem, kTakeoutNameLimit) + tail, original, rank + 3);
        }
    };
    forms(name, {}, 0);
    // NAME(1).EXT: the sidecar of NAME.EXT with the number before ".json".
    const std::string_view ext = ExtOf(name);
    const std::string_view stem = StemOf(name);
    const std::string_view number = DuplicateNumber(stem);
    if (!number.empty()) {
        const std::string original =
                std::string(stem.substr(0, stem.size() - number.size())) + std::string(ext);
        forms(original, number, 10);
    }
    return out;
}

// The original of an edited copy (NAME-edited.EXT, NAME(1)-edited.EXT, NAME-edited(1).EXT), or
// nothing.
std::optional<std::string> EditedOriginal(std::string_view name)
{
    const std::string_view ext = ExtOf(name);
    std::string_view stem = StemOf(name);
    const std::string_view number = DuplicateNumber(stem);
    for (const std::string_view tail : {std::string_view(), number}) {
        const std::string_view part = stem.substr(0, stem.size() - tail.size());
        for (const std::string_view suffix : kEditedSuffixes) {
            if (part.size() > suffix.size() && EndsWithNoCase(part, suffix))
                return std::string(part.substr(0, part.size() - suffix.size())) + std::string(tail) +
                       std::string(ext);
        }
        if (number.empty())
            break;
    }
    return std::nullopt;
}

bool IsMotionVideo(std::string_view name)
{
    const std::string ext = Key(ExtOf(name));
    return std::find(kMotionVideos.begin(), kMotionVideos.end(), ext) != kMotionVideos.end();
}

struct Claim {
    int media;
    int sidecar;
    int rank;
    std::string title;
};

class Matcher {
public:
    Matcher(const std::vector<std::string>& names, const TakeoutTitle& titleOf)
        : names_(names), titleOf_(titleOf)
    {
        match_.sidecarOf.assign(names.size(), -1);
        match_.ownerOf.assign(names.size(), -1);
        match_.isSidecar.assign(names.size(), false);
        for (std::size_t i = 0; i < names.size(); ++i) {
            match_.isSidecar[i] = IsTakeoutSidecarName(names[i]);
            byName_.emplace(Key(names[i]), static_cast<int>(i));
        }
    }

    TakeoutMatch Run()
    {
        std::vector<Claim> claims;
        for (std::size_t i = 0; i < names_.size(); ++i) {
            if (match_.isSidecar[i])
                continue;
            for (Candidate& c : CandidatesOf(names_[i])) {
                const int sidecar = SidecarNamed(c.name);
                if (sidecar >= 0)
                    claims.push_back({static_cast<int>(i), sidecar, c.rank, std::move(c.title)});
            }
        }
        Decide(claims);
        for (std::size_t i = 0; i < names_.size(); ++i)
            if (!match_.isSidecar[i] && match_.sidecarOf[i] < 0)
                TakeOriginals(static_cast<int>(i));
        return std::move(match_);
    }

private:
    int SidecarNamed(const std::string& name) const
    {
        const auto found = byName_.find(Key(name));
        if (found == byName_.end() || !match_.isSidecar[static_cast<std::size_t>(found->second)])
            return -1;
        return found->second;
    }

    // The title of a sidecar, read once.
    const std::optional<std::string>& TitleOf(int sidecar)
    {
        const auto found = titles_.find(sidecar);
        if (found != titles_.end())
            return found->second;
        std::optional<std::string> title;
        if (titleOf_)
            title = titleOf_(static_cast<std::size_t>(sidecar));
        return titles_.emplace(sidecar, std::move(title)).first->second;
    }

    // Each file takes its likeliest sidecar and each sidecar one file; where a sidecar or a file
    // has several claims, a claim that the sidecar's title contradicts comes after the others.
    void Decide(std::vector<Claim>& claims)
    {
        std::map<int, int> perSidecar, perMedia;
        for (const Claim& c : claims) {
            ++perSidecar[c.sidecar];
            ++perMedia[c.media];
        }
        struct Ordered {
            int key;
            int media;
            int sidecar;
            bool operator<(const Ordered& o) const
            {
                return std::tie(key, media, sidecar) < std::tie(o.key, o.media, o.sidecar);
            }
        };
        std::vector<Ordered> order;
        for (const Claim& c : claims) {
            int key = c.rank;
            if (perSidecar[c.sidecar] > 1 || perMedia[c.media] > 1) {
                const std::optional<std::string>& title = TitleOf(c.sidecar);
                if (title && Key(*title) != Key(c.title))
                    key += 1000;
            }
            order.push_back({key, c.media, c.sidecar});
        }
        std::sort(order.begin(), order.end());
        // The claims on each name, to find a tie without going through them all.
        std::multimap<int, std::size_t> byName;
        for (std::size_t i = 0; i < order.size(); ++i) {
            byName.emplace(order[i].media, i);
            byName.emplace(order[i].sidecar, i);
        }
        std::vector<bool> blocked(names_.size(), false);
        for (const Ordered& claim : order) {
            if (Taken(claim.media, claim.sidecar, blocked))
                continue;
            // Two claims alike in rank on one name: neither is taken, nor is the name they share.
            bool tie = false;
            for (const int shared : {claim.media, claim.sidecar}) {
                const auto [first, last] = byName.equal_range(shared);
                for (auto it = first; it != last; ++it) {
                    const Ordered& other = order[it->second];
                    if (other.key != claim.key ||
                        (other.media == claim.media && other.sidecar == claim.sidecar) ||
                        Taken(other.media, other.sidecar, blocked))
                        continue;
                    tie = true;
                }
                if (tie) {
                    blocked[static_cast<std::size_t>(shared)] = true;
                    break;
                }
            }
            if (tie)
                continue;
            match_.sidecarOf[static_cast<std::size_t>(claim.media)] = claim.sidecar;
            match_.ownerOf[static_cast<std::size_t>(claim.sidecar)] = claim.media;
        }
    }

    bool Taken(int media, int sidecar, const std::vector<bool>& blocked) const
    {
        return blocked[static_cast<std::size_t>(media)] || blocked[static_cast<std::size_t>(sidecar)] ||
               match_.sidecarOf[static_cast<std::size_t>(media)] >= 0 ||
               match_.ownerOf[static_cast<std::size_t>(sidecar)] >= 0;
    }

    // An edited copy takes its original's sidecar, a motion video its still's.
    void TakeOriginals(int media)
    {
        const std::string& name = names_[static_cast<std::size_t>(media)];
        if (const auto original = EditedOriginal(name)) {
            const auto found = byName_.find(Key(*original));
            if (found != byName_.end()) {
                Share(media, found->second);
                return;
            }
            // The original is not here: its sidecar, if nobody has it, goes with the copy.
            for (const Candidate& c : CandidatesOf(*original)) {
                const int sidecar = SidecarNamed(c.name);
                if (sidecar >= 0 && match_.ownerOf[static_cast<std::size_t>(sidecar)] < 0) {
                    match_.sidecarOf[static_cast<std::size_t>(media)] = sidecar;
                    match_.ownerOf[static_cast<std::size_t>(sidecar)] = media;
                    return;
                }
            }
            return;
        }
        if (!IsMotionVideo(name))
            return;
        const std::string stem = Key(StemOf(name));
        for (std::size_t i = 0; i < names_.size(); ++i) {
            if (static_cast<int>(i) == media || match_.isSidecar[i] || IsMotionVideo(names_[i]) ||
                Key(StemOf(names_[i])) != stem)
                continue;
            if (Share(media, static_cast<int>(i)))
                return;
        }
    }

    bool Share(int media, int from)
    {
        const int sidecar = match_.sidecarOf[static_cast<std::size_t>(from)];
        if (sidecar < 0)
            return false;
        match_.sidecarOf[static_cast<std::size_t>(media)] = sidecar;
        return true;
    }

    const std::vector<std::string>& names_;
    const TakeoutTitle& titleOf_;
    std::map<std::string, int> byName_;
    std::map<int, std::optional<std::string>> titles_;
    TakeoutMatch match_;
};

}  // namespace

bool IsTakeoutSidecarName(const std::string& name)
{
    return name.size() > kJson.size() && EndsWithNoCase(name, kJson);
}

TakeoutMatch MatchTakeoutSidecars(const std::vector<std::string>& names, const TakeoutTitle& titleOf)
{
    return Matcher(names, titleOf).Run();
}
