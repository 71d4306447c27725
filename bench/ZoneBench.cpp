// The cost of finding a video's local time from its position: the zone at a position and that
// zone's offset at an instant, per file, over positions spread across the land and the sea, and
// the bundled table's size.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <vector>

#include "zones/Zones.h"

int main()
{
    // A fixed pseudo-random spread of positions and instants (1990 to 2030).
    std::vector<double> latitudes, longitudes;
    std::vector<std::int64_t> instants;
    std::uint64_t state = 88172645463325252ULL;
    auto next = [&state] {
        state ^= state << 13;
        state ^= state >> 7;
        state ^= state << 17;
        return double(state >> 11) / double(1ULL << 53);
    };
    constexpr int kFiles = 200000;
    for (int i = 0; i < kFiles; ++i) {
        latitudes.push_back(-60 + 130 * next());
        longitudes.push_back(-180 + 360 * next());
        instants.push_back(631152000 + std::int64_t(1262304000 * next()));
    }
    int places = 0;
    std::int64_t checksum = 0;
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < kFiles; ++i) {
        zones::PlaceTime time;
        if (zones::LocalTimeAt(instants[i], latitudes[i], longitudes[i], time)) {
            ++places;
            checksum += time.offsetSeconds;
        }
    }
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    std::printf("%s\n", zones::ZoneDataText().c_str());
    std::printf("%d positions, %d on land (offset sum %lld)\n", kFiles, places,
                static_cast<long long>(checksum));
    std::printf("zone and offset per file: %.3f us\n", seconds * 1e6 / kFiles);
    return 0;
}
