// The command line of quillmere-cli: which command, which settings the flags change, and which
// paths it works on. Parsing knows nothing of the file system, so it is checked natively.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/OrganizeOptions.h"

enum class CliCommand { Organize, Lookup, Undo, Runs, ShiftFrom, Help, Version };

// What the flags of "organize" ask for; an empty optional leaves the setting as it stands
// (the record's default, or the window's saved value with --saved).
struct OrganizeFlags {
    bool move = false;
    std::optional<OrganizeMode> mode;
    std::optional<std::string> outFolder;
    bool noYear = false;
    bool noMonth = false;
    bool noDay = false;
    std::optional<std::string> monthFormat;
    std::optional<std::string> dayFormat;
    std::optional<std::string> rename;
    std::optional<TargetExistsPolicy> exists;
    std::optional<std::string> log;
    bool noSubfolders = false;
    std::optional<std::string> exts;
    bool saved = false;
    bool dryRun = false;
    std::optional<std::string> report;  // organize: the CSV report's file
    bool explain = false;  // lookup: where the date came from
    bool companions = false;
    bool nameDates = false;
    bool downloadCloudFiles = false;
    // organize and lookup: camera clock rules (--shift, checked), in the order given; organize:
    // the time the day begins at for the date folders (--day-begins, checked).
    std::vector<std::string> shifts;
    std::optional<std::string> dayBegins;
    std::optional<bool> computerZone;  // --zone computer|video: which zone video dates take
    bool takeout = false;
    bool skipKnown = false;  // organize: skip files whose bytes are below --out already
    bool verify = false;  // organize: read each copy back and compare it with its source
    std::optional<std::string> backup;  // organize: also copy each placed file below this folder
    std::optional<std::string> library;  // lookup: the folder to find each file's bytes in
};

struct CliRequest {
    CliCommand command = CliCommand::Help;
    OrganizeFlags flags;
    std::vector<std::string> paths;
};

struct ParsedCommandLine {
    bool ok = false;
    std::string error;  // one line, without the program name, when not ok
    CliRequest request;
    std::vector<std::string> warnings;  // lines, without the program name, for standard error
};

// args are the arguments after the program name.
ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args);

// The organize mode for a name ("taken", "modified", ...) or a stored number ("100", "500", ...).
std::optional<OrganizeMode> ParseModeName(const std::string& text);
// The name of a mode ("taken", ...), or its number when it has none.
std::string ModeNameOf(OrganizeMode mode);

// Puts the flags into the record; flags not given leave their fields alone. A stored mode that
// is none of the nine becomes By Date Picture Taken, the first entry the window would select.
void ApplyFlags(const OrganizeFlags& flags, OrganizeOptions& options);

// The usage text of --help.
const char* UsageText();
