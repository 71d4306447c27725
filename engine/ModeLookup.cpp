#include "engine/ModeLookup.h"

#include <utility>

#include "base/PathText.h"
#include "engine/ModeFolder.h"

std::optional<DateSources> DateSourcesOf(OrganizeMode mode, bool nameDates, bool takeout)
{
    const OrganizeModeRow* row = FindOrganizeMode(mode);
    if (row == nullptr || row->kind != ModeKind::Date)
        return std::nullopt;
    return DateSources {row->captureDateFirst, nameDates && row->captureDateFirst, row->fileTime,
                        takeout && row->captureDateFirst};
}

bool ModeReadsMetadata(OrganizeMode mode)
{
    const OrganizeModeRow* row = FindOrganizeMode(mode);
    return row != nullptr && (row->captureDateFirst || row->kind == ModeKind::Orientation);
}

bool ApplyClockRule(FoundDate& found, const std::vector<ClockRule>& clockRules)
{
    // File times and dates in names are the computer's, not the camera's clock.
    if (!found.captureDate)
        return false;
    const ClockRule* rule = FindClockRule(clockRules, found.cameraModel, found.cameraSerial);
    if (rule == nullptr || !ShiftDate(found.date, rule->seconds))
        return false;
    found.clockRule = rule->text;
    return true;
}

std::string DateOriginText(const FoundDate& found)
{
    const std::string origin = OriginText(found);
    return found.clockRule.empty() ? origin : origin + "; clock rule " + found.clockRule;
}

Result<std::optional<ModeValue>> LookupModeValue(DateLookup& lookup, const std::string& path,
                                                 OrganizeMode mode, bool nameDates, std::string* origin,
                                                 const std::vector<ClockRule>& clockRules,
                                                 std::string* clockRule, bool takeout)
{
    const OrganizeModeRow* row = FindOrganizeMode(mode);
    if (row == nullptr)
        return std::optional<ModeValue>();
    ModeValue value;
    value.kind = row->kind;
    switch (row->kind) {
    case ModeKind::Date: {
        auto looked = lookup.DateFrom(path, *DateSourcesOf(mode, nameDates, takeout));
        if (!looked)
            return looked.GetStatus();
        if (!*looked)
            return std::optional<ModeValue>();
        FoundDate& found = **looked;
        ApplyClockRule(found, clockRules);
        if (origin != nullptr)
            *origin = DateOriginText(found);
        value.date = found.date;
        value.dateFromFileName = found.fromFileName;
        if (clockRule != nullptr)
            *clockRule = found.clockRule;
        value.takeoutSidecar = found.takeoutSidecar;
        return std::optional<ModeValue>(std::move(value));
    }
    case ModeKind::Extension: {
        auto text = ExtensionText(FileNameOf(path));
        if (!text)
            return std::optional<ModeValue>();
        value.text = std::move(*text);
        return std::optional<ModeValue>(std::move(value));
    }
    case ModeKind::Orientation: {
        auto text = lookup.OrientationText(path);
        if (!text)
            return text.GetStatus();
        if (!*text)
            return std::optional<ModeValue>();
        value.text = std::move(**text);
        return std::optional<ModeValue>(std::move(value));
    }
    }
    return std::optional<ModeValue>();
}

std::optional<GeoPosition> PositionForPlace(DateLookup& lookup, const std::string& source, bool takeout)
{
    const auto position = lookup.PositionOf(source);
    if (position && *position)
        return *position;
    if (!takeout)
        return std::nullopt;
    DateSources sidecarOnly;
    sidecarOnly.takeout = true;
    const auto found = lookup.DateFrom(source, sidecarOnly);
    return found && *found ? (*found)->takeoutPosition : std::nullopt;
}
