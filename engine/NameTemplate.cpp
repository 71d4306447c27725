#include "engine/NameTemplate.h"

#include <array>
#include <cstdio>
#include <initializer_list>
#include <utility>

#include "base/PathText.h"

namespace {

constexpr std::array<const char*, 12> kShortMonths {
        "Jan", "Feb", "Mar", "Apr", "May", "Jun", "Jul", "Aug", "Sep", "Oct", "Nov", "Dec",
};

constexpr std::array<const char*, 12> kLongMonths {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December",
};

// Month names do not follow the user's locale; a month outside 1-12 has no name.
std::string MonthName(const std::array<const char*, 12>& names, int month)
{
    if (month < 1 || month > 12)
        return {};
    return names[static_cast<std::size_t>(month - 1)];
}

std::string Number(const char* format, int value)
{
    char buffer[16];
    const int length = std::snprintf(buffer, sizeof buffer, format, value);
    if (length < 0)
        return {};
    return std::string(buffer, static_cast<std::size_t>(length));
}

// Replaces every occurrence of tag in text; the scan continues after each inserted value.
void ReplaceAll(std::string& text, const std::string& tag, const std::string& value)
{
    std::size_t at = 0;
    while ((at = text.find(tag, at)) != std::string::npos) {
        text.replace(at, tag.size(), value);
        at += value.size();
    }
}

// Each tag is replaced over the whole text left by the previous one, in the order given.
std::string Expand(std::string text, std::initializer_list<std::pair<const char*, std::string>> tags)
{
    for (const auto& [tag, value] : tags)
        ReplaceAll(text, tag, value);
    return text;
}

bool HasPlaceTag(const std::string& text)
{
    return text.find("%C") != std::string::npos || text.find("%R") != std::string::npos ||
           text.find("%T") != std::string::npos;
}

int TwelveHour(int hour)
{
    const int h = ((hour % 12) + 12) % 12;
    return h == 0 ? 12 : h;
}

}  // namespace

std::string ExpandMonthTemplate(const std::string& text, int year, int month, const PlaceNames& place)
{
    // The place texts come last: PlaceTagText leaves no '%' in them for a later tag to read.
    return Expand(text, {
                                {"%Y", Number("%04d", year)},
                                {"%M", Number("%02d", month)},
                                {"%A", MonthName(kShortMonths, month)},
                                {"%L", MonthName(kLongMonths, month)},
                                {"%C", PlaceTagText(place.country)},
                                {"%R", PlaceTagText(place.region)},
                                {"%T", PlaceTagText(place.town)},
                        });
}

std::string ExpandDayTemplate(const std::string& text, int year, int month, int day, const PlaceNames& place)
{
    return Expand(ExpandMonthTemplate(text, year, month, place), {{"%D", Number("%02d", day)}});
}

std::string ExpandFileNameTemplate(const std::string& text, int year, int month, int day, int hour,
                                   int minute, int second, const std::string& stem, const PlaceNames& place)
{
    return Expand(ExpandDayTemplate(text, year, month, day, place),
                  {
                          {"%P", hour >= 12 ? "PM" : "AM"},
                          {"%H", Number("%02d", hour)},
                          {"%J", Number("%02d", TwelveHour(hour))},
                          {"%I", Number("%02d", minute)},
                          {"%S", Number("%02d", second)},
                          {"%N", stem},
                  });
}

std::string BuildSubfolderPath(const OrganizeOptions& options, const DateTime& date, const PlaceNames& place)
{
    std::string path;
    if (options.CreateYearFolder) {
        path += Number("%04d", date.year);
        path += '\\';
    }
    if (options.CreateMonthFolder && !options.MonthFolderFormat.empty()) {
        path += ExpandMonthTemplate(options.MonthFolderFormat, date.year, date.month, place);
        path += '\\';
    }
    if (options.CreateDayFolder && !options.DayFolderFormat.empty()) {
        path += ExpandDayTemplate(options.DayFolderFormat, date.year, date.month, date.day, place);
        path += '\\';
    }
    return path;
}

std::string BuildTargetName(const OrganizeOptions& options, const std::string& sourcePath,
                            const DateTime& date, const PlaceNames& place)
{
    const std::string name = FileNameOf(sourcePath);
    const OrganizeModeRow* mode = FindOrganizeMode(options.Mode);
    if ((mode != nullptr && mode->kind != ModeKind::Date) || !options.RenameTargetFileName ||
        options.TargetFilenameFormat.empty())
        return name;

    const std::size_t dot = name.rfind('.');
    const std::string stem = dot == std::string::npos ? name : name.substr(0, dot);
    const std::string extension = dot == std::string::npos ? std::string() : name.substr(dot);
    return ExpandFileNameTemplate(options.TargetFilenameFormat, date.year, date.month, date.day, date.hour,
                                  date.minute, date.second, stem, place) +
           extension;
}

bool TemplatesUsePlace(const OrganizeOptions& options)
{
    return (options.CreateMonthFolder && HasPlaceTag(options.MonthFolderFormat)) ||
           (options.CreateDayFolder && HasPlaceTag(options.DayFolderFormat)) ||
           (options.RenameTargetFileName && HasPlaceTag(options.TargetFilenameFormat));
}
