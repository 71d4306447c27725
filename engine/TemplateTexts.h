// The fixed texts around the three template combo boxes: the entries offered when a combo box
// has no saved history, and the help shown by the "?" buttons beside them.
#pragma once

#include <array>

inline constexpr std::array<const char*, 9> kMonthTemplatePresets {
        "%M", "%A", "%L", "%Y-%M", "%Y-%A", "%Y-%L", "%M-%Y", "%A-%Y", "%L-%Y",
};

inline constexpr std::array<const char*, 16> kDayTemplatePresets {
        "%D",    "%M-%D", "%A %D",    "%L %D",    "%Y-%M-%D", "%Y %A %D", "%Y %L %D", "%D-%M",
        "%D %A", "%D %L", "%M-%D-%Y", "%A %D %Y", "%L %D %Y", "%D-%M-%Y", "%D %A %Y", "%D %L %Y",
};

inline constexpr std::array<const char*, 21> kFileNameTemplatePresets {
        "%Y-%M-%D %N",          "%M-%D-%Y %N",          "%D-%M-%Y %N",          "%Y %A %D %N",
        "%A %D %Y %N",          "%D %A %Y %N",          "%Y %L %D %N",          "%L %D %Y %N",
        "%D %L %Y %N",          "%Y-%M-%D %H_%I_%S %N", "%M-%D-%Y %H_%I_%S %N", "%D-%M-%Y %H_%I_%S %N",
        "%Y %A %D %H_%I_%S %N", "%A %D %Y %H_%I_%S %N", "%D %A %Y %H_%I_%S %N", "%Y %L %D %H_%I_%S %N",
        "%L %D %Y %H_%I_%S %N", "%D %L %Y %H_%I_%S %N", "%Y-%M-%D %J_%I %P %N", "%M-%D-%Y %J_%I %P %N",
        "%D-%M-%Y %J_%I %P %N",
};

inline constexpr const char* kMonthTagHelp = "You could use the following tags here.\n\n"
                                             "%Y: Year (e.g. 2010)\n"
                                             "%M: Month (01-12)\n"
                                             "%A: Abbreviated month name (Jan, Feb, Mar, ...)\n"
                                             "%L: Full month name (January, February, March, ...)\n"
                                             "%C: Country where the picture was taken (e.g. Australia)\n"
                                             "%R: Region: state, province (e.g. New South Wales)\n"
                                             "%T: Town or city (e.g. Sydney)\n"
                                             "A file without a position, or far from any town, "
                                             "gets \"Unknown place\".\n"
                                             "Place names from GeoNames (geonames.org), CC BY 4.0";

inline constexpr const char* kDayTagHelp = "You could use the following tags here.\n\n"
                                           "%Y: Year (e.g. 2010)\n"
                                           "%M: Month (01-12)\n"
                                           "%A: Abbreviated month name (Jan, Feb, Mar, ...)\n"
                                           "%L: Full month name (January, February, March, ...)\n"
                                           "%D: Day (01-31)\n"
                                           "%C: Country where the picture was taken (e.g. Australia)\n"
                                           "%R: Region: state, province (e.g. New South Wales)\n"
                                           "%T: Town or city (e.g. Sydney)\n"
                                           "A file without a position, or far from any town, "
                                           "gets \"Unknown place\".\n"
                                           "Place names from GeoNames (geonames.org), CC BY 4.0";

inline constexpr const char* kFileNameTagHelp = "You could use the following tags here.\n\n"
                                                "%N: Name of original file\n"
                                                "%Y: Year (e.g. 2010)\n"
                                                "%M: Month (01-12)\n"
                                                "%A: Abbreviated month name (Jan, Feb, Mar, ...)\n"
                                                "%L: Full month name (January, February, March, ...)\n"
                                                "%D: Day (01-31)\n"
                                                "%H: Hour in 24-hour format (00-23)\n"
                                                "%J: Hour in 12-hour format (01-12)\n"
                                                "%I: Minute (00-59)\n"
                                                "%S: Second (00-59)\n"
                                                "%P: AM or PM\n"
                                                "%C: Country where the picture was taken (e.g. Australia)\n"
                                                "%R: Region: state, province (e.g. New South Wales)\n"
                                                "%T: Town or city (e.g. Sydney)\n"
                                                "A file without a position, or far from any town, "
                                                "gets \"Unknown place\".\n"
                                                "Place names from GeoNames (geonames.org), CC BY 4.0";
