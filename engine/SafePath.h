// Checks that keep a text read from a file's content, or typed into a template, from choosing a
// place outside the folder the user chose: one name at a time, and the whole target at the end.
#pragma once

#include <string>
#include <string_view>

enum class NameFault {
    None,
    Empty,
    Separator,  // a backslash or slash
    DotPart,  // "." or ".."
    DrivePrefix,  // "C:" and the like
    ControlChar,  // a character below 0x20, or DEL
    ReservedName,  // CON, NUL, COM1 ... also with an extension
    TrailingDotOrSpace,  // Windows would drop them, so the name would not be the one asked for
    BadChar,  // one of :*?"<>|
};

// Whether one folder or file name can stand in a path as it is.
NameFault CheckNameComponent(std::string_view name);

// Why a name is refused, for example "a name Windows reserves for a device"; "" for None.
const char* NameFaultReason(NameFault fault);

// A row's reason, for example: Unsafe name "CON" (a name Windows reserves for a device).
std::string NameFaultText(NameFault fault, std::string_view name);

// The name as it may be shown in a row or a log line: control characters as '?', and cut (at a
// character boundary) after 80 bytes.
std::string ShowableName(std::string_view name);

// Whether target lies below folder once both are normalised as Windows normalises a full path
// ('/' read as '\\', repeated separators folded, "." and ".." resolved, trailing dots and spaces of
// each name dropped). ASCII letters compare without case; other characters must match exactly,
// which can only refuse, never admit, a target. A target equal to the folder is not inside it.
bool IsInsideFolder(std::string_view folder, std::string_view target);
// Whether two paths name the same folder once normalised as IsInsideFolder normalises them (two
// relative paths compare as they are written).
bool SameFolderPath(std::string_view a, std::string_view b);

// Checks every name of target after folder (the last one, the file's own name, as Windows stores
// it: without trailing dots and spaces), then that target lies inside folder. On failure,
// reason holds the row's text.
bool CheckTargetInFolder(std::string_view folder, std::string_view target, std::string& reason);
