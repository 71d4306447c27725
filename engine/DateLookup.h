// What a run asks of a file's metadata and file times. The engine asks through this interface and
// knows nothing of how the answers are read; the metadata folder answers it (MetaLookup), and
// whoever starts a run (the window, quillmere-cli) hands one in.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "base/GeoPosition.h"
#include "base/Status.h"
#include "engine/TakeoutJson.h"

// The file time a date mode takes, alone or when the file has no capture date.
enum class FileTime { None, Modified, Created, Accessed };

// Where a file's date may come from, tried in this order: the capture date, the one of its Google
// Takeout sidecar (only after a capture date), a date in the file name (only between a capture
// date and a file time), the file time.
struct DateSources {
    bool captureDate = false;
    bool fileName = false;
    FileTime fileTime = FileTime::None;
    bool takeout = false;
};

struct FoundDate {
    DateTime date;
    // The metadata field's name ("Date/Time Original", "Create Date", "Modify Date"), "file name",
    // or "file modified", "file created", "file accessed".
    std::string origin;
    bool fromFileName = false;
    // The camera clock: set for a capture date read from the file's metadata (the only date a clock
    // rule moves), with the camera's model and serial number as the file names them ("" when it
    // names none); clockRule is the rule that moved the date ("Canon EOS 5D=+01:00"), or "".
    bool captureDate = false;
    std::string cameraModel;
    std::string cameraSerial;
    std::string clockRule;
    // For a date a file records in UTC: which zone gave its local time ("+09:00 recorded by the
    // phone", "Asia/Tokyo from the GPS position", "W. Europe Standard Time: this computer's zone").
    std::string zoneNote;
    // A date from a Takeout sidecar: the instant it gives (seconds since 1970, UTC), where the
    // photo was taken when it says, and the sidecar's file name; date is that instant's local
    // time (TakeoutLocalDate).
    std::optional<std::int64_t> takeoutSeconds;
    std::optional<GeoPosition> takeoutPosition;
    std::string takeoutSidecar;
};

// What a file is to the Google Takeout export it lies in, by the names in its folder
// (TakeoutMatch.h): a sidecar (partner: the file it belongs to, empty for none), or a photo or
// video (partner: the sidecar it takes its date from, empty for none). Full paths.
struct TakeoutRole {
    enum class Kind { Media, Sidecar };
    Kind kind = Kind::Media;
    std::string partner;
};

// The origin with its zone note, as --explain, the report and the rows show it:
// "Create Date (Asia/Tokyo from the GPS position)".
inline std::string OriginText(const FoundDate& found)
{
    return found.zoneNote.empty() ? found.origin : found.origin + " (" + found.zoneNote + ")";
}

class DateLookup {
public:
    virtual ~DateLookup() = default;

    // Each answer is a failure when the lookup could not be made (the file could not be opened,
    // the metadata could not be read: System with the error number where one was given; a Takeout
    // sidecar that is no sidecar: Damaged), or nothing when the file holds no such data. A file
    // whose capture date could not be read gets no other date.
    virtual Result<std::optional<FoundDate>> DateFrom(const std::string& path,
                                                      const DateSources& sources) = 0;
    // A folder name: "Horizontal (normal)", "Rotate 90 CW", "Rotate 90 CCW", or the listing's text.
    virtual Result<std::optional<std::string>> OrientationText(const std::string& path) = 0;
    // Where the file was taken (GPS in its EXIF or XMP, a video's location); a usable position only.
    virtual Result<std::optional<GeoPosition>> PositionOf(const std::string& path) = 0;
    // The identifier that ties a Live Photo's still to its video.
    virtual Result<std::optional<std::string>> ContentIdentifier(const std::string& path) = 0;
    // What path is to a Takeout export: a failure when its folder cannot be listed, nothing when the
    // listing does not hold it.
    virtual Result<std::optional<TakeoutRole>> TakeoutRoleOf(const std::string& path) = 0;
    // Called while a lookup waits and window messages are waiting; false abandons it.
    virtual void SetWaitHook(std::function<bool()> hook) = 0;
    // The files the next lookups will be about, in their order, so that their reading can start
    // ahead. A hint only: a file told and not asked, or asked and not told, is answered the same.
    virtual void Ahead(const std::vector<std::string>& /*paths*/) { }
};
