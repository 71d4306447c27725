// What a file has for an organize mode, asked of a DateLookup. The run and quillmere-cli lookup
// both ask here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/DateLookup.h"
#include "engine/OrganizeMode.h"

// Where a date mode takes its date from (with nameDates, the modes that fall back to a file time
// try a date in the file name first); nothing for a mode that is not a date mode.
// With takeout, the modes that read a capture date take a Takeout sidecar's after it.
std::optional<DateSources> DateSourcesOf(std::uint32_t mode, bool nameDates, bool takeout = false);

// The file's date, extension or orientation for the mode; nothing when it has no answer (or the
// mode is unknown), with failure set to why the lookup could not be made, or empty when the file
// simply has no answer (LookupFailedText words both). origin, when given, gets where a date came
// from, as FoundDate says.
std::optional<ModeValue> LookupModeValue(DateLookup& lookup, const std::string& path, std::uint32_t mode,
                                         bool nameDates, std::string& failure, std::string* origin = nullptr,
                                         bool takeout = false);
