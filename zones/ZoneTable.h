// The generated zone table (make_zone_table.py writes its definitions into the build folder):
// the position grid and each zone's offsets over time. Read through Zones.h only.
#pragma once

#include <cstddef>
#include <cstdint>

namespace zones::table {

// The position grid: kColumns x kRows cells of two digits each (digit = byte - bias / scale),
// each cell a leaf or the first of a node's four children, walked as Zones.cpp does.
struct GridShape {
    int columns;
    int rows;
    int scale;
    int bias;
    int leafBase;
    int nodeBase;
};

// A day of the year as POSIX zone rules name it: the week-th (5 = last) weekday of month, at
// seconds past local midnight (in the offset in force before the change).
struct RuleDate {
    int month;
    int week;
    int weekday;
    std::int32_t seconds;
};

// One zone's offsets: its transitions, and the rule that holds after the last one.
struct ZoneRule {
    std::uint32_t firstTransition;
    std::uint32_t transitionCount;
    std::uint32_t firstOffset;  // offset 0 holds before the first transition
    std::uint32_t offsetCount;
    bool hasRule;
    std::int32_t standardOffset;
    std::int32_t summerOffset;
    bool hasSummer;
    RuleDate summerStart;
    RuleDate summerEnd;
};

struct ZoneName {
    const char* name;
    std::uint16_t rule;
};

extern const char kRulesVersion[];
extern const char kPositionsVersion[];
extern const GridShape kGrid;
extern const unsigned char kGridData[];
extern const std::uint16_t kGridZones[];
extern const std::size_t kGridZoneCount;
extern const ZoneName kZoneNames[];  // sorted by name
extern const std::size_t kZoneNameCount;
extern const std::int64_t kTransitionTimes[];
extern const std::uint8_t kTransitionOffsets[];
extern const std::int32_t kOffsets[];
extern const ZoneRule kZoneRules[];
extern const std::size_t kZoneRuleCount;
extern const std::size_t kTableBytes;

}  // namespace zones::table
