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
enum class RunField { None, OutputFolder, MonthFolder, DayFolder, FileName, BackupFolder };

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
    // A backup folder, when options.MakeBackup, ends in a backslash as the output folder does.
    // The camera clock rules of options.ClockRules, read.
    std::vector<ClockRule> clockRules;
};

PreparedRun PrepareRun(OrganizeOptions options);

// The refusal of a backup folder that is one of the folders the files come from, lies inside one,
// or holds one: the next run would take the backups for new photos, or a backup would land on a
// file still to be organized. sourceFiles are the files of the run.
std::optional<RunRefusal> BackupSourceRefusal(const OrganizeOptions& options,
                                              const std::vector<std::string>& sourceFiles);
