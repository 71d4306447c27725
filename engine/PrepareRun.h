// A run's request made ready before anything is touched: the settings normalised and checked. It
// shows nothing and calls nobody; whoever starts the run shows a refusal and puts the focus on its
// field.
#pragma once

#include <optional>
#include <string>
#include <vector>

#include "engine/ClockRules.h"
#include "engine/OrganizeOptions.h"

// The setting a refusal is about, for the window's focus.
enum class RunField { None, OutputFolder, MonthFolder, DayFolder, FileName };

struct RunRefusal {
    std::string text;
    RunField field = RunField::None;
};

struct PreparedRun {
    // Set when the run must not start.
    std::optional<RunRefusal> refusal;
    // The settings as the run takes them: a custom output folder ends in a backslash (also when
    // a later check refused the run).
    OrganizeOptions options;
    // The camera clock rules of options.ClockRules, read.
    std::vector<ClockRule> clockRules;
};

PreparedRun PrepareRun(OrganizeOptions options);
