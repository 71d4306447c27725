// Parses any bytes as a run journal: a journal is either refused with a reason or read whole, and
// what is read writes back to the same records.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "engine/JournalFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    JournalData data;
    std::string error;
    if (!ParseJournal(text, data, error)) {
        if (error.empty())
            std::abort();
        return 0;
    }
    // Written again (in this version's form), the records read back to the same steps.
    JournalHeader header = data.header;
    header.version = kJournalVersion;
    header.order = header.order == 0 ? 1 : header.order;
    std::string again = HeaderLine(header);
    for (const JournalStep& step : data.steps) {
        if (step.isFolder) {
            again += FolderLine(step.folder);
            continue;
        }
        again += TransferLine(step);
        if (step.keptComplete)
            again += KeptLine(step.seq, step.keptStamp);
        if (step.outcome == StepOutcome::Done)
            again += DoneLine(step.seq, step.targetStamp);
        if (step.outcome == StepOutcome::Failed)
            again += FailedLine(step.seq, step.failure);
    }
    JournalData reread;
    if (!ParseJournal(again, reread, error) || reread.steps.size() != data.steps.size() || reread.tornTail)
        std::abort();
    for (std::size_t i = 0; i < data.steps.size(); ++i) {
        const JournalStep& a = data.steps[i];
        const JournalStep& b = reread.steps[i];
        if (a.folder != b.folder || a.source != b.source || a.target != b.target || a.kept != b.kept ||
            a.outcome != b.outcome || !(a.targetStamp == b.targetStamp) || a.seq != b.seq ||
            a.partial != b.partial || a.keptComplete != b.keptComplete || !(a.keptStamp == b.keptStamp))
            std::abort();
    }
    return 0;
}
