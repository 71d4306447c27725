#!/usr/bin/env bash
# Prints what the run journal costs under Wine: flushed records against unflushed ones, moves with
# and without the journal, and Overwrite keeping the replaced file against a copy of it.
#   bench/journal_bench.sh [FILES]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
files="${1:-2000}"
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" win journal_bench >/dev/null
source "$root/scripts/wine-env.sh"
qm_wine_start "$root/build/win"
work="$(mktemp -d "$root/build/win/journal-bench.XXXXXX")"
trap 'rm -rf "$work"; qm_wine_stop' EXIT
wine "$root/build/win/bench/journal_bench.exe" "$(winepath -w "$work")" "$files"
