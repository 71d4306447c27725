// Verified copies: the source's bytes are hashed (XXH3-128) as they are copied, and with
// verifying on the copy is read back from the drive, hashed again and compared before it takes
// its real name, so that a copy the drive garbled never stands in the library as the photo.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/FileOps.h"

// A file's XXH3-128 hash.
struct ContentHash {
    std::uint64_t high = 0;
    std::uint64_t low = 0;
    bool operator==(const ContentHash&) const = default;
};

// 32 lower-case hex digits, the high half first.
std::string HashText(const ContentHash& hash);

// A hash taken block by block.
class ContentHasher {
public:
    ContentHasher();
    ~ContentHasher();
    ContentHasher(const ContentHasher&) = delete;
    ContentHasher& operator=(const ContentHasher&) = delete;
    void Update(const char* bytes, std::size_t size);
    ContentHash Digest() const;

private:
    struct State;
    std::unique_ptr<State> state_;
};

// The bytes read from the drive at a time (a multiple of the alignment).
inline constexpr std::size_t kReadBackBlock = 1024 * 1024;

// Reads path again from the drive, past the system's cache, and hashes its bytes.
bool ReadBackHash(FileOps& ops, const std::string& path, ContentHash& hash);

// What a run asks of its copies, and what the last transfer that copied bytes found.
struct CopyCheck {
    bool verify = false;
    bool copied = false;  // set by a transfer that copied bytes; the run clears it
    ContentHash hash;  // the source's bytes as they were copied
};

// Copies source to a new file at partial as CopyNew does, hashing the bytes on the way into
// check (none: a plain copy). With check->verify the copy is read back and compared; a copy that
// differs fails with kCopyDiffers and is left for the caller to remove, as any failed copy.
bool CopyChecked(FileOps& ops, const std::string& source, const std::string& partial, std::uint64_t size,
                 CopyCheck* check);

// Tells check that a copy now under partial was made of bytes that hashed to hash, and with
// check.verify reads it back and compares as CopyChecked does.
bool CheckCopied(FileOps& ops, const std::string& partial, const ContentHash& hash, CopyCheck& check);
