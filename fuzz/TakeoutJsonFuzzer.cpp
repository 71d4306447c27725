// Reads a Takeout sidecar from arbitrary bytes: whatever is accepted has a position on Earth (never
// 0,0) and a time taken within twelve digits, and what is refused says why and leaves nothing.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "engine/TakeoutJson.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    TakeoutSidecar sidecar;
    std::string error;
    if (!ReadTakeoutJson(text, sidecar, error)) {
        if (error.empty() || !sidecar.title.empty() || sidecar.photoTaken || sidecar.position)
            std::abort();
        return 0;
    }
    if (!error.empty())
        std::abort();
    if (sidecar.photoTaken && std::llabs(*sidecar.photoTaken) > 999999999999LL)
        std::abort();
    if (sidecar.position) {
        const GeoPosition p = *sidecar.position;
        if ((p.latitude == 0 && p.longitude == 0) || !(std::fabs(p.latitude) <= 90) ||
            !(std::fabs(p.longitude) <= 180))
            std::abort();
    }
    return 0;
}
