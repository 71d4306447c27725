// Reads any bytes as a zip archive: the directory is refused with a reason or read whole, every
// entry extracts or fails with a reason, never with more bytes than its size, and every name that
// passes as a path stays below the folder it is put in.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SafePath.h"
#include "engine/ZipArchive.h"

namespace {

class CountingOutput : public ZipOutput {
public:
    bool Write(const char*, std::size_t size) override
    {
        written += size;
        return true;
    }
    std::uint64_t written = 0;
};

// Entries declared larger are not inflated: a small input may claim gigabytes.
constexpr std::uint64_t kMaxExtracted = 4 * 1024 * 1024;

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    MemoryZipInput input(std::string_view(reinterpret_cast<const char*>(bytes), size));
    std::vector<ZipEntry> entries;
    std::string reason;
    if (!ReadZipDirectory(input, entries, reason)) {
        if (reason.empty())
            std::abort();
        return 0;
    }
    for (const ZipEntry& entry : entries) {
        std::string relative;
        if (ZipEntryPath(entry.name, relative, reason)) {
            std::string why;
            if (!CheckTargetInFolder("C:\\out\\", "C:\\out\\" + relative, why))
                std::abort();
        } else if (reason.empty() || !relative.empty()) {
            std::abort();
        }
        if (entry.size > kMaxExtracted)
            continue;
        CountingOutput out;
        reason.clear();
        const bool ok = ExtractZipEntry(input, entry, out, reason);
        if (out.written > entry.size || (ok && out.written != entry.size) || (!ok && reason.empty()))
            std::abort();
    }
    return 0;
}
