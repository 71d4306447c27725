// One reader per container. Each lists what it finds into `listing`, names the file type and
// leaves an error text when the file is broken beyond reading.
#pragma once

#include <string>

#include "metaprobe/ByteSource.h"
#include "metaprobe/ExifFacts.h"
#include "metaprobe/FileType.h"
#include "metaprobe/Listing.h"

namespace metaprobe {

struct ReadResult {
    FileType type;
    std::string error;  // empty when the file was read
};

ReadResult ReadTiffFile(ByteSource& source, Listing& listing, ExifFacts& facts);
ReadResult ReadJpegFile(ByteSource& source, Listing& listing, ExifFacts& facts);
ReadResult ReadPngFile(ByteSource& source, Listing& listing, ExifFacts& facts);
ReadResult ReadIsoMediaFile(ByteSource& source, Listing& listing, ExifFacts& facts);
ReadResult ReadWebpFile(ByteSource& source, Listing& listing, ExifFacts& facts);
ReadResult ReadJxlFile(ByteSource& source, Listing& listing, ExifFacts& facts);
ReadResult ReadPsdFile(ByteSource& source, Listing& listing, ExifFacts& facts);
ReadResult ReadRafFile(ByteSource& source, Listing& listing, ExifFacts& facts);
ReadResult ReadMrwFile(ByteSource& source, Listing& listing, ExifFacts& facts);
ReadResult ReadX3fFile(ByteSource& source, Listing& listing, ExifFacts& facts);
ReadResult ReadCrwFile(ByteSource& source, Listing& listing, ExifFacts& facts);

}  // namespace metaprobe
