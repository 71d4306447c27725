#pragma once
// One metadata tool process for many lookups: started in batch mode at the first lookup, fed one
// path after another, stopped at Close or destruction. Each lookup yields exactly the fields a
// fresh MetaToolRunner would keep for the file, under the same limits, the time limit applying to
// each file. Faults are contained per file:
// - a tool that does not start fails the lookup (the next lookup tries again);
// - a tool that does not answer the handshake (an older or another tool) is given up for the rest
//   of the batch's life, and every lookup starts the tool once on its file instead;
// - a tool that ends, breaks the protocol or overruns the time limit during a file fails that
//   file's lookup; it is ended, and started afresh for the next file;
// - a path the batch cannot carry (a line break in it) is looked up by a one-file start.

#include <windows.h>

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "metadata/BatchReader.h"
#include "metadata/MetaToolRunner.h"
#include "metadata/ToolProcess.h"

// The longest wait for the batch handshake (within the time limit): a tool that ignores the
// batch option and waits for something else costs this once per run.
constexpr DWORD kHandshakeLimitMs = 10 * 1000;

class MetaToolBatch {
public:
    explicit MetaToolBatch(MetaToolConfig config);
    ~MetaToolBatch();
    MetaToolBatch(const MetaToolBatch&) = delete;
    MetaToolBatch& operator=(const MetaToolBatch&) = delete;

    // Called while a lookup waits and window messages are waiting; false abandons the lookup.
    void SetWaitHook(ToolWaitHook hook) { hook_ = std::move(hook); }

    // Appends the kept fields of the file's listing (none unless the outcome is Ended).
    ToolOutcome Look(const std::string& filePath, std::vector<MetaField>& fields);
    // Ends the batch process, if any; a later Look starts a new one.
    void Close();

    const ToolRunStats& LastRun() const { return stats_; }
    bool OneFileStarts() const { return oneFileStarts_; }
    // Every process this batch started, in order (batch and one-file starts), for diagnostics.
    const std::vector<DWORD>& StartedProcesses() const { return started_; }

private:
    bool EnsureRunning();
    ToolOutcome LookOneFile(const std::string& filePath, std::vector<MetaField>& fields);
    ToolOutcome AwaitAnswer(ULONGLONG deadline);

    MetaToolConfig config_;
    ToolWaitHook hook_;
    ToolProcess process_;
    std::unique_ptr<batch::BatchReader> reader_;
    bool oneFileStarts_ = false;
    ToolRunStats stats_;
    std::vector<DWORD> started_;
};
