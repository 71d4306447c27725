#!/usr/bin/env bash
# The start command's demo on a machine without a screen: it ends by itself, prints both tables,
# their summaries and the screenshot's path, the sorted folder holds exactly the expected copies,
# and the screenshot is a picture of the window, not an empty screen.
#   start_demo_test.sh SOURCE_DIR DIST_DIR TOOLS_DIR WORK_DIR WINE_DIR
# Runs, as the start command does, in a Wine prefix and on a virtual display of its own, so that
# the window settings the demo stores reach no other test; the prefix, in WINE_DIR, is kept for
# the next run.
set -uo pipefail
src="$1"
dist="$2"
tools="$3"
work="$4"
wine_dir="$5"
failures=0
fail() {
  echo "FAILED: $*"
  failures=$((failures + 1))
}

rm -rf "$work"
mkdir -p "$work"
source "$src/scripts/wine-env.sh"
qm_wine_start "$wine_dir" || exit 1

shot="$work/screenshot.png"
timeout 120 bash "$src/scripts/demo.sh" "$dist" "$tools" "$work/demo" "$shot" >"$work/output.txt" 2>&1
status=$?
cat "$work/output.txt"
[ $status -eq 0 ] || fail "the demo ended with status $status (124: it did not end within two minutes)"

sorted="$work/demo/sorted"
expected="1998/1998_05/1998_05_20/grandma.jpg
2024/2024_07/2024_07_14/IMG_0101.JPG
2024/2024_07/2024_07_14/IMG_0101_1.JPG
2024/2024_07/2024_07_14/IMG_0102.JPG
2024/2024_12/2024_12_24/IMG_0230.JPG
2025/2025_03/2025_03_01/PXL_0301.jpg"
actual="$( (cd "$sorted" 2>/dev/null && find . -type f | sed 's|^\./||' | LC_ALL=C sort) )"
[ "$actual" = "$expected" ] || fail "the sorted folder holds
$actual
instead of
$expected"

# Copies, byte for byte: the same set of contents on both sides, the sources still in place.
sums() { (cd "$1" 2>/dev/null && find . -type f -exec sha256sum {} + | cut -d' ' -f1 | LC_ALL=C sort); }
[ "$(sums "$work/demo/photos")" = "$(sums "$sorted")" ] || fail "the sorted copies differ from the photos"

out="$(cat "$work/output.txt")"
for text in "Dry run" "Real run" "IMG_0101_1.JPG" "scans\\grandma.jpg" "Screenshot of the main window with the photos listed: $shot"; do
  grep -qF -- "$text" <<<"$out" || fail "the output lacks \"$text\""
done
[ "$(grep -cF "6 files, 6 OK, 0 skipped, 0 failed" <<<"$out")" -eq 2 ] ||
  fail "the output lacks the two summary lines"

if ! size="$(identify -format '%m %w %h' "$shot" 2>/dev/null)"; then
  fail "no readable screenshot at $shot"
else
  read -r kind width height <<<"$size"
  [ "$kind" = PNG ] && [ "$width" -ge 800 ] && [ "$height" -ge 500 ] ||
    fail "the screenshot is $size, not a PNG of the window"
  colours="$(convert "$shot" -format '%k' info:)"
  [ "$colours" -ge 16 ] || fail "the screenshot has only $colours colours: an empty screen"
fi

[ $failures -eq 0 ] && echo "start demo: all checks passed"
exit $((failures > 0))
