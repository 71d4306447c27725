// One organize pass over the file list: every row's file is moved or copied into the folder and
// under the name that the settings give it, with the row's Target File and Result written and,
// when enabled, a log record appended.
#pragma once

#include <string>

#include "engine/DateLookup.h"
#include "engine/OrganizeOptions.h"
#include "engine/RunInterfaces.h"

enum class FileAction { Move, Copy };

// What a run decided that its caller keeps in its settings.
struct RunDecision {
    // The output folder as the run normalised it (with its trailing backslash); empty when the
    // run got no further than reading a custom output folder, or uses the source folders.
    std::string outputFolder;
};

// Runs synchronously on the settings given; every outcome is visible in the rows, the log and
// the host's messages. Dates, orientations and Live Photo identifiers come from lookup, whose wait
// hook the run sets to pump this host: the caller makes one lookup for each run (and so one
// metadata tool process, ended with the lookup, also on Cancel).
RunDecision OrganizeRun(RunHost& host, RunRows& rows, DateLookup& lookup, OrganizeOptions options,
                        FileAction action);
