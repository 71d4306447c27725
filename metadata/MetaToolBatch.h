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
// Files told ahead (Ahead) are sent to the tool before they are looked up, a bounded number at a
// time, so that the tool reads the next files while the caller handles this one; their answers
// are kept in order until they are looked up. When the tool fails on one of them, that file alone
// fails, and the ones sent after it are sent again to a fresh tool. A lookup of a file not told
// ahead waits behind the files sent before it.

#include <windows.h>

#include <cstddef>
#include <list>
#include <memory>
#include <string>
#include <vector>

#include "metadata/BatchReader.h"
#include "metadata/MetaToolRunner.h"
#include "metadata/ToolProcess.h"

// The longest wait for the batch handshake (within the time limit): a tool that ignores the
// batch option and waits for something else costs this once per run.
constexpr DWORD kHandshakeLimitMs = 10 * 1000;
// At most this many paths are out at once, and at most this many bytes of them: the tool's input
// pipe (64 KiB) surely holds them, so that writing them never waits for the tool, which may itself
// be waiting for its answers to be read. A longer path goes only when no other is out.
constexpr std::size_t kAheadPaths = 24;
constexpr std::size_t kAheadBytes = 8 * 1024;

class MetaToolBatch {
public:
    explicit MetaToolBatch(MetaToolConfig config);
    ~MetaToolBatch();
    MetaToolBatch(const MetaToolBatch&) = delete;
    MetaToolBatch& operator=(const MetaToolBatch&) = delete;

    // Called while a lookup waits and window messages are waiting; false abandons the lookup.
    void SetWaitHook(ToolWaitHook hook) { hook_ = std::move(hook); }

    // The files the next lookups will ask about, in their order; they replace the files told
    // before and not yet sent. A file told and then never looked up costs the tool one reading.
    void Ahead(const std::vector<std::string>& paths);
    // Appends the kept fields of the file's listing (none unless the outcome is Ended).
    ToolOutcome Look(const std::string& filePath, std::vector<MetaField>& fields);
    // Ends the batch process, if any; a later Look starts a new one.
    void Close();
    // Paths sent to the tool whose answers have not been read whole yet.
    std::size_t PathsOut() const;

    const ToolRunStats& LastRun() const { return stats_; }
    bool OneFileStarts() const { return oneFileStarts_; }
    // Every process this batch started, in order (batch and one-file starts), for diagnostics.
    const std::vector<DWORD>& StartedProcesses() const { return started_; }

private:
    // A file told ahead or looked up, from its telling until its lookup takes the answer.
    struct Request {
        enum class Stage { Waiting, Sent, Answered, Failed };
        std::string path;
        bool told = false;  // told ahead; otherwise asked by a lookup that waits for it
        bool wanted = true;  // false: passed over by the lookups, its answer is read and dropped
        Stage stage = Stage::Waiting;
        ToolOutcome outcome = ToolOutcome::NotRun;  // why it Failed
        std::vector<MetaField> fields;
        batch::AnswerFacts facts;
    };
    using Requests = std::list<Request>;

    bool EnsureRunning();
    ToolOutcome LookOneFile(const std::string& filePath, std::vector<MetaField>& fields);
    // Ends the process; the paths it had not answered are to be sent again.
    void EndProcess();
    // Sends waiting paths within the bounds; `target` goes even beyond them when nothing is out.
    // False when the tool's input is closed.
    bool SendAhead(Requests::iterator target);
    // Reads the tool's output once, until `deadline`: Ended when it came, else the fault.
    ToolOutcome ReadOnce(ULONGLONG deadline);
    // The tool failed with `outcome` while answering: the path it was on fails with it, unless
    // the lookup of `target` asked to stop, which fails `target` alone; the process is ended.
    void FailOutstanding(ToolOutcome outcome, Requests::iterator target);
    // Drops the answered and failed requests nobody will look up.
    void DropPassed();

    MetaToolConfig config_;
    ToolWaitHook hook_;
    ToolProcess process_;
    std::unique_ptr<batch::BatchReader> reader_;
    Requests requests_;  // in sending order: answered or failed, then sent, then waiting
    bool oneFileStarts_ = false;
    ToolRunStats stats_;
    std::vector<DWORD> started_;
};
