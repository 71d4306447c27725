// Describes one file: the file-level lines, the type, what its container holds, the combined fields.
#pragma once

#include <string>

#include "metaprobe/ByteSource.h"
#include "metaprobe/Listing.h"

namespace metaprobe {

// Lists the content of a source (type lines, metadata, combined fields, or an "Error" line).
// Returns false when the source could not be read as any known format.
bool ProbeSource(ByteSource& source, Listing& listing);

// Lists a file from its path: the file-level lines, then ProbeSource. False when the file cannot
// be opened or read; the listing then ends with an "Error" line.
bool ProbeFile(const std::string& path, Listing& listing);

}  // namespace metaprobe
