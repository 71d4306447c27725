#!/usr/bin/env bash
# Prints the place table's size, its load time and nearest-place lookups per second:
#   bench/places_bench.sh [native|win64|both]   (default: win64)
# win64 runs the optimised 64-bit Windows build under Wine; native runs the g++ build with ASan
# and UBSan, whose times are several times higher.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
which="${1:-win64}"

run_native() {
  QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" native place_lookup_bench >/dev/null
  echo "== native (g++, ASan + UBSan)"
  "$root/build/native/bench/place_lookup_bench"
}

run_win64() {
  QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" win64 place_lookup_bench >/dev/null
  echo "== 64-bit Windows build under Wine"
  # shellcheck source=/dev/null
  source "$root/scripts/wine-env.sh"
  qm_wine_start "$root/build/win64"
  local rc=0
  (cd "$root/build/win64/bench" && wine place_lookup_bench.exe) || rc=$?
  qm_wine_stop
  return $rc
}

case "$which" in
  native) run_native ;;
  win64) run_win64 ;;
  both) run_native; run_win64 ;;
  *) echo "usage: $0 [native|win64|both]" >&2; exit 2 ;;
esac
