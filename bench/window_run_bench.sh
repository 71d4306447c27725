#!/usr/bin/env bash
# Times the main window's Preview and Copy Files of COUNT generated photos, pressed through
# messages on the real window, beside quillmere-cli's dry run and copy of the same files under
# Wine, and prints the ratios (aim: the window within 3 times the command line).
#   bench/window_run_bench.sh [COUNT]      (default 5000)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
count="${1:-5000}"
source "$root/scripts/wine-env.sh"
kind="$(qm_wine_test_kind)"
dist="$root/build/dist"
[ "$kind" = win64 ] && dist="$root/build/dist64"
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" "$kind" quillmere-cli window_run_bench >/dev/null
qm_wine_start "$root/build/$kind"
work="$root/build/bench-window"
rm -rf "$work"
mkdir -p "$work"
status=0
wine "$root/build/$kind/bench/window_run_bench.exe" "$(winepath -w "$work")" "$(winepath -w "$dist/quillmere-cli.exe")" \
  "$count" || status=$?
qm_wine_stop
rm -rf "$work"
exit "$status"
