#include "engine/ZipArchive.h"

#include <zlib.h>

#include <algorithm>
#include <cstring>
#include <limits>

#include "base/Utf8Text.h"
#include "engine/RunJournal.h"
#include "engine/SafePath.h"

namespace {

constexpr std::uint32_t kEndSignature = 0x06054b50;
constexpr std::uint32_t kZip64EndSignature = 0x06064b50;
constexpr std::uint32_t kZip64LocatorSignature = 0x07064b50;
constexpr std::uint32_t kCentralSignature = 0x02014b50;
constexpr std::uint32_t kLocalSignature = 0x04034b50;
constexpr std::size_t kEndSize = 22;
constexpr std::size_t kZip64LocatorSize = 20;
constexpr std::size_t kZip64EndSize = 56;
constexpr std::size_t kCentralSize = 46;
constexpr std::size_t kLocalSize = 30;
// The end record is followed by a comment of at most 65535 bytes: the search goes no further.
constexpr std::size_t kMaxEndSearch = kEndSize + 0xFFFF;
constexpr std::uint16_t kZip64ExtraId = 0x0001;
constexpr std::uint16_t kFlagEncrypted = 0x0001;
constexpr std::uint16_t kFlagUtf8 = 0x0800;
constexpr std::uint16_t kStored = 0;
constexpr std::uint16_t kDeflated = 8;
constexpr std::size_t kChunk = 256 * 1024;

std::uint16_t Le16(const unsigned char* p)
{
    return static_cast<std::uint16_t>(p[0] | p[1] << 8);
}

std::uint32_t Le32(const unsigned char* p)
{
    return static_cast<std::uint32_t>(p[0]) | static_cast<std::uint32_t>(p[1]) << 8 |
           static_cast<std::uint32_t>(p[2]) << 16 | static_cast<std::uint32_t>(p[3]) << 24;
}

std::uint64_t Le64(const unsigned char* p)
{
    return Le32(p) | static_cast<std::uint64_t>(Le32(p + 4)) << 32;
}

const unsigned char* Bytes(const std::string& s, std::size_t at)
{
    return reinterpret_cast<const unsigned char*>(s.data()) + at;
}

bool Fail(std::string& reason, std::string text)
{
    reason = std::move(text);
    return false;
}

// Whether [offset, offset + length) lies inside a file of size bytes, without overflow.
bool Within(std::uint64_t offset, std::uint64_t length, std::uint64_t size)
{
    return offset <= size && length <= size - offset;
}

// Reads length bytes at offset into text when they lie inside the archive.
bool ReadRange(ZipInput& input, std::uint64_t offset, std::uint64_t length, std::string& text)
{
    if (!Within(offset, length, input.Size()))
        return false;
    text.resize(static_cast<std::size_t>(length));
    return length == 0 || input.ReadAt(offset, text.data(), text.size());
}

struct Directory {
    std::uint64_t offset = 0;
    std::uint64_t size = 0;
    std::uint64_t count = 0;
};

// Finds the end record (the last signature whose comment ends at the end of the file) and, from
// it or from its Zip64 form, where the central directory lies.
bool FindDirectory(ZipInput& input, Directory& dir, std::string& reason)
{
    const std::uint64_t fileSize = input.Size();
    if (fileSize < kEndSize)
        return Fail(reason, "Not a zip archive (too short)");
    const std::uint64_t tail = std::min<std::uint64_t>(fileSize, kMaxEndSearch);
    std::string end;
    if (!ReadRange(input, fileSize - tail, tail, end))
        return Fail(reason, "The archive could not be read");
    std::size_t at = end.size() - kEndSize + 1;
    bool found = false;
    while (at-- > 0) {
        if (Le32(Bytes(end, at)) == kEndSignature &&
            at + kEndSize + Le16(Bytes(end, at + 20)) == end.size()) {
            found = true;
            break;
        }
    }
    if (!found)
        return Fail(reason, "Not a zip archive (no end of central directory)");
    const unsigned char* rec = Bytes(end, at);
    if (Le16(rec + 4) != 0 || Le16(rec + 6) != 0)
        return Fail(reason, "Split archives (spanning several files) are not supported");
    dir.count = Le16(rec + 10);
    dir.size = Le32(rec + 12);
    dir.offset = Le32(rec + 16);
    const std::uint64_t endOffset = fileSize - tail + at;
    // An archive with more entries or bytes than the end record holds says so by all ones there,
    // and keeps the real values in a Zip64 record named by a locator right before it.
    const bool zip64 = dir.count == 0xFFFF || dir.size == 0xFFFFFFFF || dir.offset == 0xFFFFFFFF;
    std::string locator;
    if (endOffset >= kZip64LocatorSize &&
        !ReadRange(input, endOffset - kZip64LocatorSize, kZip64LocatorSize, locator))
        return Fail(reason, "The archive could not be read");
    if (!locator.empty() && Le32(Bytes(locator, 0)) == kZip64LocatorSignature) {
        std::string rec64;
        if (!ReadRange(input, Le64(Bytes(locator, 8)), kZip64EndSize, rec64) ||
            Le32(Bytes(rec64, 0)) != kZip64EndSignature)
            return Fail(reason, "Damaged archive: the Zip64 end of central directory is missing");
        if (Le32(Bytes(rec64, 16)) != 0 || Le32(Bytes(rec64, 20)) != 0)
            return Fail(reason, "Split archives (spanning several files) are not supported");
        dir.count = Le64(Bytes(rec64, 32));
        dir.size = Le64(Bytes(rec64, 40));
        dir.offset = Le64(Bytes(rec64, 48));
    } else if (zip64) {
        return Fail(reason, "Damaged archive: the Zip64 end of central directory is missing");
    }
    if (!Within(dir.offset, dir.size, fileSize))
        return Fail(reason, "Damaged archive: the central directory lies outside the file");
    if (dir.size > kMaxZipDirectorySize)
        return Fail(reason, "Damaged archive: the central directory is too large");
    if (dir.count > dir.size / kCentralSize)
        return Fail(reason, "Damaged archive: the central directory is too small for its entries");
    return true;
}

// Replaces the sizes and offset that read 0xFFFFFFFF by their values in the Zip64 extra field.
bool ApplyZip64(std::string_view extra, ZipEntry& entry)
{
    std::size_t at = 0;
    while (at + 4 <= extra.size()) {
        const auto* p = reinterpret_cast<const unsigned char*>(extra.data()) + at;
        const std::uint16_t id = Le16(p);
        const std::size_t length = Le16(p + 2);
        if (length > extra.size() - at - 4)
            return false;
        if (id == kZip64ExtraId) {
            std::size_t field = 0;
            for (std::uint64_t* value : {&entry.size, &entry.packedSize, &entry.headerOffset}) {
                if (*value != 0xFFFFFFFF)
                    continue;
                if (field + 8 > length)
                    return false;
                *value = Le64(p + 4 + field);
                field += 8;
            }
            return true;
        }
        at += 4 + length;
    }
    // Values marked as held in a Zip64 field that is not there.
    return entry.size != 0xFFFFFFFF && entry.packedSize != 0xFFFFFFFF && entry.headerOffset != 0xFFFFFFFF;
}

bool ParseDirectory(const std::string& bytes, const Directory& dir, std::vector<ZipEntry>& entries,
                    std::string& reason)
{
    entries.clear();
    entries.reserve(static_cast<std::size_t>(dir.count));
    std::size_t at = 0;
    for (std::uint64_t i = 0; i < dir.count; ++i) {
        if (bytes.size() - at < kCentralSize || Le32(Bytes(bytes, at)) != kCentralSignature)
            return Fail(reason,
                        "Damaged archive: entry " + std::to_string(i + 1) + " of the central directory");
        const unsigned char* p = Bytes(bytes, at);
        ZipEntry entry;
        entry.flags = Le16(p + 8);
        entry.method = Le16(p + 10);
        entry.dosTime = Le16(p + 12);
        entry.dosDate = Le16(p + 14);
        entry.crc = Le32(p + 16);
        entry.packedSize = Le32(p + 20);
        entry.size = Le32(p + 24);
        const std::size_t nameLength = Le16(p + 28);
        const std::size_t extraLength = Le16(p + 30);
        const std::size_t commentLength = Le16(p + 32);
        entry.headerOffset = Le32(p + 42);
        const std::size_t variable = nameLength + extraLength + commentLength;
        if (variable > bytes.size() - at - kCentralSize)
            return Fail(reason,
                        "Damaged archive: entry " + std::to_string(i + 1) + " of the central directory");
        const std::string_view raw(bytes.data() + at + kCentralSize, nameLength);
        if (!ApplyZip64(std::string_view(bytes.data() + at + kCentralSize + nameLength, extraLength), entry))
            return Fail(reason, "Damaged archive: the Zip64 sizes of entry " + std::to_string(i + 1));
        if (entry.flags & kFlagUtf8) {
            if (!IsValidUtf8(raw))
                return Fail(reason, "Damaged archive: the name of entry " + std::to_string(i + 1) +
                                            " is not valid UTF-8");
            entry.name.assign(raw);
        } else {
            entry.name = Cp437ToUtf8(raw);
        }
        entry.folder = !raw.empty() && (raw.back() == '/' || raw.back() == '\\');
        entries.push_back(std::move(entry));
        at += kCentralSize + variable;
    }
    return true;
}

// Where the entry's data starts, after its local header; checked to lie, whole, before the
// central directory.
bool DataOffset(ZipInput& input, const ZipEntry& entry, std::uint64_t& offset, std::string& reason)
{
    std::string header;
    if (!ReadRange(input, entry.headerOffset, kLocalSize, header) ||
        Le32(Bytes(header, 0)) != kLocalSignature)
        return Fail(reason, "Damaged archive: the entry's local header is missing");
    const std::uint64_t start =
            entry.headerOffset + kLocalSize + Le16(Bytes(header, 26)) + Le16(Bytes(header, 28));
    if (!Within(start, entry.packedSize, input.Size()))
        return Fail(reason, "Damaged archive: the entry's data is cut short");
    offset = start;
    return true;
}

class Inflater {
public:
    Inflater() { ok_ = inflateInit2(&stream_, -MAX_WBITS) == Z_OK; }
    ~Inflater()
    {
        if (ok_)
            inflateEnd(&stream_);
    }
    Inflater(const Inflater&) = delete;
    Inflater& operator=(const Inflater&) = delete;
    bool ok_ = false;
    z_stream stream_ {};
};

// Keeps the running CRC and the count of bytes put out, refusing more than the entry's size.
class CheckedOutput {
public:
    CheckedOutput(ZipOutput& output, std::uint64_t size) : output_(output), size_(size) { }
    bool Put(const char* bytes, std::size_t length, std::string& reason)
    {
        if (length > size_ - done_)
            return Fail(reason, "Damaged archive: the entry holds more bytes than its size says");
        crc_ = crc32_z(crc_, reinterpret_cast<const Bytef*>(bytes), length);
        done_ += length;
        if (!output_.Write(bytes, length))
            return Fail(reason, "The extracted file could not be written");
        return true;
    }
    std::uint64_t Done() const { return done_; }
    std::uint32_t Crc() const { return static_cast<std::uint32_t>(crc_); }

private:
    ZipOutput& output_;
    const std::uint64_t size_;
    std::uint64_t done_ = 0;
    uLong crc_ = crc32_z(0, nullptr, 0);
};

// A buffer for up to size bytes of an entry, at most kChunk: small entries (most photos of an
// export) cost no more than their own size.
std::string ChunkFor(std::uint64_t size)
{
    return std::string(static_cast<std::size_t>(std::clamp<std::uint64_t>(size, 1, kChunk)), '\0');
}

bool Continue(ByteProgress* progress, std::uint64_t done, std::uint64_t total, std::string& reason)
{
    if (progress && !progress->Advance(done, total))
        return Fail(reason, "Cancelled");
    return true;
}

bool CopyStored(ZipInput& input, std::uint64_t offset, const ZipEntry& entry, CheckedOutput& out,
                std::string& reason, ByteProgress* progress)
{
    std::string buffer(kChunk, '\0');
    for (std::uint64_t done = 0; done < entry.packedSize;) {
        const std::size_t length =
                static_cast<std::size_t>(std::min<std::uint64_t>(kChunk, entry.packedSize - done));
        if (!input.ReadAt(offset + done, buffer.data(), length))
            return Fail(reason, "The archive could not be read");
        if (!out.Put(buffer.data(), length, reason))
            return false;
        done += length;
        if (!Continue(progress, done, entry.packedSize, reason))
            return false;
    }
    return true;
}

bool Inflate(ZipInput& input, std::uint64_t offset, const ZipEntry& entry, CheckedOutput& out,
             std::string& reason, ByteProgress* progress)
{
    Inflater inflater;
    if (!inflater.ok_)
        return Fail(reason, "Out of memory");
    z_stream& z = inflater.stream_;
    std::string in = ChunkFor(entry.packedSize);
    std::string buffer = ChunkFor(entry.size);
    std::uint64_t read = 0;
    int status = Z_OK;
    while (status != Z_STREAM_END) {
        if (z.avail_in == 0) {
            if (read == entry.packedSize)
                return Fail(reason, "Damaged archive: the entry's compressed data ends early");
            const std::size_t length =
                    static_cast<std::size_t>(std::min<std::uint64_t>(in.size(), entry.packedSize - read));
            if (!input.ReadAt(offset + read, in.data(), length))
                return Fail(reason, "The archive could not be read");
            read += length;
            z.next_in = reinterpret_cast<Bytef*>(in.data());
            z.avail_in = static_cast<uInt>(length);
        }
        z.next_out = reinterpret_cast<Bytef*>(buffer.data());
        z.avail_out = static_cast<uInt>(buffer.size());
        status = inflate(&z, Z_NO_FLUSH);
        if (status != Z_OK && status != Z_STREAM_END && status != Z_BUF_ERROR)
            return Fail(reason, "Damaged archive: the entry's compressed data is corrupt");
        if (!out.Put(buffer.data(), buffer.size() - z.avail_out, reason))
            return false;
        if (!Continue(progress, read, entry.packedSize, reason))
            return false;
    }
    return true;
}

const char* const kCp437High[128] = {
        "Ç", "ü", "é", "â", "ä", "à", "å", "ç", "ê", "ë", "è", "ï", "î", "ì",       "Ä", "Å", "É", "æ", "Æ",
        "ô", "ö", "ò", "û", "ù", "ÿ", "Ö", "Ü", "¢", "£", "¥", "₧", "ƒ", "á",       "í", "ó", "ú", "ñ", "Ñ",
        "ª", "º", "¿", "⌐", "¬", "½", "¼", "¡", "«", "»", "░", "▒", "▓", "│",       "┤", "╡", "╢", "╖", "╕",
        "╣", "║", "╗", "╝", "╜", "╛", "┐", "└", "┴", "┬", "├", "─", "┼", "╞",       "╟", "╚", "╔", "╩", "╦",
        "╠", "═", "╬", "╧", "╨", "╤", "╥", "╙", "╘", "╒", "╓", "╫", "╪", "┘",       "┌", "█", "▄", "▌", "▐",
        "▀", "α", "ß", "Γ", "π", "Σ", "σ", "µ", "τ", "Φ", "Θ", "Ω", "δ", "∞",       "φ", "ε", "∩", "≡", "±",
        "≥", "≤", "⌠", "⌡", "÷", "≈", "°", "∙", "·", "√", "ⁿ", "²", "■", "\xC2\xA0"};

bool EndsWithZip(std::string_view name)
{
    if (name.size() < 4)
        return false;
    const std::string_view ext = name.substr(name.size() - 4);
    return ext[0] == '.' && (ext[1] | 0x20) == 'z' && (ext[2] | 0x20) == 'i' && (ext[3] | 0x20) == 'p';
}

}  // namespace

bool MemoryZipInput::ReadAt(std::uint64_t offset, char* buffer, std::size_t size)
{
    if (!Within(offset, size, bytes_.size()))
        return false;
    std::memcpy(buffer, bytes_.data() + offset, size);
    return true;
}

bool FileZipInput::Open(FileOps& ops, const std::string& path)
{
    FileState state;
    if (!ops.Stat(path, state))
        return false;
    if (state.folder) {
        ops.SetLastError(FileError::kAccessDenied);
        return false;
    }
    stream_ = ops.OpenRead(path);
    if (!stream_)
        return false;
    size_ = state.stamp.size;
    position_ = 0;
    return true;
}

bool FileZipInput::ReadAt(std::uint64_t offset, char* buffer, std::size_t size)
{
    if (!stream_)
        return false;
    if (offset != position_ && !stream_->Seek(offset))
        return false;
    position_ = offset;
    std::size_t done = 0;
    while (done < size) {
        std::size_t got = 0;
        if (!stream_->Read(buffer + done, size - done, got) || got == 0)
            return false;
        done += got;
        position_ += got;
    }
    return true;
}

bool ReadZipDirectory(ZipInput& input, std::vector<ZipEntry>& entries, std::string& reason)
{
    Directory dir;
    if (!FindDirectory(input, dir, reason))
        return false;
    std::string bytes;
    if (!ReadRange(input, dir.offset, dir.size, bytes))
        return Fail(reason, "The archive could not be read");
    return ParseDirectory(bytes, dir, entries, reason);
}

bool ListZipNames(ZipInput& input, std::vector<std::string>& names, std::string& reason)
{
    std::vector<ZipEntry> entries;
    if (!ReadZipDirectory(input, entries, reason))
        return false;
    names.clear();
    for (ZipEntry& entry : entries)
        if (!entry.folder)
            names.push_back(std::move(entry.name));
    return true;
}

bool ExtractZipEntry(ZipInput& input, const ZipEntry& entry, ZipOutput& output, std::string& reason,
                     ByteProgress* progress)
{
    if (entry.folder)
        return Fail(reason, "A folder, not a file");
    if (entry.flags & kFlagEncrypted)
        return Fail(reason, "Encrypted entries are not supported");
    if (entry.method != kStored && entry.method != kDeflated)
        return Fail(reason,
                    "Compressed with a method that is not supported (" + std::to_string(entry.method) + ")");
    if (entry.method == kStored && entry.packedSize != entry.size)
        return Fail(reason, "Damaged archive: the stored entry's sizes differ");
    std::uint64_t offset = 0;
    if (!DataOffset(input, entry, offset, reason))
        return false;
    CheckedOutput out(output, entry.size);
    const bool copied = entry.method == kStored ? CopyStored(input, offset, entry, out, reason, progress)
                                                : Inflate(input, offset, entry, out, reason, progress);
    if (!copied)
        return false;
    if (out.Done() != entry.size)
        return Fail(reason, "Damaged archive: the entry holds fewer bytes than its size says");
    if (out.Crc() != entry.crc)
        return Fail(reason, "Damaged archive: the entry's checksum (CRC-32) does not match");
    return true;
}

namespace {

class StreamOutput : public ZipOutput {
public:
    explicit StreamOutput(AppendStream& stream) : stream_(stream) { }
    bool Write(const char* bytes, std::size_t size) override
    {
        return stream_.Append(std::string_view(bytes, size));
    }

private:
    AppendStream& stream_;
};

// The system's reason for the last failed file call, for a row.
std::string SystemReason(FileOps& ops, const std::string& what)
{
    const std::uint32_t code = ops.LastError();
    return code == 0 ? what : what + " (" + FileErrorText(code) + ")";
}

}  // namespace

bool ExtractZipEntryToFile(FileOps& ops, ZipInput& input, const ZipEntry& entry, const std::string& path,
                           std::string& reason, ByteProgress* progress, bool durable)
{
    std::unique_ptr<AppendStream> stream = ops.OpenAppend(path, true);
    if (!stream)
        return Fail(reason, SystemReason(ops, "The extracted file could not be created"));
    StreamOutput output(*stream);
    bool ok = ExtractZipEntry(input, entry, output, reason, progress);
    if (ok && durable && !stream->Flush()) {
        reason = SystemReason(ops, "The extracted file could not be written");
        ok = false;
    }
    stream.reset();
    FileState state;
    if (ok && (!ops.Stat(path, state) || state.stamp.size != entry.size)) {
        reason = SystemReason(ops, "The extracted file is incomplete");
        ok = false;
    }
    if (!ok) {
        const KeepFileError keep(ops);
        static_cast<void>(ops.Delete(path));
        return false;
    }
    // The member's own time, as any copy keeps its source's; an entry without a valid one keeps
    // the time it was written.
    static_cast<void>(ops.SetWriteTimeFromDos(path, entry.dosDate, entry.dosTime));
    return true;
}

bool ZipEntryPath(std::string_view name, std::string& relative, std::string& reason)
{
    relative.clear();
    if (name.empty())
        return Fail(reason, NameFaultText(NameFault::Empty, name));
    if (name.front() == '/' || name.front() == '\\')
        return Fail(reason, "Unsafe name \"" + ShowableName(name) + "\" (an absolute path)");
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find_first_of("/\\", start);
        if (end == std::string_view::npos)
            end = name.size();
        const std::string_view part = name.substr(start, end - start);
        const NameFault fault = CheckNameComponent(part);
        if (fault != NameFault::None) {
            relative.clear();
            return Fail(reason, NameFaultText(fault, name));
        }
        if (!relative.empty())
            relative += '\\';
        relative.append(part);
        start = end + 1;
    }
    return true;
}

std::string Cp437ToUtf8(std::string_view text)
{
    std::string utf8;
    utf8.reserve(text.size());
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x80)
            utf8 += c;
        else
            utf8 += kCp437High[byte - 0x80];
    }
    return utf8;
}

std::string ArchiveMemberPath(const std::string& archive, const std::string& relative)
{
    return archive + "\\" + relative;
}

bool SplitArchiveMember(const std::string& path, std::string& archive, std::string& relative)
{
    std::size_t end = 0;
    while ((end = path.find_first_of("\\/", end)) != std::string::npos) {
        if (EndsWithZip(std::string_view(path).substr(0, end)) && end + 1 < path.size()) {
            archive = path.substr(0, end);
            relative = path.substr(end + 1);
            return true;
        }
        ++end;
    }
    return false;
}

bool IsZipArchiveName(const std::string& path)
{
    return EndsWithZip(path);
}
