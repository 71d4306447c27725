#include "metaprobe/Probe.h"

#include "metaprobe/Composite.h"
#include "metaprobe/FileInfo.h"
#include "metaprobe/FileType.h"
#include "metaprobe/Readers.h"

namespace metaprobe {

bool ProbeSource(ByteSource& source, Listing& listing)
{
    if (source.Size() == 0) {
        listing.Add("Error", "File is empty");
        return false;
    }
    ExifFacts facts;
    Listing content;
    ReadResult result;
    switch (DetectContainer(source)) {
    case Container::Tiff: result = ReadTiffFile(source, content, facts); break;
    case Container::Jpeg: result = ReadJpegFile(source, content, facts); break;
    case Container::Png: result = ReadPngFile(source, content, facts); break;
    case Container::IsoMedia: result = ReadIsoMediaFile(source, content, facts); break;
    case Container::Webp: result = ReadWebpFile(source, content, facts); break;
    case Container::Jxl: result = ReadJxlFile(source, content, facts); break;
    case Container::Psd: result = ReadPsdFile(source, content, facts); break;
    case Container::Raf: result = ReadRafFile(source, content, facts); break;
    case Container::Mrw: result = ReadMrwFile(source, content, facts); break;
    case Container::X3f: result = ReadX3fFile(source, content, facts); break;
    case Container::Crw: result = ReadCrwFile(source, content, facts); break;
    case Container::Unknown: listing.Add("Error", "Unknown file type"); return false;
    }
    listing.Add("File Type", result.type.type);
    listing.Add("File Type Extension", result.type.extension);
    listing.Add("MIME Type", result.type.mime);
    for (const Field& field : content.Fields())
        listing.Add(field.name, field.value, field.priority);
    listing.TakeFacts(content);
    if (!result.error.empty()) {
        listing.Add("Error", result.error);
        return false;
    }
    AddCompositeFields(facts, result.type.type, listing);
    return true;
}

bool ProbeFile(const std::string& path, Listing& listing)
{
    if (!AddFileLines(path, listing)) {
        listing.Add("Error", "File not found");
        return false;
    }
    std::unique_ptr<FileSource> source = FileSource::Open(path);
    if (!source) {
        listing.Add("Error", "Error opening file");
        return false;
    }
    return ProbeSource(*source, listing);
}

}  // namespace metaprobe
