// Recognises a file's format from its first bytes and names it as the listing does.
#pragma once

#include <string>

#include "metaprobe/ByteSource.h"

namespace metaprobe {

enum class Container { Unknown, Tiff, Jpeg, Png, IsoMedia, Webp, Jxl, Psd, Raf, Mrw, X3f, Crw };

struct FileType {
    std::string type;  // "TIFF", "CR2", "JPEG", "PNG", "HEIC", "MOV", ...
    std::string extension;  // "tif", "cr2", ...
    std::string mime;  // "image/tiff", ...
};

Container DetectContainer(ByteSource& source);

// Type of a TIFF-based file, from the header and what its first directory says.
FileType TiffFileType(ByteSource& source, const std::string& make, bool hasDngVersion);
// Type of an ISO media file from its major brand (or "qt  " when it has none).
FileType IsoFileType(const std::string& majorBrand, const std::string& compatible);

}  // namespace metaprobe
