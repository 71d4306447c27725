// Reads a video's position (ISO 6709) and a recorded zone offset from arbitrary bytes, and checks
// that whatever is accepted is a position on the globe and an offset on the clock, and that a
// position's local time comes with a zone of its own.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "metadata/VideoPosition.h"
#include "metadata/VideoTime.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* bytes, size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(bytes), size);
    VideoPosition position;
    if (ParseIso6709(text, position) &&
        (!std::isfinite(position.latitude) || !std::isfinite(position.longitude) ||
         std::fabs(position.latitude) > 90 || std::fabs(position.longitude) > 180))
        std::abort();
    int offset = 0;
    if (RecordedOffset(text, offset) && (offset < -12 * 3600 || offset > 14 * 3600 || offset % 60 != 0))
        std::abort();
    VideoTime time;
    if (VideoLocalTime(1563139800, text, text, time) && time.note.empty())
        std::abort();
    return 0;
}
