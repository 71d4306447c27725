#include "engine/TakeoutJson.h"

#include <charconv>
#include <cmath>

namespace {

// What a value means to us, by the keys that lead to it.
enum class Slot {
    Ignored,
    Root,
    Title,
    Taken,
    TakenStamp,
    Created,
    CreatedStamp,
    Geo,
    GeoLatitude,
    GeoLongitude,
    GeoExif,
    GeoExifLatitude,
    GeoExifLongitude,
};

Slot ChildOf(Slot parent, std::string_view key)
{
    switch (parent) {
    case Slot::Root:
        if (key == "title")
            return Slot::Title;
        if (key == "photoTakenTime")
            return Slot::Taken;
        if (key == "creationTime")
            return Slot::Created;
        if (key == "geoData")
            return Slot::Geo;
        if (key == "geoDataExif")
            return Slot::GeoExif;
        return Slot::Ignored;
    case Slot::Taken: return key == "timestamp" ? Slot::TakenStamp : Slot::Ignored;
    case Slot::Created: return key == "timestamp" ? Slot::CreatedStamp : Slot::Ignored;
    case Slot::Geo:
        if (key == "latitude")
            return Slot::GeoLatitude;
        return key == "longitude" ? Slot::GeoLongitude : Slot::Ignored;
    case Slot::GeoExif:
        if (key == "latitude")
            return Slot::GeoExifLatitude;
        return key == "longitude" ? Slot::GeoExifLongitude : Slot::Ignored;
    default: return Slot::Ignored;
    }
}

// Seconds since 1970 as the export writes them: a string of digits (a number is taken too).
// Twelve digits reach past the year 30000, further than any calendar here goes.
bool ParseSeconds(std::string_view text, std::int64_t& seconds)
{
    const bool negative = !text.empty() && text.front() == '-';
    const std::string_view digits = negative ? text.substr(1) : text;
    if (digits.empty() || digits.size() > 12)
        return false;
    std::int64_t value = 0;
    for (const char c : digits) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + (c - '0');
    }
    seconds = negative ? -value : value;
    return true;
}

class Parser {
public:
    Parser(std::string_view text, TakeoutSidecar& out) : text_(text), out_(out) { }

    // The whole text; false with error set. A bad timestamp is reported without stopping the
    // parse, so the first fault found decides the text.
    bool Document(std::string& error)
    {
        SkipSpace();
        if (Peek() != '{') {
            Error("the file is not a JSON object");
        } else if (Value(Slot::Root, 0)) {
            SkipSpace();
            if (!AtEnd())
                Error("text after the end of the object");
        }
        error = error_;
        return error_.empty();
    }

    // Collected numbers, checked once the whole file has been read.
    std::optional<double> geo[2], geoExif[2];

private:
    bool Error(const std::string& what)
    {
        if (error_.empty())
            error_ = what + " (at byte " + std::to_string(at_) + ")";
        return false;
    }

    char Peek() const { return at_ < text_.size() ? text_[at_] : '\0'; }
    bool AtEnd() const { return at_ >= text_.size(); }

    void SkipSpace()
    {
        while (!AtEnd() &&
               (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
            ++at_;
    }

    bool Literal(std::string_view word)
    {
        if (text_.substr(at_, word.size()) != word)
            return Error("unexpected character");
        at_ += word.size();
        return true;
    }

    bool Value(Slot slot, int depth)
    {
        SkipSpace();
        switch (Peek()) {
        case '{': return Object(slot, depth + 1);
        case '[': return Array(depth + 1);
        case '"': {
            std::string text;
            if (!String(text))
                return false;
            Take(slot, text, true);
            return true;
        }
        case 't': return Literal("true");
        case 'f': return Literal("false");
        case 'n': return Literal("null");
        default: break;
        }
        std::string_view number;
        if (!Number(number))
            return false;
        Take(slot, number, false);
        return true;
    }

    bool Object(Slot slot, int depth)
    {
        if (depth > kMaxTakeoutJsonDepth)
            return Error("objects and arrays nested too deep");
        ++at_;  // '{'
        SkipSpace();
        if (Peek() == '}') {
            ++at_;
            return true;
        }
        while (true) {
            SkipSpace();
            if (Peek() != '"')
                return Error("a name in quotes expected");
            std::string key;
            if (!String(key))
                return false;
            SkipSpace();
            if (Peek() != ':')
                return Error("':' expected");
            ++at_;
            if (!Value(ChildOf(slot, key), depth))
                return false;
            SkipSpace();
            if (Peek() == ',') {
                ++at_;
                continue;
            }
            if (Peek() == '}') {
                ++at_;
                return true;
            }
            return Error(AtEnd() ? "the file ends inside an object" : "',' or '}' expected");
        }
    }

    bool Array(int depth)
    {
        if (depth > kMaxTakeoutJsonDepth)
            return Error("objects and arrays nested too deep");
        ++at_;  // '['
        SkipSpace();
        if (Peek() == ']') {
            ++at_;
            return true;
        }
        while (true) {
            if (!Value(Slot::Ignored, depth))
                return false;
            SkipSpace();
            if (Peek() == ',') {
                ++at_;
                continue;
            }
            if (Peek() == ']') {
                ++at_;
                return true;
            }
            return Error(AtEnd() ? "the file ends inside an array" : "',' or ']' expected");
        }
    }

    bool Hex4(std::uint32_t& unit)
    {
        if (text_.size() - at_ < 4)
            return Error("the file ends inside a \\u escape");
        unit = 0;
        for (int i = 0; i < 4; ++i) {
            const char c = text_[at_++];
            unit <<= 4;
            if (c >= '0' && c <= '9')
                unit |= static_cast<std::uint32_t>(c - '0');
            else if (c >= 'a' && c <= 'f')
                unit |= static_cast<std::uint32_t>(c - 'a' + 10);
            else if (c >= 'A' && c <= 'F')
                unit |= static_cast<std::uint32_t>(c - 'A' + 10);
            else
                return Error("a bad \\u escape");
        }
        return true;
    }

    static void AppendUtf8(std::string& out, std::uint32_t code)
    {
        if (code < 0x80) {
            out += static_cast<char>(code);
        } else if (code < 0x800) {
            out += static_cast<char>(0xC0 | (code >> 6));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else if (code < 0x10000) {
            out += static_cast<char>(0xE0 | (code >> 12));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        } else {
            out += static_cast<char>(0xF0 | (code >> 18));
            out += static_cast<char>(0x80 | ((code >> 12) & 0x3F));
            out += static_cast<char>(0x80 | ((code >> 6) & 0x3F));
            out += static_cast<char>(0x80 | (code & 0x3F));
        }
    }

    // A string's text, escapes resolved (a \u pair of surrogates as one character in UTF-8).
    bool String(std::string& out)
    {
        ++at_;  // '"'
        while (true) {
            if (AtEnd())
                return Error("the file ends inside a string");
            const char c = text_[at_++];
            if (c == '"')
                return true;
            if (static_cast<unsigned char>(c) < 0x20)
                return Error("a control character inside a string");
            if (c != '\\') {
                out += c;
                continue;
            }
            if (AtEnd())
                return Error("the file ends inside a string");
            const char escaped = text_[at_++];
            switch (escaped) {
            case '"': out += '"'; break;
            case '\\': out += '\\'; break;
            case '/': out += '/'; break;
            case 'b': out += '\b'; break;
            case 'f': out += '\f'; break;
            case 'n': out += '\n'; break;
            case 'r': out += '\r'; break;
            case 't': out += '\t'; break;
            case 'u': {
                std::uint32_t unit = 0;
                if (!Hex4(unit))
                    return false;
                if (unit >= 0xDC00 && unit <= 0xDFFF)
                    return Error("a lone low surrogate in a \\u escape");
                if (unit >= 0xD800 && unit <= 0xDBFF) {
                    std::uint32_t low = 0;
                    if (text_.substr(at_, 2) != "\\u")
                        return Error("a high surrogate without its low half");
                    at_ += 2;
                    if (!Hex4(low))
                        return false;
                    if (low < 0xDC00 || low > 0xDFFF)
                        return Error("a high surrogate without its low half");
                    unit = 0x10000 + ((unit - 0xD800) << 10) + (low - 0xDC00);
                }
                AppendUtf8(out, unit);
                break;
            }
            default: return Error("a bad escape in a string");
            }
        }
    }

    // A number as JSON writes it: -? int frac? exp?
    bool Number(std::string_view& out)
    {
        const std::size_t start = at_;
        if (Peek() == '-')
            ++at_;
        if (Peek() == '0') {
            ++at_;
        } else if (Peek() >= '1' && Peek() <= '9') {
            while (Peek() >= '0' && Peek() <= '9')
                ++at_;
        } else {
            return Error(AtEnd() ? "the file ends where a value should be" : "unexpected character");
        }
        if (Peek() == '.') {
            ++at_;
            if (!(Peek() >= '0' && Peek() <= '9'))
                return Error("a digit expected after '.'");
            while (Peek() >= '0' && Peek() <= '9')
                ++at_;
        }
        if (Peek() == 'e' || Peek() == 'E') {
            ++at_;
            if (Peek() == '+' || Peek() == '-')
                ++at_;
            if (!(Peek() >= '0' && Peek() <= '9'))
                return Error("a digit expected in an exponent");
            while (Peek() >= '0' && Peek() <= '9')
                ++at_;
        }
        out = text_.substr(start, at_ - start);
        return true;
    }

    static std::optional<double> Degrees(std::string_view text)
    {
        double value = 0;
        const auto [end, code] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (code != std::errc() || end != text.data() + text.size() || !std::isfinite(value))
            return std::nullopt;
        return value;
    }

    void Take(Slot slot, std::string_view text, bool quoted)
    {
        switch (slot) {
        case Slot::Title:
            if (quoted)
                out_.title = std::string(text);
            break;
        case Slot::TakenStamp:
        case Slot::CreatedStamp: {
            std::int64_t seconds = 0;
            if (!ParseSeconds(text, seconds)) {
                Error("a timestamp that is not a whole number of seconds");
                break;
            }
            (slot == Slot::TakenStamp ? out_.photoTaken : out_.created) = seconds;
            break;
        }
        case Slot::GeoLatitude: geo[0] = quoted ? std::nullopt : Degrees(text); break;
        case Slot::GeoLongitude: geo[1] = quoted ? std::nullopt : Degrees(text); break;
        case Slot::GeoExifLatitude: geoExif[0] = quoted ? std::nullopt : Degrees(text); break;
        case Slot::GeoExifLongitude: geoExif[1] = quoted ? std::nullopt : Degrees(text); break;
        default: break;
        }
    }

    std::string_view text_;
    TakeoutSidecar& out_;
    std::size_t at_ = 0;
    std::string error_;
};

// A position from a latitude and longitude pair: none for 0,0, a missing half or a value no
// place on Earth has.
std::optional<GeoPosition> PositionOf(const std::optional<double> (&pair)[2])
{
    if (!pair[0] || !pair[1])
        return std::nullopt;
    const double latitude = *pair[0];
    const double longitude = *pair[1];
    if ((latitude == 0 && longitude == 0) || std::fabs(latitude) > 90 || std::fabs(longitude) > 180)
        return std::nullopt;
    return GeoPosition {latitude, longitude};
}

}  // namespace

bool ReadTakeoutJson(std::string_view text, TakeoutSidecar& sidecar, std::string& error)
{
    sidecar = TakeoutSidecar {};
    error.clear();
    if (text.size() > kMaxTakeoutJsonBytes) {
        error = "the file is larger than " + std::to_string(kMaxTakeoutJsonBytes / 1024) + " KB";
        return false;
    }
    // A byte-order mark some tools put first.
    if (text.substr(0, 3) == "\xEF\xBB\xBF")
        text.remove_prefix(3);
    Parser parser(text, sidecar);
    if (!parser.Document(error)) {
        sidecar = TakeoutSidecar {};
        return false;
    }
    sidecar.position = PositionOf(parser.geo);
    if (!sidecar.position)
        sidecar.position = PositionOf(parser.geoExif);
    return true;
}

DateTime UtcDateOfSeconds(std::int64_t seconds)
{
    std::int64_t days = seconds / 86400;
    std::int64_t rest = seconds % 86400;
    if (rest < 0) {
        rest += 86400;
        --days;
    }
    // Days since 1970-01-01 to a civil date (proleptic Gregorian calendar).
    const std::int64_t z = days + 719468;
    const std::int64_t era = (z >= 0 ? z : z - 146096) / 146097;
    const std::int64_t doe = z - era * 146097;
    const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const std::int64_t mp = (5 * doy + 2) / 153;
    const std::int64_t day = doy - (153 * mp + 2) / 5 + 1;
    const std::int64_t month = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
    return DateTime {
            static_cast<int>(year),        static_cast<int>(month),          static_cast<int>(day),
            static_cast<int>(rest / 3600), static_cast<int>(rest / 60 % 60), static_cast<int>(rest % 60)};
}

bool TakeoutLocalDate(std::int64_t seconds, const std::optional<GeoPosition>& position, ZoneRules& zone,
                      DateTime& date)
{
    (void)position;
    // As a file time (100-nanosecond units since 1601) on a volume that keeps UTC: the zone's
    // rule of the photo's own date, not today's.
    constexpr std::int64_t kSecondsFrom1601To1970 = 11644473600;
    constexpr std::int64_t kLatest = 900000000000;  // past the year 30000, where the zone's rules end
    if (seconds < -kSecondsFrom1601To1970 || seconds > kLatest)
        return false;
    const auto ticks = static_cast<std::uint64_t>(seconds + kSecondsFrom1601To1970) * 10000000u;
    return LocalDateOfFileTime(ticks, false, zone, date);
}
