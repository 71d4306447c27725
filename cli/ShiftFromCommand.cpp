#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "cli/CliReport.h"
#include "cli/Commands.h"
#include "engine/ClockRules.h"
#include "engine/PathUtils.h"
#include "metadata/MetaLookup.h"

namespace {

int Refuse(const std::string& message)
{
    std::fprintf(stderr, "quillmere-cli: %s\n", message.c_str());
    return kExitFailed;
}

// The capture date and camera of a file, as a clock rule sees them; false with the message.
bool CaptureOf(MetaLookup& lookup, const std::string& path, FoundDate& found, std::string& message)
{
    DateSources sources;
    sources.captureDate = true;
    const auto date = lookup.DateFrom(FullPath(path), sources);
    if (!date || !*date) {
        message = "\"" + path + "\" has no capture date" +
                  (date ? std::string() : ": " + date.GetStatus().Reason());
        return false;
    }
    found = **date;
    return true;
}

}  // namespace

int RunShiftFromCommand(const CliRequest& request)
{
    const std::string& pathA = request.paths.at(0);
    const std::string& pathB = request.paths.at(1);
    MetaLookup lookup;
    FoundDate a;
    FoundDate b;
    std::string message;
    if (!CaptureOf(lookup, pathA, a, message) || !CaptureOf(lookup, pathB, b, message))
        return Refuse(message);
    if (b.cameraModel.empty())
        return Refuse("\"" + pathB + "\" names no camera model; a clock rule needs one");
    std::int64_t seconds = 0;
    if (!SecondsBetween(b.date, a.date, seconds))
        return Refuse("the capture dates of the two files are no calendar dates");
    const std::string camera = b.cameraSerial.empty() ? b.cameraModel : b.cameraModel + "#" + b.cameraSerial;
    const std::string text = camera + "=" + ShiftText(seconds);
    // A name with "#" or "=" in it would make a rule that means another camera, and a shift
    // beyond a rule's range none at all.
    std::vector<ClockRule> rules(1);
    std::string error;
    if (!ParseClockRule(text, rules[0], error))
        return Refuse(error);
    if (FindClockRule(rules, b.cameraModel, b.cameraSerial) != &rules[0])
        return Refuse("the camera of \"" + pathB + "\" (" + camera + ") cannot be named in a clock rule");
    const std::string line = text + "\n";
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fflush(stdout);
    return kExitOk;
}
