// The file-system calls that change a user's files, behind one small interface: the real calls on
// Windows, and a simulation in the tests that can be ended at any call or run out of space, so
// that every guarantee of a run and of its undo is checked against every moment it can stop at.
// Failures carry the system's error numbers, so that both report alike.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "base/PathText.h"
#include "base/Status.h"

class ContentHasher;

// The system's numbers for the failures the run tells apart.
namespace FileError {
inline constexpr std::uint32_t kNone = 0;
inline constexpr std::uint32_t kFileNotFound = 2;
inline constexpr std::uint32_t kPathNotFound = 3;
inline constexpr std::uint32_t kAccessDenied = 5;
inline constexpr std::uint32_t kInvalidHandle = 6;
inline constexpr std::uint32_t kNotSameDevice = 17;
inline constexpr std::uint32_t kWriteFault = 29;
inline constexpr std::uint32_t kInvalidParameter = 87;
inline constexpr std::uint32_t kSharingViolation = 32;
inline constexpr std::uint32_t kLockViolation = 33;
inline constexpr std::uint32_t kHandleDiskFull = 39;
inline constexpr std::uint32_t kFileExists = 80;
inline constexpr std::uint32_t kDiskFull = 112;
inline constexpr std::uint32_t kDirNotEmpty = 145;
inline constexpr std::uint32_t kAlreadyExists = 183;
inline constexpr std::uint32_t kFilenameTooLong = 206;
inline constexpr std::uint32_t kCancelled = 1223;
// The program's own failures: the customer bit keeps them apart from the system's numbers.
inline constexpr std::uint32_t kCopyDiffers = 0x20000001;
inline constexpr const char* kCopyDiffersText = "The copy read back differs from the source";
// A copy's unfinished name that another program holds: the copy wrote nothing, and the step may
// take another unfinished name.
inline constexpr std::uint32_t kPartialTaken = 0x20000002;
}  // namespace FileError

// The system's text for an error number (set by the platform; the number alone without one).
std::string FileErrorText(std::uint32_t code);

// A failed file-system call as a failure: its number with the system's words for it (none for no
// number); a copy that read back different from its source is damaged.
inline Status FileFailure(std::uint32_t code)
{
    return Status::Failure(code == FileError::kCopyDiffers ? FailureKind::Damaged : FailureKind::System,
                           code == FileError::kNone ? std::string() : FileErrorText(code), code);
}

// A file's size and last-write time (100-nanosecond units since 1601, UTC).
struct FileStamp {
    std::uint64_t size = 0;
    std::uint64_t writeTime = 0;
    bool operator==(const FileStamp&) const = default;
};

struct FileState {
    bool folder = false;
    bool readOnly = false;
    FileStamp stamp;
    std::uint64_t creationTime = 0;  // in the units of the stamp's time
};

// What identifies a file on its volume, however its path is spelled.
struct FileIdentity {
    std::uint32_t volume = 0;
    std::uint64_t index = 0;
    bool operator==(const FileIdentity&) const = default;
    auto operator<=>(const FileIdentity&) const = default;
};

// A plain file of a folder listing and what identifies it, with the size, times and attributes the
// same listing gives, so that a run asks the file itself for none of them.
struct ListedIdentity {
    std::string name;  // its name as the folder lists it
    std::string shortName;  // its 8.3 name, empty when it has none
    FileIdentity identity;
    FileStamp stamp;
    std::uint32_t attributes = 0;  // the system's attribute bits
};

// Told how far a long copy or comparison has come, often enough that the caller's window keeps
// answering (a copy reports at least every kByteProgressIntervalMs, also while one write or the
// flush takes long). Returning false stops the work, which then fails with kCancelled.
class ByteProgress {
public:
    virtual ~ByteProgress() = default;
    virtual bool Advance(std::uint64_t done, std::uint64_t total) = 0;
};

inline constexpr unsigned kByteProgressIntervalMs = 50;

// A file opened for appending records (a run journal). Other programs may read it meanwhile but
// not write it, so that a run and an undo of the same journal never overlap.
class AppendStream {
public:
    virtual ~AppendStream() = default;
    // Everything in the file, for a journal opened to be read and then continued.
    virtual bool ReadAll(std::string& text, std::uint64_t maxSize) = 0;
    virtual bool Append(std::string_view bytes) = 0;
    // Makes everything appended so far outlive a power loss.
    virtual bool Flush() = 0;
    // Cuts the file to size (a torn last record); the next append follows it.
    virtual bool Truncate(std::uint64_t size) = 0;
};

// A file opened to be read from its start.
class ReadStream {
public:
    virtual ~ReadStream() = default;
    // Up to size bytes; got is 0 at the end.
    virtual bool Read(char* buffer, std::size_t size, std::size_t& got) = 0;
    // Moves the reading position to offset from the start.
    virtual bool Seek(std::uint64_t offset) = 0;
};

class BatchProgress;

// A copy made complete (written, flushed and checked) and still open under its unfinished name,
// so that it takes its real name through its own handle: its unfinished name is not looked up
// again, and no other program that opened it meanwhile can refuse the rename. While it is open,
// others may only read it and its unfinished name cannot be removed.
class HeldCopy {
public:
    virtual ~HeldCopy() = default;  // closes it
    // Its real name on the same drive, never over an existing file (kAlreadyExists); it stays
    // open either way.
    virtual Status Rename(const std::string& target) = 0;
    // Closes it, leaving the file as it is under whichever name it has.
    virtual void Close() = 0;
};

// One copy of those CopyNewTogether makes, and how it ended.
struct BatchCopy {
    std::string source;
    std::string target;
    std::uint64_t expectedSize = 0;
    ContentHasher* hasher = nullptr;  // every byte copied is also given to it (none: null)
    BatchProgress* progress = nullptr;  // told when its bytes are written (none: null)
    // Asks for the copy, once done, to be handed back open in held where the file system can;
    // else it is closed.
    bool hold = false;
    bool done = false;
    Status status {};  // why not done
    // When done, the copy's size and last-write time as its file system keeps them (a FAT drive
    // rounds the time), read through the copy's own handle; unknown when the file system told none.
    std::optional<FileStamp> made {};
    std::shared_ptr<HeldCopy> held {};  // when done and held
};

// Told of each copy of a batch as soon as its bytes are written, before the batch is flushed, so
// that a batch's bytes are counted as they go instead of all at once after it.
class BatchProgress {
public:
    virtual ~BatchProgress() = default;
    virtual void Written(const BatchCopy& copy) = 0;
};

// Copies of this size and more are made on their own: each reports its progress, and the bytes
// a batch holds unflushed stay bounded.
inline constexpr std::uint64_t kLoneCopySize = 8ull * 1024 * 1024;

class FileOps {
public:
    virtual ~FileOps() = default;

    // The length of a path as the system counts it (UTF-16 units).
    virtual std::size_t PathLength(const std::string& path) const = 0;

    // Why the last failing call of this thread failed (a FileError number or another system one).
    virtual std::uint32_t LastError() const = 0;
    virtual void SetLastError(std::uint32_t code) = 0;

    // False when nothing is there (or it cannot be reached).
    virtual bool Stat(const std::string& path, FileState& state) = 0;
    virtual bool Identity(const std::string& path, FileIdentity& identity) = 0;
    // Identity for the plain files of a folder, all from one listing: asking each file costs an
    // open per file. Links are left out (their path reaches another file) and so are files the
    // volume gives no identity. False where the folder cannot be listed so.
    virtual bool FolderIdentities(const std::string& /*folder*/, std::vector<ListedIdentity>& /*files*/)
    {
        return false;
    }
    // Every name a folder holds (files, folders, links), from one listing. False where it cannot
    // be listed; kPathNotFound when it is not there.
    virtual bool ListNames(const std::string& /*folder*/, std::vector<std::string>& /*names*/)
    {
        SetLastError(FileError::kInvalidParameter);
        return false;
    }
    // A name in the form the file system compares names in: two names with the same key name one
    // file.
    virtual std::string NameKey(const std::string& name) const;
    // One folder level; fails with kAlreadyExists when it is there.
    virtual Status MakeFolder(const std::string& folder) = 0;
    // Only an empty folder.
    virtual Status RemoveFolder(const std::string& folder) = 0;
    // A rename on one volume, atomic: the target name holds the old file or the new one. Fails with
    // kNotSameDevice across volumes; replaces an existing file only when asked. writeThrough makes
    // it outlive a power loss before it returns.
    virtual Status Rename(const std::string& from, const std::string& to, bool replace,
                          bool writeThrough) = 0;
    // A second name for the same file, on the same volume.
    virtual Status HardLink(const std::string& existing, const std::string& link) = 0;
    virtual Status Delete(const std::string& path) = 0;
    virtual Status SetReadOnly(const std::string& path, bool readOnly) = 0;
    virtual Status SetCreationTime(const std::string& path, std::uint64_t creationTime) = 0;
    // Sets a file's last-write time from an MS-DOS date and time, which archives store in the
    // local time of the computer that made them: read as this computer's local time.
    virtual Status SetWriteTimeFromDos(const std::string& path, std::uint16_t dosDate,
                                       std::uint16_t dosTime) = 0;
    // Writes a new file at target (never over an existing one) with source's bytes and last-write
    // time, through one handle: written, flushed to the drive and checked to hold expectedSize
    // bytes before it is closed, every byte copied also given to hasher (none: null). On failure
    // (a stop asked through progress included) nothing of target is left.
    virtual Status CopyNew(const std::string& source, const std::string& target, std::uint64_t expectedSize,
                           ByteProgress* progress = nullptr, ContentHasher* hasher = nullptr) = 0;
    // Makes each copy as CopyNew does (written, flushed and checked, or nothing of its target
    // left), all written before any is flushed, so that the drive commits them together. Each ends
    // on its own, its failure in its own status; each written is told to its progress. stop (none:
    // empty) is asked before each copy: once it says true, the copies not begun fail with kCancelled.
    virtual void CopyNewTogether(std::vector<BatchCopy>& copies, const std::function<bool()>& stop);
    // The names of the files (not folders) in a folder.
    virtual bool ListFiles(const std::string& folder, std::vector<std::string>& names) = 0;
    // Fails with kSharingViolation while another handle may write the file.
    virtual std::unique_ptr<AppendStream> OpenAppend(const std::string& path, bool createNew) = 0;
    virtual std::unique_ptr<ReadStream> OpenRead(const std::string& path) = 0;
    // A file opened to be read from the drive itself, past the system's cache: every read asks a
    // multiple of kReadBackAlignment bytes into a buffer aligned to it, and the first short read
    // is the end. Where nothing is cached (a simulation) the plain read.
    virtual std::unique_ptr<ReadStream> OpenReadUncached(const std::string& path) { return OpenRead(path); }
    // A pause before a step is tried again (another program holds the file for a moment).
    virtual void Wait(unsigned milliseconds) = 0;
};

// The system's own file functions (Windows builds only).
FileOps& SystemFileOps();

// Keeps the last error of the call that failed across the clean-up calls that follow it.
class KeepFileError {
public:
    explicit KeepFileError(FileOps& ops) : ops_(ops), code_(ops.LastError()) { }
    ~KeepFileError() { ops_.SetLastError(code_); }
    KeepFileError(const KeepFileError&) = delete;
    KeepFileError& operator=(const KeepFileError&) = delete;

private:
    FileOps& ops_;
    std::uint32_t code_;
};

// Path helpers of the layer, free of the system.
bool FileIsThere(FileOps& ops, const std::string& path);  // a file, not a folder
bool AnythingThere(FileOps& ops, const std::string& path);
bool ReadStampOf(FileOps& ops, const std::string& path, FileStamp& stamp);  // a file only
// Creates folder and its missing parents.
Status MakeFolders(FileOps& ops, const std::string& folder);
// The alignment of the buffer and of every read that bypasses the system's cache: a multiple of
// the sector sizes drives have (512 and 4096 bytes), as such reads require.
inline constexpr std::size_t kReadBackAlignment = 4096;

// The bytes read from each file at a time when two files are compared.
inline constexpr std::size_t kCompareBlockSize = 256 * 1024;

// Both files can be read and hold the same bytes: sizes first, then the bytes block by block,
// each block reported to progress. A folder is never the same as anything. False with kCancelled
// when progress stops the comparison.
bool SameBytes(FileOps& ops, const std::string& a, const std::string& b, ByteProgress* progress = nullptr);

// Another file system, every call passed on: the base of those that change a few of them.
class ForwardingFileOps : public FileOps {
public:
    explicit ForwardingFileOps(FileOps& inner) : inner_(inner) { }

    std::size_t PathLength(const std::string& path) const override { return inner_.PathLength(path); }
    std::uint32_t LastError() const override { return inner_.LastError(); }
    void SetLastError(std::uint32_t code) override { inner_.SetLastError(code); }
    bool Stat(const std::string& path, FileState& state) override { return inner_.Stat(path, state); }
    bool Identity(const std::string& path, FileIdentity& identity) override
    {
        return inner_.Identity(path, identity);
    }
    bool FolderIdentities(const std::string& folder, std::vector<ListedIdentity>& files) override
    {
        return inner_.FolderIdentities(folder, files);
    }
    bool ListNames(const std::string& folder, std::vector<std::string>& names) override
    {
        return inner_.ListNames(folder, names);
    }
    std::string NameKey(const std::string& name) const override { return inner_.NameKey(name); }
    Status MakeFolder(const std::string& folder) override { return inner_.MakeFolder(folder); }
    Status RemoveFolder(const std::string& folder) override { return inner_.RemoveFolder(folder); }
    Status Rename(const std::string& from, const std::string& to, bool replace, bool writeThrough) override
    {
        return inner_.Rename(from, to, replace, writeThrough);
    }
    Status HardLink(const std::string& existing, const std::string& link) override
    {
        return inner_.HardLink(existing, link);
    }
    Status Delete(const std::string& path) override { return inner_.Delete(path); }
    Status SetReadOnly(const std::string& path, bool readOnly) override
    {
        return inner_.SetReadOnly(path, readOnly);
    }
    Status SetCreationTime(const std::string& path, std::uint64_t creationTime) override
    {
        return inner_.SetCreationTime(path, creationTime);
    }
    Status SetWriteTimeFromDos(const std::string& path, std::uint16_t dosDate, std::uint16_t dosTime) override
    {
        return inner_.SetWriteTimeFromDos(path, dosDate, dosTime);
    }
    Status CopyNew(const std::string& source, const std::string& target, std::uint64_t expectedSize,
                   ByteProgress* progress, ContentHasher* hasher) override
    {
        return inner_.CopyNew(source, target, expectedSize, progress, hasher);
    }
    void CopyNewTogether(std::vector<BatchCopy>& copies, const std::function<bool()>& stop) override
    {
        inner_.CopyNewTogether(copies, stop);
    }
    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override
    {
        return inner_.ListFiles(folder, names);
    }
    std::unique_ptr<AppendStream> OpenAppend(const std::string& path, bool createNew) override
    {
        return inner_.OpenAppend(path, createNew);
    }
    std::unique_ptr<ReadStream> OpenRead(const std::string& path) override { return inner_.OpenRead(path); }
    std::unique_ptr<ReadStream> OpenReadUncached(const std::string& path) override
    {
        return inner_.OpenReadUncached(path);
    }
    void Wait(unsigned milliseconds) override { inner_.Wait(milliseconds); }

protected:
    FileOps& inner_;
};

// The same file system with every copy reported to the progress it is given: for the run, whose
// journal makes the copies through a FileOps of its own.
class ReportingFileOps : public ForwardingFileOps {
public:
    using ForwardingFileOps::ForwardingFileOps;
    // From now on (none: null); batches is told of each copy a batch writes.
    void ReportTo(ByteProgress* progress, BatchProgress* batches = nullptr)
    {
        progress_ = progress;
        batches_ = batches;
    }

    // The progress given here stands for any other.
    Status CopyNew(const std::string& source, const std::string& target, std::uint64_t expectedSize,
                   ByteProgress*, ContentHasher* hasher) override
    {
        return inner_.CopyNew(source, target, expectedSize, progress_, hasher);
    }
    void CopyNewTogether(std::vector<BatchCopy>& copies, const std::function<bool()>& stop) override
    {
        for (BatchCopy& copy : copies)
            copy.progress = batches_;
        inner_.CopyNewTogether(copies, stop);
    }

private:
    ByteProgress* progress_ = nullptr;
    BatchProgress* batches_ = nullptr;
};
