#include "metadata/MetaLookup.h"

#include <windows.h>

#include <charconv>
#include <cstdio>
#include <cstring>
#include <iterator>
#include <utility>

#include "base/BatchProtocol.h"
#include "base/OwnedHandle.h"
#include "base/PathText.h"
#include "base/WidePath.h"
#include "engine/FileTimeDate.h"
#include "engine/OrganizeMode.h"
#include "engine/PathUtils.h"
#include "metadata/DateText.h"
#include "metadata/FilePosition.h"
#include "metadata/ImageInfo.h"
#include "metadata/JpegHeads.h"
#include "metadata/JpegName.h"
#include "metadata/NameDate.h"
#include "metadata/VideoTime.h"
#include "zones/Zones.h"

namespace {

// The user's time zone as the system describes it, each year with its own rule.
class SystemZone : public ZoneRules {
public:
    bool ForYear(int year, ZoneYear& rule) override
    {
        DYNAMIC_TIME_ZONE_INFORMATION zone;
        TIME_ZONE_INFORMATION info;
        if (year < 1601 || year > 30827 || GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID ||
            !GetTimeZoneInformationForYear(static_cast<USHORT>(year), &zone, &info))
            return false;
        rule.bias = info.Bias;
        rule.standardBias = info.StandardBias;
        rule.daylightBias = info.DaylightBias;
        rule.standardStart = Transition(info.StandardDate);
        rule.daylightStart = Transition(info.DaylightDate);
        return true;
    }

    std::int32_t CurrentBias() override
    {
        TIME_ZONE_INFORMATION info;
        switch (GetTimeZoneInformation(&info)) {
        case TIME_ZONE_ID_DAYLIGHT: return info.Bias + info.DaylightBias;
        case TIME_ZONE_ID_STANDARD: return info.Bias + info.StandardBias;
        case TIME_ZONE_ID_UNKNOWN: return info.Bias;
        default: return 0;  // no zone to be had: the time as UTC gives it
        }
    }

private:
    static ZoneTransition Transition(const SYSTEMTIME& date)
    {
        return {date.wYear, date.wMonth, date.wDayOfWeek, date.wDay, date.wHour, date.wMinute};
    }
};

// Whether the volume that holds path keeps local time (FAT, exFAT): asked of the volume itself,
// so that a card reader, a mapped drive or a folder mounted as a drive each answer for their own.
bool OnLocalTimeVolume(const std::string& path)
{
    const std::wstring wide = WideOf(path);
    wchar_t root[MAX_PATH + 1];
    wchar_t fileSystem[MAX_PATH + 1];
    return GetVolumePathNameW(wide.c_str(), root, MAX_PATH + 1) &&
           GetVolumeInformationW(root, nullptr, 0, nullptr, nullptr, nullptr, fileSystem, MAX_PATH + 1) &&
           KeepsLocalTime(AnsiOf(fileSystem));
}

bool FileTimeFields(const std::string& path, FileTime which, DateTime& date, std::string& origin)
{
    WIN32_FILE_ATTRIBUTE_DATA attributes;
    if (!GetFileAttributesExW(WidePath(path).c_str(), GetFileExInfoStandard, &attributes))
        return false;
    FILETIME chosen = attributes.ftLastWriteTime;
    origin = "file modified";
    if (which == FileTime::Created) {
        chosen = attributes.ftCreationTime;
        origin = "file created";
    } else if (which == FileTime::Accessed) {
        chosen = attributes.ftLastAccessTime;
        origin = "file accessed";
    }
    // The date as Explorer shows it: on NTFS with the daylight-saving rule of the time's own
    // date and year (today's offset would move a summer photo taken near midnight into the next
    // or previous day when organized in winter); on a camera's FAT or exFAT card the time the
    // camera wrote (see FileTimeDate.h).
    SystemZone zone;
    const std::uint64_t ticks = (std::uint64_t(chosen.dwHighDateTime) << 32) | chosen.dwLowDateTime;
    return LocalDateOfFileTime(ticks, OnLocalTimeVolume(path), zone, date);
}

// Only for a file that is there: a name alone is no file to organize.
bool NameDateFields(const std::string& path, DateTime& date)
{
    if (GetFileAttributesW(WidePath(path).c_str()) == INVALID_FILE_ATTRIBUTES)
        return false;
    SYSTEMTIME now;
    GetLocalTime(&now);
    return DateFromFileName(FileNameOf(path), now.wYear, date);
}

void ReplaceAll(std::string& text, const std::string& from, const std::string& to)
{
    for (std::size_t at = text.find(from); at != std::string::npos; at = text.find(from, at + to.size())) {
        text.replace(at, from.size(), to);
    }
}

// The computer's zone by its Windows name ("W. Europe Standard Time"); empty when none is set.
std::string ComputerZoneName()
{
    DYNAMIC_TIME_ZONE_INFORMATION zone;
    if (GetDynamicTimeZoneInformation(&zone) == TIME_ZONE_ID_INVALID)
        return {};
    const std::wstring key(zone.TimeZoneKeyName,
                           wcsnlen(zone.TimeZoneKeyName, std::size(zone.TimeZoneKeyName)));
    if (!key.empty())
        return AnsiOf(key);
    return AnsiOf(std::wstring(zone.StandardName, wcsnlen(zone.StandardName, std::size(zone.StandardName))));
}

bool FindValue(const std::vector<MetaField>& fields, const std::string& name, std::string& value)
{
    for (const MetaField& field : fields) {
        if (field.name == name) {
            value = field.value;
            return true;
        }
    }
    return false;
}

bool FindLastValue(const std::vector<MetaField>& fields, const std::string& name, std::string& value)
{
    for (auto field = fields.rbegin(); field != fields.rend(); ++field) {
        if (field->name == name) {
            value = field->value;
            return true;
        }
    }
    return false;
}

// A failed system call as a lookup's failure: the system's words, else fallback.
Status SystemFailure(DWORD error, const char* fallback)
{
    std::string reason;
    if (!SystemErrorText(error, reason))
        reason = fallback;
    return Status::Failure(FailureKind::System, reason, error);
}

// A sidecar's text, at most kMaxTakeoutJsonBytes (a larger file is refused unread, as damaged).
Status ReadSidecarText(const std::string& path, std::string& text)
{
    const OwnedHandle owned(CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                                        FILE_ATTRIBUTE_NORMAL, nullptr));
    if (!owned.Valid())
        return SystemFailure(GetLastError(), "the file cannot be opened");
    const HANDLE file = owned.Get();
    LARGE_INTEGER size;
    bool ok = GetFileSizeEx(file, &size) != 0;
    if (ok && static_cast<std::uint64_t>(size.QuadPart) > kMaxTakeoutJsonBytes)
        return Status::Failure(FailureKind::Damaged, "the file is larger than " +
                                                             std::to_string(kMaxTakeoutJsonBytes / 1024) +
                                                             " KB");
    if (ok) {
        text.resize(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (ok && done < text.size()) {
            DWORD got = 0;
            ok = ReadFile(file, text.data() + done, static_cast<DWORD>(text.size() - done), &got, nullptr) !=
                 0;
            if (ok && got == 0)
                break;  // shorter than its size said: read what is there
            done += got;
        }
        text.resize(done);
    }
    if (!ok)
        return SystemFailure(GetLastError(), "the file cannot be read");
    return {};
}

}  // namespace

MetaLookup::MetaLookup()
{
    toolConfig_.toolPath = DefaultToolPath();
}

MetaLookup::MetaLookup(MetaToolConfig toolConfig) : toolConfig_(std::move(toolConfig))
{ }

MetaLookup::~MetaLookup() = default;

void MetaLookup::SetWaitHook(ToolWaitHook hook)
{
    hook_ = std::move(hook);
    if (batch_)
        batch_->SetWaitHook(hook_);
}

void MetaLookup::Ahead(const std::vector<std::string>& paths)
{
    std::vector<std::string> toolPaths;
    std::vector<std::string> jpegPaths;
    for (const std::string& path : paths)
        (IsJpegPath(path) ? jpegPaths : toolPaths).push_back(path);
    heads_.Tell(jpegPaths);
    if (toolPaths.empty() && !batch_)
        return;
    if (!batch_) {
        batch_ = std::make_unique<MetaToolBatch>(toolConfig_);
        batch_->SetWaitHook(hook_);
    }
    batch_->Ahead(toolPaths);
}

// A file that holds no data and one that cannot be read both leave the tool without a date; only
// the second is a failed lookup. Asked only when no answer came, so a readable file costs nothing.
void MetaLookup::NoteUnopenable(const std::string& path)
{
    const OwnedHandle file(CreateFileW(WidePath(path).c_str(), GENERIC_READ,
                                       FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                       OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr));
    if (file.Valid())
        return;
    // A file that is gone (moved or deleted since it was listed) is said to be so in plain words.
    const DWORD error = GetLastError();
    if (error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND) {
        failure_ = Status::Failure(FailureKind::System, kFileGoneText, error);
        return;
    }
    failure_ = SystemFailure(error, "the file cannot be opened");
}

bool MetaLookup::ToolFields(const std::string& path, std::vector<MetaField>& fields)
{
    if (!batch_) {
        batch_ = std::make_unique<MetaToolBatch>(toolConfig_);
        batch_->SetWaitHook(hook_);
    }
    const ToolOutcome outcome = batch_->Look(path, fields);
    if (outcome != ToolOutcome::Ended) {
        failure_ = Status::Failure(FailureKind::System, ToolOutcomeText(outcome));
        return false;
    }
    return true;
}

bool MetaLookup::ReadJpeg(const std::string& path, ImageInfo& info)
{
    // A file that could not be opened ahead is tried again now: another program (a scanner, an
    // indexer) may have held it only for a moment.
    bool opened = false;
    if (heads_.Take(path, opened, info) && opened)
        return true;
    // One block for every file of the lookup's life: a block of this size per file costs the
    // system a mapping and its release.
    if (!jpegBlock_)
        jpegBlock_.reset(new unsigned char[kJpegHeadBlock]);
    return ReadJpegHead(path, info, jpegBlock_.get());
}

MetaLookup::Found MetaLookup::DateTakenFields(const std::string& path, FoundDate& found)
{
    found.captureDate = true;
    DateTime& date = found.date;
    std::string& origin = found.origin;
    if (IsJpegPath(path)) {
        ImageInfo info;
        if (!ReadJpeg(path, info)) {
            NoteUnopenable(path);
            return failure_ ? Found::No : Found::Failed;
        }
        if (info.exifParsed) {
            found.cameraModel.assign(info.model, strnlen(info.model, sizeof info.model));
            found.cameraSerial.assign(info.bodySerial, strnlen(info.bodySerial, sizeof info.bodySerial));
        }
        // As in the tool's listing of the file: the first date field present decides, even
        // when it does not parse.
        const std::size_t length = strnlen(info.dateTaken, sizeof info.dateTaken);
        if (length == 0)
            return Found::No;
        origin = info.dateTakenField;
        return ParseDateText(std::string_view(info.dateTaken, length), date) ? Found::Yes : Found::No;
    }
    std::vector<MetaField> fields;
    if (!ToolFields(path, fields))
        return Found::Failed;
    FindValue(fields, "Camera Model Name", found.cameraModel);
    // Makers name the body's number differently; the first one listed with a value counts.
    for (const char* name : {"Serial Number", "Internal Serial Number", "Body Serial Number"}) {
        if (FindValue(fields, name, found.cameraSerial) && !found.cameraSerial.empty())
            break;
    }
    // The first name with a non-empty value decides, even when its value does not parse.
    for (const char* name : kDateTakenFields) {
        std::string value;
        if (FindValue(fields, name, value) && !value.empty()) {
            origin = name;
            if (!ParseDateText(value, date))
                return Found::No;
            VideoZone(fields, name, found);
            return Found::Yes;
        }
    }
    NoteUnopenable(path);
    return failure_ ? Found::No : Found::Failed;
}

// A date the file records in UTC (the tool lists its instant beside it) gets its local time from
// the zone the file records, else from the zone at its position, else stays in the computer's
// zone as the tool listed it.
void MetaLookup::VideoZone(const std::vector<MetaField>& fields, const std::string& name, FoundDate& found)
{
    // The batch facts follow the listing: the last field of a name is the tool's own.
    std::string instantText;
    if (!FindLastValue(fields, std::string(batch::kUtcFieldPrefix) + name, instantText))
        return;
    long long instant = 0;
    const char* end = instantText.data() + instantText.size();
    const auto parsed = std::from_chars(instantText.data(), end, instant);
    if (parsed.ec != std::errc() || parsed.ptr != end)
        return;
    std::string recorded, position;
    FindValue(fields, "Creation Date", recorded);
    FindLastValue(fields, std::string(batch::kPositionField), position);
    VideoTime time;
    if (!computerZone_ && VideoLocalTime(instant, recorded, position, time)) {
        found.date = time.local;
        found.zoneNote = time.note;
        return;
    }
    found.zoneNote = ComputerZoneNote(ComputerZoneName());
}

Result<std::optional<DateTime>> MetaLookup::DateTaken(const std::string& path)
{
    failure_ = {};
    FoundDate found;
    switch (DateTakenFields(path, found)) {
    case Found::Yes: return std::optional<DateTime>(found.date);
    case Found::No: return std::optional<DateTime>();
    case Found::Failed: break;
    }
    return failure_;
}

Result<std::optional<FoundDate>> MetaLookup::DateFrom(const std::string& path, const DateSources& sources)
{
    failure_ = {};
    FoundDate found;
    if (sources.captureDate) {
        // Only a file read and found without a date falls back; a failed lookup fails the file.
        const Found taken = DateTakenFields(path, found);
        if (taken == Found::Yes)
            return std::optional<FoundDate>(found);
        if (taken == Found::Failed)
            return failure_;
        found = FoundDate {};
    }
    // A Takeout sidecar's date is the capture date the export kept apart from the file.
    if (sources.takeout) {
        const Found takeout = TakeoutFields(path, found);
        if (takeout == Found::Yes)
            return std::optional<FoundDate>(found);
        if (takeout == Found::Failed)
            return failure_;
    }
    // Between the capture date and the file time, which copying resets.
    if (sources.fileName && NameDateFields(path, found.date)) {
        found.fromFileName = true;
        found.origin = "file name";
        return std::optional<FoundDate>(found);
    }
    if (sources.fileTime != FileTime::None &&
        FileTimeFields(path, sources.fileTime, found.date, found.origin))
        return std::optional<FoundDate>(found);
    return std::optional<FoundDate>();
}

Result<std::optional<std::string>> MetaLookup::ContentIdentifier(const std::string& path)
{
    failure_ = {};
    std::vector<MetaField> fields;
    if (!ToolFields(path, fields))
        return failure_;
    std::string value;
    // A video lists it as "Content Identifier"; a still's maker note as "Media Group UUID".
    if ((!FindValue(fields, "Content Identifier", value) || value.empty()) &&
        (!FindValue(fields, "Media Group UUID", value) || value.empty()))
        return std::optional<std::string>();
    return std::optional<std::string>(value);
}

Result<std::optional<GeoPosition>> MetaLookup::PositionOf(const std::string& path)
{
    failure_ = {};
    if (IsJpegPath(path)) {
        ImageInfo info;
        if (!ReadJpeg(path, info)) {
            NoteUnopenable(path);
            if (!failure_)
                return failure_;
            return std::optional<GeoPosition>();
        }
        return PositionFromJpeg(info);
    }
    std::vector<MetaField> fields;
    if (!ToolFields(path, fields))
        return failure_;
    return PositionFromListing(fields);
}

Result<std::optional<std::string>> MetaLookup::OrientationText(const std::string& path)
{
    failure_ = {};
    if (IsJpegPath(path)) {
        ImageInfo info;
        if (!ReadJpeg(path, info)) {
            NoteUnopenable(path);
            if (!failure_)
                return failure_;
            return std::optional<std::string>();
        }
        if (!info.exifParsed)
            return std::optional<std::string>();
        switch (info.orientation) {
        case 1: return std::optional<std::string>("Horizontal (normal)");
        case 6: return std::optional<std::string>("Rotate 90 CW");
        case 8: return std::optional<std::string>("Rotate 90 CCW");
        default: return std::optional<std::string>();
        }
    }
    std::vector<MetaField> fields;
    if (!ToolFields(path, fields))
        return failure_;
    std::string value;
    if (!FindValue(fields, "Orientation", value) || value.empty()) {
        NoteUnopenable(path);
        if (!failure_)
            return failure_;
        return std::optional<std::string>();
    }
    // Worded like the JPEG texts, so that both paths give the same folder name.
    ReplaceAll(value, "270 CW", "90 CCW");
    return std::optional<std::string>(value);
}

const MetaLookup::TakeoutFolder* MetaLookup::ListTakeoutFolder(const std::string& folder)
{
    const std::string key = PathKey(folder);
    const auto known = takeoutFolders_.find(key);
    if (known != takeoutFolders_.end())
        return &known->second;
    TakeoutFolder listed;
    listed.folder = folder;
    WIN32_FIND_DATAW data;
    OwnedFind find(FindFirstFileExW(WidePath(folder + "*").c_str(), FindExInfoBasic, &data,
                                    FindExSearchNameMatch, nullptr, FIND_FIRST_EX_LARGE_FETCH));
    if (!find.Valid()) {
        failure_ = SystemFailure(GetLastError(), "the folder cannot be listed");
        return nullptr;
    }
    do {
        if ((data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
            listed.names.push_back(AnsiOf(data.cFileName));
    } while (FindNextFileW(find.Get(), &data));
    const DWORD ended = GetLastError();
    find.Close();
    // A listing cut short could pair a file with another's sidecar.
    if (ended != ERROR_NO_MORE_FILES) {
        failure_ = SystemFailure(ended, "the folder cannot be listed");
        return nullptr;
    }
    listed.match =
            MatchTakeoutSidecars(listed.names, [this, &listed](std::size_t i) -> std::optional<std::string> {
                const SidecarRead& read = ReadSidecar(listed.folder + listed.names[i]);
                if (!read.sidecar || read.sidecar->title.empty())
                    return std::nullopt;
                return read.sidecar->title;
            });
    for (std::size_t i = 0; i < listed.names.size(); ++i)
        listed.byName.emplace(PathKey(listed.names[i]), i);
    return &takeoutFolders_.emplace(key, std::move(listed)).first->second;
}

const MetaLookup::SidecarRead& MetaLookup::ReadSidecar(const std::string& path)
{
    const std::string key = PathKey(path);
    const auto known = sidecars_.find(key);
    if (known != sidecars_.end())
        return known->second;
    SidecarRead read;
    std::string text;
    TakeoutSidecar sidecar;
    std::string error;
    read.failure = ReadSidecarText(path, text);
    if (read.failure) {
        // Read whole but no sidecar of an export: what was read is damaged.
        if (ReadTakeoutJson(text, sidecar, error))
            read.sidecar = std::move(sidecar);
        else
            read.failure = Status::Failure(FailureKind::Damaged, error);
    }
    return sidecars_.emplace(key, std::move(read)).first->second;
}

Result<std::optional<TakeoutRole>> MetaLookup::TakeoutRoleOf(const std::string& path)
{
    std::string folder;
    if (!FolderOf(path, folder))
        return std::optional<TakeoutRole>();
    const TakeoutFolder* listed = ListTakeoutFolder(folder);
    if (listed == nullptr)
        return failure_;
    const auto found = listed->byName.find(PathKey(FileNameOf(path)));
    if (found == listed->byName.end())
        return std::optional<TakeoutRole>();
    const std::size_t i = found->second;
    TakeoutRole role;
    const bool sidecar = listed->match.isSidecar[i];
    role.kind = sidecar ? TakeoutRole::Kind::Sidecar : TakeoutRole::Kind::Media;
    const int partner = sidecar ? listed->match.ownerOf[i] : listed->match.sidecarOf[i];
    if (partner >= 0)
        role.partner = folder + listed->names[static_cast<std::size_t>(partner)];
    return std::optional<TakeoutRole>(role);
}

MetaLookup::Found MetaLookup::TakeoutFields(const std::string& path, FoundDate& found)
{
    // A folder that cannot be listed pairs the file with no sidecar: its own lookup says more.
    const auto listed = TakeoutRoleOf(path);
    if (!listed)
        return Found::No;
    const std::optional<TakeoutRole>& role = *listed;
    if (!role || role->kind != TakeoutRole::Kind::Media || role->partner.empty())
        return Found::No;
    const std::string sidecarName = FileNameOf(role->partner);
    const SidecarRead& read = ReadSidecar(role->partner);
    if (!read.sidecar) {
        const Status& why = read.failure;
        failure_ = Status::Failure(why.Kind(), "Takeout sidecar \"" + sidecarName + "\": " + why.Reason(),
                                   why.Code());
        return Found::Failed;
    }
    if (!read.sidecar->photoTaken)
        return Found::No;
    SystemZone zone;
    if (!TakeoutLocalDate(*read.sidecar->photoTaken, read.sidecar->position, zone, found.date)) {
        failure_ = Status::Failure(FailureKind::Damaged,
                                   "Takeout sidecar \"" + sidecarName + "\": the time taken is out of range");
        return Found::Failed;
    }
    // The instant is UTC: where the sidecar knows the place, its zone gives the local time, as a
    // video's position does; else the computer's zone, as above.
    const auto& position = read.sidecar->position;
    zones::PlaceTime place;
    if (!computerZone_ && position &&
        zones::LocalTimeAt(*read.sidecar->photoTaken, position->latitude, position->longitude, place)) {
        found.date = place.local;
        found.zoneNote = std::string(place.zone) + " from the GPS position";
    }
    found.origin = "Takeout sidecar \"" + sidecarName + "\"";
    found.takeoutSeconds = read.sidecar->photoTaken;
    found.takeoutPosition = read.sidecar->position;
    found.takeoutSidecar = sidecarName;
    return Found::Yes;
}
