#include <cstdio>
#include <utility>
#include <vector>

#include "cli/CliHost.h"
#include "cli/CliReport.h"
#include "cli/Commands.h"
#include "cli/InputPaths.h"
#include "engine/ArchiveRun.h"
#include "engine/ClockRules.h"
#include "engine/LibraryRun.h"
#include "engine/ModeFolder.h"
#include "engine/ModeLookup.h"
#include "engine/OrganizeMode.h"
#include "engine/OrganizeRun.h"
#include "engine/PathUtils.h"
#include "engine/PlaceFinder.h"
#include "metadata/MetaLookup.h"

namespace {

// The answer of one file for the mode as a run would take it: the date, or the extension or
// orientation that may stand as a folder name; else false with the reason a run's row would give.
// A date read from the file name or from a Takeout sidecar says so.
bool LookUp(DateLookup& lookup, const std::string& path, OrganizeMode mode, const OrganizeFlags& flags,
            const std::vector<ClockRule>& clockRules, std::string& answer, std::string& origin)
{
    const auto looked =
            LookupModeValue(lookup, path, mode, flags.nameDates, &origin, clockRules, nullptr, flags.takeout);
    if (!looked || !*looked) {
        answer = LookupFailedText(mode, looked.GetStatus());
        return false;
    }
    const std::optional<ModeValue>& value = *looked;
    std::string folder;
    if (!ModeFolderPath(OrganizeOptions {}, *value, folder, answer))
        return false;
    answer = ModeValueText(*value);
    if (value->dateFromFileName)
        answer += " (file name)";
    if (!value->takeoutSidecar.empty())
        answer += " (Takeout sidecar)";
    return true;
}

// Where each file's bytes already are below the library folder: found as a run that skips known
// files finds them, the library's index updated on the way.
int LookUpInLibrary(const CliRequest& request)
{
    const std::string folder = FullPath(*request.flags.library);
    if (!FileExists(folder)) {
        std::fprintf(stderr, "quillmere-cli: the library folder \"%s\" is not there\n", folder.c_str());
        return kExitUsage;
    }
    ConsoleProgress progress;
    CliHost host(progress);
    RunLibrary library(folder, false);
    if (!library.Open(host, progress)) {
        progress.Close();
        return kExitFailed;
    }
    progress.Close();
    bool anyFailed = false;
    for (const std::string& path : request.paths) {
        const std::string full = FullPath(path);
        std::string existing;
        std::string answer;
        // A file that cannot be read cannot be found anywhere.
        if (!FileExists(full)) {
            answer = "cannot be read";
            anyFailed = true;
        } else if (library.KnownSource(full, existing)) {
            answer = existing;
        } else {
            // Without a progress to stop it, a comparison ends with an answer.
            const bool found =
                    library.KnownContent(full, full, nullptr, existing) == LibraryIndex::Found::Yes;
            answer = found ? existing : "not in the library";
        }
        const std::string line = path + '\t' + answer + '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::fflush(stdout);
    library.Save();
    return anyFailed ? kExitFailed : kExitOk;
}

}  // namespace

int RunLookupCommand(const CliRequest& request)
{
    if (request.flags.library)
        return LookUpInLibrary(request);
    const OrganizeMode mode = request.flags.mode.value_or(OrganizeMode::Taken);
    std::vector<ClockRule> clockRules;
    for (const std::string& shift : request.flags.shifts) {
        ClockRule rule;
        std::string error;
        ParseClockRule(shift, rule, error);  // checked with the command line
        clockRules.push_back(std::move(rule));
    }
    MetaLookup files;  // one metadata tool process for all the files
    files.UseComputerZone(request.flags.computerZone.value_or(false));
    // A file inside a zip archive ("x.zip\\DCIM\\a.jpg") is looked up as a run looks it up: copied
    // out (with its Takeout sidecar) into a folder of this process, removed when it ends.
    ArchiveStage stage(SystemFileOps(), TemporaryArchiveStageFolder());
    stage.UseTakeout(request.flags.takeout);
    ArchiveLookup lookup(files, stage);
    bool anyFailed = false;
    for (const std::string& path : request.paths) {
        std::string answer;
        std::string origin;
        if (!LookUp(lookup, FullPath(path), mode, request.flags, clockRules, answer, origin))
            anyFailed = true;
        // With --explain, a third column says where the date came from (empty without a date), and
        // a fourth where the file was taken, as the place tags would name it.
        std::string line = path + '\t' + answer;
        if (request.flags.explain)
            line += '\t' + origin + '\t' +
                    PlaceNamesAt(PositionForPlace(lookup, FullPath(path), request.flags.takeout)).description;
        line += '\n';
        std::fwrite(line.data(), 1, line.size(), stdout);
    }
    std::fflush(stdout);
    return anyFailed ? kExitFailed : kExitOk;
}
