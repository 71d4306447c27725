#!/usr/bin/env bash
# Times the main window with FILES rows under Wine: the drop of a tree of empty photos beside a
# bare enumeration, Preview over every row beside quillmere-cli's dry run, and sorting,
# scrolling, selecting, filtering and removing, per operation.
#   bench/list_scale_bench.sh [FILES]      (default 100000)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
files="${1:-100000}"
source "$root/scripts/wine-env.sh"
kind="$(qm_wine_test_kind)"
dist="$root/build/dist"
[ "$kind" = win64 ] && dist="$root/build/dist64"
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" "$kind" quillmere-cli list_scale_bench >/dev/null
qm_wine_start "$root/build/$kind"
tree="$root/build/bench-tree-$files"
mkdir -p "$tree"
status=0
wine "$root/build/$kind/bench/list_scale_bench.exe" "$(winepath -w "$tree")" \
  "$(winepath -w "$dist/quillmere-cli.exe")" "$files" || status=$?
qm_wine_stop
rm -rf "$tree-out"
exit "$status"
