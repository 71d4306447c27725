#pragma once
// Runs the external metadata tool on one file and keeps its listing as name/value fields.
// One runner per file: create, RunTool once, look fields up or iterate, destroy.

#include <windows.h>

#include <string>
#include <utility>
#include <vector>

#include "metadata/ListingParser.h"
#include "metadata/ToolProcess.h"

// How long a tool may run before it is ended by force: the one place to change it.
constexpr DWORD kToolTimeLimitMs = 60 * 1000;

struct MetaToolConfig {
    std::string toolPath;
    DWORD timeLimitMs = kToolTimeLimitMs;
    ListingLimits limits;
    // Off: every lookup starts the tool once on its file (the batch runner's fall-back, always).
    bool useBatch = true;
};

// metaprobe.exe in the folder of the running executable (or the bare name when that folder
// cannot be found, left to the system's executable search).
std::string DefaultToolPath();

enum class ToolOutcome {
    NotRun,
    NotStarted,  // a pipe, a handle duplicate or the process could not be made
    Ended,  // the tool ended by itself
    TimedOut,  // the tool was ended by force after the time limit; its output was discarded
    Crashed,  // the tool ended abnormally, or before it had answered; its output was discarded
    Stopped,  // the wait hook asked to stop; the tool was ended, its output discarded
};

// The outcome as a reason for a failed lookup, e.g. "the metadata tool did not answer in time".
std::string ToolOutcomeText(ToolOutcome outcome);

// What the last RunTool did, for diagnostics and tests.
struct ToolRunStats {
    ToolOutcome outcome = ToolOutcome::NotRun;
    DWORD processId = 0;
    DWORD exitCode = 0;
    std::size_t reads = 0;
    std::size_t bytesRead = 0;
    std::size_t overlongLines = 0;
    std::size_t fieldsOverBudget = 0;
    std::size_t keptBytes = 0;
    std::size_t peakPendingCapacity = 0;
};

class MetaToolRunner {
public:
    MetaToolRunner();
    explicit MetaToolRunner(MetaToolConfig config);

    // Appends the kept fields of the tool's listing for `filePath`; true when the list then
    // holds at least one field.
    bool RunTool(const std::string& filePath);
    // The value of the first field named exactly `name`; `value` is untouched when none is.
    bool FindField(const std::string& name, std::string& value) const;

    const std::vector<MetaField>& Fields() const { return fields_; }
    std::vector<MetaField>::const_iterator begin() const { return fields_.begin(); }
    std::vector<MetaField>::const_iterator end() const { return fields_.end(); }

    const std::string& ToolPath() const { return config_.toolPath; }
    const ToolRunStats& LastRun() const { return stats_; }
    // Called while the tool runs and window messages are waiting; false ends the tool.
    void SetWaitHook(ToolWaitHook hook) { hook_ = std::move(hook); }

private:
    ToolOutcome ReadUntilEnd(ToolProcess& tool, ListingReader& reader);

    MetaToolConfig config_;
    ToolWaitHook hook_;
    std::vector<MetaField> fields_;
    ToolRunStats stats_;
};
