// The folder levels a row's mode gives, and the names the extension and orientation modes take
// from a file: checked here, since an extension and an orientation text come from the file and
// may be anything.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/OrganizeMode.h"
#include "engine/OrganizeOptions.h"

// One of the eight orientation texts the metadata tool lists for the values 1 to 8 (with "270 CW"
// worded as "90 CCW").
bool IsKnownOrientationText(std::string_view text);

// The folder name for an orientation text (the text itself when it is a known one); false, with
// the row's reason, for any other text.
bool OrientationFolderName(std::string_view text, std::string& folder, std::string& reason);

// The text after the last dot of a file name, in upper case (ASCII letters); empty for a name
// ending in a dot, nothing for a name without a dot. Unchecked: ModeFolderPath checks it.
std::optional<std::string> ExtensionText(std::string_view fileName);

// The folder levels a file's answer for its mode adds under the output folder, each ending in a
// backslash: the date's levels, or the extension or orientation name (nothing for an empty
// extension). False, with the row's reason, for an extension or orientation that cannot stand
// as a folder name. The run, quillmere-cli lookup and the example line all come here.
bool ModeFolderPath(const OrganizeOptions& options, const ModeValue& value, std::string& folder,
                    std::string& reason);

// The text of the main window's example line for the current settings: it starts with the chosen
// output folder under "Another folder" and with D:\Output\ otherwise.
std::string ExampleLineText(const OrganizeOptions& options);
