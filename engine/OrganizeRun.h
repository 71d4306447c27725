// One organize pass over the file list: every row's file is moved or copied into the folder and
// under the name that the settings give it, with the row's Target File and Result written and,
// when enabled, a log record appended.
#pragma once

#include <optional>

#include "engine/DateLookup.h"
#include "engine/PrepareRun.h"
#include "engine/RunFileSystem.h"
#include "engine/RunInterfaces.h"

enum class FileAction { Move, Copy };

// How a run ended, for its caller.
struct RunDecision {
    // The run did not start: the request's refusal, or the output folder could not be created.
    // The caller shows it and puts the focus on its field.
    std::optional<RunRefusal> refusal;
    // The run got past its checks and went through the list (also when cancelled): the caller
    // keeps its settings and histories.
    bool started = false;
};

// Runs synchronously on a request PrepareRun made ready, moving and copying through fs (a
// preview's fs changes no file, and the progress says "Previewing"). Every outcome is visible in
// the rows, the log, the host's messages and the decision. Dates, orientations and Live Photo
// identifiers come from lookup, whose wait hook the run sets to pump this host: the caller makes
// one lookup for each run (and so one metadata tool process, ended with the lookup, also on
// Cancel).
RunDecision OrganizeRun(RunHost& host, RunRows& rows, DateLookup& lookup, RunFileSystem& fs,
                        const PreparedRun& request, FileAction action);

// Where a run that changes no file (a preview, a lookup) stages the members of zip archives: a
// folder of this process in the temporary folder; empty when there is none.
std::string TemporaryArchiveStageFolder();
