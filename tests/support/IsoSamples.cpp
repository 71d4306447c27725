#include "tests/support/IsoSamples.h"

#include "tests/support/ContainerSamples.h"

namespace qmtest {

namespace {

void Put32(std::vector<uint8_t>& out, uint32_t v)
{
    for (int shift = 24; shift >= 0; shift -= 8)
        out.push_back(uint8_t(v >> shift));
}
void Put16(std::vector<uint8_t>& out, uint16_t v)
{
    out.push_back(uint8_t(v >> 8));
    out.push_back(uint8_t(v));
}
void Text(std::vector<uint8_t>& out, const std::string& text)
{
    for (char ch : text)
        out.push_back(uint8_t(ch));
}
void Append(std::vector<uint8_t>& out, const std::vector<uint8_t>& more)
{
    for (uint8_t b : more)
        out.push_back(b);
}
void Zeros(std::vector<uint8_t>& out, size_t count)
{
    out.resize(out.size() + count, 0);
}
void Store32Le(std::vector<uint8_t>& out, size_t at, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        out[at + size_t(i)] = uint8_t(v >> (8 * i));
}
// The transformation of `turns` clockwise quarter turns: first row (cos, sin), second (-sin, cos).
void Matrix(std::vector<uint8_t>& out, int turns = 0)
{
    static const int32_t cosines[] = {1, 0, -1, 0}, sines[] = {0, 1, 0, -1};
    const int32_t c = cosines[turns & 3] * 0x10000, s = sines[turns & 3] * 0x10000;
    for (int32_t v : {c, s, 0, -s, c, 0, 0, 0, 0x40000000})
        Put32(out, uint32_t(v));
}

std::vector<uint8_t> TrackHeader(uint32_t id, uint16_t volume, uint16_t width, uint16_t height, int turns = 0)
{
    std::vector<uint8_t> p;
    Put32(p, 0);
    Put32(p, 0);
    Put32(p, id);
    Put32(p, 0);
    Put32(p, 3000);
    Zeros(p, 8);
    Put16(p, 0);  // layer
    Put16(p, 0);  // group
    Put16(p, volume);
    Put16(p, 0);
    Matrix(p, turns);
    Put32(p, uint32_t(width) << 16);
    Put32(p, uint32_t(height) << 16);
    return FullBox("tkhd", 0, p);
}

std::vector<uint8_t> MediaHeader(uint32_t scale, uint32_t duration)
{
    std::vector<uint8_t> p;
    Put32(p, 0);
    Put32(p, 0);
    Put32(p, scale);
    Put32(p, duration);
    Put16(p, 0);
    Put16(p, 0);
    return FullBox("mdhd", 0, p);
}

std::vector<uint8_t> Handler(const std::string& kind, const std::string& type, const std::string& vendor)
{
    std::vector<uint8_t> p;
    Text(p, kind);
    Text(p, type);
    Text(p, vendor);
    Zeros(p, 9);
    return FullBox("hdlr", 0, p);
}

std::vector<uint8_t> Aperture(const std::string& type, uint16_t width, uint16_t height)
{
    std::vector<uint8_t> p;
    Put32(p, uint32_t(width) << 16);
    Put32(p, uint32_t(height) << 16);
    return FullBox(type, 0, p);
}

std::vector<uint8_t> SampleTable(const std::vector<uint8_t>& entry,
                                 const std::vector<std::pair<uint32_t, uint32_t>>& times)
{
    std::vector<uint8_t> descriptions;
    Put32(descriptions, 1);
    Append(descriptions, entry);
    std::vector<uint8_t> stts;
    Put32(stts, uint32_t(times.size()));
    for (const auto& [count, duration] : times) {
        Put32(stts, count);
        Put32(stts, duration);
    }
    return Box("stbl", Concat({FullBox("stsd", 0, descriptions), FullBox("stts", 0, stts)}));
}

}  // namespace

std::vector<uint8_t> VideoTrack(const VideoTrackValues& values)
{
    std::vector<uint8_t> entry;
    Zeros(entry, 6);
    Put16(entry, 1);  // data reference
    Put32(entry, 0);  // version, revision
    Text(entry, values.vendor);
    Put32(entry, 0);
    Put32(entry, 512);
    Put16(entry, values.width);
    Put16(entry, values.height);
    Put32(entry, values.xResolution << 16);
    Put32(entry, values.yResolution << 16);
    Put32(entry, 0);
    Put16(entry, 1);
    std::vector<uint8_t> name(32, 0);
    name[0] = uint8_t(values.compressorName.size());
    for (size_t i = 0; i < values.compressorName.size() && i < 31; ++i)
        name[1 + i] = uint8_t(values.compressorName[i]);
    Append(entry, name);
    Put16(entry, values.depth);
    Put16(entry, 0xffff);
    std::vector<uint8_t> vmhd;
    Put16(vmhd, 0x40);
    for (int i = 0; i < 3; ++i)
        Put16(vmhd, 0x8000);
    std::vector<uint8_t> minf = Concat({FullBox("vmhd", 0, vmhd), Handler("dhlr", "alis", values.vendor),
                                        SampleTable(Box(values.codec, entry), values.sampleTimes)});
    std::vector<uint8_t> trak =
            TrackHeader(values.trackId, 0, values.width, values.height, values.rotation / 90);
    if (values.apertures) {
        Append(trak, Box("tapt", Concat({Aperture("clef", values.width, values.height),
                                         Aperture("prof", values.width, values.height),
                                         Aperture("enof", values.width, values.height)})));
    }
    Append(trak, Box("mdia", Concat({MediaHeader(values.timeScale, 3000),
                                     Handler("mhlr", "vide", values.vendor), Box("minf", minf)})));
    return Box("trak", trak);
}

std::vector<uint8_t> AudioTrack(const AudioTrackValues& values)
{
    std::vector<uint8_t> entry;
    Zeros(entry, 6);
    Put16(entry, 1);
    Put32(entry, 0);
    Text(entry, values.vendor);
    Put16(entry, values.channels);
    Put16(entry, values.bitsPerSample);
    Put32(entry, 0);
    Put32(entry, values.sampleRate << 16);
    std::vector<uint8_t> smhd;
    Put16(smhd, uint16_t(values.balance));
    Put16(smhd, 0);
    std::vector<uint8_t> minf =
            Concat({FullBox("smhd", 0, smhd), SampleTable(Box(values.format, entry), {{100, 441}})});
    return Box("trak",
               Concat({TrackHeader(values.trackId, 0x100, 0, 0),
                       Box("mdia", Concat({MediaHeader(values.sampleRate, values.sampleRate * 5),
                                           Handler("mhlr", "soun", values.vendor), Box("minf", minf)}))}));
}

std::vector<uint8_t> CameraTagsBox(const CameraTagsValues& values)
{
    std::vector<uint8_t> p(177, 0);
    const std::string make = "PENTAX DIGITAL CAMERA";
    for (size_t i = 0; i < make.size(); ++i)
        p[i] = uint8_t(make[i]);
    Store32Le(p, 0x26, values.exposure);
    Store32Le(p, 0x2a, values.fNumber[0]);
    Store32Le(p, 0x2e, values.fNumber[1]);
    Store32Le(p, 0x32, uint32_t(values.compensation[0]));
    Store32Le(p, 0x36, uint32_t(values.compensation[1]));
    p[0x44] = uint8_t(values.whiteBalance);
    p[0x45] = uint8_t(values.whiteBalance >> 8);
    Store32Le(p, 0x48, values.focalLength[0]);
    Store32Le(p, 0x4c, values.focalLength[1]);
    p[0xaf] = uint8_t(values.iso);
    p[0xb0] = uint8_t(values.iso >> 8);
    return Box("TAGS", p);
}

std::vector<uint8_t> KeyedMetadata(const std::vector<std::pair<std::string, std::string>>& items)
{
    std::vector<uint8_t> keys;
    Put32(keys, uint32_t(items.size()));
    std::vector<uint8_t> list;
    uint32_t index = 0;
    for (const auto& [key, value] : items) {
        Put32(keys, uint32_t(8 + key.size()));
        Text(keys, "mdta" + key);
        std::vector<uint8_t> data;
        Text(data, value);
        ++index;
        std::vector<uint8_t> code;
        Put32(code, index);
        Append(list, ListItem(std::string(code.begin(), code.end()), 1, data));
    }
    return Box("meta", Concat({Handler(std::string(4, '\0'), "mdta", std::string(4, '\0')),
                               FullBox("keys", 0, keys), Box("ilst", list)}));
}

std::vector<uint8_t> UserDataTextBox(const std::string& code, const std::string& text, uint16_t language)
{
    std::vector<uint8_t> p;
    Put16(p, uint16_t(text.size()));
    Put16(p, language);
    Text(p, text);
    return Box(code, p);
}

std::vector<uint8_t> ListItem(const std::string& code, uint32_t type, const std::vector<uint8_t>& value)
{
    std::vector<uint8_t> data;
    Put32(data, type);
    Put32(data, 0);
    Append(data, value);
    return Box(code, Box("data", data));
}

std::vector<uint8_t> UserData(const std::vector<std::vector<uint8_t>>& parts,
                              const std::vector<std::vector<uint8_t>>& items)
{
    std::vector<uint8_t> udta;
    for (const auto& part : parts)
        Append(udta, part);
    if (!items.empty()) {
        std::vector<uint8_t> list;
        for (const auto& item : items)
            Append(list, item);
        Append(udta, FullBox("meta", 0,
                             Concat({Handler(std::string(4, '\0'), "mdir", "appl"), Box("ilst", list)})));
    }
    return Box("udta", udta);
}

std::vector<uint8_t> MovieWith(const std::string& brand, const std::vector<std::vector<uint8_t>>& parts,
                               uint32_t created)
{
    std::vector<uint8_t> ftyp;
    Text(ftyp, brand);
    Put32(ftyp, 0x200);
    Text(ftyp, brand);
    std::vector<uint8_t> mvhd;
    Put32(mvhd, created);
    Put32(mvhd, created);
    Put32(mvhd, 600);
    Put32(mvhd, 3000);
    Put32(mvhd, 0x10000);
    Put16(mvhd, 0x100);
    Zeros(mvhd, 10);
    Matrix(mvhd);
    Zeros(mvhd, 24);
    Put32(mvhd, 3);
    std::vector<uint8_t> moov = FullBox("mvhd", 0, mvhd);
    for (const auto& part : parts)
        Append(moov, part);
    return Concat({Box("ftyp", ftyp), Box("moov", moov), Box("mdat", {})});
}

std::vector<uint8_t> PhoneVideo(const PhoneVideoValues& values)
{
    std::vector<std::pair<std::string, std::string>> keys;
    if (!values.creationDate.empty())
        keys.push_back({"com.apple.quicktime.creationdate", values.creationDate});
    if (!values.keyPosition.empty())
        keys.push_back({"com.apple.quicktime.location.ISO6709", values.keyPosition});
    std::vector<std::vector<uint8_t>> parts;
    if (!keys.empty())
        parts.push_back(KeyedMetadata(keys));
    if (!values.userDataPosition.empty())
        parts.push_back(UserData({UserDataTextBox("\xa9xyz", values.userDataPosition, 0x15c7)}, {}));
    constexpr int64_t kSecondsFrom1904To1970 = 2082844800;
    return MovieWith("qt  ", parts, uint32_t(values.utcSeconds + kSecondsFrom1904To1970));
}

std::vector<uint8_t> XmpUuidBox(const std::string& xmp)
{
    std::vector<uint8_t> p = {0xbe, 0x7a, 0xcf, 0xcb, 0x97, 0xa9, 0x42, 0xe8,
                              0x9c, 0x71, 0x99, 0x94, 0x91, 0xe3, 0xaf, 0xac};
    Text(p, xmp);
    return Box("uuid", p);
}

std::vector<uint8_t> HevcConfigurationBox(uint8_t profile, uint8_t level, uint8_t chroma, uint8_t lumaBits,
                                          uint8_t chromaBits, uint16_t averageRate, uint8_t layers)
{
    std::vector<uint8_t> p = {1, uint8_t(profile & 0x1f)};
    Put32(p, 1u << (31 - (profile & 0x1f)));
    Append(p, {0x90, 0, 0, 0, 0, 0, level, 0xf0, 0, 0xfc, uint8_t(0xfc | chroma),
               uint8_t(0xf8 | (lumaBits - 8)), uint8_t(0xf8 | (chromaBits - 8))});
    Put16(p, averageRate);
    p.push_back(uint8_t((layers & 7) << 3 | 4 | 3));
    p.push_back(0);  // no parameter set arrays
    return Box("hvcC", p);
}

std::vector<uint8_t> Av1ConfigurationBox(uint8_t chromaBits)
{
    return Box("av1C", {0x81, 0x08, chromaBits, 0});
}

std::vector<uint8_t> SpatialExtentBox(uint32_t width, uint32_t height)
{
    std::vector<uint8_t> p;
    Put32(p, width);
    Put32(p, height);
    return FullBox("ispe", 0, p);
}

std::vector<uint8_t> ColourBox(uint16_t primaries, uint16_t transfer, uint16_t matrix)
{
    std::vector<uint8_t> p;
    Text(p, "nclx");
    Put16(p, primaries);
    Put16(p, transfer);
    Put16(p, matrix);
    p.push_back(0x80);
    return Box("colr", p);
}

std::vector<uint8_t> ColourProfileBox(const std::vector<uint8_t>& profile, const std::string& kind)
{
    std::vector<uint8_t> p;
    Text(p, kind);
    p.insert(p.end(), profile.begin(), profile.end());
    return Box("colr", p);
}

std::vector<uint8_t> BuildHeif(const std::string& brand, const std::vector<std::vector<uint8_t>>& properties,
                               const std::vector<uint8_t>& primary, const std::vector<uint8_t>& other,
                               const std::string& xmp)
{
    std::vector<uint8_t> ftyp;
    Text(ftyp, brand);
    Put32(ftyp, 0);
    Text(ftyp, "mif1" + brand);
    auto infe = [](uint16_t id, const std::string& type, const std::string& content) {
        std::vector<uint8_t> p;
        Put16(p, id);
        Put16(p, 0);
        Text(p, type);
        p.push_back(0);  // empty name
        if (!content.empty()) {
            Text(p, content);
            p.push_back(0);
        }
        return FullBox("infe", 2, p);
    };
    const std::string codec = brand == "avif" ? "av01" : "hvc1";
    std::vector<uint8_t> iinf;
    Put16(iinf, xmp.empty() ? 2 : 3);
    Append(iinf, infe(1, codec, ""));
    Append(iinf, infe(2, codec, ""));
    if (!xmp.empty())
        Append(iinf, infe(3, "mime", "application/rdf+xml"));
    std::vector<uint8_t> ipco;
    for (const auto& property : properties)
        Append(ipco, property);
    std::vector<uint8_t> ipma;
    Put32(ipma, 2);
    for (const auto& [id, indexes] : {std::pair {uint16_t(1), &primary}, std::pair {uint16_t(2), &other}}) {
        Put16(ipma, id);
        ipma.push_back(uint8_t(indexes->size()));
        for (uint8_t index : *indexes)
            ipma.push_back(uint8_t(0x80 | index));
    }
    std::vector<uint8_t> pitm;
    Put16(pitm, 1);
    auto meta = [&](uint32_t dataOffset) {
        // iloc version 0, offset and length sizes 4: the two image items share 4 bytes of mdat, the
        // XMP item follows them.
        std::vector<uint8_t> iloc = {0x44, 0x00};
        Put16(iloc, xmp.empty() ? 2 : 3);
        for (uint16_t id = 1; id <= (xmp.empty() ? 2 : 3); ++id) {
            Put16(iloc, id);
            Put16(iloc, 0);
            Put16(iloc, 1);
            Put32(iloc, id == 3 ? dataOffset + 4 : dataOffset);
            Put32(iloc, id == 3 ? uint32_t(xmp.size()) : 4);
        }
        return FullBox("meta", 0,
                       Concat({Handler(std::string(4, '\0'), "pict", std::string(4, '\0')),
                               FullBox("pitm", 0, pitm), FullBox("iinf", 0, iinf),
                               Box("iprp", Concat({Box("ipco", ipco), FullBox("ipma", 0, ipma)})),
                               FullBox("iloc", 0, iloc)}));
    };
    std::vector<uint8_t> data(4, 0);
    Text(data, xmp);
    const uint32_t offset = uint32_t(Box("ftyp", ftyp).size() + meta(0).size() + 8);
    return Concat({Box("ftyp", ftyp), meta(offset), Box("mdat", data)});
}

std::vector<uint8_t> CameraMovieSample(uint16_t n)
{
    const std::string s = std::to_string(n);
    VideoTrackValues video;
    video.codec = n % 2 ? "jpeg" : "avc1";
    video.vendor = n % 3 ? "pent" : "appl";
    video.compressorName = n % 2 ? "Photo - JPEG" : "H.264 " + s;
    video.width = uint16_t(320 * n);
    video.height = uint16_t(240 * n);
    video.xResolution = 72 * n;
    video.timeScale = n % 2 ? 30000 : 600;
    video.rotation = 90 * (n % 4);
    video.sampleTimes = n % 2 ? std::vector<std::pair<uint32_t, uint32_t>> {{100, 1001}, {uint32_t(n), 1001}}
                              : std::vector<std::pair<uint32_t, uint32_t>> {{150, 20u * n}};
    AudioTrackValues audio;
    audio.format = n % 2 ? "raw " : "sowt";
    audio.vendor = n % 2 ? "pent" : "appl";
    audio.channels = uint16_t(1 + n % 2);
    audio.bitsPerSample = uint16_t(8 * (1 + n % 2));
    audio.sampleRate = 7875u * n;
    audio.balance = int16_t(n % 3 == 0 ? -128 : 64 * (n % 3));
    CameraTagsValues tags;
    tags.exposure = 384u * n * n;
    tags.fNumber[0] = 28u + 7 * n;
    tags.compensation[0] = int32_t(n % 3) * 3 - 4;
    tags.compensation[1] = n % 2 ? 10 : 3;
    tags.whiteBalance = uint16_t(n - 1);
    tags.focalLength[0] = 100u * n + 89;
    tags.iso = uint16_t(50 * n);
    const std::string xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/' x:xmptk='Toolkit " + s +
                            "'><rdf:RDF xmlns:rdf='http://www.w3.org/1999/02/22-rdf-syntax-ns#'>"
                            "<rdf:Description rdf:about='' xmlns:xmp='http://ns.adobe.com/xap/1.0/' "
                            "xmp:CreatorTool='Camera " +
                            s + "'/></rdf:RDF></x:xmpmeta>";
    auto text = [](const std::string& t) { return std::vector<uint8_t>(t.begin(), t.end()); };
    const std::vector<uint8_t> items = UserData(
            {CameraTagsBox(tags), Box("XMP_", text(xmp)),
             UserDataTextBox("\xa9"
                             "fmt",
                             "Digital Camera", 0),
             UserDataTextBox("\xa9"
                             "inf",
                             "CAMERA " + s + "    ", 0x55c4),
             UserDataTextBox("\xa9"
                             "mod",
                             "Model " + s, 0),
             UserDataTextBox("\xa9"
                             "swr",
                             "Firmware 1.0" + s, 0),
             UserDataTextBox("\xa9"
                             "cpy",
                             "Copyright " + s, 0)},
            {ListItem("\xa9"
                      "ART",
                      1, text("\xc3\xa5rtist " + s)),
             ListItem("\xa9"
                      "alb",
                      1, text("Album " + s)),
             ListItem("\xa9"
                      "cmt",
                      1, text("Comment " + s)),
             ListItem("\xa9"
                      "wrt",
                      1, text("Composer " + s)),
             ListItem("\xa9"
                      "gen",
                      1, text("Genre " + s)),
             ListItem("aART", 1, text("Album Artist " + s)),
             ListItem("\xa9"
                      "grp",
                      1, text("Grouping " + s)),
             ListItem("\xa9"
                      "lyr",
                      1, text("Lyrics " + s)),
             ListItem("\xa9"
                      "nam",
                      1, text("Title " + s)),
             ListItem("\xa9"
                      "too",
                      1, text("Encoder " + s)),
             ListItem("\xa9"
                      "day",
                      1, text(n % 2 ? "201" + s : "2010-05-0" + s)),
             ListItem("cprt", 1, text("Copyright " + s)), ListItem("ldes", 1, text("Long " + s)),
             ListItem("trkn", 0, {0, 0, 0, uint8_t(n), 0, 9, 0, 0}),
             ListItem("disk", 0, {0, 0, 0, 1, 0, uint8_t(n)}), ListItem("tmpo", 21, {0, uint8_t(60 + n)}),
             ListItem("covr", 13, std::vector<uint8_t>(100u * n, 0xff))});
    const std::vector<uint8_t> keys = KeyedMetadata({{"com.apple.quicktime.artist", "Keyed " + s},
                                                     {"com.apple.quicktime.make", "Maker " + s},
                                                     {"com.apple.quicktime.model", "Model " + s},
                                                     {"com.apple.quicktime.software", "Software " + s},
                                                     {"com.apple.quicktime.description", "About " + s},
                                                     {"com.apple.quicktime.keywords", "Words " + s},
                                                     {"com.apple.quicktime.author", "Author " + s},
                                                     {"com.apple.quicktime.displayname", "Shown " + s},
                                                     {"com.apple.quicktime.year", "201" + s},
                                                     {"com.apple.quicktime.publisher", "Pub " + s},
                                                     {"com.apple.quicktime.information", "Info " + s}});
    std::vector<std::vector<uint8_t>> parts = {VideoTrack(video), AudioTrack(audio)};
    parts.push_back(n % 2 ? keys : items);
    parts.push_back(n % 2 ? items : keys);
    return MovieWith("qt  ", parts);
}

std::vector<uint8_t> Mp4Sample(uint16_t n)
{
    VideoTrackValues video;
    video.trackId = 2;
    video.codec = n % 2 ? "hvc1" : "avc1";
    video.vendor = std::string(4, '\0');
    video.compressorName.clear();
    video.depth = uint16_t(n % 2 ? 24 : 32);
    video.width = uint16_t(1920 / n);
    video.height = uint16_t(1080 / n);
    video.timeScale = 12800;
    video.sampleTimes = {{uint32_t(10 * n), 512}};
    video.apertures = n % 2 == 0;
    video.rotation = 90 * ((n + 1) % 4);
    AudioTrackValues audio;
    audio.trackId = 1;
    audio.sampleRate = 48000;
    const std::vector<uint8_t> movie =
            MovieWith(n % 2 ? "mp42" : "isom", {AudioTrack(audio), VideoTrack(video)});
    if (n % 2 == 0)
        return movie;
    const std::string xmp = "<x:xmpmeta xmlns:x='adobe:ns:meta/' x:xmptk='Uuid Toolkit " + std::to_string(n) +
                            "'></x:xmpmeta>";
    return Concat({movie, XmpUuidBox(xmp)});
}

std::vector<uint8_t> ImagePropertiesSample(uint16_t n, bool av1)
{
    const uint8_t chroma = uint8_t(n % 4);
    std::vector<uint8_t> pixi = {0, 0, 0, 0, 3, uint8_t(8 + n % 3), uint8_t(8 + n % 3), uint8_t(8 + n % 3)};
    std::vector<uint8_t> rotation = {uint8_t(n % 4)};
    std::vector<std::vector<uint8_t>> properties = {
            av1 ? Av1ConfigurationBox(uint8_t(n % 2 ? 0x0c | (n % 4) : (n % 4)))
                : HevcConfigurationBox(uint8_t(n), uint8_t(30 * n + 3), chroma, uint8_t(8 + n % 3),
                                       uint8_t(8 + n % 2), uint16_t(n * 100), uint8_t(n % 8)),
            SpatialExtentBox(640u * n, 480u * n),
            ColourBox(uint16_t(n + 4), uint16_t(n * 2), uint16_t(n + 5)),
            Box("pixi", pixi),
            Box("irot", rotation),
            av1 ? Av1ConfigurationBox(0) : HevcConfigurationBox(1, 60, 1, 8, 8, 0, 1),
            SpatialExtentBox(160, 120),
            ColourBox(uint16_t(n % 2 ? 1 : 9), 13, 1)};
    const std::string xmp = n % 2 ? "<x:xmpmeta xmlns:x='adobe:ns:meta/' x:xmptk='Image Toolkit " +
                                            std::to_string(n) + "'></x:xmpmeta>"
                                  : "";
    return BuildHeif(av1 ? "avif" : "heic", properties,
                     n % 4 ? std::vector<uint8_t> {1, 2, 3, 4, 5} : std::vector<uint8_t> {2, 3, 4, 5},
                     n % 4 ? std::vector<uint8_t> {6, 7, 8} : std::vector<uint8_t> {1, 6, 7, 8}, xmp);
}

}  // namespace qmtest
