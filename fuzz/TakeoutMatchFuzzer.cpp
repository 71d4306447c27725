// Matches sidecars to the names of one folder made of arbitrary bytes (one name a line, the
// titles taken from the names): every pair is a file with a sidecar, a sidecar has at most one
// owner, and an owner takes the sidecar it owns.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/TakeoutMatch.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    std::vector<std::string> names;
    std::string name;
    for (std::size_t i = 0; i < size && names.size() < 200; ++i) {
        if (bytes[i] == '\n') {
            names.push_back(name);
            name.clear();
        } else {
            name += static_cast<char>(bytes[i]);
        }
    }
    if (!name.empty())
        names.push_back(name);
    // A sidecar's title: the name of the line after it, so that titles name real candidates.
    const TakeoutMatch match =
            MatchTakeoutSidecars(names, [&names](std::size_t i) -> std::optional<std::string> {
                if (i + 1 >= names.size())
                    return std::nullopt;
                return names[i + 1];
            });
    if (match.sidecarOf.size() != names.size() || match.ownerOf.size() != names.size() ||
        match.isSidecar.size() != names.size())
        std::abort();
    for (std::size_t i = 0; i < names.size(); ++i) {
        const int sidecar = match.sidecarOf[i];
        const int owner = match.ownerOf[i];
        if (sidecar >= 0 && (match.isSidecar[i] || static_cast<std::size_t>(sidecar) >= names.size() ||
                             !match.isSidecar[static_cast<std::size_t>(sidecar)]))
            std::abort();
        if (owner >= 0 && (!match.isSidecar[i] || static_cast<std::size_t>(owner) >= names.size() ||
                           match.sidecarOf[static_cast<std::size_t>(owner)] != static_cast<int>(i)))
            std::abort();
    }
    return 0;
}
