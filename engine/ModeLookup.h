// What a file has for an organize mode, asked of a DateLookup. The run and quillmere-cli lookup
// both ask here.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/ClockRules.h"
#include "engine/DateLookup.h"
#include "engine/OrganizeMode.h"

// Where a date mode takes its date from (with nameDates, a mode that looks for the capture date
// takes a date in the file name of a file that has none, before any file time); nothing for a
// mode that is not a date mode.
// With takeout, the modes that read a capture date take a Takeout sidecar's after it.
std::optional<DateSources> DateSourcesOf(OrganizeMode mode, bool nameDates, bool takeout = false);

// Whether the mode reads the files' metadata (a capture date or the orientation), not only their
// names and file times.
bool ModeReadsMetadata(OrganizeMode mode);

// The file's date, extension or orientation for the mode: nothing when the file simply has no
// answer (or the mode is unknown), a failure when the lookup could not be made (LookupFailedText
// words both). origin, when given, gets where a date came
// from, as FoundDate says, followed by "; clock rule RULE" when a rule moved it. The rule of
// clockRules that applies to the file's camera moves a capture date read from its metadata;
// clockRule, when given, gets that rule's text ("" when none moved the date).
Result<std::optional<ModeValue>> LookupModeValue(DateLookup& lookup, const std::string& path,
                                                 OrganizeMode mode, bool nameDates,
                                                 std::string* origin = nullptr,
                                                 const std::vector<ClockRule>& clockRules = {},
                                                 std::string* clockRule = nullptr, bool takeout = false);

// Where the file was taken: its own position, else (with Takeout dates on) the one its sidecar
// gives, whichever date the file takes. A position that cannot be read is no place: the file's
// date lookup reports the file's failure.
std::optional<GeoPosition> PositionForPlace(DateLookup& lookup, const std::string& source, bool takeout);

// Moves a capture date by the rule for its camera, noting the rule; false when none applies (or
// the date cannot be moved), leaving the date as it was.
bool ApplyClockRule(FoundDate& found, const std::vector<ClockRule>& clockRules);

// Where a date came from, as lookup --explain and the report name it.
std::string DateOriginText(const FoundDate& found);
