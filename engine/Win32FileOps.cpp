// The system's file functions behind FileOps, called with the names base/WidePath.h gives.
#include <windows.h>

#include <algorithm>
#include <atomic>
#include <cstddef>
#include <memory>
#include <optional>
#include <string_view>
#include <vector>

#include "base/OwnedHandle.h"
#include "base/WidePath.h"
#include "engine/BatchFlush.h"
#include "engine/CopyCheck.h"
#include "engine/FileOps.h"
#include "engine/FileTransfer.h"
#include "engine/PathUtils.h"

namespace {

// Every name this file hands the system.
std::wstring SystemPath(const std::string& path)
{
    return WidePath(path);
}

// The failure of the system call that just failed, its number kept as the thread's last error
// (the system's text is looked up only here, never on success).
Status LastFailure()
{
    const DWORD code = GetLastError();
    Status failure = FileFailure(code);
    ::SetLastError(code);
    return failure;
}

Status Answer(BOOL ok)
{
    return ok ? Status() : LastFailure();
}

std::uint64_t Join(DWORD high, DWORD low)
{
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

class SystemAppend : public AppendStream {
public:
    explicit SystemAppend(HANDLE h) : file_(h) { }

    bool ReadAll(std::string& text, std::uint64_t maxSize) override
    {
        LARGE_INTEGER size, zero {};
        if (!GetFileSizeEx(file_.Get(), &size) || !SetFilePointerEx(file_.Get(), zero, nullptr, FILE_BEGIN))
            return false;
        if (static_cast<std::uint64_t>(size.QuadPart) > maxSize) {
            SetLastError(ERROR_FILE_TOO_LARGE);
            return false;
        }
        text.resize(static_cast<std::size_t>(size.QuadPart));
        std::size_t done = 0;
        while (done < text.size()) {
            DWORD got = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(text.size() - done, 1 << 20));
            if (!::ReadFile(file_.Get(), text.data() + done, want, &got, nullptr))
                return false;
            if (got == 0)
                break;
            done += got;
        }
        text.resize(done);
        return true;
    }

    bool Append(std::string_view bytes) override
    {
        LARGE_INTEGER zero {};
        DWORD written = 0;
        // No other handle may write the file, and reading it whole or cutting it leaves the
        // position at its end, as a whole append does: the end is looked for only at the first
        // append and after a failed one (two calls fewer a record).
        if (!atEnd_ && !SetFilePointerEx(file_.Get(), zero, nullptr, FILE_END))
            return false;
        atEnd_ = false;
        if (!WriteFile(file_.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr))
            return false;
        if (written != bytes.size()) {
            SetLastError(ERROR_DISK_FULL);
            return false;
        }
        atEnd_ = true;
        return true;
    }

    bool Flush() override { return FlushFileBuffers(file_.Get()) != 0; }

    bool Truncate(std::uint64_t size) override
    {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(size);
        return SetFilePointerEx(file_.Get(), at, nullptr, FILE_BEGIN) && SetEndOfFile(file_.Get());
    }

private:
    OwnedHandle file_;
    bool atEnd_ = false;  // the position is the file's end
};

class SystemRead : public ReadStream {
public:
    explicit SystemRead(HANDLE h) : file_(h) { }

    bool Read(char* buffer, std::size_t size, std::size_t& got) override
    {
        got = 0;
        while (got < size) {
            DWORD n = 0;
            const DWORD want = static_cast<DWORD>(std::min<std::size_t>(size - got, 1 << 20));
            if (!::ReadFile(file_.Get(), buffer + got, want, &n, nullptr))
                return false;
            if (n == 0)
                break;
            got += n;
        }
        return true;
    }

    bool Seek(std::uint64_t offset) override
    {
        LARGE_INTEGER at;
        at.QuadPart = static_cast<LONGLONG>(offset);
        return SetFilePointerEx(file_.Get(), at, nullptr, FILE_BEGIN) != 0;
    }

protected:
    OwnedHandle file_;
};

// Reads past the system's cache: one read of the drive per call, of whole aligned blocks into an
// aligned buffer (the caller's part); the file's end comes as a short read.
class UncachedRead : public SystemRead {
public:
    using SystemRead::SystemRead;

    bool Read(char* buffer, std::size_t size, std::size_t& got) override
    {
        DWORD n = 0;
        if (!::ReadFile(file_.Get(), buffer, static_cast<DWORD>(std::min<std::size_t>(size, 1 << 30)), &n,
                        nullptr))
            return false;
        got = n;
        return true;
    }
};

// Renames the file open as file (with the right to) to target on the same drive, never over an
// existing file (kAlreadyExists).
Status RenameOpen(HANDLE file, const std::string& target)
{
    // The system turns the full path into its own form, as it does for a rename by name.
    const std::wstring to = SystemPath(target);
    const std::size_t bytes = to.size() * sizeof(WCHAR);
    if (bytes > MAXDWORD - sizeof(FILE_RENAME_INFO)) {
        ::SetLastError(ERROR_FILENAME_EXCED_RANGE);
        return LastFailure();
    }
    // The name follows the fixed part, ended with a zero (counted by the fixed part's one).
    std::vector<char> buffer(sizeof(FILE_RENAME_INFO) + bytes, 0);
    auto* info = reinterpret_cast<FILE_RENAME_INFO*>(buffer.data());
    info->ReplaceIfExists = FALSE;
    info->RootDirectory = nullptr;
    info->FileNameLength = static_cast<DWORD>(bytes);
    std::copy(to.begin(), to.end(), info->FileName);
    return Answer(SetFileInformationByHandle(file, FileRenameInfo, info, static_cast<DWORD>(buffer.size())));
}

// A copy held open with the right to rename it: the rename names only its new path, which saves
// the open of its unfinished name (a lookup of the path, and on Wine a scan of its folder).
class SystemHeldCopy : public HeldCopy {
public:
    explicit SystemHeldCopy(HANDLE file) : file_(file) { }

    Status Rename(const std::string& target) override { return RenameOpen(file_.Get(), target); }

    // Its bytes were flushed before it was held: nothing the system holds back can fail on close.
    void Close() override { file_.Close(); }

private:
    OwnedHandle file_;
};

constexpr DWORD kCopyBlock = 1 << 20;
// Bytes written between two flushes of a copy.
constexpr std::uint64_t kFlushEvery = 64ull << 20;

class SystemFileOpsImpl : public FileOps {
public:
    std::size_t PathLength(const std::string& path) const override { return SystemLength(path); }
    std::uint32_t LastError() const override { return GetLastError(); }
    void SetLastError(std::uint32_t code) override { ::SetLastError(code); }

    bool Stat(const std::string& path, FileState& state) override
    {
        WIN32_FILE_ATTRIBUTE_DATA data;
        if (!GetFileAttributesExW(SystemPath(path).c_str(), GetFileExInfoStandard, &data))
            return false;
        state.folder = (data.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) != 0;
        state.readOnly = (data.dwFileAttributes & FILE_ATTRIBUTE_READONLY) != 0;
        state.stamp.size = Join(data.nFileSizeHigh, data.nFileSizeLow);
        state.stamp.writeTime = Join(data.ftLastWriteTime.dwHighDateTime, data.ftLastWriteTime.dwLowDateTime);
        state.creationTime = Join(data.ftCreationTime.dwHighDateTime, data.ftCreationTime.dwLowDateTime);
        return true;
    }

    bool Identity(const std::string& path, FileIdentity& identity) override
    {
        OwnedHandle h(CreateFileW(SystemPath(path).c_str(), 0,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info;
        if (!h.Valid() || !GetFileInformationByHandle(h.Get(), &info))
            return false;
        identity.volume = info.dwVolumeSerialNumber;
        identity.index = Join(info.nFileIndexHigh, info.nFileIndexLow);
        // A volume that gives no identities (some network file systems) is not trusted with them.
        return identity.index != 0;
    }

    bool FolderIdentities(const std::string& folder, std::vector<ListedIdentity>& files) override
    {
        OwnedHandle h(CreateFileW(SystemPath(folder).c_str(), FILE_LIST_DIRECTORY,
                                  FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                  OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        BY_HANDLE_FILE_INFORMATION info;
        if (!h.Valid() || !GetFileInformationByHandle(h.Get(), &info))
            return false;
        files.clear();
        // The records hold 64-bit numbers: the buffer is aligned for them.
        std::vector<std::uint64_t> buffer(64 * 1024 / sizeof(std::uint64_t));
        const DWORD bytes = static_cast<DWORD>(buffer.size() * sizeof(std::uint64_t));
        FILE_INFO_BY_HANDLE_CLASS kind = FileIdBothDirectoryRestartInfo;
        while (GetFileInformationByHandleEx(h.Get(), kind, buffer.data(), bytes)) {
            kind = FileIdBothDirectoryInfo;
            const char* at = reinterpret_cast<const char*>(buffer.data());
            const char* const end = at + bytes;
            for (;;) {
                const auto* entry = reinterpret_cast<const FILE_ID_BOTH_DIR_INFO*>(at);
                const std::size_t nameOffset = offsetof(FILE_ID_BOTH_DIR_INFO, FileName);
                if (static_cast<std::size_t>(end - at) < nameOffset ||
                    static_cast<std::size_t>(end - at) - nameOffset < entry->FileNameLength ||
                    static_cast<unsigned char>(entry->ShortNameLength) > sizeof entry->ShortName)
                    return false;
                // A link's own identity is not that of the file its path opens; a volume without
                // identities gives none.
                const DWORD skipped = FILE_ATTRIBUTE_DIRECTORY | FILE_ATTRIBUTE_REPARSE_POINT;
                if ((entry->FileAttributes & skipped) == 0 && entry->FileId.QuadPart != 0) {
                    ListedIdentity file;
                    file.name =
                            NarrowText(std::wstring(entry->FileName, entry->FileNameLength / sizeof(WCHAR)));
                    file.shortName = NarrowText(
                            std::wstring(entry->ShortName,
                                         static_cast<unsigned char>(entry->ShortNameLength) / sizeof(WCHAR)));
                    file.identity.volume = info.dwVolumeSerialNumber;
                    file.identity.index = static_cast<std::uint64_t>(entry->FileId.QuadPart);
                    file.stamp.size = static_cast<std::uint64_t>(entry->EndOfFile.QuadPart);
                    file.stamp.writeTime = static_cast<std::uint64_t>(entry->LastWriteTime.QuadPart);
                    file.attributes = entry->FileAttributes;
                    files.push_back(std::move(file));
                }
                if (entry->NextEntryOffset == 0)
                    break;
                if (entry->NextEntryOffset > static_cast<std::size_t>(end - at))
                    return false;
                at += entry->NextEntryOffset;
            }
        }
        return GetLastError() == ERROR_NO_MORE_FILES;
    }

    bool ListNames(const std::string& folder, std::vector<std::string>& names) override
    {
        std::wstring pattern = SystemPath(folder);
        if (!pattern.empty() && pattern.back() != L'\\')
            pattern += L'\\';
        pattern += L'*';
        // Long names only, fetched in large blocks: the short ones cost a look at every file.
        WIN32_FIND_DATAW found;
        OwnedFind find(FindFirstFileExW(pattern.c_str(), FindExInfoBasic, &found, FindExSearchNameMatch,
                                        nullptr, FIND_FIRST_EX_LARGE_FETCH));
        if (!find.Valid())
            return GetLastError() == ERROR_FILE_NOT_FOUND;
        do {
            const std::wstring_view name = found.cFileName;
            if (name != L"." && name != L"..")
                names.push_back(NarrowText(std::wstring(name)));
        } while (FindNextFileW(find.Get(), &found));
        const DWORD error = GetLastError();
        find.Close();
        ::SetLastError(error);
        return error == ERROR_NO_MORE_FILES;
    }

    std::string NameKey(const std::string& name) const override { return PathKey(name); }

    Status MakeFolder(const std::string& folder) override
    {
        return Answer(CreateDirectoryW(SystemPath(folder).c_str(), nullptr));
    }

    Status RemoveFolder(const std::string& folder) override
    {
        return Answer(RemoveDirectoryW(SystemPath(folder).c_str()));
    }

    Status Rename(const std::string& from, const std::string& to, bool replace, bool writeThrough) override
    {
        if (!replace && !writeThrough) {
            // Renamed through a handle of its own: the system's rename by name also looks for
            // the new name first (on Wine a second lookup of it and a scan of its folder), which
            // the rename itself does again. A link is renamed, not the file it leads to.
            OwnedHandle file(CreateFileW(SystemPath(from).c_str(), DELETE | SYNCHRONIZE,
                                         FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                         OPEN_EXISTING,
                                         FILE_FLAG_BACKUP_SEMANTICS | FILE_FLAG_OPEN_REPARSE_POINT, nullptr));
            if (!file.Valid())
                return LastFailure();
            return RenameOpen(file.Get(), to);
        }
        const DWORD flags =
                (replace ? MOVEFILE_REPLACE_EXISTING : 0) | (writeThrough ? MOVEFILE_WRITE_THROUGH : 0);
        return Answer(MoveFileExW(SystemPath(from).c_str(), SystemPath(to).c_str(), flags));
    }

    Status HardLink(const std::string& existing, const std::string& link) override
    {
        return Answer(CreateHardLinkW(SystemPath(link).c_str(), SystemPath(existing).c_str(), nullptr));
    }

    Status Delete(const std::string& path) override { return Answer(DeleteFileW(SystemPath(path).c_str())); }

    Status SetReadOnly(const std::string& path, bool readOnly) override
    {
        const std::wstring wide = SystemPath(path);
        const DWORD attributes = GetFileAttributesW(wide.c_str());
        if (attributes == INVALID_FILE_ATTRIBUTES)
            return LastFailure();
        const DWORD wanted =
                readOnly ? attributes | FILE_ATTRIBUTE_READONLY : attributes & ~FILE_ATTRIBUTE_READONLY;
        return Answer(wanted == attributes ||
                      SetFileAttributesW(wide.c_str(), wanted ? wanted : FILE_ATTRIBUTE_NORMAL));
    }

    Status SetCreationTime(const std::string& path, std::uint64_t creationTime) override
    {
        OwnedHandle file(CreateFileW(SystemPath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
        FILETIME time;
        time.dwLowDateTime = static_cast<DWORD>(creationTime);
        time.dwHighDateTime = static_cast<DWORD>(creationTime >> 32);
        return Answer(file.Valid() && SetFileTime(file.Get(), &time, nullptr, nullptr));
    }

    Status SetWriteTimeFromDos(const std::string& path, std::uint16_t dosDate, std::uint16_t dosTime) override
    {
        FILETIME local, utc;
        if (!DosDateTimeToFileTime(dosDate, dosTime, &local) || !LocalFileTimeToFileTime(&local, &utc))
            return LastFailure();
        OwnedHandle file(CreateFileW(SystemPath(path).c_str(), FILE_WRITE_ATTRIBUTES,
                                     FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                                     OPEN_EXISTING, 0, nullptr));
        return Answer(file.Valid() && SetFileTime(file.Get(), nullptr, nullptr, &utc));
    }

    Status CopyNew(const std::string& source, const std::string& target, std::uint64_t expectedSize,
                   ByteProgress* progress, ContentHasher* hasher) override
    {
        OwnedHandle in, file;
        FILE_BASIC_INFO stamp;
        const std::wstring out = SystemPath(target);
        if (!OpenCopy(source, out, in, file, stamp))
            return LastFailure();
        CopyJob job(in.Get(), file.Get(), stamp, expectedSize, hasher);
        // A thread costs more than a small photo's copy, which is over long before a report is due.
        const bool reported = progress != nullptr && expectedSize >= kLoneCopySize;
        if ((reported ? RunReporting(job, *progress) : job.Run()) && file.Close())
            return Status();
        RemoveCopy(file, out);
        return LastFailure();
    }

    void CopyNewTogether(std::vector<BatchCopy>& copies, const std::function<bool()>& stop) override
    {
        // Every copy written first, its handle kept open (a batch holds a bounded number of small
        // files); the source's handle is closed as soon as its bytes are in. Each copy's flush
        // begins as soon as it is written, on the pool's threads, while the next one is written
        // in the next slot (the slots are made first and never move).
        std::vector<std::optional<Written>> slots(copies.size());
        BatchFlush flushes(copies.size(), [&slots](std::size_t i) {
            Written& one = *slots[i];
            one.error = FlushFileBuffers(one.file.Get()) ? ERROR_SUCCESS : GetLastError();
        });
        bool stopped = false;
        for (BatchCopy& copy : copies) {
            stopped = stopped || (stop && stop());
            if (stopped) {
                copy.status = FileFailure(ERROR_CANCELLED);
                continue;
            }
            // A copy that failed leaves its slot to the next.
            Written& one = slots[flushes.Count()].emplace(&copy, SystemPath(copy.target));
            OwnedHandle in;
            FILE_BASIC_INFO stamp;
            if (OpenCopy(copy.source, one.path, in, one.file, stamp, copy.hold)) {
                CopyJob job(in.Get(), one.file.Get(), stamp, copy.expectedSize, copy.hasher);
                if (job.Write()) {
                    flushes.Publish();
                    if (copy.progress != nullptr)
                        copy.progress->Written(copy);
                    continue;
                }
                RemoveCopy(one.file, one.path);
            }
            copy.status = LastFailure();
        }
        flushes.Finish();
        for (std::size_t i = 0; i < flushes.Count(); ++i) {
            Written& one = *slots[i];
            ::SetLastError(one.error);
            if (one.error == ERROR_SUCCESS && SizeIs(one.file.Get(), one.copy->expectedSize)) {
                const std::optional<FileStamp> made = StampOf(one.file.Get(), one.copy->expectedSize);
                if (one.copy->hold)
                    one.copy->held = std::make_shared<SystemHeldCopy>(one.file.Release());
                if (one.copy->held || one.file.Close()) {
                    one.copy->done = true;
                    one.copy->made = made;
                    continue;
                }
            }
            RemoveCopy(one.file, one.path);
            one.copy->status = LastFailure();
        }
    }

    bool ListFiles(const std::string& folder, std::vector<std::string>& names) override
    {
        std::wstring pattern = SystemPath(folder);
        if (!pattern.empty() && pattern.back() != L'\\')
            pattern += L'\\';
        pattern += L'*';
        WIN32_FIND_DATAW found;
        OwnedFind find(FindFirstFileW(pattern.c_str(), &found));
        if (!find.Valid())
            return GetLastError() == ERROR_FILE_NOT_FOUND;
        do {
            if ((found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY) == 0)
                names.push_back(AnsiOf(found.cFileName));
        } while (FindNextFileW(find.Get(), &found));
        const DWORD error = GetLastError();
        find.Close();
        ::SetLastError(error);
        return error == ERROR_NO_MORE_FILES;
    }

    std::unique_ptr<AppendStream> OpenAppend(const std::string& path, bool createNew) override
    {
        HANDLE h =
                CreateFileW(SystemPath(path).c_str(), GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ, nullptr,
                            createNew ? CREATE_NEW : OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return nullptr;
        return std::make_unique<SystemAppend>(h);
    }

    std::unique_ptr<ReadStream> OpenRead(const std::string& path) override
    {
        HANDLE h = CreateFileW(SystemPath(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return nullptr;
        return std::make_unique<SystemRead>(h);
    }

    std::unique_ptr<ReadStream> OpenReadUncached(const std::string& path) override
    {
        // Windows then reads the disk itself, so that a copy is checked as the drive holds it.
        // Wine ignores the flag and reads through the page cache, so there the check compares what
        // the system was given to write.
        HANDLE h = CreateFileW(SystemPath(path).c_str(), GENERIC_READ,
                               FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                               FILE_FLAG_NO_BUFFERING | FILE_FLAG_SEQUENTIAL_SCAN, nullptr);
        if (h == INVALID_HANDLE_VALUE)
            return nullptr;
        return std::make_unique<UncachedRead>(h);
    }

    void Wait(unsigned milliseconds) override { Sleep(milliseconds); }

private:
    // A copy of a batch written and not yet flushed.
    struct Written {
        Written(BatchCopy* batchCopy, std::wstring systemPath) : copy(batchCopy), path(std::move(systemPath))
        { }
        BatchCopy* copy;
        std::wstring path;
        OwnedHandle file;
        DWORD error = ERROR_SUCCESS;  // of its flush
    };

    // Opens source to be read and creates out, never over an existing file; stamp gets the
    // source's last-write time and the attributes a copy keeps. renamed: out's handle may rename it.
    static bool OpenCopy(const std::string& source, const std::wstring& out, OwnedHandle& in,
                         OwnedHandle& file, FILE_BASIC_INFO& stamp, bool renamed = false)
    {
        // Others may go on reading and writing the source: a copy that sees it change size fails
        // its check.
        in.Reset(CreateFileW(SystemPath(source).c_str(), GENERIC_READ,
                             FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr, OPEN_EXISTING,
                             FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        // Only the times and attributes: the full handle information also asks for the volume's
        // serial number, which Wine finds by walking up the path and every drive letter (two such
        // walks per file, the largest part of a small photo's copy there).
        FILE_BASIC_INFO info;
        if (!in.Valid() || !GetFileInformationByHandleEx(in.Get(), FileBasicInfo, &info, sizeof info))
            return false;
        // The source's last-write time and attributes are given to the copy through its own handle,
        // in one call; the other times stay the new file's (zero leaves a time as it is).
        constexpr DWORD kKeptAttributes =
                FILE_ATTRIBUTE_READONLY | FILE_ATTRIBUTE_HIDDEN | FILE_ATTRIBUTE_ARCHIVE;
        stamp = {};
        stamp.LastWriteTime = info.LastWriteTime;
        stamp.FileAttributes = info.FileAttributes & kKeptAttributes;
        // A new file has the archive attribute already; attributes left zero are not set.
        if (stamp.FileAttributes == FILE_ATTRIBUTE_ARCHIVE)
            stamp.FileAttributes = 0;
        // The new file is written, flushed and checked through this one handle, so that another
        // program opening it meanwhile (a scanner, an indexer) never makes a step fail.
        // The right to rename it means that another program may open it only if it lets it be
        // renamed meanwhile.
        const DWORD access = GENERIC_READ | GENERIC_WRITE | (renamed ? DELETE : 0);
        file.Reset(CreateFileW(out.c_str(), access, FILE_SHARE_READ, nullptr, CREATE_NEW,
                               FILE_ATTRIBUTE_NORMAL | FILE_FLAG_SEQUENTIAL_SCAN, nullptr));
        return file.Valid();
    }

    // Removes a copy that failed, keeping the error that failed it.
    static void RemoveCopy(OwnedHandle& file, const std::wstring& out)
    {
        const DWORD error = GetLastError();
        file.Close();
        SetFileAttributesW(out.c_str(), FILE_ATTRIBUTE_NORMAL);
        DeleteFileW(out.c_str());
        ::SetLastError(error);
    }

    // The bytes of one copy, its last-write time, flush and size check. It may run on a thread of
    // its own while the caller reports its progress: done and stop are shared with that caller.
    struct CopyJob {
        CopyJob(HANDLE from, HANDLE to, const FILE_BASIC_INFO& basic, std::uint64_t size,
                ContentHasher* bytesHasher)
            : in(from), out(to), stamp(basic), expectedSize(size), hasher(bytesHasher)
        { }

        HANDLE in;
        HANDLE out;
        FILE_BASIC_INFO stamp;
        std::uint64_t expectedSize;
        ContentHasher* hasher;  // null when the bytes are not hashed
        std::atomic<std::uint64_t> done {0};
        std::atomic<bool> stop {false};
        DWORD error = 0;

        bool Run()
        {
            const bool ok = Write() && FlushFileBuffers(out) && SizeIs(out, expectedSize);
            error = GetLastError();
            return ok;
        }

        // The bytes and the last-write time, not yet flushed.
        bool Write()
        {
            return CopyBytes() && SetFileInformationByHandle(out, FileBasicInfo, &stamp, sizeof stamp);
        }

        bool CopyBytes()
        {
            // A small photo takes a block of its own size (one read more finds the end), not a
            // whole one: a large block costs more to map than such a copy takes.
            const DWORD size = static_cast<DWORD>(std::min<std::uint64_t>(kCopyBlock, expectedSize + 1));
            const std::unique_ptr<char[]> block(new char[size]);
            std::uint64_t total = 0, unflushed = 0;
            for (;;) {
                if (stop) {
                    ::SetLastError(ERROR_CANCELLED);
                    return false;
                }
                DWORD got = 0;
                if (!::ReadFile(in, block.get(), size, &got, nullptr))
                    return false;
                if (got == 0)
                    break;
                if (hasher != nullptr)
                    hasher->Update(block.get(), got);
                DWORD written = 0;
                if (!WriteFile(out, block.get(), got, &written, nullptr))
                    return false;
                if (written != got) {
                    ::SetLastError(ERROR_DISK_FULL);
                    return false;
                }
                total += got;
                unflushed += got;
                // The flush goes in pieces, so that the last one is short and a stop is heard
                // between them.
                if (unflushed >= kFlushEvery) {
                    if (!FlushFileBuffers(out))
                        return false;
                    unflushed = 0;
                }
                done = total;
            }
            if (total != expectedSize) {
                ::SetLastError(ERROR_WRITE_FAULT);
                return false;
            }
            return true;
        }
    };

    static DWORD WINAPI RunJob(void* job) { return static_cast<CopyJob*>(job)->Run() ? 1 : 0; }

    // Runs job on a thread of its own and tells progress how far it has come every
    // kByteProgressIntervalMs until it ends, so that the caller's window answers even while one
    // write or the flush takes long. A stop asked by progress ends the job before its next block.
    static bool RunReporting(CopyJob& job, ByteProgress& progress)
    {
        const OwnedHandle thread(CreateThread(nullptr, 0, RunJob, &job, 0, nullptr));
        if (!thread.Valid())
            return false;
        DWORD waited;
        while ((waited = WaitForSingleObject(thread.Get(), kByteProgressIntervalMs)) == WAIT_TIMEOUT) {
            // Once stopped the reports go on, so that the window stays alive until the job ends.
            if (!progress.Advance(job.done, job.expectedSize))
                job.stop = true;
        }
        // The job never outlives the handles it works on.
        if (waited != WAIT_OBJECT_0)
            WaitForSingleObject(thread.Get(), INFINITE);
        DWORD result = 0;
        const bool exited = GetExitCodeThread(thread.Get(), &result) != 0;
        const DWORD error = exited ? job.error : GetLastError();
        if (exited && result == 1)
            return true;
        ::SetLastError(error);
        return false;
    }

    // The stamp of a copy written, timed and flushed, read through its handle: the time as the file
    // system keeps it (FAT rounds a time set to two seconds, and answers the rounded one from then
    // on), without a second lookup of its name. Nothing changes it before the handle closes: no
    // byte is written after its time was set.
    static std::optional<FileStamp> StampOf(HANDLE file, std::uint64_t size)
    {
        FILE_BASIC_INFO info;
        if (!GetFileInformationByHandleEx(file, FileBasicInfo, &info, sizeof info))
            return std::nullopt;
        return FileStamp {size, static_cast<std::uint64_t>(info.LastWriteTime.QuadPart)};
    }

    static bool SizeIs(HANDLE file, std::uint64_t expectedSize)
    {
        LARGE_INTEGER size;
        if (!GetFileSizeEx(file, &size))
            return false;
        if (static_cast<std::uint64_t>(size.QuadPart) == expectedSize)
            return true;
        ::SetLastError(ERROR_WRITE_FAULT);
        return false;
    }
};

}  // namespace

FileOps& SystemFileOps()
{
    static SystemFileOpsImpl ops;
    return ops;
}

Status RealFileSystem::EnsureFolder(const std::string& folder)
{
    if (!::EnsureFolder(folder, true))
        return FileFailure(GetLastError());
    return Status();
}
