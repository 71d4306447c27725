// The folder names that the extension and orientation modes take from a file: checked here, since
// an extension and an orientation text come from the file and may be anything.
#pragma once

#include <string>
#include <string_view>

// One of the eight orientation texts the metadata tool lists for the values 1 to 8 (with "270 CW"
// worded as "90 CCW").
bool IsKnownOrientationText(std::string_view text);

// The folder name for an orientation text (the text itself when it is a known one); false, with
// the row's reason, for any other text.
bool OrientationFolderName(std::string_view text, std::string& folder, std::string& reason);

// The folder name for a file name's extension in upper case (ASCII letters); empty for a name
// ending in a dot. False, with the row's reason, for a name without an extension or an extension
// that cannot stand as a folder name (e.g. "CON").
bool ExtensionFolderName(std::string_view fileName, std::string& folder, std::string& reason);
