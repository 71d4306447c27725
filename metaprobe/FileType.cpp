#include "metaprobe/FileType.h"

#include <cstring>

namespace metaprobe {

Container DetectContainer(ByteSource& source)
{
    uint8_t head[16] = {};
    size_t n = source.Size() < sizeof head ? size_t(source.Size()) : sizeof head;
    if (!source.Read(0, head, n))
        return Container::Unknown;
    if (n >= 3 && head[0] == 0xFF && head[1] == 0xD8 && head[2] == 0xFF)
        return Container::Jpeg;
    if (n >= 8 && std::memcmp(head, "\x89PNG\r\n\x1a\n", 8) == 0)
        return Container::Png;
    if (n >= 12 && std::memcmp(head, "RIFF", 4) == 0 && std::memcmp(head + 8, "WEBP", 4) == 0)
        return Container::Webp;
    if ((n >= 2 && head[0] == 0xFF && head[1] == 0x0A) ||
        (n >= 12 && std::memcmp(head, "\0\0\0\x0CJXL \r\n\x87\n", 12) == 0))
        return Container::Jxl;
    if (n >= 6 && std::memcmp(head, "8BPS", 4) == 0 && head[4] == 0 && (head[5] == 1 || head[5] == 2))
        return Container::Psd;
    if (n >= 16 && std::memcmp(head, "FUJIFILMCCD-RAW ", 16) == 0)
        return Container::Raf;
    if (n >= 4 && std::memcmp(head, "\0MRM", 4) == 0)
        return Container::Mrw;
    if (n >= 4 && std::memcmp(head, "FOVb", 4) == 0)
        return Container::X3f;
    if (n >= 14 && (std::memcmp(head, "II", 2) == 0 || std::memcmp(head, "MM", 2) == 0) &&
        std::memcmp(head + 6, "HEAPCCDR", 8) == 0)
        return Container::Crw;
    if (n >= 8 && (std::memcmp(head, "II", 2) == 0 || std::memcmp(head, "MM", 2) == 0)) {
        bool big = head[0] == 'M';
        uint16_t magic = Get16(head + 2, big);
        if (magic == 42 || magic == 0x55 || magic == 0x4F52 || magic == 0x5352)
            return Container::Tiff;
    }
    if (n >= 12) {
        static const char* const boxes[] = {"ftyp", "moov", "mdat", "wide", "free", "skip", "pnot", "uuid"};
        for (const char* box : boxes) {
            if (std::memcmp(head + 4, box, 4) == 0)
                return Container::IsoMedia;
        }
    }
    return Container::Unknown;
}

namespace {

bool StartsWith(const std::string& text, const char* prefix)
{
    return text.compare(0, std::strlen(prefix), prefix) == 0;
}

}  // namespace

FileType TiffFileType(ByteSource& source, const std::string& make, bool hasDngVersion)
{
    uint8_t head[24] = {};
    if (!source.Read(0, head, 12))
        return {"TIFF", "tif", "image/tiff"};
    bool big = head[0] == 'M';
    uint16_t magic = Get16(head + 2, big);
    if (magic == 0x55) {
        // RW2 files carry this signature between the header and their first directory; the
        // older Panasonic raws with the same header have none.
        static const uint8_t kRw2Signature[16] = {0x88, 0xE7, 0x74, 0xD8, 0xF8, 0x25, 0x1D, 0x4D,
                                                  0x94, 0x7A, 0x6E, 0x77, 0x82, 0x2B, 0x5D, 0x6A};
        if (!source.Read(0, head, sizeof head) || std::memcmp(head + 8, kRw2Signature, 16) != 0)
            return {"RAW", "raw", "image/x-raw"};
        if (StartsWith(make, "LEICA"))
            return {"RWL", "rwl", "image/x-leica-rwl"};
        return {"RW2", "rw2", "image/x-panasonic-rw2"};
    }
    if (magic == 0x4F52 || magic == 0x5352)
        return {"ORF", "orf", "image/x-olympus-orf"};
    if (head[8] == 'C' && head[9] == 'R' && head[10] == 2)
        return {"CR2", "cr2", "image/x-canon-cr2"};
    if (hasDngVersion)
        return {"DNG", "dng", "image/x-adobe-dng"};
    if (StartsWith(make, "NIKON"))
        return {"NEF", "nef", "image/x-nikon-nef"};
    if (StartsWith(make, "SONY"))
        return {"ARW", "arw", "image/x-sony-arw"};
    if (StartsWith(make, "PENTAX") || StartsWith(make, "RICOH"))
        return {"PEF", "pef", "image/x-pentax-pef"};
    if (StartsWith(make, "SAMSUNG"))
        return {"SRW", "srw", "image/x-samsung-srw"};
    if (StartsWith(make, "SEIKO EPSON"))
        return {"ERF", "erf", "image/x-epson-erf"};
    if (StartsWith(make, "Mamiya"))
        return {"MEF", "mef", "image/x-mamiya-mef"};
    if (StartsWith(make, "Leaf"))
        return {"MOS", "mos", "image/x-raw"};
    if (StartsWith(make, "Hasselblad"))
        return {"3FR", "3fr", "image/x-hasselblad-3fr"};
    if (StartsWith(make, "Phase One"))
        return {"IIQ", "iiq", "image/x-raw"};
    return {"TIFF", "tif", "image/tiff"};
}

FileType IsoFileType(const std::string& major, const std::string& compatible)
{
    if (major == "heic" || major == "heix" || major == "heim" || major == "heis")
        return {"HEIC", "heic", "image/heic"};
    if (major == "hevc" || major == "hevx")
        return {"HEICS", "heics", "image/heic-sequence"};
    if (major == "avif")
        return {"AVIF", "avif", "image/avif"};
    if (major == "mif1" || major == "msf1") {
        if (compatible.find("heic") != std::string::npos)
            return {"HEIC", "heic", "image/heic"};
        if (compatible.find("avif") != std::string::npos)
            return {"AVIF", "avif", "image/avif"};
        return {"HEIF", "heif", "image/heif"};
    }
    if (major == "crx ")
        return {"CR3", "cr3", "image/x-canon-cr3"};
    if (StartsWith(major, "3gp"))
        return {"3GP", "3gp", "video/3gpp"};
    if (StartsWith(major, "3g2"))
        return {"3G2", "3g2", "video/3gpp2"};
    if (major == "M4A ")
        return {"M4A", "m4a", "audio/mp4"};
    if (major == "M4V " || major == "M4VP")
        return {"M4V", "m4v", "video/x-m4v"};
    if (major == "qt  " || major.empty())
        return {"MOV", "mov", "video/quicktime"};
    return {"MP4", "mp4", "video/mp4"};
}

}  // namespace metaprobe
