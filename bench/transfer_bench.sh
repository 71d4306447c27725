#!/usr/bin/env bash
# Prints how much a copy that is complete or absent costs against a plain copy of the same files
# under Wine, both in one run.   bench/transfer_bench.sh [FILES] [KILOBYTES] [FOLDER]
# FOLDER (a Unix path, default build/bench-transfer) may lie on another drive to time real disks.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
files="${1:-2000}"
kilobytes="${2:-40}"
folder="${3:-$root/build/bench-transfer}"
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" win transfer_bench >/dev/null
source "$root/scripts/wine-env.sh"
qm_wine_start "$root/build/win"
mkdir -p "$folder"
wine "$root/build/win/bench/transfer_bench.exe" "$(winepath -w "$folder")" "$files" "$kilobytes"
qm_wine_stop
rm -rf "$folder"
