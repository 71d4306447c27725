#include "engine/RunUndo.h"

#include <windows.h>

#include <cstdio>
#include <vector>

#include "engine/PathText.h"
#include "engine/PathUtils.h"
#include "engine/RunJournal.h"

namespace {

struct Outcome {
    std::string text;
    bool left = false;
    bool changed = false;  // something was put back (the step gets its undone mark)
};

std::string Reason()
{
    std::string text;
    const DWORD code = GetLastError();
    if (code != 0 && SystemErrorText(code, text))
        return " (" + text + ")";
    return {};
}

bool IsFile(const std::string& path)
{
    const DWORD attributes = GetFileAttributesA(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_DIRECTORY) == 0;
}

bool StampIs(const std::string& path, const FileStamp& expected)
{
    FileStamp stamp;
    return ReadStamp(path, stamp) && stamp == expected;
}

// Both files can be read and hold the same bytes.
bool SameContent(const std::string& a, const std::string& b)
{
    std::FILE* fa = std::fopen(a.c_str(), "rb");
    if (fa == nullptr)
        return false;
    std::FILE* fb = std::fopen(b.c_str(), "rb");
    if (fb == nullptr) {
        std::fclose(fa);
        return false;
    }
    std::vector<char> ba(1 << 16), bb(1 << 16);
    bool same = true;
    for (;;) {
        const std::size_t na = std::fread(ba.data(), 1, ba.size(), fa);
        const std::size_t nb = std::fread(bb.data(), 1, bb.size(), fb);
        if (na != nb || std::ferror(fa) || std::ferror(fb) ||
            !std::equal(ba.begin(), ba.begin() + na, bb.begin())) {
            same = false;
            break;
        }
        if (na == 0)
            break;
    }
    std::fclose(fa);
    std::fclose(fb);
    return same;
}

class Undoer {
public:
    explicit Undoer(bool dryRun) : dryRun_(dryRun) { }

    Outcome Step(const JournalStep& step)
    {
        if (step.outcome == StepOutcome::Failed)
            return RestoreKept(step, {"", false, false});
        const bool targetThere = IsFile(step.target);
        const bool sourceThere = IsFile(step.source);
        FileStamp expected = step.targetStamp;
        if (step.outcome == StepOutcome::Unknown) {
            // The run ended during this step: the files tell how far it got.
            const bool done =
                    targetThere && StampIs(step.target, step.sourceStamp) && !(step.move && sourceThere);
            if (!done) {
                if (step.move && !sourceThere)
                    return {"Unclear how far the run got; left", true, false};
                return RestoreKept(step, {"Not done by the run", false, false});
            }
            expected = step.sourceStamp;
        }
        if (!targetThere)
            return {"Target missing; left", true, false};
        if (!StampIs(step.target, expected))
            return {"Target changed since the run; left", true, false};
        if (step.move) {
            if (FileExists(step.source))
                return {"Source path taken; left", true, false};
            if (!MoveBack(step))
                return {"Failed to move back" + Reason() + "; left", true, false};
            return RestoreKept(step, {"Moved back", false, true});
        }
        if (!sourceThere || !SameContent(step.source, step.target))
            return {"Source missing or changed; copy kept", true, false};
        if (!dryRun_ && !DeleteFileA(step.target.c_str()))
            return {"Failed to delete the copy" + Reason() + "; left", true, false};
        return RestoreKept(step, {"Copy deleted", false, true});
    }

    void RemoveFolder(const std::string& folder)
    {
        if (!dryRun_)
            RemoveDirectoryA(folder.c_str());
    }

private:
    bool MoveBack(const JournalStep& step)
    {
        if (dryRun_)
            return true;
        std::string folder;
        if (FolderOf(step.source, folder) && !EnsureFolder(folder, true))
            return false;
        // Without MOVEFILE_REPLACE_EXISTING: a source path taken in the meantime is never overwritten.
        return MoveFileExA(step.target.c_str(), step.source.c_str(), MOVEFILE_COPY_ALLOWED) != 0;
    }

    // Puts a replaced file back at the target, which is free again now.
    Outcome RestoreKept(const JournalStep& step, Outcome outcome)
    {
        if (step.kept.empty() || !IsFile(step.kept))
            return outcome;
        const std::string lead = outcome.text.empty() ? std::string() : outcome.text + "; ";
        const bool targetFree = (dryRun_ && outcome.changed) || !FileExists(step.target);
        if (!targetFree ||
            (!dryRun_ && !MoveFileExA(step.kept.c_str(), step.target.c_str(), MOVEFILE_COPY_ALLOWED)))
            return {lead + "replaced file kept in \"" + step.kept + "\"" + (targetFree ? Reason() : ""), true,
                    outcome.changed};
        return {lead + "replaced file restored", outcome.left, true};
    }

    bool dryRun_;
};

std::string NowText()
{
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    std::snprintf(text, sizeof text, "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay,
                  now.wHour, now.wMinute, now.wSecond);
    return text;
}

}  // namespace

std::string LatestJournal()
{
    const std::vector<std::string> journals = KeptJournals(RunsFolder());
    return journals.empty() ? std::string() : journals.back();
}

bool LoadForUndo(const std::string& journal, JournalData& data, std::string& error)
{
    if (!LoadJournal(journal, data, error))
        return false;
    if (data.undone) {
        error = "the run of \"" + journal + "\" was undone already (" + data.undoneAt + ")";
        return false;
    }
    return true;
}

bool UndoRun(const std::string& journal, const JournalData& data, bool dryRun, UndoSink& sink,
             UndoTally& tally, std::string& error)
{
    Undoer undoer(dryRun);
    for (auto it = data.steps.rbegin(); it != data.steps.rend(); ++it) {
        if (it->isFolder) {
            undoer.RemoveFolder(it->folder);
            continue;
        }
        if (it->undone)
            continue;
        if (sink.Cancelled()) {
            tally.cancelled = true;
            return true;
        }
        const Outcome outcome = undoer.Step(*it);
        if (outcome.text.empty())
            continue;
        if (!dryRun && outcome.changed && !AppendRecord(journal, UndoneStepLine(it->seq))) {
            error = "cannot write to \"" + journal + "\"" + Reason();
            sink.FileUndone(it->target, it->source, outcome.text, outcome.left);
            return false;
        }
        ++(outcome.left ? tally.left : tally.undone);
        sink.FileUndone(it->target, it->source, outcome.text, outcome.left);
    }
    if (!dryRun && !AppendRecord(journal, UndoneLine(NowText()))) {
        error = "cannot write to \"" + journal + "\"" + Reason();
        return false;
    }
    return true;
}
