#!/usr/bin/env bash
# Prints how long Add Folder takes to list a tree of FILES empty files (1,000 to a folder) under
# Wine, into a real list-view with its counter, drawn, beside a bare FindFirstFile/FindNextFile walk
# of the same tree that keeps every full path it finds (the least any lister does). The two sides
# alternate in one process for ROUNDS rounds (the list emptied between), so that both meet the same
# caches; each round is printed in wall-clock and processor time, and the best of each side is
# compared. Then the counter, whether the last row is in view, and the peak memory.
#   bench/add_folder_bench.sh [FILES] [ROUNDS]      (default 100000 files, 3 rounds)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
files="${1:-100000}"
rounds="${2:-3}"
source "$root/scripts/wine-env.sh"
# The configuration this machine runs (64-bit where the kernel runs no 32-bit code).
kind="$(qm_wine_test_kind)"
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" "$kind" add_folder_bench >/dev/null
qm_wine_start "$root/build/$kind"
tree="$root/build/bench-tree-$files"
mkdir -p "$tree"
wine "$root/build/$kind/bench/add_folder_bench.exe" "$(winepath -w "$tree")" "$files" "$rounds"
qm_wine_stop
