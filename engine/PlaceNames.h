// The texts of a file's place tags in name templates: %C country, %R region, %T town or city.
#pragma once

#include <string>
#include <string_view>

// What each place tag gives for a file whose place is not known: no position, 0,0, or too far
// from any town. One folder collects them all.
inline constexpr const char* kUnknownPlace = "Unknown place";

// A file's place as the tags use it; an empty text is an unknown place.
struct PlaceNames {
    std::string country {};
    std::string region {};
    std::string town {};
    // The place and its distance, "Kehl, Baden-Württemberg, Germany (1.2 km)", or why there is
    // none; empty when no place was looked for.
    std::string description {};
};

// A place name as a tag puts it into a folder or file name. Place names are data, not a
// template: each character no name may hold (\ / : * ? " < > |, control characters) and each
// '%' (so that no later tag reads into it) becomes '_'; leading spaces and trailing dots and
// spaces, which Windows would drop or trip over, go; a name left empty or all dots (".", "..")
// is an unknown place.
std::string PlaceTagText(std::string_view name);
