#!/usr/bin/env bash
# Prints what runs that skip the files the library has cost under Wine, in one run: a first run
# copying FILES files, a second over the same files and NEW more (time and bytes read, against the
# aim of 10% and 2% of the first), the first scan of a library of INDEX files, and copies of
# 64 files of 1 MB with and without --verify side by side (the cost of verifying per MB).
#   bench/library_bench.sh [FILES] [NEW] [KILOBYTES] [INDEX] [FOLDER]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
files="${1:-10000}"
added="${2:-100}"
kilobytes="${3:-40}"
index="${4:-100000}"
folder="${5:-$root/build/bench-library}"
source "$root/scripts/wine-env.sh"
kind="$(qm_wine_test_kind)"
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" "$kind" library_bench >/dev/null
qm_wine_start "$root/build/$kind"
rm -rf "$folder"
mkdir -p "$folder"
status=0
wine "$root/build/$kind/bench/library_bench.exe" "$(winepath -w "$folder")" "$files" "$added" "$kilobytes" \
  "$index" || status=$?
qm_wine_stop
rm -rf "$folder"
exit "$status"
