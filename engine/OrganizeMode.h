// The organize modes: how a run sorts files into folders. One row per mode holds everything the
// program knows of it; a new mode is a new row (and, for a new kind, its lookup in ModeLookup).
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "base/DateTime.h"
#include "base/Status.h"
#include "engine/DateLookup.h"
#include "engine/PlaceNames.h"

// The stored value of a mode (OrganizeOptions::Mode, stored as "MoveType"; the Organize combo
// box's item data).
enum class OrganizeMode : std::uint32_t {
    Taken = 100,
    TakenElseModified = 600,
    TakenElseCreated = 700,
    TakenElseAccessed = 800,
    Modified = 200,
    Created = 300,
    Accessed = 400,
    Extension = 500,
    Orientation = 900,
};

// What a mode sorts by.
enum class ModeKind { Date, Extension, Orientation };

struct OrganizeModeRow {
    OrganizeMode value;
    const char* commandLineName;
    const char* windowText;
    ModeKind kind;
    bool captureDateFirst;  // date modes: the capture date, if the file has one
    FileTime fileTime;  // date modes: else (or only) this file time
    const char* failureText;  // a row's Result when the file has no answer for the mode
};

// The modes in the order the Organize combo box lists them.
inline constexpr std::array<OrganizeModeRow, 9> kOrganizeModes {{
        {OrganizeMode::Taken, "taken", "By Date Picture Taken", ModeKind::Date, true, FileTime::None,
         "Failed to get date picture taken. Maybe no EXIF info in the file"},
        {OrganizeMode::TakenElseModified, "taken-else-modified",
         "By Date Picture Taken, if not available, By Date Modified", ModeKind::Date, true,
         FileTime::Modified,
         "Failed to get date picture taken and date modified. Maybe file isn't available"},
        {OrganizeMode::TakenElseCreated, "taken-else-created",
         "By Date Picture Taken, if not available, By Date Created", ModeKind::Date, true, FileTime::Created,
         "Failed to get date picture taken and date created. Maybe file isn't available"},
        {OrganizeMode::TakenElseAccessed, "taken-else-accessed",
         "By Date Picture Taken, if not available, By Date Accessed", ModeKind::Date, true,
         FileTime::Accessed,
         "Failed to get date picture taken and date accessed. Maybe file isn't available"},
        {OrganizeMode::Modified, "modified", "By Date Modified", ModeKind::Date, false, FileTime::Modified,
         "Failed to get date modified. Maybe file isn't available"},
        {OrganizeMode::Created, "created", "By Date Created", ModeKind::Date, false, FileTime::Created,
         "Failed to get date created. Maybe file isn't available"},
        {OrganizeMode::Accessed, "accessed", "By Date Accessed", ModeKind::Date, false, FileTime::Accessed,
         "Failed to get date accessed. Maybe file isn't available"},
        {OrganizeMode::Extension, "extension", "By File Extension", ModeKind::Extension, false,
         FileTime::None, "No file extension"},
        {OrganizeMode::Orientation, "orientation", "By Orientation Picture Taken", ModeKind::Orientation,
         false, FileTime::None, "Failed to get orientation information. Maybe no EXIF info in the file"},
}};

// The reason a lookup gives for a file that is gone; a row says just this.
inline constexpr const char* kFileGoneText = "The file is not there any more";

// The row of a mode, or null for a value no mode has (a number stored by another version).
const OrganizeModeRow* FindOrganizeMode(OrganizeMode mode);

// True for the modes that sort by a date (not for an unknown value).
bool IsDateMode(OrganizeMode mode);

// The text a row gets when its date, extension or orientation cannot be had. A value no mode has
// fails every date lookup; its rows say so like By Date Modified.
const char* LookupFailureText(OrganizeMode mode);
// The row text of a file without an answer: the mode's text when its metadata was read and holds
// none (failure is success), else the reason the lookup could not be made.
std::string LookupFailedText(OrganizeMode mode, const Status& failure);

// What one file has for a mode: its date, or the text of its extension or orientation.
struct ModeValue {
    ModeKind kind = ModeKind::Date;
    DateTime date;
    std::string text;
    bool dateFromFileName = false;  // the date was read from the file's name
    PlaceNames place {};  // where the file was taken, for the place tags; unknown when not asked
    std::string takeoutSidecar = {};  // the date came from this Takeout sidecar (a file name)
};

// The answer as quillmere-cli lookup prints it: the date as "YYYY:MM:DD HH:MM:SS", else the text.
std::string ModeValueText(const ModeValue& value);
