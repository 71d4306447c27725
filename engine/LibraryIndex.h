// What a run knows of the files below its output folder (the library), so that a photo already
// there under any name or folder is found without reading the whole library: each file's size and
// last-write time, a hash of its first and last blocks (taken only when a file of its size is
// looked for), and which source files earlier runs placed where. The index is a cache: it is
// stored beside the run journals, and losing it loses nothing but speed. It never decides alone:
// a file counts as in the library only after its bytes were compared with the existing file's,
// at the time it was placed or when it is looked for.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <string_view>
#include <vector>

#include "base/Status.h"
#include "engine/FileOps.h"

// The bytes hashed at each end of a file.
inline constexpr std::size_t kLibraryEndBlock = 64 * 1024;

// The hash of a file's first and last kLibraryEndBlock bytes (of all of it when it is shorter than
// both); false when it cannot be read whole. Counts the bytes it read into bytesRead.
bool HashFileEnds(FileOps& ops, const std::string& path, std::uint64_t size, std::uint64_t& hash,
                  std::uint64_t& bytesRead);

class LibraryIndex {
public:
    // A file of the library, by its path below the root.
    struct File {
        std::string relative;
        FileStamp stamp;
        bool hashed = false;
        std::uint64_t ends = 0;
        // Where its bytes are read; empty: at root + relative. A preview's placed files are
        // still at their source.
        std::string readFrom;
        bool seen = false;  // met by the current scan
    };
    // A source file an earlier run placed in the library, with the library file's stamp then.
    struct Source {
        std::uint32_t volume = 0;
        std::string path;  // as the caller keys paths (full, one letter case)
        FileStamp stamp;
        std::string relative;
        FileStamp placedStamp;
    };
    enum class Found { No, Yes, Stopped };

    // root: the output folder with its trailing backslash.
    explicit LibraryIndex(std::string root) : root_(std::move(root)) { }

    const std::string& Root() const { return root_; }
    std::size_t FileCount() const { return files_.size(); }
    // Bytes this index read to hash or compare files.
    std::uint64_t BytesRead() const { return bytesRead_; }
    // Anything changed since it was loaded or saved.
    bool Changed() const { return changed_; }

    // The stored form: text lines, one per file and per source.
    std::string Text() const;
    // Takes a stored form made for the same root; damaged (the index left empty) for any other text.
    Status Load(std::string_view text);

    // A scan of the library: Seen for every file found; EndScan drops the files not seen. A file
    // whose size or last-write time changed is hashed again when it is next looked for.
    void BeginScan();
    void Seen(const std::string& relative, const FileStamp& stamp);
    void EndScan();

    // A file this run put at relative (a preview's: whose bytes are still at readFrom).
    void Placed(const std::string& relative, const FileStamp& stamp, const std::string& readFrom = {});
    void Imported(const Source& source);

    // The library file that holds the bytes of source: sizes first, then the hashes of both ends,
    // then every byte. Only library files of source's size are read. existing is its full path.
    // Stopped when progress stopped a comparison.
    Found FindContent(FileOps& ops, const std::string& source, const FileStamp& stamp, ByteProgress* progress,
                      std::string& existing);
    // The library file an earlier run placed from this very source (same volume, path, size and
    // last-write time), when that library file is unchanged since; nothing is read.
    bool FindSource(std::uint32_t volume, const std::string& path, const FileStamp& stamp,
                    std::string& existing) const;

private:
    static std::string Key(const std::string& relative);
    static std::string SourceKey(std::uint32_t volume, const std::string& path);
    void Put(File file);

    std::string root_;
    std::map<std::string, File> files_;  // by Key(relative)
    std::multimap<std::uint64_t, std::string> bySize_;  // size -> Key(relative), may hold stale keys
    std::map<std::string, Source> sources_;  // by SourceKey
    std::uint64_t bytesRead_ = 0;
    bool changed_ = false;
};

// Reads the stored index at path into index (a stored form that is not this library's, torn or
// changed, is damaged and leaves the index empty; one that cannot be read leaves it as it was),
// and writes it complete or not at all: under a temporary name beside path, flushed, then renamed over it. A
// failure's reason names the file.
Status LoadLibraryIndex(FileOps& ops, const std::string& path, LibraryIndex& index);
Status SaveLibraryIndex(FileOps& ops, const std::string& path, const LibraryIndex& index);
