#!/usr/bin/env bash
# Prints how long Add Folder takes to list a tree of many empty files under Wine, beside a bare
# enumeration of the same tree, and the peak memory.   bench/add_folder_bench.sh [FILES]
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
files="${1:-100000}"
source "$root/scripts/wine-env.sh"
# The configuration this machine runs (64-bit where the kernel runs no 32-bit code).
kind="$(qm_wine_test_kind)"
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" "$kind" add_folder_bench >/dev/null
qm_wine_start "$root/build/$kind"
tree="$root/build/bench-tree-$files"
mkdir -p "$tree"
wine "$root/build/$kind/bench/add_folder_bench.exe" "$(winepath -w "$tree")" "$files"
qm_wine_stop
