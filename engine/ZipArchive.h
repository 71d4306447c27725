// Reading photos straight out of .zip archives (an online service's export comes as dozens of
// them): the central directory, Zip64 for archives and entries beyond 4 GB, stored and deflated
// entries, names in UTF-8 or the old DOS code page. Everything in an archive is untrusted: every
// length is checked against the archive before it is used, nothing is read past its end, and a
// damaged archive or entry fails with a reason a row can show.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "engine/FileOps.h"

// One file or folder of an archive, as its central directory describes it.
struct ZipEntry {
    std::string name;  // UTF-8: converted from code page 437 when the archive does not flag UTF-8
    std::uint64_t packedSize = 0;
    std::uint64_t size = 0;
    std::uint64_t headerOffset = 0;  // of its local header
    std::uint32_t crc = 0;
    std::uint16_t method = 0;  // 0 stored, 8 deflated
    std::uint16_t flags = 0;
    std::uint16_t dosTime = 0;
    std::uint16_t dosDate = 0;
    bool folder = false;  // the name ends with a slash
};

// An archive's bytes, read at any offset.
class ZipInput {
public:
    virtual ~ZipInput() = default;
    virtual std::uint64_t Size() const = 0;
    // Exactly size bytes from offset, or false.
    virtual bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size) = 0;
};

// An archive held in memory.
class MemoryZipInput : public ZipInput {
public:
    explicit MemoryZipInput(std::string_view bytes) : bytes_(bytes) { }
    std::uint64_t Size() const override { return bytes_.size(); }
    bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override;

private:
    std::string_view bytes_;
};

// An archive file read through the run's file functions. Reads that follow each other need no
// seek, so that entries taken in their order read the archive front to back.
class FileZipInput : public ZipInput {
public:
    // False, with the system's error, when the file cannot be opened or is a folder.
    bool Open(FileOps& ops, const std::string& path);
    std::uint64_t Size() const override { return size_; }
    bool ReadAt(std::uint64_t offset, char* buffer, std::size_t size) override;

private:
    std::unique_ptr<ReadStream> stream_;
    std::uint64_t size_ = 0;
    std::uint64_t position_ = 0;
};

// Where extracted bytes go.
class ZipOutput {
public:
    virtual ~ZipOutput() = default;
    virtual bool Write(const char* bytes, std::size_t size) = 0;
};

// The largest central directory read (about two million entries): more is taken for damage.
inline constexpr std::uint64_t kMaxZipDirectorySize = 256ull * 1024 * 1024;

// Reads the archive's central directory; false with the reason (for example "Damaged archive:
// the central directory lies outside the file") when it cannot be read whole.
bool ReadZipDirectory(ZipInput& input, std::vector<ZipEntry>& entries, std::string& reason);

// The names of the archive's files (folders left out), as ReadZipDirectory reads them, without
// touching any entry's data.
bool ListZipNames(ZipInput& input, std::vector<std::string>& names, std::string& reason);

// Writes the entry's bytes to output, inflated when deflated, checked against the size and the
// CRC-32 the directory gives; false with the reason otherwise (output may then hold part of the
// bytes: the caller discards them). Stops, with the reason "Cancelled", when progress says so.
bool ExtractZipEntry(ZipInput& input, const ZipEntry& entry, ZipOutput& output, std::string& reason,
                     ByteProgress* progress = nullptr);

// Writes the entry as a new file at path (never over an existing one), flushed to the drive (unless
// not durable: a scratch copy that is read and removed again within the run) and checked to hold
// the entry's size before it returns; on any failure nothing of path is left. The reason says why
// (a damaged entry, or the system's error for the file).
bool ExtractZipEntryToFile(FileOps& ops, ZipInput& input, const ZipEntry& entry, const std::string& path,
                           std::string& reason, ByteProgress* progress = nullptr, bool durable = true);

// The entry's name as a relative Windows path ("DCIM\\photo.jpg"), every part checked as an
// untrusted name: nothing absolute, no drive, no "." or "..", no device name, no control
// character (NUL included). False with the row's reason otherwise.
bool ZipEntryPath(std::string_view name, std::string& relative, std::string& reason);

// Text in code page 437 (the DOS code page old archivers wrote names in) as UTF-8.
std::string Cp437ToUtf8(std::string_view text);

// A file inside an archive as the file list shows it: "D:\\export.zip\\Photos\\a.jpg".
std::string ArchiveMemberPath(const std::string& archive, const std::string& relative);

// Splits such a path at its first part that ends in ".zip" (letters in any case) and is followed
// by more; false for a plain path.
bool SplitArchiveMember(const std::string& path, std::string& archive, std::string& relative);

// Whether the path names a .zip file by its extension.
bool IsZipArchiveName(const std::string& path);
