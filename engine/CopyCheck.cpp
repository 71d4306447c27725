#include "engine/CopyCheck.h"

#include <cstdio>
#include <memory>

#define XXH_INLINE_ALL
#include <xxhash.h>

struct ContentHasher::State {
    XXH3_state_t xxh;
};

ContentHasher::ContentHasher() : state_(std::make_unique<State>())
{
    XXH3_128bits_reset(&state_->xxh);
}

ContentHasher::~ContentHasher() = default;

void ContentHasher::Update(const char* bytes, std::size_t size)
{
    XXH3_128bits_update(&state_->xxh, bytes, size);
}

ContentHash ContentHasher::Digest() const
{
    const XXH128_hash_t digest = XXH3_128bits_digest(&state_->xxh);
    return {digest.high64, digest.low64};
}

std::string HashText(const ContentHash& hash)
{
    char text[33];
    std::snprintf(text, sizeof text, "%016llx%016llx", static_cast<unsigned long long>(hash.high),
                  static_cast<unsigned long long>(hash.low));
    return text;
}

bool ReadBackHash(FileOps& ops, const std::string& path, ContentHash& hash)
{
    const std::unique_ptr<ReadStream> stream = ops.OpenReadUncached(path);
    if (!stream)
        return false;
    // One block more than read, so that an aligned block fits whatever the allocation gives.
    const std::unique_ptr<char[]> storage(new char[kReadBackBlock + kReadBackAlignment]);
    void* start = storage.get();
    std::size_t room = kReadBackBlock + kReadBackAlignment;
    char* const buffer = static_cast<char*>(std::align(kReadBackAlignment, kReadBackBlock, start, room));
    ContentHasher hasher;
    for (;;) {
        std::size_t got = 0;
        if (!stream->Read(buffer, kReadBackBlock, got))
            return false;
        hasher.Update(buffer, got);
        // The end of the file is the first short read: a read past it would start off a sector.
        if (got < kReadBackBlock)
            break;
    }
    hash = hasher.Digest();
    return true;
}

bool CopyChecked(FileOps& ops, const std::string& source, const std::string& partial, std::uint64_t size,
                 CopyCheck* check)
{
    if (check == nullptr)
        return ops.CopyNew(source, partial, size).Ok();
    ContentHasher hasher;
    if (!ops.CopyNew(source, partial, size, nullptr, &hasher))
        return false;
    return CheckCopied(ops, partial, hasher.Digest(), *check);
}

bool CheckCopied(FileOps& ops, const std::string& partial, const ContentHash& hash, CopyCheck& check)
{
    check.hash = hash;
    check.copied = true;
    if (!check.verify)
        return true;
    ContentHash readBack;
    if (!ReadBackHash(ops, partial, readBack))
        return false;
    if (readBack == check.hash)
        return true;
    ops.SetLastError(FileError::kCopyDiffers);
    return false;
}
