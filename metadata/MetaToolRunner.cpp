#include "metadata/MetaToolRunner.h"

#include <algorithm>
#include <utility>

#include "metadata/ToolProcess.h"

namespace {

constexpr char kToolName[] = "metaprobe.exe";
constexpr DWORD kModulePathSize = 520;
// Exit codes of processes ended by an exception (an access violation, a stack overflow) carry the
// error severity bits of a status code.
constexpr DWORD kAbnormalEndMask = 0xC0000000;

}  // namespace

std::string ToolOutcomeText(ToolOutcome outcome)
{
    switch (outcome) {
    case ToolOutcome::NotRun:
    case ToolOutcome::Ended: return {};
    case ToolOutcome::NotStarted: return "the metadata tool could not be started";
    case ToolOutcome::TimedOut: return "the metadata tool did not answer in time";
    case ToolOutcome::Crashed: return "the metadata tool ended abnormally";
    case ToolOutcome::Stopped: return "cancelled";
    }
    return {};
}

std::string DefaultToolPath()
{
    char module[kModulePathSize];
    const DWORD length = GetModuleFileNameA(nullptr, module, kModulePathSize);
    // A path that filled the buffer may have been cut short: its folder cannot be trusted.
    if (length == 0 || length >= kModulePathSize)
        return kToolName;
    std::string path(module, length);
    const std::size_t slash = path.rfind('\\');
    if (slash == std::string::npos)
        return kToolName;
    path.resize(slash + 1);
    return path + kToolName;
}

MetaToolRunner::MetaToolRunner()
{
    config_.toolPath = DefaultToolPath();
}

MetaToolRunner::MetaToolRunner(MetaToolConfig config) : config_(std::move(config))
{ }

bool MetaToolRunner::FindField(const std::string& name, std::string& value) const
{
    for (const MetaField& field : fields_) {
        if (field.name == name) {
            value = field.value;
            return true;
        }
    }
    return false;
}

bool MetaToolRunner::RunTool(const std::string& filePath)
{
    stats_ = {};
    stats_.outcome = ToolOutcome::NotStarted;

    // The tool path is quoted too: unquoted, a path with spaces would let the system try
    // shorter prefixes of it (C:\Program.exe for C:\Program Files\...) as the program.
    const std::string command = "\"" + config_.toolPath + "\" \"" + filePath + "\"";
    ToolProcess tool;
    if (!tool.Start(command))
        return false;
    stats_.processId = tool.ProcessId();

    const std::size_t fieldsBefore = fields_.size();
    ListingReader reader(fields_, config_.limits);
    reader.Begin();
    stats_.outcome = ReadUntilEnd(tool, reader);
    reader.End();
    stats_.overlongLines = reader.OverlongLines();
    stats_.fieldsOverBudget = reader.FieldsOverBudget();
    stats_.keptBytes = reader.KeptBytes();
    if (stats_.outcome != ToolOutcome::Ended) {
        fields_.resize(fieldsBefore);
        return false;
    }
    return !fields_.empty();
}

ToolOutcome MetaToolRunner::ReadUntilEnd(ToolProcess& tool, ListingReader& reader)
{
    const ULONGLONG deadline = GetTickCount64() + config_.timeLimitMs;
    stats_.peakPendingCapacity = reader.PendingCapacity();
    ToolProcess::ReadResult result;
    while ((result = tool.Read(deadline, hook_)) == ToolProcess::ReadResult::Data) {
        ++stats_.reads;
        stats_.bytesRead += tool.Bytes().size();
        reader.Feed(tool.Bytes());
        stats_.peakPendingCapacity = std::max(stats_.peakPendingCapacity, reader.PendingCapacity());
    }
    // The output closes as the tool ends, which it is then given until the limit to do. At the
    // limit only something the tool left behind may still hold the output open: a tool that has
    // ended by then counts as ended.
    if (result == ToolProcess::ReadResult::Closed || result == ToolProcess::ReadResult::TimedOut) {
        const ULONGLONG endBy = result == ToolProcess::ReadResult::Closed ? deadline : GetTickCount64();
        result = tool.WaitForEnd(endBy, hook_, stats_.exitCode);
        if (result == ToolProcess::ReadResult::Closed)
            return (stats_.exitCode & kAbnormalEndMask) == kAbnormalEndMask ? ToolOutcome::Crashed
                                                                            : ToolOutcome::Ended;
    }
    // Ended by force, so that nothing of the tool outlives the run.
    tool.Stop(0);
    switch (result) {
    case ToolProcess::ReadResult::TimedOut: return ToolOutcome::TimedOut;
    case ToolProcess::ReadResult::Stopped: return ToolOutcome::Stopped;
    default: return ToolOutcome::Crashed;
    }
}
