#include "cli/CliArgs.h"

#include <utility>

#include "engine/ClockRules.h"

namespace {

bool IsKnownMode(OrganizeMode mode)
{
    return FindOrganizeMode(mode) != nullptr;
}

// Walks the arguments, taking an option's value from "--opt=value" or from the next argument.
class ArgReader {
public:
    explicit ArgReader(const std::vector<std::string>& args) : args_(args) { }

    bool Done() const { return next_ >= args_.size(); }
    const std::string& Peek() const { return args_[next_]; }
    std::string Take() { return args_[next_++]; }

    // The value of option name whose argument was just taken as text; false when none follows.
    bool Value(const std::string& text, const std::string& name, std::string& value)
    {
        if (text.size() > name.size() && text[name.size()] == '=') {
            value = text.substr(name.size() + 1);
            return true;
        }
        if (Done())
            return false;
        value = Take();
        return true;
    }

private:
    const std::vector<std::string>& args_;
    std::size_t next_ = 0;
};

// The option's name without an "=value" part.
std::string OptionName(const std::string& text)
{
    const auto eq = text.find('=');
    return eq == std::string::npos ? text : text.substr(0, eq);
}

ParsedCommandLine Fail(std::string error)
{
    ParsedCommandLine parsed;
    parsed.error = std::move(error);
    return parsed;
}

bool TakesValue(const std::string& name)
{
    return name == "--mode" || name == "--out" || name == "--month-format" || name == "--day-format" ||
           name == "--rename" || name == "--exists" || name == "--log" || name == "--ext" ||
           name == "--report" || name == "--shift" || name == "--day-begins" || name == "--zone" ||
           name == "--library" || name == "--backup";
}

bool IsSwitch(const std::string& name)
{
    return name == "--move" || name == "--copy" || name == "--no-year" || name == "--no-month" ||
           name == "--no-day" || name == "--no-subfolders" || name == "--saved" || name == "--dry-run" ||
           name == "--explain" || name == "--companions" || name == "--name-dates" ||
           name == "--download-cloud-files" || name == "--takeout" || name == "--skip-known" ||
           name == "--verify";
}

// A path typed in cmd as "D:\My Photos\" arrives as D:\My Photos" (the backslash escapes the
// closing quote). No Windows name holds a quote, so the quote goes, with a warning; a drive alone
// keeps its backslash, as "D:" would mean the drive's current folder.
std::string WithoutStrayQuote(const std::string& path, std::vector<std::string>& warnings)
{
    if (path.empty() || path.back() != '"')
        return path;
    std::string fixed = path.substr(0, path.size() - 1);
    if (fixed.size() == 2 && fixed[1] == ':')
        fixed += '\\';
    warnings.push_back("warning: \"" + path + "\" ends in a quote; taken as \"" + fixed +
                       "\" (a backslash before a closing quote escapes it: leave it out or double it)");
    return fixed;
}

// Applies one option of "organize" or "lookup"; an error text when it is not allowed.
std::string TakeOption(CliCommand command, const std::string& name, const std::string& value, bool& moveSeen,
                       bool& copySeen, OrganizeFlags& flags)
{
    if (command == CliCommand::Lookup && name != "--mode" && name != "--explain" && name != "--name-dates" &&
        name != "--shift" && name != "--zone" && name != "--takeout" && name != "--library")
        return "option " + name + " is not valid for lookup";
    if (command == CliCommand::ShiftFrom)
        return "shift-from takes no options";
    if (command == CliCommand::Organize && (name == "--explain" || name == "--library"))
        return "option " + name + " is not valid for organize";
    if (command == CliCommand::Undo && name != "--dry-run")
        return "option " + name + " is not valid for undo";
    if (command == CliCommand::Runs)
        return "runs takes no options";
    if (name == "--mode") {
        const auto mode = ParseModeName(value);
        if (!mode)
            return "unknown mode \"" + value + "\"";
        flags.mode = *mode;
    } else if (name == "--move") {
        moveSeen = true;
    } else if (name == "--copy") {
        copySeen = true;
    } else if (name == "--out") {
        if (value.empty())
            return "option --out needs a folder";
        flags.outFolder = value;
    } else if (name == "--no-year") {
        flags.noYear = true;
    } else if (name == "--no-month") {
        flags.noMonth = true;
    } else if (name == "--no-day") {
        flags.noDay = true;
    } else if (name == "--month-format") {
        flags.monthFormat = value;
    } else if (name == "--day-format") {
        flags.dayFormat = value;
    } else if (name == "--rename") {
        flags.rename = value;
    } else if (name == "--exists") {
        if (value == "rename")
            flags.exists = TargetExistsPolicy::RenameAutomatically;
        else if (value == "overwrite")
            flags.exists = TargetExistsPolicy::Overwrite;
        else if (value == "skip")
            flags.exists = TargetExistsPolicy::Skip;
        else if (value == "identical")
            flags.exists = TargetExistsPolicy::RenameUnlessIdentical;
        else
            return "--exists takes rename, overwrite, skip or identical, not \"" + value + "\"";
    } else if (name == "--log") {
        flags.log = value;
    } else if (name == "--no-subfolders") {
        flags.noSubfolders = true;
    } else if (name == "--ext") {
        flags.exts = value;
    } else if (name == "--saved") {
        flags.saved = true;
    } else if (name == "--dry-run") {
        flags.dryRun = true;
    } else if (name == "--report") {
        if (value.empty())
            return "option --report needs a file";
        flags.report = value;
    } else if (name == "--explain") {
        flags.explain = true;
    } else if (name == "--companions") {
        flags.companions = true;
    } else if (name == "--name-dates") {
        flags.nameDates = true;
    } else if (name == "--download-cloud-files") {
        flags.downloadCloudFiles = true;
    } else if (name == "--shift") {
        ClockRule rule;
        std::string error;
        if (!ParseClockRule(value, rule, error))
            return error;
        flags.shifts.push_back(value);
    } else if (name == "--day-begins") {
        int minutes = 0;
        if (!ParseDayBegins(value, minutes))
            return "--day-begins takes a time of day HH:MM (00:00 to 23:59), not \"" + value + "\"";
        flags.dayBegins = value;
    } else if (name == "--zone") {
        if (value != "computer" && value != "video")
            return "--zone takes computer or video, not \"" + value + "\"";
        flags.computerZone = value == "computer";
    } else if (name == "--takeout") {
        flags.takeout = true;
    } else if (name == "--skip-known") {
        flags.skipKnown = true;
    } else if (name == "--verify") {
        flags.verify = true;
    } else if (name == "--backup") {
        if (value.empty())
            return "option --backup needs a folder";
        flags.backup = value;
    } else if (name == "--library") {
        if (value.empty())
            return "option --library needs a folder";
        flags.library = value;
    }
    return {};
}

}  // namespace

std::optional<OrganizeMode> ParseModeName(const std::string& text)
{
    for (const OrganizeModeRow& mode : kOrganizeModes)
        if (text == mode.commandLineName)
            return mode.value;
    if (text.empty() || text.size() > 3 || text.find_first_not_of("0123456789") != std::string::npos)
        return std::nullopt;
    const auto value = static_cast<OrganizeMode>(std::stoul(text));
    if (!IsKnownMode(value))
        return std::nullopt;
    return value;
}

std::string ModeNameOf(OrganizeMode mode)
{
    const OrganizeModeRow* row = FindOrganizeMode(mode);
    return row != nullptr ? row->commandLineName : std::to_string(static_cast<std::uint32_t>(mode));
}

ParsedCommandLine ParseCommandLine(const std::vector<std::string>& args)
{
    if (args.empty())
        return Fail("no command given");
    ArgReader reader(args);
    const std::string first = reader.Take();
    ParsedCommandLine parsed;
    parsed.ok = true;
    if (first == "--help" || first == "-h") {
        parsed.request.command = CliCommand::Help;
        return reader.Done() ? parsed : Fail("--help takes no arguments");
    }
    if (first == "--version") {
        parsed.request.command = CliCommand::Version;
        return reader.Done() ? parsed : Fail("--version takes no arguments");
    }
    CliCommand command;
    if (first == "organize")
        command = CliCommand::Organize;
    else if (first == "lookup")
        command = CliCommand::Lookup;
    else if (first == "undo")
        command = CliCommand::Undo;
    else if (first == "runs")
        command = CliCommand::Runs;
    else if (first == "shift-from")
        command = CliCommand::ShiftFrom;
    else
        return Fail("unknown command \"" + first + "\"");
    parsed.request.command = command;

    bool moveSeen = false;
    bool copySeen = false;
    bool optionsEnded = false;
    while (!reader.Done()) {
        const std::string text = reader.Take();
        if (optionsEnded || text.size() < 2 || text[0] != '-') {
            parsed.request.paths.push_back(WithoutStrayQuote(text, parsed.warnings));
            continue;
        }
        if (text == "--") {
            optionsEnded = true;
            continue;
        }
        if (text == "--help" || text == "-h") {
            parsed.request.command = CliCommand::Help;
            parsed.request.paths.clear();
            return parsed;
        }
        const std::string name = OptionName(text);
        std::string value;
        if (TakesValue(name)) {
            if (!reader.Value(text, name, value))
                return Fail("option " + name + " needs a value");
            if (name == "--out" || name == "--log" || name == "--report" || name == "--library")
                value = WithoutStrayQuote(value, parsed.warnings);
        } else if (!IsSwitch(name) || name != text) {
            return Fail(IsSwitch(name) ? "option " + name + " takes no value" : "unknown option " + name);
        }
        const std::string error = TakeOption(command, name, value, moveSeen, copySeen, parsed.request.flags);
        if (!error.empty())
            return Fail(error);
    }
    if (moveSeen && copySeen)
        return Fail("--move and --copy cannot be given together");
    parsed.request.flags.move = moveSeen;
    if (command == CliCommand::Undo)
        return parsed.request.paths.size() <= 1 ? parsed : Fail("undo takes at most one JOURNAL");
    if (command == CliCommand::Runs)
        return parsed.request.paths.empty() ? parsed : Fail("runs takes no arguments");
    if (command == CliCommand::ShiftFrom)
        return parsed.request.paths.size() == 2 ? parsed : Fail("shift-from takes two files: FILE_A FILE_B");
    const OrganizeFlags& flags = parsed.request.flags;
    if (flags.library && (flags.mode || flags.explain || flags.nameDates))
        return Fail("--library finds files, not dates: it takes no --mode, --explain or --name-dates");
    if (parsed.request.paths.empty())
        return Fail(command == CliCommand::Organize ? "no PATH given" : "no FILE given");
    return parsed;
}

void ApplyFlags(const OrganizeFlags& flags, OrganizeOptions& options)
{
    if (flags.mode)
        options.Mode = *flags.mode;
    else if (!IsKnownMode(options.Mode))
        options.Mode = OrganizeMode::Taken;
    if (flags.outFolder) {
        options.OutputFolderType = kOutputToCustomFolder;
        options.CustomTargetFolder = *flags.outFolder;
    }
    if (flags.noYear)
        options.CreateYearFolder = 0;
    if (flags.noMonth)
        options.CreateMonthFolder = 0;
    if (flags.noDay)
        options.CreateDayFolder = 0;
    if (flags.monthFormat)
        options.MonthFolderFormat = *flags.monthFormat;
    if (flags.dayFormat)
        options.DayFolderFormat = *flags.dayFormat;
    if (flags.rename) {
        options.RenameTargetFileName = 1;
        options.TargetFilenameFormat = *flags.rename;
    }
    if (flags.exists)
        options.TargetExistsOpt = *flags.exists;
    if (flags.log) {
        options.SaveToLog = 1;
        options.LogFile = *flags.log;
    }
    if (flags.noSubfolders)
        options.AddFilesInSubfolder = 0;
    if (flags.exts) {
        options.EnableExtFilter = 1;
        options.AllowExts = *flags.exts;
    }
    if (flags.companions)
        options.CompanionFiles = 1;
    if (flags.nameDates)
        options.NameDates = 1;
    if (flags.downloadCloudFiles)
        options.DownloadCloudFiles = 1;
    // Rules given on the command line come before the saved ones: of two rules for the same
    // camera the first applies.
    if (!flags.shifts.empty()) {
        std::string rules;
        for (const std::string& shift : flags.shifts)
            rules += shift + "\n";
        options.ClockRules = rules + options.ClockRules;
    }
    if (flags.dayBegins)
        options.DayBegins = *flags.dayBegins;
    if (flags.computerZone)
        options.VideoComputerZone = *flags.computerZone ? 1 : 0;
    if (flags.takeout)
        options.TakeoutDates = 1;
    if (flags.skipKnown)
        options.SkipKnownFiles = 1;
    if (flags.verify)
        options.VerifyCopies = 1;
    if (flags.backup) {
        options.MakeBackup = 1;
        options.BackupFolder = *flags.backup;
    }
}

const char* UsageText()
{
    return "Usage:\n"
           "  quillmere-cli organize [options] PATH...\n"
           "  quillmere-cli lookup [--mode MODE] [--explain] [--name-dates] [--shift RULE] [--zone Z]\n"
           "                       [--takeout] FILE...\n"
           "  quillmere-cli lookup --library FOLDER FILE...\n"
           "  quillmere-cli undo [--dry-run] [JOURNAL]\n"
           "  quillmere-cli runs\n"
           "  quillmere-cli shift-from FILE_A FILE_B\n"
           "  quillmere-cli --help | --version\n"
           "\n"
           "organize moves or copies every file (folders are scanned) into folders by date,\n"
           "extension or orientation, and prints source, target and result per file.\n"
           "  --move | --copy          move or copy the files (copy when neither is given)\n"
           "  --mode MODE              taken (default), taken-else-modified, taken-else-created,\n"
           "                           taken-else-accessed, modified, created, accessed,\n"
           "                           extension, orientation, or the stored number\n"
           "  --out FOLDER             put the folders under FOLDER (beside each source without it)\n"
           "  --no-year, --no-month, --no-day   leave out that folder level\n"
           "  --month-format T, --day-format T  month and day folder templates\n"
           "  --rename T               rename the files by the template T\n"
           "  --exists rename|overwrite|skip|identical\n"
           "                           what to do with an existing target (identical: rename,\n"
           "                           but skip a file whose content is already there)\n"
           "  --log FILE               append a record per file to FILE\n"
           "  --no-subfolders          scan only the named folders, not their sub-folders\n"
           "  --ext LIST               take only files with these extensions (jpg,jpeg)\n"
           "  --saved                  start from the window's saved settings (read, never written)\n"
           "  --dry-run                print what would happen, change nothing\n"
           "  --report FILE            write a CSV report: source, target, result, date,\n"
           "                           where the date came from, the place (when the\n"
           "                           templates hold %C, %R or %T), and the XXH3-128 hash\n"
           "                           of the bytes of each file copied\n"
           "  --companions             sidecars (.xmp .aae .thm .json), Live Photo videos and\n"
           "                           RAW+JPEG partners go with their photo, under its name\n"
           "  --name-dates             taken-else-* modes read a date in the file name\n"
           "                           (IMG_20200101_123456) before the file time\n"
           "  --download-cloud-files   read and transfer files a cloud service keeps only\n"
           "                           online (downloading each); else they are skipped\n"
           "  --shift CAMERA=SHIFT     move the capture dates of a camera's files (repeatable):\n"
           "                           CAMERA is a model, Model#Serial or *, SHIFT +HH:MM,\n"
           "                           -HH:MM:SS, +Nd or -Nd HH:MM (\"Canon EOS 5D=+01:00\")\n"
           "  --day-begins HH:MM       files taken before this time go into the day before's\n"
           "                           folders (names keep the true date)\n"
           "  --zone computer|video    video dates kept in UTC: in the zone the video records\n"
           "                           or the zone at its position (video, the default), or\n"
           "                           in this computer's zone (computer)\n"
           "  --takeout                a file without a capture date takes the one of its\n"
           "                           Google Takeout sidecar (NAME.EXT.json); sidecars are\n"
           "                           not organized as photos (with --companions they go\n"
           "                           with their file)\n"
           "  --skip-known             skip a file whose content is anywhere below the --out\n"
           "                           folder already (under any name), as \"Already in the\n"
           "                           library: PATH\"\n"
           "  --verify                 read each copy back from the drive and compare it with\n"
           "                           the source before it takes its name; a copy that\n"
           "                           differs fails its file and is removed, and a move\n"
           "                           deletes its source only after its copy verified (a move\n"
           "                           on one drive is a rename: nothing is copied to verify)\n"
           "  --backup FOLDER          also copy each file placed below --out to the same place\n"
           "                           below FOLDER (verified with --verify); a backup that\n"
           "                           fails leaves the file's row OK, with \", backup failed:\"\n"
           "                           and the reason; undo removes both copies\n"
           "\n"
           "lookup prints each file's date (or extension folder, or orientation) for the mode;\n"
           "a date read from the file name is followed by \"(file name)\"; with --explain, a\n"
           "third column says where the date came from and a fourth where the file was\n"
           "taken: the nearest town with its distance, as %C %R %T name it.\n"
           "With --library, lookup prints for each file where its content already is below\n"
           "FOLDER (under any name), or \"not in the library\".\n"
           "\n"
           "undo puts back what a run did (the last run without JOURNAL) and prints target,\n"
           "source and result per file; files changed since the run are left and reported.\n"
           "runs lists the kept run journals: start time, mode, counts, undone or not.\n"
           "shift-from prints the --shift rule that makes the camera of FILE_B agree with\n"
           "FILE_A, two photos of the same moment.\n"
           "\n"
           "Exit status: 0 every file OK or skipped (undo: every file put back), 1 a file failed\n"
           "(undo: a file was left), 2 usage or settings error (undo: no journal, or one that\n"
           "cannot be read or was undone already).\n";
}
