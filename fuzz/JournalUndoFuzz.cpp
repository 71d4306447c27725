// Undoes any bytes read as a run journal against a file system in memory that holds the files the
// journal names (present or not, as the run left them or changed): undo never loses a byte of any
// file that was there, and a journal it cannot read is refused without a change.
#include <cstdint>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>

#include "MemoryFileOps.h"
#include "engine/JournalFormat.h"
#include "engine/RunJournal.h"
#include "engine/RunUndo.h"

namespace {

class Quiet : public UndoSink {
public:
    void FileUndone(const std::string&, const std::string&, const std::string&, bool) override { }
};

// Paths of the simple form C:\name\name..., which the file system in memory can hold.
bool Plain(const std::string& path)
{
    if (path.size() < 4 || path.size() > 200 || (path[0] != 'C' && path[0] != 'D') || path[1] != ':' ||
        path[2] != '\\' || path.back() == '\\' || path.find("\\\\") != std::string::npos)
        return false;
    for (const char c : path.substr(3))
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '\\' ||
              c == '.' || c == '_'))
            return false;
    return path.find("..") == std::string::npos && path.rfind("C:\\RUNS", 0) != 0;
}

void Lay(MemoryFileOps& ops, const std::string& path, const std::string& bytes, std::uint64_t time)
{
    for (std::size_t at = path.find('\\', 3); at != std::string::npos; at = path.find('\\', at + 1))
        ops.AddFolder(path.substr(0, at));
    ops.AddFile(path, bytes, time);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    if (size < 1)
        return 0;
    // The last byte says which named files are there; the rest is the journal.
    const unsigned layout = bytes[size - 1];
    const std::string_view text(reinterpret_cast<const char*>(bytes), size - 1);
    JournalData data;
    std::string error;
    MemoryFileOps ops;
    ops.AddFolder("C:\\runs");
    if (ParseJournal(text, data, error)) {
        unsigned bit = 0;
        auto next = [&] { return ((layout >> (bit++ % 8)) & 1) != 0; };
        for (const JournalStep& step : data.steps) {
            if (step.isFolder)
                continue;
            // The source and target as the run or a later hand left them.
            if (Plain(step.target) && next())
                Lay(ops, step.target, std::string(static_cast<std::size_t>(step.sourceStamp.size % 64), 't'),
                    next() ? step.targetStamp.writeTime : step.sourceStamp.writeTime);
            if (Plain(step.source) && !FileIsThere(ops, step.source) && next())
                Lay(ops, step.source, std::string(static_cast<std::size_t>(step.sourceStamp.size % 64), 's'),
                    step.sourceStamp.writeTime);
        }
    }
    ops.AddFile("C:\\runs\\j.qmj", std::string(text), 1);
    std::multiset<std::string> before;
    for (const auto& [path, content] : ops.Files())
        if (path != "C:\\runs\\j.qmj")
            before.insert(content);
    Quiet sink;
    UndoTally tally;
    const Status undone = UndoRun(ops, "C:\\runs\\j.qmj", false, "now", sink, tally);
    if (!undone && undone.Reason().empty())
        std::abort();
    // Every content that was there is still there (a copy deleted by undo has its source).
    std::multiset<std::string> after;
    for (const auto& [path, content] : ops.Files())
        after.insert(content);
    for (const std::string& content : before)
        if (after.count(content) == 0)
            std::abort();
    return 0;
}
