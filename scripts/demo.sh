#!/usr/bin/env bash
# The start command's demo on a machine without a screen, in a Wine environment the caller has
# started (wine-env.sh): makes sample photos, prints what quillmere-cli would do with them and
# what it did when copying them into a sorted folder, and saves a screenshot of the main window
# with the photos listed.
#   scripts/demo.sh DIST_DIR TOOLS_DIR WORK_DIR SCREENSHOT
# DIST_DIR holds the programs, TOOLS_DIR the demo helpers; WORK_DIR is made anew.
set -euo pipefail
if [ $# -ne 4 ]; then
  echo "usage: $0 DIST_DIR TOOLS_DIR WORK_DIR SCREENSHOT" >&2
  exit 2
fi
dist="$(cd "$1" && pwd)"
tools="$(cd "$2" && pwd)"
work="$3"
shot="$4"

# Wine's drive Z: is the Linux root.
winpath() { local p="$1"; printf 'Z:%s' "${p//\//\\}"; }

rm -rf "$work"
mkdir -p "$work"
work="$(cd "$work" && pwd)"
photos="$work/photos"
sorted="$work/sorted"
wphotos="$(winpath "$photos")"
wsorted="$(winpath "$sorted")"

wine "$tools/demo_photos.exe" "$wphotos" | tr -d '\r' >"$work/photos.txt"
mapfile -t files <"$work/photos.txt"

# Prints the cli's "source<TAB>target<TAB>result" lines as a table, paths shown below their roots.
table() {
  tr -d '\r' <"$1" | QM_SRC="$wphotos\\" QM_OUT="$wsorted\\" awk -F '\t' '
    function below(path, root) { return index(path, root) == 1 ? substr(path, length(root) + 1) : path }
    { s[NR] = below($1, ENVIRON["QM_SRC"]); t[NR] = below($2, ENVIRON["QM_OUT"]); r[NR] = $3
      if (length(s[NR]) > ws) ws = length(s[NR]); if (length(t[NR]) > wt) wt = length(t[NR]) }
    END { if (ws < 5) ws = 5; if (wt < 6) wt = 6
          printf "  %-" ws "s   %-" wt "s   %s\n", "photo", "sorted", "result"
          for (i = 1; i <= NR; i++) printf "  %-" ws "s   %-" wt "s   %s\n", s[i], t[i], r[i] }'
}

cli=(wine "$dist/quillmere-cli.exe" organize --copy --mode taken-else-modified --out "$wsorted")
echo
echo "Sample photos in $photos: two cameras, two files named IMG_0101.JPG from the same day,"
echo "and a scan without EXIF that is dated by its file time."
echo
echo "Dry run (quillmere-cli organize --dry-run --copy --mode taken-else-modified --out sorted photos):"
"${cli[@]}" --dry-run "$wphotos" >"$work/dry-run.tsv" 2>"$work/dry-run.summary"
table "$work/dry-run.tsv"
echo "  $(tr -d '\r' <"$work/dry-run.summary")"
echo
echo "Real run (the same without --dry-run), copies into $sorted:"
"${cli[@]}" "$wphotos" >"$work/run.tsv" 2>"$work/run.summary"
table "$work/run.tsv"
echo "  $(tr -d '\r' <"$work/run.summary")"
echo

# Into a file, not a pipe: the program started by the helper keeps the helper's output open.
# Wine's notes while the open-file dialog lists drives go to a file, shown only on failure.
if ! wine "$tools/demo_window.exe" show "$(winpath "$dist/quillmere.exe")" "$wsorted" "${files[@]}" \
  >"$work/window.txt" 2>"$work/window.log"; then
  cat "$work/window.log" >&2
  exit 1
fi
geometry="$(tr -d '\r' <"$work/window.txt")"
import -window root -crop "$geometry" +repage "$shot"
if ! wine "$tools/demo_window.exe" close 2>>"$work/window.log"; then
  cat "$work/window.log" >&2
  exit 1
fi

echo "Screenshot of the main window with the photos listed: $shot"
echo "Sorted copies: $sorted"
echo "On a machine with a display, bash scripts/start.sh opens the window itself; on Windows, start"
echo "quillmere.exe from build/dist, or install it with the setup that scripts/package.sh makes."
