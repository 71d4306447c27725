#include "engine/ModeFolder.h"

#include <array>

#include "base/PathText.h"
#include "engine/ClockRules.h"
#include "engine/NameTemplate.h"
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

std::optional<std::string> ExtensionText(std::string_view fileName)
{
    const std::size_t dot = fileName.rfind('.');
    if (dot == std::string_view::npos)
        return std::nullopt;
    std::string ext(fileName.substr(dot + 1));
    for (char& c : ext)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return ext;
}

bool ModeFolderPath(const OrganizeOptions& options, const ModeValue& value, std::string& folder,
                    std::string& reason)
{
    std::string name;  // an orientation's folder name
    switch (value.kind) {
    case ModeKind::Date: {
        // The file's name keeps the true date; only its folders follow the day's start. A text
        // that is no time leaves midnight (PrepareRun refuses it before a run).
        int dayBegins = 0;
        ParseDayBegins(options.DayBegins, dayBegins);
        folder = BuildSubfolderPath(options, FolderDate(value.date, dayBegins), value.place);
        return true;
    }
    case ModeKind::Extension:
        // The text comes from the file's name: it must stand as a folder name as it is.
        if (!value.text.empty()) {
            const NameFault fault = CheckNameComponent(value.text);
            if (fault != NameFault::None) {
                reason = NameFaultText(fault, value.text);
                return false;
            }
        }
        folder = value.text.empty() ? std::string() : value.text + '\\';
        return true;
    case ModeKind::Orientation:
        // The text comes from the file: only a known orientation may become a folder.
        if (!OrientationFolderName(value.text, name, reason))
            return false;
        folder = name + '\\';
        return true;
    }
    return false;
}

std::string ExampleLineText(const OrganizeOptions& options)
{
    const OrganizeModeRow* mode = FindOrganizeMode(options.Mode);
    ModeValue sample;
    sample.kind = mode != nullptr ? mode->kind : ModeKind::Date;
    sample.date = {2012, 1, 27, 10, 46, 15};
    sample.place = {"Australia", "New South Wales", "Sydney", ""};
    if (sample.kind == ModeKind::Extension)
        sample.text = "JPG";
    else if (sample.kind == ModeKind::Orientation)
        sample.text = "Rotate 90 CW";
    std::string folder;
    std::string reason;
    ModeFolderPath(options, sample, folder, reason);  // the samples are names a folder can take
    std::string line = "Example: ";
    // With "Another folder" the line starts where the files will go.
    if (options.OutputFolderType == kOutputToCustomFolder && !options.CustomTargetFolder.empty()) {
        line += WithBackslash(options.CustomTargetFolder);
    } else {
        line += "D:\\Output\\";
    }
    line += folder;
    if (sample.kind == ModeKind::Date)
        line += BuildTargetName(options, "OrgFileName.jpg", sample.date, sample.place);
    return line;
}
