#include "metaprobe/XmpReader.h"

#include <cstdlib>
#include <cstring>
#include <vector>

#include "metaprobe/TiffTags.h"
#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

struct XmpProperty {
    const char* qualifiedName;
    const char* fieldName;
    enum Kind { Text, Date, Orientation, List, Ratio, ResolutionUnit, ColorSpace, ExifEnum, LensInfo } kind;
    uint16_t exifTag = 0;  // for ExifEnum: the tag whose value table the value is looked up in
};

// In the order they are listed. Values of enumerated properties outside their range list as
// "Unknown (value)", never as the bare text, which could be anything (even a path).
const XmpProperty kProperties[] = {
        {"tiff:Make", "Make", XmpProperty::Text},
        {"tiff:Model", "Camera Model Name", XmpProperty::Text},
        {"tiff:Orientation", "Orientation", XmpProperty::Orientation},
        {"tiff:XResolution", "X Resolution", XmpProperty::Ratio},
        {"tiff:YResolution", "Y Resolution", XmpProperty::Ratio},
        {"tiff:ResolutionUnit", "Resolution Unit", XmpProperty::ResolutionUnit},
        {"xmp:CreatorTool", "Creator Tool", XmpProperty::Text},
        {"xmp:ModifyDate", "Modify Date", XmpProperty::Date},
        {"xmp:CreateDate", "Create Date", XmpProperty::Date},
        {"xmp:MetadataDate", "Metadata Date", XmpProperty::Date},
        {"exif:DateTimeOriginal", "Date/Time Original", XmpProperty::Date},
        {"photoshop:DateCreated", "Date Created", XmpProperty::Date},
        {"exif:ColorSpace", "Color Space", XmpProperty::ColorSpace},
        {"exif:PixelXDimension", "Exif Image Width", XmpProperty::Text},
        {"exif:PixelYDimension", "Exif Image Height", XmpProperty::Text},
        {"dc:creator", "Creator", XmpProperty::List},
        {"tiff:Compression", "Compression", XmpProperty::ExifEnum, 0x0103},
        {"tiff:PhotometricInterpretation", "Photometric Interpretation", XmpProperty::ExifEnum, 0x0106},
        {"tiff:SamplesPerPixel", "Samples Per Pixel", XmpProperty::Text},
        {"tiff:PlanarConfiguration", "Planar Configuration", XmpProperty::ExifEnum, 0x011C},
        {"tiff:YCbCrPositioning", "Y Cb Cr Positioning", XmpProperty::ExifEnum, 0x0213},
        {"exif:LightSource", "Light Source", XmpProperty::ExifEnum, 0x9208},
        {"aux:LensInfo", "Lens Info", XmpProperty::LensInfo},
        // Raw development settings, listed as written.
        {"crs:WhiteBalance", "White Balance", XmpProperty::Text},
        {"crs:Contrast", "Contrast", XmpProperty::Text},
        {"crs:Saturation", "Saturation", XmpProperty::Text},
        {"crs:Sharpness", "Sharpness", XmpProperty::Text},
};

std::string Unescape(const std::string& text)
{
    static const struct {
        const char* entity;
        char c;
    } entities[] = {{"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
    std::string out;
    for (size_t i = 0; i < text.size();) {
        bool replaced = false;
        if (text[i] == '&') {
            for (const auto& e : entities) {
                size_t n = std::char_traits<char>::length(e.entity);
                if (text.compare(i, n, e.entity) == 0) {
                    out += e.c;
                    i += n;
                    replaced = true;
                    break;
                }
            }
        }
        if (!replaced)
            out += text[i++];
    }
    return out;
}

std::string Trim(const std::string& text)
{
    size_t begin = text.find_first_not_of(" \t\r\n"), end = text.find_last_not_of(" \t\r\n");
    return begin == std::string::npos ? std::string() : text.substr(begin, end - begin + 1);
}

// Value of `name` as an attribute (name="v" or name='v') or as a simple element; for lists, the
// rdf:li items joined by ", ".
bool FindValue(const std::string& packet, const std::string& name, bool list, std::string& value)
{
    size_t at = 0;
    while ((at = packet.find(name, at)) != std::string::npos) {
        size_t after = at + name.size();
        bool boundary = at > 0 && (packet[at - 1] == ' ' || packet[at - 1] == '<' || packet[at - 1] == '\t' ||
                                   packet[at - 1] == '\n' || packet[at - 1] == '\r');
        if (!boundary || after >= packet.size()) {
            at = after;
            continue;
        }
        if (packet[at - 1] != '<') {  // attribute
            size_t eq = packet.find_first_not_of(" \t\r\n", after);
            if (eq == std::string::npos || packet[eq] != '=') {
                at = after;
                continue;
            }
            size_t quote = packet.find_first_not_of(" \t\r\n", eq + 1);
            if (quote == std::string::npos || (packet[quote] != '"' && packet[quote] != '\''))
                return false;
            size_t close = packet.find(packet[quote], quote + 1);
            if (close == std::string::npos)
                return false;
            value = Unescape(Trim(packet.substr(quote + 1, close - quote - 1)));
            return true;
        }
        size_t open = packet.find('>', after);
        if (open == std::string::npos)
            return false;
        if (packet[open - 1] == '/') {  // empty element
            at = open;
            continue;
        }
        size_t end = packet.find("</" + name, open);
        if (end == std::string::npos)
            return false;
        std::string body = packet.substr(open + 1, end - open - 1);
        if (!list) {
            if (body.find('<') != std::string::npos)
                return false;
            value = Unescape(Trim(body));
            return true;
        }
        std::string joined;
        size_t li = 0;
        while ((li = body.find("<rdf:li", li)) != std::string::npos) {
            size_t start = body.find('>', li), stop = body.find("</rdf:li>", li);
            if (start == std::string::npos || stop == std::string::npos || stop < start)
                break;
            joined += (joined.empty() ? "" : ", ") + Unescape(Trim(body.substr(start + 1, stop - start - 1)));
            li = stop;
        }
        value = joined;
        return !joined.empty();
    }
    return false;
}

// The namespaces of the prefixes the properties above are written with.
const struct {
    const char* prefix;
    const char* uri;
} kNamespaces[] = {
        {"tiff", "http://ns.adobe.com/tiff/1.0/"},
        {"xmp", "http://ns.adobe.com/xap/1.0/"},
        {"exif", "http://ns.adobe.com/exif/1.0/"},
        {"photoshop", "http://ns.adobe.com/photoshop/1.0/"},
        {"dc", "http://purl.org/dc/elements/1.1/"},
        {"aux", "http://ns.adobe.com/exif/1.0/aux/"},
        {"crs", "http://ns.adobe.com/camera-raw-settings/1.0/"},
        {"xmpNote", "http://ns.adobe.com/xmp/note/"},
};

// The prefix the packet declares for `uri` (xmlns:PREFIX="uri"), or empty when it declares none.
std::string DeclaredPrefix(const std::string& packet, const std::string& uri)
{
    for (size_t at = packet.find(uri); at != std::string::npos; at = packet.find(uri, at + 1)) {
        if (at < 2 || (packet[at - 1] != '"' && packet[at - 1] != '\'') || at + uri.size() >= packet.size() ||
            packet[at + uri.size()] != packet[at - 1])
            continue;
        size_t end = packet.find_last_not_of(" \t\r\n", at - 2);
        if (end == std::string::npos || end == 0 || packet[end] != '=')
            continue;
        end = packet.find_last_not_of(" \t\r\n", end - 1);
        if (end == std::string::npos)
            continue;
        size_t start = packet.find_last_of(" \t\r\n<", end);
        start = start == std::string::npos ? 0 : start + 1;
        const std::string name = packet.substr(start, end + 1 - start);
        if (name.size() > 6 && name.compare(0, 6, "xmlns:") == 0)
            return name.substr(6);
    }
    return {};
}

// Whether the packet binds `prefix` to any namespace.
bool DeclaresPrefix(const std::string& packet, const std::string& prefix)
{
    const std::string declaration = "xmlns:" + prefix;
    for (size_t at = packet.find(declaration); at != std::string::npos;
         at = packet.find(declaration, at + 1)) {
        const size_t next = packet.find_first_not_of(" \t\r\n", at + declaration.size());
        if (next != std::string::npos && packet[next] == '=')
            return true;
    }
    return false;
}

// A property's name as the packet writes it, or empty when the packet cannot hold it: XMP names
// a property by its namespace, and some writers bind another prefix to it (older Adobe programs
// write "xap:" for "xmp:"), while the usual prefix bound to another namespace is not it. A packet
// that declares neither is read by the usual prefix.
std::string NameInPacket(const std::string& packet, const char* qualifiedName)
{
    const std::string name = qualifiedName;
    const size_t colon = name.find(':');
    for (const auto& ns : kNamespaces) {
        if (name.compare(0, colon, ns.prefix) != 0 || std::char_traits<char>::length(ns.prefix) != colon)
            continue;
        const std::string declared = DeclaredPrefix(packet, ns.uri);
        if (!declared.empty())
            return declared + name.substr(colon);
        return DeclaresPrefix(packet, ns.prefix) ? std::string() : name;
    }
    return name;
}

std::string OrientationText(const std::string& value)
{
    static const char* const texts[] = {"Horizontal (normal)",
                                        "Mirror horizontal",
                                        "Rotate 180",
                                        "Mirror vertical",
                                        "Mirror horizontal and rotate 270 CW",
                                        "Rotate 90 CW",
                                        "Mirror horizontal and rotate 90 CW",
                                        "Rotate 270 CW"};
    if (value.size() == 1 && value[0] >= '1' && value[0] <= '8')
        return texts[value[0] - '1'];
    return "Unknown (" + value + ")";
}

// "72009/1000" -> "72.009".
std::string RatioText(const std::string& value)
{
    size_t slash = value.find('/');
    if (slash == std::string::npos)
        return value;
    char* end = nullptr;
    long long num = std::strtoll(value.c_str(), &end, 10);
    if (end != value.c_str() + slash)
        return value;
    const char* denText = value.c_str() + slash + 1;
    long long den = std::strtoll(denText, &end, 10);
    if (end == denText || *end != '\0')
        return value;
    return FormatRatio(num, den);
}

// Shortest and longest focal length, then the widest aperture at each: four numbers or
// rationals, written as "18-55mm f/3.5-5.6", with "?" for an unknown (0/0) value. Other text is
// listed as written.
std::string LensInfoText(const std::string& value)
{
    std::string parts[4];
    const char* p = value.c_str();
    for (std::string& part : parts) {
        while (*p == ' ')
            ++p;
        char* end = nullptr;
        double number = std::strtod(p, &end);
        if (end == p || std::strchr("0123456789+-.", *p) == nullptr)
            return value;
        if (*end == '/') {
            const char* denText = end + 1;
            double den = std::strtod(denText, &end);
            if (end == denText)
                return value;
            part = den == 0 ? std::string("?") : FormatG(number / den, 10);
        } else {
            part = FormatG(number, 10);
        }
        if (*end != ' ' && *end != '\0')
            return value;
        p = end;
    }
    while (*p == ' ')
        ++p;
    if (*p != '\0')
        return value;
    std::string text = parts[0];
    if (parts[1] != parts[0])
        text += "-" + parts[1];
    text += "mm f/" + parts[2];
    if (parts[3] != parts[2])
        text += "-" + parts[3];
    return text;
}

std::string NumberedText(const std::string& value, const char* const* texts, int count, int first)
{
    char* end = nullptr;
    long number = std::strtol(value.c_str(), &end, 10);
    bool whole = !value.empty() && *end == '\0' && std::to_string(number) == value;
    if (whole && number >= first && number < first + count)
        return texts[number - first];
    return "Unknown (" + value + ")";
}

// A whole number looked up in the value table of an EXIF tag.
std::string ExifEnumText(const std::string& value, uint16_t tag)
{
    const TagInfo* info = FindExifTag(tag);
    char* end = nullptr;
    const long long number = std::strtoll(value.c_str(), &end, 10);
    if (info != nullptr && !value.empty() && *end == '\0' && std::to_string(number) == value) {
        for (unsigned i = 0; i < info->tableSize; ++i) {
            if (info->table[i].value == number)
                return info->table[i].text;
        }
    }
    return "Unknown (" + value + ")";
}

}  // namespace

std::string XmpDateText(const std::string& value)
{
    std::string text = value;
    size_t t = text.find('T');
    size_t dateEnd = t == std::string::npos ? text.size() : t;
    for (size_t i = 0; i < dateEnd && i < 10; ++i) {
        if (text[i] == '-')
            text[i] = ':';
    }
    if (t != std::string::npos)
        text[t] = ' ';
    return text;
}

std::string XmpExtendedId(const std::string& packet)
{
    std::string id;
    const std::string name = NameInPacket(packet, "xmpNote:HasExtendedXMP");
    if (name.empty() || !FindValue(packet, name, false, id))
        return {};
    return id;
}

std::optional<GeoPosition> XmpGpsPosition(const std::string& packet)
{
    std::string latitude, longitude;
    if (!FindValue(packet, "exif:GPSLatitude", false, latitude) ||
        !FindValue(packet, "exif:GPSLongitude", false, longitude))
        return std::nullopt;
    const auto lat = ParseCoordinateText(latitude, 'N', 'S', 90);
    const auto lon = ParseCoordinateText(longitude, 'E', 'W', 180);
    if (!lat || !lon)
        return std::nullopt;
    return GeoPosition {*lat, *lon};
}

void ReadXmp(const std::string& packet, Listing& listing)
{
    std::string toolkit;
    if (FindValue(packet, "x:xmptk", false, toolkit))
        listing.Add("XMP Toolkit", toolkit, 0);
    for (const XmpProperty& property : kProperties) {
        std::string value;
        const std::string name = NameInPacket(packet, property.qualifiedName);
        if (name.empty() || !FindValue(packet, name, property.kind == XmpProperty::List, value))
            continue;
        switch (property.kind) {
        case XmpProperty::Date: value = XmpDateText(value); break;
        case XmpProperty::Orientation: value = OrientationText(value); break;
        case XmpProperty::Ratio: value = RatioText(value); break;
        case XmpProperty::ResolutionUnit: {
            static const char* const units[] = {"None", "inches", "cm"};
            value = NumberedText(value, units, 3, 1);
            break;
        }
        case XmpProperty::ColorSpace:
            value = value == "1"       ? "sRGB"
                    : value == "2"     ? "Adobe RGB"
                    : value == "65535" ? "Uncalibrated"
                                       : "Unknown (" + value + ")";
            break;
        case XmpProperty::ExifEnum: value = ExifEnumText(value, property.exifTag); break;
        case XmpProperty::LensInfo: value = LensInfoText(value); break;
        default: break;
        }
        listing.Add(property.fieldName, value, 0);
    }
}

void ReadXmpAt(ByteSource& source, uint64_t offset, uint64_t size, Listing& listing)
{
    if (size == 0 || size > kMaxXmpBytes || !source.Contains(offset, size))
        return;
    std::vector<uint8_t> bytes;
    if (!source.ReadSome(offset, size_t(size), bytes))
        return;
    ReadXmp(std::string(bytes.begin(), bytes.end()), listing);
}

}  // namespace metaprobe
