#!/usr/bin/env bash
# Prints the cost of one capture-date lookup per file under Wine: a JPEG read in-process
# beside one start of the metadata tool (a trivial stand-in, and metaprobe.exe when built).
#   bench/lookup_bench.sh [FILES]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
files="${1:-40}"
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" win >/dev/null
source "$root/scripts/wine-env.sh"
qm_wine_start "$root/build/win"
win_path() { winepath -w "$1" 2>/dev/null; }
bench="$root/build/win/bench/lookup_bench.exe"
stand_in="$(win_path "$root/build/win/tests/win/fake_metaprobe.exe")"
real="$(win_path "$root/build/dist/metaprobe.exe")"
wine "$bench" "$stand_in" "$real" "$files"
qm_wine_stop
