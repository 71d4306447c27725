#!/usr/bin/env bash
# Prints the cost per file of a video's local time from its position (zone at the position, the
# zone's offset at the instant) and the zone table's size:
#   bench/zone_bench.sh
# The native build generates the table; the figures come from an optimised build of the lookup
# (the native build itself runs with ASan and UBSan, whose figures it prints second).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
QM_JOBS="${QM_JOBS:-1}" QM_WERROR="${QM_WERROR:-ON}" bash "$root/scripts/build.sh" native zone_bench >/dev/null
table="$root/build/native/zones/generated/ZoneTableData.cpp"
optimised="$root/build/native/bench/zone_bench_optimised"
g++ -std=c++20 -O2 -I "$root" -o "$optimised" "$root/bench/ZoneBench.cpp" "$root/zones/Zones.cpp" \
  "$root/base/DateTime.cpp" "$table"
echo "== g++ -O2"
"$optimised"
echo "== native build (ASan + UBSan)"
"$root/build/native/bench/zone_bench"
