#!/usr/bin/env bash
# Prints the capture-date read figures for a 50 KB and a 10 MB JPEG, measured side by side:
#   bench/jpeg_bench.sh [native|win|both]   (default: native)
# native runs the g++ build (ASan + UBSan, so absolute times are high); win runs the Windows build
# under Wine. Each run compares its two file sizes with each other only.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
which="${1:-native}"

run_native() {
  [ -x "$root/build/native/bench/jpeg_capture_date_bench" ] || QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" native
  echo "== native (g++, ASan + UBSan)"
  "$root/build/native/bench/jpeg_capture_date_bench"
}

run_win() {
  [ -f "$root/build/win/bench/jpeg_capture_date_bench.exe" ] || QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" win
  echo "== Windows build under Wine"
  # shellcheck source=/dev/null
  source "$root/scripts/wine-env.sh"
  qm_wine_start "$root/build/win"
  local rc=0
  (cd "$root/build/win/bench" && wine jpeg_capture_date_bench.exe) || rc=$?
  qm_wine_stop
  return $rc
}

case "$which" in
  native) run_native ;;
  win) run_win ;;
  both) run_native; run_win ;;
  *) echo "usage: $0 [native|win|both]" >&2; exit 2 ;;
esac
