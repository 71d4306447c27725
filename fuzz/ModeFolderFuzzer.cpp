// Feeds arbitrary metadata values (an orientation text, an extension, a file name) through the
// steps that turn them into a target path, and checks that a target the checks accept lies
// strictly below the output folder by an independent walk of its names.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/ModeFolder.h"
#include "engine/SafePath.h"

namespace {

// Below root when every name after it is a plain name: none empty, none "." or "..", no separator
// of either kind inside, none that Windows would shorten (trailing dot or space) except the file's
// own name, which is judged as Windows stores it.
bool PlainNamesBelow(const std::string& root, const std::string& target)
{
    if (target.compare(0, root.size(), root) != 0 || target.size() == root.size())
        return false;
    std::string_view rest(target);
    rest.remove_prefix(root.size());
    while (true) {
        const std::size_t end = rest.find('\\');
        std::string_view name = rest.substr(0, end);
        if (end == std::string_view::npos)
            name = name.substr(0, name.find_last_not_of(". ") + 1);
        if (name.empty() || name.find('/') != std::string_view::npos ||
            name.find(':') != std::string_view::npos)
            return false;
        if (name.find_first_not_of(". ") == std::string_view::npos)
            return false;
        if (name.back() == '.' || name.back() == ' ')
            return false;
        if (end == std::string_view::npos)
            return true;
        rest.remove_prefix(end + 1);
    }
}

void Check(const std::string& root, const std::string& target)
{
    std::string reason;
    if (CheckTargetInFolder(root, target, reason)) {
        if (!PlainNamesBelow(root, target) || !IsInsideFolder(root, target))
            std::abort();
    } else if (reason.empty()) {
        std::abort();
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 1)
        return 0;
    const std::string value(reinterpret_cast<const char*>(bytes) + 1, size - 1);
    const std::string root = (bytes[0] & 1) ? "C:\\t\\a\\out\\" : "\\\\server\\share\\out\\";
    std::string folder;
    std::string reason;
    switch (bytes[0] % 3) {
    case 0:
        if (OrientationFolderName(value, folder, reason)) {
            if (!IsKnownOrientationText(folder))
                std::abort();
            Check(root, root + folder + "\\photo.png");
        }
        break;
    case 1:
        if (const auto ext = ExtensionText(value);
            ext && ModeFolderPath(OrganizeOptions {}, {ModeKind::Extension, {}, *ext}, folder, reason))
            Check(root, root + folder + "photo");
        break;
    default:
        // The value as the rest of the path: folder names and a file name a template gave.
        Check(root, root + value);
        break;
    }
    return 0;
}
