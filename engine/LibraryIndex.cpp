#include "engine/LibraryIndex.h"

#include <charconv>
#include <cstdio>

#define XXH_INLINE_ALL
#include <xxhash.h>

#include "engine/RunJournal.h"

namespace {

constexpr std::string_view kHeader = "Quillmere library index 1\t";

bool ReadAt(ReadStream& stream, std::uint64_t offset, std::size_t size, std::vector<char>& buffer,
            std::uint64_t& bytesRead)
{
    if (!stream.Seek(offset))
        return false;
    buffer.resize(size);
    std::size_t done = 0;
    while (done < size) {
        std::size_t got = 0;
        if (!stream.Read(buffer.data() + done, size - done, got) || got == 0)
            return false;
        done += got;
        bytesRead += got;
    }
    return true;
}

// The fields of one tab-separated line.
std::vector<std::string_view> Fields(std::string_view line)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const auto tab = line.find('\t');
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            return fields;
        line.remove_prefix(tab + 1);
    }
}

template <class Number> bool ParseNumber(std::string_view text, Number& value, int base = 10)
{
    const char* end = text.data() + text.size();
    const auto [at, error] = std::from_chars(text.data(), end, value, base);
    return !text.empty() && error == std::errc() && at == end;
}

std::string Hex(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

// A relative path as the scan gives it: not empty, no empty part, no part that leaves the root.
bool SafeRelative(std::string_view relative)
{
    if (relative.empty() || relative.front() == '\\' || relative.find(':') != std::string_view::npos)
        return false;
    for (const std::string_view part :
         {std::string_view("\\\\"), std::string_view("\n"), std::string_view("\r")})
        if (relative.find(part) != std::string_view::npos)
            return false;
    std::size_t start = 0;
    for (;;) {
        const auto slash = relative.find('\\', start);
        const std::string_view part = relative.substr(start, slash - start);
        if (part.empty() || part == "." || part == "..")
            return false;
        if (slash == std::string_view::npos)
            return true;
        start = slash + 1;
    }
}

}  // namespace

bool HashFileEnds(FileOps& ops, const std::string& path, std::uint64_t size, std::uint64_t& hash,
                  std::uint64_t& bytesRead)
{
    const std::unique_ptr<ReadStream> stream = ops.OpenRead(path);
    if (!stream)
        return false;
    XXH3_state_t state;
    XXH3_64bits_reset(&state);
    std::vector<char> buffer;
    // A file within both blocks is hashed whole; a longer one by its two ends, which differ between
    // two photos of the same size far more often than not.
    const std::uint64_t head = std::min<std::uint64_t>(size, 2 * kLibraryEndBlock);
    if (!ReadAt(*stream, 0, static_cast<std::size_t>(std::min<std::uint64_t>(head, kLibraryEndBlock)), buffer,
                bytesRead))
        return false;
    XXH3_64bits_update(&state, buffer.data(), buffer.size());
    if (size > kLibraryEndBlock) {
        const std::uint64_t tail = std::min<std::uint64_t>(size - kLibraryEndBlock, kLibraryEndBlock);
        if (!ReadAt(*stream, size - tail, static_cast<std::size_t>(tail), buffer, bytesRead))
            return false;
        XXH3_64bits_update(&state, buffer.data(), buffer.size());
    }
    hash = XXH3_64bits_digest(&state);
    return true;
}

std::string LibraryIndex::Key(const std::string& relative)
{
    // Windows names are the same in either case; letters beyond ASCII are kept as spelled, which
    // at worst lists one file twice until the next scan.
    std::string key = relative;
    for (char& c : key)
        if (c >= 'a' && c <= 'z')
            c = static_cast<char>(c - 'a' + 'A');
    return key;
}

std::string LibraryIndex::SourceKey(std::uint32_t volume, const std::string& path)
{
    return std::to_string(volume) + "\t" + path;
}

void LibraryIndex::Put(File file)
{
    const std::string key = Key(file.relative);
    bySize_.emplace(file.stamp.size, key);
    files_[key] = std::move(file);
}

std::string LibraryIndex::Text() const
{
    std::string text(kHeader);
    text += root_ + "\n";
    for (const auto& [key, file] : files_) {
        // A preview's placed files are not in the library.
        if (!file.readFrom.empty())
            continue;
        text += "F\t" + std::to_string(file.stamp.size) + "\t" + std::to_string(file.stamp.writeTime) + "\t" +
                (file.hashed ? Hex(file.ends) : "-") + "\t" + file.relative + "\n";
    }
    for (const auto& [key, source] : sources_) {
        text += "S\t" + std::to_string(source.volume) + "\t" + std::to_string(source.stamp.size) + "\t" +
                std::to_string(source.stamp.writeTime) + "\t" + std::to_string(source.placedStamp.size) +
                "\t" + std::to_string(source.placedStamp.writeTime) + "\t" + source.path + "\t" +
                source.relative + "\n";
    }
    return text;
}

Status LibraryIndex::Load(std::string_view text)
{
    files_.clear();
    bySize_.clear();
    sources_.clear();
    changed_ = false;
    const auto firstEnd = text.find('\n');
    if (firstEnd == std::string_view::npos || text.substr(0, firstEnd) != std::string(kHeader) + root_)
        return Status::Failure(FailureKind::Damaged, "not an index of \"" + root_ + "\"");
    text.remove_prefix(firstEnd + 1);
    bool ok = true;
    while (ok && !text.empty()) {
        const auto end = text.find('\n');
        // A stored index always ends its last line: one without is torn.
        if (end == std::string_view::npos) {
            ok = false;
            break;
        }
        const std::vector<std::string_view> fields = Fields(text.substr(0, end));
        text.remove_prefix(end + 1);
        if (fields.size() == 5 && fields[0] == "F" && SafeRelative(fields[4])) {
            File file;
            file.relative = std::string(fields[4]);
            file.hashed = fields[3] != "-";
            ok = ParseNumber(fields[1], file.stamp.size) && ParseNumber(fields[2], file.stamp.writeTime) &&
                 (!file.hashed || (fields[3].size() == 16 && ParseNumber(fields[3], file.ends, 16)));
            if (ok)
                Put(std::move(file));
        } else if (fields.size() == 8 && fields[0] == "S" && !fields[6].empty() && SafeRelative(fields[7])) {
            Source source;
            source.path = std::string(fields[6]);
            source.relative = std::string(fields[7]);
            ok = ParseNumber(fields[1], source.volume) && ParseNumber(fields[2], source.stamp.size) &&
                 ParseNumber(fields[3], source.stamp.writeTime) &&
                 ParseNumber(fields[4], source.placedStamp.size) &&
                 ParseNumber(fields[5], source.placedStamp.writeTime);
            if (ok)
                sources_[SourceKey(source.volume, source.path)] = std::move(source);
        } else {
            ok = false;
        }
    }
    if (!ok) {
        files_.clear();
        bySize_.clear();
        sources_.clear();
        return Status::Failure(FailureKind::Damaged, "a damaged line in the index of \"" + root_ + "\"");
    }
    return {};
}

void LibraryIndex::BeginScan()
{
    for (auto& [key, file] : files_)
        file.seen = false;
}

void LibraryIndex::Seen(const std::string& relative, const FileStamp& stamp)
{
    const auto found = files_.find(Key(relative));
    if (found != files_.end() && found->second.stamp == stamp && found->second.readFrom.empty()) {
        found->second.seen = true;
        return;
    }
    File file;
    file.relative = relative;
    file.stamp = stamp;
    file.seen = true;
    Put(std::move(file));
    changed_ = true;
}

void LibraryIndex::EndScan()
{
    for (auto it = files_.begin(); it != files_.end();) {
        if (it->second.seen) {
            ++it;
            continue;
        }
        it = files_.erase(it);
        changed_ = true;
    }
    bySize_.clear();
    for (const auto& [key, file] : files_)
        bySize_.emplace(file.stamp.size, key);
    for (auto it = sources_.begin(); it != sources_.end();) {
        const auto file = files_.find(Key(it->second.relative));
        if (file != files_.end() && file->second.stamp == it->second.placedStamp) {
            ++it;
            continue;
        }
        it = sources_.erase(it);
        changed_ = true;
    }
}

void LibraryIndex::Placed(const std::string& relative, const FileStamp& stamp, const std::string& readFrom)
{
    File file;
    file.relative = relative;
    file.stamp = stamp;
    file.readFrom = readFrom;
    file.seen = true;
    Put(std::move(file));
    changed_ = true;
}

void LibraryIndex::Imported(const Source& source)
{
    sources_[SourceKey(source.volume, source.path)] = source;
    changed_ = true;
}

LibraryIndex::Found LibraryIndex::FindContent(FileOps& ops, const std::string& source, const FileStamp& stamp,
                                              ByteProgress* progress, std::string& existing)
{
    // Every empty file is the same as every other: none stands for a photo in the library.
    if (stamp.size == 0)
        return Found::No;
    bool sourceHashed = false;
    std::uint64_t sourceEnds = 0;
    const auto [first, last] = bySize_.equal_range(stamp.size);
    for (auto it = first; it != last; ++it) {
        const auto found = files_.find(it->second);
        if (found == files_.end() || found->second.stamp.size != stamp.size)
            continue;
        File& file = found->second;
        const std::string path = file.readFrom.empty() ? root_ + file.relative : file.readFrom;
        if (!sourceHashed) {
            if (!HashFileEnds(ops, source, stamp.size, sourceEnds, bytesRead_))
                return Found::No;
            sourceHashed = true;
        }
        if (!file.hashed) {
            if (!HashFileEnds(ops, path, file.stamp.size, file.ends, bytesRead_))
                continue;
            file.hashed = true;
            changed_ = true;
        }
        if (file.ends != sourceEnds)
            continue;
        if (SameBytes(ops, source, path, progress)) {
            bytesRead_ += 2 * stamp.size;
            existing = root_ + file.relative;
            return Found::Yes;
        }
        if (ops.LastError() == FileError::kCancelled)
            return Found::Stopped;
    }
    return Found::No;
}

bool LibraryIndex::FindSource(std::uint32_t volume, const std::string& path, const FileStamp& stamp,
                              std::string& existing) const
{
    const auto found = sources_.find(SourceKey(volume, path));
    if (found == sources_.end() || !(found->second.stamp == stamp))
        return false;
    const auto file = files_.find(Key(found->second.relative));
    if (file == files_.end() || !(file->second.stamp == found->second.placedStamp) ||
        !file->second.readFrom.empty())
        return false;
    existing = root_ + file->second.relative;
    return true;
}

Status LoadLibraryIndex(FileOps& ops, const std::string& path, LibraryIndex& index)
{
    const auto failed = [&](const char* what) {
        const std::uint32_t code = ops.LastError();
        return Status::Failure(FailureKind::System,
                               std::string(what) + " \"" + path + "\": " + FileErrorText(code), code);
    };
    const std::unique_ptr<ReadStream> stream = ops.OpenRead(path);
    if (!stream)
        return failed("cannot open");
    std::string text;
    std::vector<char> buffer(64 * 1024);
    for (;;) {
        std::size_t got = 0;
        if (!stream->Read(buffer.data(), buffer.size(), got))
            return failed("cannot read");
        if (got == 0)
            break;
        text.append(buffer.data(), got);
    }
    const Status loaded = index.Load(text);
    if (!loaded)
        return Status::Failure(FailureKind::Damaged, "\"" + path + "\": " + loaded.Reason());
    return {};
}

Status SaveLibraryIndex(FileOps& ops, const std::string& path, const LibraryIndex& index)
{
    const auto failed = [&](std::uint32_t code) {
        return Status::Failure(FailureKind::System, "cannot write \"" + path + "\": " + FileErrorText(code),
                               code);
    };
    const std::string temporary = path + ".new";
    // A temporary file a killed run left is only an unfinished index.
    if (FileIsThere(ops, temporary)) {
        if (const Status deleted = ops.Delete(temporary); !deleted)
            return failed(deleted.Code());
    }
    bool written = false;
    {
        const std::unique_ptr<AppendStream> stream = ops.OpenAppend(temporary, true);
        written = stream && stream->Append(index.Text()) && stream->Flush();
    }
    // The stream's failure is in the last error; the rename's in its own answer.
    std::uint32_t code = ops.LastError();
    if (written) {
        const Status renamed = ops.Rename(temporary, path, true, true);
        if (renamed)
            return {};
        code = renamed.Code();
    }
    static_cast<void>(ops.Delete(temporary));
    return failed(code);
}
