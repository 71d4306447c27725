#include "metaprobe/Composite.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

#include "metaprobe/ValueText.h"

namespace metaprobe {

namespace {

bool ParseNumber(const std::string& text, double& value)
{
    if (text.empty())
        return false;
    char* end = nullptr;
    value = std::strtod(text.c_str(), &end);
    return end && *end == '\0' && std::isfinite(value);
}

bool ParseDimension(const std::string& text, double& value)
{
    return ParseNumber(text, value) && value > 0;
}

std::string CoordinateText(const GpsCoordinate& c)
{
    std::string s = FormatCoordinate(c.degrees);
    if (c.ref)
        s += std::string(" ") + c.ref;
    return s;
}

std::string MegapixelText(double megapixels)
{
    return FormatF(megapixels, megapixels >= 1 ? 1 : megapixels >= 0.001 ? 3 : 6);
}

bool PlainDate(const std::string& text)
{
    return text.size() == 19 && text[4] == ':' && text[7] == ':' && text[10] == ' ' && text[13] == ':' &&
           text[16] == ':';
}

// The EXIF dates once more with their fractional seconds and time zone, when the EXIF block
// gives either; the plain dates stay the first lines of their names.
void AddPreciseDates(Listing& listing)
{
    static const char* const kinds[][3] = {
            {"Create Date", "Sub Sec Time Digitized", "Offset Time Digitized"},
            {"Date/Time Original", "Sub Sec Time Original", "Offset Time Original"},
            {"Modify Date", "Sub Sec Time", "Offset Time"},
    };
    for (const auto& kind : kinds) {
        std::string date = listing.Value(kind[0]);
        std::string subSec = TrimRight(listing.Value(kind[1]));
        std::string offset = TrimRight(listing.Value(kind[2]));
        if (!PlainDate(date) || (subSec.empty() && offset.empty()))
            continue;
        listing.AddRepeated(kind[0], date + (subSec.empty() ? "" : "." + subSec) + offset);
    }
}

// A file whose blocks give no capture date takes the IPTC creation date and time as one.
void AddIptcCaptureDate(Listing& listing)
{
    const std::string created = listing.Value("Date/Time Created");
    if (!listing.Has("Date/Time Original") && !created.empty())
        listing.Add("Date/Time Original", created);
}

// Panasonic raws give the size of the developed image as the sensor's borders; it replaces the
// size of the small JPEG embedded in the raw.
void AddBorderSize(const std::string& fileType, Listing& listing)
{
    if (fileType != "RW2" && fileType != "RWL" && fileType != "RAW")
        return;
    double top = 0, left = 0, bottom = 0, right = 0;
    if (!ParseNumber(listing.Value("Sensor Top Border"), top) ||
        !ParseNumber(listing.Value("Sensor Left Border"), left) ||
        !ParseNumber(listing.Value("Sensor Bottom Border"), bottom) ||
        !ParseNumber(listing.Value("Sensor Right Border"), right) || bottom <= top || right <= left)
        return;
    listing.Add("Image Height", FormatG(bottom - top, 10));
    listing.Add("Image Width", FormatG(right - left, 10));
}

}  // namespace

void AddCompositeDates(Listing& listing)
{
    AddPreciseDates(listing);
    AddIptcCaptureDate(listing);
}

void AddCompositeFields(const ExifFacts& facts, const std::string& fileType, Listing& listing)
{
    AddCompositeDates(listing);
    if (facts.hasFNumber || facts.hasApertureValue) {
        double f = facts.hasFNumber ? facts.fNumber : facts.apertureValue;
        listing.Add("Aperture", FormatF(f, 1));
    }
    AddBorderSize(fileType, listing);
    // Canon and Phase One raws give the size of the developed image in the EXIF directory.
    bool exifSize = fileType == "CR2" || fileType == "IIQ";
    std::string w = listing.Value(exifSize ? "Exif Image Width" : "Image Width");
    std::string h = listing.Value(exifSize ? "Exif Image Height" : "Image Height");
    // Fujifilm raws give the size of the developed image in their raw header.
    std::string cropped = fileType == "RAF" ? listing.Value("Raw Image Cropped Size") : "";
    if (cropped.find('x') != std::string::npos) {
        w = cropped.substr(0, cropped.find('x'));
        h = cropped.substr(cropped.find('x') + 1);
    }
    double width = 0, height = 0;
    if (ParseDimension(w, width) && ParseDimension(h, height)) {
        listing.Add("Image Size", w + "x" + h);
        listing.Add("Megapixels", MegapixelText(width * height / 1e6));
    }
    bool hasTime = facts.hasExposureTime || facts.hasShutterSpeedValue;
    double time = facts.hasExposureTime ? facts.exposureTime : facts.shutterSpeedValue;
    if (hasTime)
        listing.Add("Shutter Speed", FormatExposureTime(time));
    if (facts.hasThumbnail && facts.thumbnailLength > 0) {
        listing.Add("Thumbnail Image", "(Binary data " + std::to_string(facts.thumbnailLength) +
                                               " bytes, use -b option to extract)");
    }
    if (facts.hasAltitude) {
        double metres = std::trunc(facts.altitude * 10) / 10;
        std::string text = FormatG(metres, 10) + " m";
        if (facts.altitudeRefKnown)
            text += facts.belowSeaLevel ? " Below Sea Level" : " Above Sea Level";
        listing.Add("GPS Altitude", text);
    }
    if (!facts.gpsDate.empty() && !facts.gpsTime.empty()) {
        listing.Add("GPS Date/Time", facts.gpsDate + " " + facts.gpsTime + "Z");
    }
    if (facts.latitude.present)
        listing.Add("GPS Latitude", CoordinateText(facts.latitude));
    if (facts.longitude.present)
        listing.Add("GPS Longitude", CoordinateText(facts.longitude));
    if (facts.latitude.present && facts.longitude.present) {
        listing.Add("GPS Position", CoordinateText(facts.latitude) + ", " + CoordinateText(facts.longitude));
    }
    if ((facts.hasFNumber || facts.hasApertureValue) && hasTime && facts.hasIso && time > 0 &&
        facts.iso > 0) {
        double f = facts.hasFNumber ? facts.fNumber : facts.apertureValue;
        if (f > 0) {
            double lv = 2 * std::log2(f) - std::log2(time) - std::log2(facts.iso / 100);
            listing.Add("Light Value", FormatF(lv, 1));
        }
    }
}

}  // namespace metaprobe
