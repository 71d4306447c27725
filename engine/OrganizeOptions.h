// The record of every organize setting. Field names are the registry value names they are stored
// under (SettingsStore's table), except Mode, the organize mode, stored as "MoveType"; DWORD
// settings are 32-bit, switches hold 0 or 1.
#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "engine/OrganizeMode.h"

// What a run does when the target file already exists. Values other than Overwrite, Skip and
// RenameUnlessIdentical behave as RenameAutomatically (as older versions read all four but the
// first three).
enum class TargetExistsPolicy : std::uint32_t {
    RenameAutomatically = 11,
    Overwrite = 22,
    Skip = 33,
    // Rename, except that a file whose content is already at the target name (or one of its
    // numbered names) counts as there and is left alone.
    RenameUnlessIdentical = 44,
};

struct TargetExistsPolicyEntry {
    TargetExistsPolicy value;
    const char* text;
};

inline constexpr std::array<TargetExistsPolicyEntry, 4> kTargetExistsPolicies {{
        {TargetExistsPolicy::RenameAutomatically, "Rename automatically (add number at end of file name)"},
        {TargetExistsPolicy::Overwrite, "Overwrite"},
        {TargetExistsPolicy::Skip, "Skip"},
        {TargetExistsPolicy::RenameUnlessIdentical, "Rename unless identical"},
}};

// The main window's restored rectangle, stored as 16 bytes.
struct StoredRect {
    std::int32_t left = 0;
    std::int32_t top = 0;
    std::int32_t right = 0;
    std::int32_t bottom = 0;
};
static_assert(sizeof(StoredRect) == 16);

// OutputFolderType: files go beside their source file, or under CustomTargetFolder.
inline constexpr std::uint32_t kOutputBesideSource = 0;
inline constexpr std::uint32_t kOutputToCustomFolder = 1;

struct OrganizeOptions {
    std::uint32_t OutputFolderType = kOutputBesideSource;
    std::string CustomTargetFolder;
    OrganizeMode Mode = OrganizeMode::Taken;
    std::uint32_t CreateYearFolder = 1;
    std::uint32_t CreateMonthFolder = 1;
    std::string MonthFolderFormat = "%Y_%M";
    std::uint32_t CreateDayFolder = 1;
    std::string DayFolderFormat = "%Y_%M_%D";
    std::uint32_t RenameTargetFileName = 0;
    std::string TargetFilenameFormat = "%Y-%M-%D %H_%I_%S %N";
    std::string Folder;
    std::string LastAddFileDir;
    std::uint32_t EnableExtFilter = 0;
    std::string AllowExts;
    TargetExistsPolicy TargetExistsOpt = TargetExistsPolicy::RenameAutomatically;
    std::uint32_t SaveToLog = 0;
    std::string LogFile;
    std::uint32_t AddFilesInSubfolder = 1;
    std::uint32_t WndMaximized = 1;
    StoredRect WndPosition;
    std::uint32_t OpenDlg_FilterIndex = 1;
    // Together narrower than the list in the window at its designed size, so that Result shows.
    std::uint32_t ColWidth_Source = 260;
    std::uint32_t ColWidth_Target = 300;
    std::uint32_t ColWidth_Result = 160;
    // The DPI the three widths were saved at; stored values without it are from 96 DPI.
    std::uint32_t ColWidth_Dpi = 96;
    // Sidecars, Live Photo videos and RAW+JPEG partners in the list travel with their photo.
    std::uint32_t CompanionFiles = 0;
    // Modes 600, 700 and 800 try a date in the file name before the file time.
    std::uint32_t NameDates = 0;
    // Files a cloud service keeps only online are downloaded to read them (else skipped).
    std::uint32_t DownloadCloudFiles = 0;
    // Camera clock rules, one a line ("Canon EOS 5D=+01:00", see engine/ClockRules.h): each moves
    // the capture date of the files its camera took.
    std::string ClockRules;
    // The time ("HH:MM") a day begins at for the date folders: a file taken before it goes into the
    // day before's folders.
    std::string DayBegins = "00:00";
    // Video dates kept in UTC take the computer's zone, not the zone the video records or the
    // zone at its position.
    std::uint32_t VideoComputerZone = 0;
    // A file without a capture date of its own takes the one of its Google Takeout sidecar
    // (NAME.EXT.json beside it), and sidecars are not organized as photos.
    std::uint32_t TakeoutDates = 0;
    // A file whose bytes are anywhere below the output folder already is skipped.
    std::uint32_t SkipKnownFiles = 0;
    // Each copy is read back from the drive and compared with the source before it takes its name;
    // a move deletes its source only after that.
    std::uint32_t VerifyCopies = 0;
    // Each file the run places in the output folder is also copied to the same relative place
    // under BackupFolder.
    std::uint32_t MakeBackup = 0;
    std::string BackupFolder;

    // Puts every field to its default. The two defaults that depend on the user's documents
    // folder are "" when that folder is unknown ("").
    void SetDefaults(const std::string& documentsFolder);
};

// The default log path for a documents folder: <documents>\Quillmere\logs.txt, "" without one.
std::string DefaultLogFile(const std::string& documentsFolder);
