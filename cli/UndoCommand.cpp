#include <cstdio>

#include "cli/CliHost.h"
#include "cli/CliReport.h"
#include "cli/Commands.h"
#include "cli/InputPaths.h"
#include "engine/PathUtils.h"
#include "engine/RunsFolder.h"
#include "engine/RunUndo.h"

namespace {

class PrintingUndo : public UndoSink {
public:
    explicit PrintingUndo(ConsoleProgress& progress) : progress_(progress) { }

    void FileUndone(const std::string& target, const std::string& source, const std::string& result,
                    bool) override
    {
        const std::string line = RowLine(target, source, result);
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    bool Cancelled() override { return progress_.Cancelled(); }

private:
    ConsoleProgress& progress_;
};

std::string CountsText(const JournalCounts& counts)
{
    std::string text = std::to_string(counts.moved) + " moved, " + std::to_string(counts.copied) +
                       " copied, " + std::to_string(counts.replaced) + " replaced, " +
                       std::to_string(counts.failed) + " failed";
    if (counts.unfinished > 0)
        text += ", " + std::to_string(counts.unfinished) + " unfinished";
    return text;
}

// ", 3 replaced files kept" for a run whose kept folder still holds files.
std::string KeptText(FileOps& ops, const std::string& journal)
{
    const std::size_t kept = KeptFilesOf(ops, journal).size();
    if (kept == 0)
        return {};
    return ", " + std::to_string(kept) + (kept == 1 ? " replaced file kept" : " replaced files kept");
}

}  // namespace

int RunUndoCommand(const CliRequest& request)
{
    std::string journal;
    FileOps& ops = SystemFileOps();
    const bool latest = request.paths.empty();
    if (latest) {
        journal = LatestJournal(ops, RunsFolder());
        if (journal.empty()) {
            std::fprintf(stderr, "quillmere-cli: no run to undo (no journal in \"%s\")\n",
                         RunsFolder().c_str());
            return kExitUsage;
        }
    } else {
        journal = FullPath(request.paths.front());
    }
    JournalData data;
    const Status loaded = LoadForUndo(ops, journal, data);
    if (!loaded) {
        std::fprintf(stderr, "quillmere-cli: %s\n", loaded.Reason().c_str());
        return kExitUsage;
    }
    // Which run is about to be undone: "the last run" is the one written last, whatever the clock says.
    if (latest)
        std::fprintf(stderr, "Undoing the run of %s (%s): %s\n", data.header.started.c_str(),
                     CountsText(CountSteps(data)).c_str(), journal.c_str());
    ConsoleProgress progress;
    PrintingUndo sink(progress);
    UndoTally tally;
    const Status undone = UndoRun(ops, journal, request.flags.dryRun, LocalTimeText(), sink, tally);
    std::fflush(stdout);
    std::string summary = std::to_string(tally.undone + tally.left + tally.untouched) + " files, " +
                          std::to_string(tally.undone) + " undone, " + std::to_string(tally.left) + " left";
    if (tally.untouched > 0)
        summary += ", " + std::to_string(tally.untouched) + " not done by the run";
    if (!tally.keptFiles.empty())
        summary += "; " + KeptFilesText(tally.keptFiles);
    if (tally.cancelled)
        summary += ", stopped (cancelled)";
    if (request.flags.dryRun)
        summary += " (dry run: nothing was changed)";
    std::fprintf(stderr, "%s\n", summary.c_str());
    if (!undone) {
        std::fprintf(stderr, "quillmere-cli: %s\n", undone.Reason().c_str());
        return kExitFailed;
    }
    return tally.left == 0 && !tally.cancelled && tally.keptFiles.empty() ? kExitOk : kExitFailed;
}

int RunRunsCommand(const CliRequest&)
{
    FileOps& ops = SystemFileOps();
    for (const std::string& journal : KeptJournals(ops, RunsFolder())) {
        JournalData data;
        std::string line;
        if (const Status loaded = LoadJournal(ops, journal, data); !loaded) {
            line = journal + "\tdamaged: " + loaded.Reason() + "\n";
        } else {
            line = data.header.started + '\t' + ModeNameOf(static_cast<OrganizeMode>(data.header.mode)) +
                   '\t' + (data.header.move ? "move" : "copy") + '\t' + CountsText(CountSteps(data)) + '\t' +
                   (data.undone ? "undone " + data.undoneAt : "not undone") + KeptText(ops, journal) + '\t' +
                   journal + '\n';
        }
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::fflush(stdout);
    return kExitOk;
}
