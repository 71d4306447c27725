#pragma once
// For one file: when was it taken (or modified, created, accessed), and how is the picture
// oriented: the run's DateLookup. JPEG files are read in-process; every other file is asked
// through the metadata tool, whose one batch process serves every lookup of this object's life
// (started at the first such lookup, ended when the object goes).

#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "base/DateTime.h"
#include "engine/DateLookup.h"
#include "engine/TakeoutMatch.h"
#include "metadata/JpegHeads.h"
#include "metadata/MetaToolBatch.h"
#include "metadata/MetaToolRunner.h"

struct ImageInfo;

class MetaLookup : public DateLookup {
public:
    MetaLookup();  // the tool beside the executable, with the default time limit
    explicit MetaLookup(MetaToolConfig toolConfig);
    ~MetaLookup() override;
    MetaLookup(const MetaLookup&) = delete;
    MetaLookup& operator=(const MetaLookup&) = delete;

    // The capture date alone, as the date modes read it; see DateLookup for its answers.
    Result<std::optional<DateTime>> DateTaken(const std::string& path);
    Result<std::optional<FoundDate>> DateFrom(const std::string& path, const DateSources& sources) override;
    Result<std::optional<std::string>> OrientationText(const std::string& path) override;
    Result<std::optional<std::string>> ContentIdentifier(const std::string& path) override;
    Result<std::optional<GeoPosition>> PositionOf(const std::string& path) override;
    Result<std::optional<TakeoutRole>> TakeoutRoleOf(const std::string& path) override;

    void SetWaitHook(ToolWaitHook hook) override;
    // The files that go through the metadata tool are sent to it ahead; the heads of JPEG files are
    // read ahead here, on the program's pool.
    void Ahead(const std::vector<std::string>& paths) override;
    // Video dates recorded in UTC in the computer's zone, as older versions did, instead of the
    // zone the video records or the zone at its position.
    void UseComputerZone(bool on) { computerZone_ = on; }
    // The tool process of the lookups, for diagnostics and tests (created at the first tool lookup).
    const MetaToolBatch* Batch() const { return batch_.get(); }

private:
    enum class Found { Yes, No, Failed };

    // The capture date, its origin and the camera that took the file; failure_ tells why Failed.
    Found DateTakenFields(const std::string& path, FoundDate& found);
    bool ToolFields(const std::string& path, std::vector<MetaField>& fields);
    void VideoZone(const std::vector<MetaField>& fields, const std::string& name, FoundDate& found);
    void NoteUnopenable(const std::string& path);
    // The marker sections of a JPEG file (false: it cannot be opened).
    bool ReadJpeg(const std::string& path, ImageInfo& info);

    // Takeout sidecars: each folder listed and matched once, each sidecar read once, for the
    // object's life (one run or one lookup command), so that a sidecar that has gone with its
    // photo still dates the photo's edited copy or video.
    struct TakeoutFolder {
        std::string folder;  // with its last backslash
        std::vector<std::string> names;
        std::map<std::string, std::size_t> byName;  // by name key
        TakeoutMatch match;
    };
    struct SidecarRead {
        std::optional<TakeoutSidecar> sidecar;
        Status failure;  // why it could not be read, when sidecar is nothing
    };
    // Null, with the reason in failure_, when the folder cannot be listed whole.
    const TakeoutFolder* ListTakeoutFolder(const std::string& folder);
    const SidecarRead& ReadSidecar(const std::string& path);
    Found TakeoutFields(const std::string& path, FoundDate& found);

    MetaToolConfig toolConfig_;
    ToolWaitHook hook_;
    std::unique_ptr<MetaToolBatch> batch_;
    Status failure_;  // why the last lookup that failed inside failed
    bool computerZone_ = false;
    std::map<std::string, TakeoutFolder> takeoutFolders_;  // by folder key; unlistable ones absent
    std::map<std::string, SidecarRead> sidecars_;  // by path key
    std::unique_ptr<unsigned char[]> jpegBlock_;  // the block JPEG heads are read into
    JpegHeadsAhead heads_;
};
