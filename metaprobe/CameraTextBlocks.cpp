#include "metaprobe/CameraTextBlocks.h"

#include <cstring>
#include <string>
#include <vector>

#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

constexpr size_t kQvciDate = 77, kQvciDateSize = 20;

bool AllDigits(const std::string& text)
{
    if (text.empty() || text.size() > 18)
        return false;
    for (char c : text) {
        if (c < '0' || c > '9')
            return false;
    }
    return true;
}

// The values of every line of `text` whose key is `key` (with its "="), cut at a NUL and
// without trailing spaces.
std::vector<std::string> PictureInfoValues(const std::string& text, const std::string& key)
{
    std::vector<std::string> values;
    for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
        if (at != 0 && text[at - 1] != '\n' && text[at - 1] != '\r' && text[at - 1] != '\0')
            continue;  // part of a longer key
        size_t start = at + key.size(), end = text.find_first_of("\r\n", start);
        std::string value = text.substr(start, end == std::string::npos ? std::string::npos : end - start);
        size_t nul = value.find('\0');
        if (nul != std::string::npos)
            value.resize(nul);
        values.push_back(TrimRight(value));
    }
    return values;
}

// The camera writes "1998.10.24.12.08.57": the dots become colons, and the separator after the
// first three numbers in a row (the date) a space.
std::string QvciDateText(std::string text)
{
    for (char& c : text) {
        if (c == '.')
            c = ':';
    }
    auto digits = [&](size_t at) {
        size_t end = at;
        while (end < text.size() && text[end] >= '0' && text[end] <= '9')
            ++end;
        return end;
    };
    for (size_t start = 0; start < text.size(); ++start) {
        size_t at = start;
        int numbers = 0;
        for (; numbers < 3; ++numbers) {
            const size_t end = digits(at);
            if (end == at || end >= text.size() || text[end] != ':')
                break;
            at = end + 1;
        }
        if (numbers == 3) {
            text[at - 1] = ' ';
            break;
        }
    }
    return text;
}

}  // namespace

void ReadPictureInfo(const std::vector<uint8_t>& payload, Listing& listing)
{
    // Photoshop's "Ducky" block uses the same segment for something else.
    if (payload.size() >= 5 && std::memcmp(payload.data(), "Ducky", 5) == 0)
        return;
    const std::string text(payload.begin(), payload.end());
    for (const std::string& value : PictureInfoValues(text, "TimeDate=")) {
        // Seconds of the camera's clock since 1970, or a date as written.
        listing.Add("Date/Time Original",
                    AllDigits(value) ? CameraClockText(std::stoll(value)) : Latin1ToUtf8(value), 0);
    }
    // The exposure time in microseconds, listed when it is one whole number and no other key
    // ("shtr") gives it too: the EXIF block's value wins, as for the date.
    const std::vector<std::string> shutter = PictureInfoValues(text, "Shutter=");
    if (shutter.size() == 1 && AllDigits(shutter[0]) && PictureInfoValues(text, "shtr=").empty())
        listing.Add("Exposure Time", FormatExposureTime(double(std::stoull(shutter[0])) / 1e6), 0);
}

void ReadQvci(const std::vector<uint8_t>& payload, Listing& listing)
{
    if (payload.size() < kQvciDate + kQvciDateSize || std::memcmp(payload.data(), "QVCI", 4) != 0)
        return;
    const char* date = reinterpret_cast<const char*>(payload.data() + kQvciDate);
    size_t n = 0;
    while (n < kQvciDateSize && date[n] != '\0')
        ++n;
    listing.Add("Date/Time Original", Latin1ToUtf8(QvciDateText(TrimRight(std::string(date, n)))));
}

}  // namespace metaprobe
