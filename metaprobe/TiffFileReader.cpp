// TIFF files and the raw formats built on TIFF.

#include "metaprobe/Readers.h"
#include "metaprobe/TiffReader.h"

namespace metaprobe {

ReadResult ReadTiffFile(ByteSource& source, Listing& listing, ExifFacts& facts)
{
    ReadResult result;
    TiffOptions options;
    options.rawMagic = true;
    if (!ReadTiff(source, 0, listing, facts, options)) {
        result.type = {"TIFF", "tif", "image/tiff"};
        result.error = "File format error";
        return result;
    }
    result.type = TiffFileType(source, listing.Value("Make"), listing.Has("DNG Version"));
    return result;
}

}  // namespace metaprobe
