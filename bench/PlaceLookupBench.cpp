// The built-in place table: its size, how long it takes to load, and lookups per second for
// positions in a densely settled region (central Europe) and anywhere on earth (mostly sea).
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/PlaceFinder.h"

const unsigned char* PlaceTableData();
std::size_t PlaceTableSize();

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// Lookups of every position, as many rounds as fit in about a second: lookups per second. named
// counts the positions of one round that named a place (and keeps the lookups from being
// optimised away).
double LookupsPerSecond(const PlaceTable& table, const std::vector<GeoPosition>& positions,
                        std::size_t& named)
{
    std::size_t done = 0;
    std::size_t found = 0;
    const auto start = Clock::now();
    do {
        for (const GeoPosition& position : positions)
            found += table.Nearest(position).has_value() ? 1 : 0;
        done += positions.size();
    } while (SecondsSince(start) < 1.0);
    named = found / (done / positions.size());
    return static_cast<double>(done) / SecondsSince(start);
}

}  // namespace

int main()
{
    double bestLoad = 1e9;
    PlaceTable table;
    for (int round = 0; round < 5; ++round) {
        std::string error;
        const auto start = Clock::now();
        if (!table.Load(PlaceTableData(), PlaceTableSize(), error)) {
            std::fprintf(stderr, "place table: %s\n", error.c_str());
            return 1;
        }
        bestLoad = std::fmin(bestLoad, SecondsSince(start));
    }
    std::printf("table: %lu places, %lu bytes, data of %s\n", static_cast<unsigned long>(table.PlaceCount()),
                static_cast<unsigned long>(table.Bytes()), table.DataDate().c_str());
    std::printf("load: %.1f ms (best of 5)\n", bestLoad * 1000);

    std::mt19937 random(20260101);
    std::uniform_real_distribution<double> europeLat(43, 55), europeLon(-2, 25);
    std::uniform_real_distribution<double> unit(-1, 1), longitude(-180, 180);
    std::vector<GeoPosition> europe(100000), earth(100000);
    for (GeoPosition& p : europe)
        p = {europeLat(random), europeLon(random)};
    for (GeoPosition& p : earth)
        p = {std::asin(unit(random)) * 180 / 3.14159265358979323846,
             longitude(random)};  // uniform on the sphere

    for (const auto& [name, positions] :
         {std::pair {"central Europe", &europe}, std::pair {"anywhere", &earth}}) {
        std::size_t named = 0;
        const double rate = LookupsPerSecond(table, *positions, named);
        std::printf("%-15s %10.0f lookups/s  %6.2f us each  (%.0f%% named a place)\n", name, rate, 1e6 / rate,
                    100.0 * static_cast<double>(named) / static_cast<double>(positions->size()));
    }
    return 0;
}
