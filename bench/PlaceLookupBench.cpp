// The built-in place table: its size, how long it takes to load, and lookups per second for
// positions in a densely settled region (central Europe) and anywhere on earth (mostly sea), and
// what a file costs a run: its three tag texts and the description, as PlaceNamesAt makes them.
// Each figure is given by the wall clock and by the thread's processor time.
#include <chrono>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "engine/PlaceFinder.h"

#if defined(_WIN32)
#include <windows.h>
#else
#include <time.h>
#endif

const unsigned char* PlaceTableData();
std::size_t PlaceTableSize();

namespace {

using Clock = std::chrono::steady_clock;

double SecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double>(Clock::now() - start).count();
}

// The processor time this thread has used, in seconds: on a machine shared with other work the
// clock on the wall also counts the time the thread waited for a processor.
double ThreadSeconds()
{
#if defined(_WIN32)
    FILETIME created, exited, kernel, user;
    if (!GetThreadTimes(GetCurrentThread(), &created, &exited, &kernel, &user))
        return 0;
    const auto ticks = [](const FILETIME& t) {
        return static_cast<double>((static_cast<unsigned long long>(t.dwHighDateTime) << 32) |
                                   t.dwLowDateTime);
    };
    return (ticks(kernel) + ticks(user)) / 1e7;
#else
    timespec now {};
    if (clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now) != 0)
        return 0;
    return static_cast<double>(now.tv_sec) + static_cast<double>(now.tv_nsec) / 1e9;
#endif
}

// Calls per second of the wall clock and of this thread's processor time.
struct Rate {
    double wall = 0, cpu = 0;
};

template <typename Round> Rate Measure(std::size_t perRound, Round round)
{
    std::size_t done = 0;
    const auto start = Clock::now();
    const double cpuStart = ThreadSeconds();
    do {
        round();
        done += perRound;
    } while (SecondsSince(start) < 1.0);
    const double n = static_cast<double>(done);
    return {n / SecondsSince(start), n / std::fmax(ThreadSeconds() - cpuStart, 1e-9)};
}

void Print(const char* name, const Rate& rate, const char* unit, const std::string& note)
{
    std::printf("%-15s %10.0f %s/s  %6.2f us each, %5.2f us of processor time  (%s)\n", name, rate.wall, unit,
                1e6 / rate.wall, 1e6 / rate.cpu, note.c_str());
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
        const Rate rate = Measure(positions->size(), [&] {
            named = 0;
            for (const GeoPosition& position : *positions)
                named += table.Nearest(position).has_value() ? 1 : 0;
        });
        Print(name, rate, "lookups", std::to_string(100 * named / positions->size()) + "% named a place");
    }
    // What a file costs a run: its three tag texts and the description, as PlaceNamesAt makes
    // them from the built-in table, loaded once before the run's first file.
    BundledPlaces();
    std::size_t bytes = 0;
    const Rate files = Measure(europe.size(), [&] {
        bytes = 0;
        for (const GeoPosition& position : europe)
            bytes += PlaceNamesAt(position).description.size();
    });
    Print("per file", files, "files",
          "central Europe, tags and a " + std::to_string(bytes / europe.size()) + "-byte description");
    return 0;
}
