#pragma once
// For one file: when was it taken (or modified, created, accessed, by the organize mode), and
// how is the picture oriented. JPEG files are read in-process; every other file is asked
// through the metadata tool, whose one batch process serves every lookup of this object's life
// (started at the first such lookup, ended when the object goes).

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "engine/OrganizeMode.h"
#include "metadata/MetaToolBatch.h"
#include "metadata/MetaToolRunner.h"

class MetaLookup {
public:
    MetaLookup();  // the tool beside the executable, with the default time limit
    explicit MetaLookup(MetaToolConfig toolConfig);
    ~MetaLookup();
    MetaLookup(const MetaLookup&) = delete;
    MetaLookup& operator=(const MetaLookup&) = delete;

    // Each answer is nothing either when the file holds no such data (FailureReason() is then
    // empty), or when the lookup could not be made: the file could not be opened, the tool did
    // not start, crashed or overran its time. Only the first kind lets the modes with a fall-back
    // use the file time.
    std::optional<DateTime> GetDateTaken(const std::string& path);
    // The date a date mode takes; nothing for a mode that is not a date mode. origin, when given,
    // gets where the date came from: the metadata field's name ("Date/Time Original", ...),
    // "XMP capture date" (a JPEG's XMP when its EXIF has no capture date),
    // "file name", or "file modified", "file created", "file accessed".
    std::optional<DateTime> GetDateForMode(const std::string& path, OrganizeMode mode,
                                           std::string* origin = nullptr);
    // A folder name: "Horizontal (normal)", "Rotate 90 CW", "Rotate 90 CCW", or the tool's text.
    bool GetOrientationText(const std::string& path, std::string& text);
    // What the file has for the mode: its date, extension or orientation; nothing when it has no
    // answer (or the mode is unknown). The run and quillmere-cli lookup both ask here. With
    // nameDates, the modes that fall back to a file time try a date in the file name first.
    // origin, when given, gets where a date came from, as GetDateForMode says.
    std::optional<ModeValue> ForMode(const std::string& path, std::uint32_t mode, bool nameDates = false,
                                     std::string* origin = nullptr);
    // The identifier that ties a Live Photo's still to its video, as the metadata tool lists it.
    bool GetContentIdentifier(const std::string& path, std::string& identifier);

    // Why the last answer of nothing was a failed lookup, or empty.
    const std::string& FailureReason() const { return failureReason_; }
    // Called while a tool lookup waits and window messages are waiting; false abandons it.
    void SetWaitHook(ToolWaitHook hook);
    // The tool process of the lookups, for diagnostics and tests (created at the first tool lookup).
    const MetaToolBatch* Batch() const { return batch_.get(); }

private:
    enum class Found { Yes, No, Failed };

    Found DateTakenFields(const std::string& path, DateTime& date, std::string& origin);
    std::optional<DateTime> DateFor(const std::string& path, std::uint32_t mode, bool nameDates,
                                    bool& fromName, std::string& origin);
    bool ToolFields(const std::string& path, std::vector<MetaField>& fields);
    void NoteUnopenable(const std::string& path);

    MetaToolConfig toolConfig_;
    ToolWaitHook hook_;
    std::unique_ptr<MetaToolBatch> batch_;
    std::string failureReason_;
};
