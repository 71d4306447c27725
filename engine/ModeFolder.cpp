#include "engine/ModeFolder.h"

#include <array>

#include "engine/SafePath.h"

namespace {

constexpr std::array<std::string_view, 8> kOrientationTexts = {
        "Horizontal (normal)",
        "Mirror horizontal",
        "Rotate 180",
        "Mirror vertical",
        "Mirror horizontal and rotate 90 CCW",
        "Rotate 90 CW",
        "Mirror horizontal and rotate 90 CW",
        "Rotate 90 CCW",
};

}  // namespace

bool IsKnownOrientationText(std::string_view text)
{
    for (std::string_view known : kOrientationTexts)
        if (text == known)
            return true;
    return false;
}

bool OrientationFolderName(std::string_view text, std::string& folder, std::string& reason)
{
    if (!IsKnownOrientationText(text)) {
        reason = "Unknown orientation \"" + ShowableName(text) + "\"";
        return false;
    }
    folder = text;
    return true;
}

bool ExtensionFolderName(std::string_view fileName, std::string& folder, std::string& reason)
{
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos) {
        reason = "No file extension";
        return false;
    }
    std::string ext(fileName.substr(dot + 1));
    for (char& c : ext)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    if (!ext.empty()) {
        const NameFault fault = CheckNameComponent(ext);
        if (fault != NameFault::None) {
            reason = NameFaultText(fault, ext);
            return false;
        }
    }
    folder = ext;
    return true;
}
