#include "engine/ModeLookup.h"

#include <utility>

#include "base/PathText.h"
#include "engine/ModeFolder.h"

std::optional<DateSources> DateSourcesOf(std::uint32_t mode, bool nameDates, bool takeout)
{
    const OrganizeModeRow* row = FindOrganizeMode(mode);
    if (row == nullptr || row->kind != ModeKind::Date)
        return std::nullopt;
    return DateSources {row->captureDateFirst,
                        nameDates && row->captureDateFirst && row->fileTime != FileTime::None, row->fileTime,
                        takeout && row->captureDateFirst};
}

std::optional<ModeValue> LookupModeValue(DateLookup& lookup, const std::string& path, std::uint32_t mode,
                                         bool nameDates, std::string& failure, std::string* origin,
                                         bool takeout)
{
    failure.clear();
    const OrganizeModeRow* row = FindOrganizeMode(mode);
    if (row == nullptr)
        return std::nullopt;
    ModeValue value;
    value.kind = row->kind;
    switch (row->kind) {
    case ModeKind::Date: {
        const auto found = lookup.DateFrom(path, *DateSourcesOf(mode, nameDates, takeout));
        if (!found) {
            failure = lookup.FailureReason();
            return std::nullopt;
        }
        if (origin != nullptr)
            *origin = found->origin;
        value.date = found->date;
        value.dateFromFileName = found->fromFileName;
        value.takeoutSidecar = found->takeoutSidecar;
        return value;
    }
    case ModeKind::Extension: {
        auto text = ExtensionText(FileNameOf(path));
        if (!text)
            return std::nullopt;
        value.text = std::move(*text);
        return value;
    }
    case ModeKind::Orientation:
        if (!lookup.GetOrientationText(path, value.text)) {
            failure = lookup.FailureReason();
            return std::nullopt;
        }
        return value;
    }
    return std::nullopt;
}
