#!/usr/bin/env bash
# What the library-hygiene options cost, side by side in one run: FILES generated JPEG files
# copied by quillmere-cli.exe under Wine (mode taken-else-modified, another folder)
#   plain      the options off
#   options    --exists identical --companions --name-dates, into an empty folder
#   reimport   --exists identical again into the filled folder: every target is taken and every
#              file is compared byte for byte with its twin, so nothing is written
#   rename     --exists rename into the filled folder: every file gets a _1 copy
# Prints files per second and each time's ratio to plain (best of QM_BENCH_ROUNDS runs).
#   bench/hygiene_bench.sh [FILES]      (default 5000)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
files="${1:-5000}"
if [ ! -f "$root/build/win/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$root/build/win" -DQM_DIST_DIR="$root/build/dist" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$root/build/win" -j "${QM_JOBS:-1}" --target quillmere-cli make_bench_jpegs >/dev/null
source "$root/scripts/wine-env.sh"
qm_wine_start "$root/build/win"

work="$root/build/bench-hygiene"
rm -rf "$work"
mkdir -p "$work/seed"
cli="$root/build/dist/quillmere-cli.exe"
make="$root/build/win/bench/make_bench_jpegs.exe"
wwork="$(winepath -w "$work" 2>/dev/null)"
wine "$make" "$(winepath -w "$work/seed" 2>/dev/null)" "$files"

now_ns() { date +%s%N; }
run() {  # OUT-FOLDER FLAGS...
  local out="$1"
  shift
  local start end
  start=$(now_ns)
  wine "$cli" organize --copy --mode taken-else-modified "$@" --out "$wwork\\$out" "$wwork\\seed" \
    >"$work/last.stdout" 2>"$work/last.stderr" || true
  end=$(now_ns)
  # Every file must have been handled, none failed: a run that stopped early times nothing.
  if ! grep -q "^$files files, .* 0 failed" "$work/last.stderr"; then
    echo "hygiene_bench: run into $out did not place every file:" >&2
    cat "$work/last.stderr" >&2
    exit 1
  fi
  echo "scale=3; ($end - $start) / 1000000000" | bc
}
best() {  # CURRENT NEW
  if [ -z "$1" ] || [ "$(echo "$2 < $1" | bc)" -eq 1 ]; then echo "$2"; else echo "$1"; fi
}

rounds="${QM_BENCH_ROUNDS:-3}"
plain="" options="" reimport="" rename=""
for round in $(seq 1 "$rounds"); do
  rm -rf "${work:?}/plain" "$work/options"
  plain=$(best "$plain" "$(run plain)")
  options=$(best "$options" "$(run options --exists identical --companions --name-dates)")
  reimport=$(best "$reimport" "$(run options --exists identical --companions --name-dates)")
  grep -q "$files skipped" "$work/last.stderr" || { echo "hygiene_bench: reimport did not skip every file" >&2; cat "$work/last.stderr" >&2; exit 1; }
  rm -rf "${work:?}/plain-again"
  cp -a "$work/plain" "$work/plain-again"
  rename=$(best "$rename" "$(run plain-again --exists rename)")
done
qm_wine_stop

echo "files: $files, best of $rounds runs each (copy, Wine process start included)"
printf '%-10s %12s %8s\n' "" "files/s" "ratio"
for name in plain options reimport rename; do
  t=${!name}
  printf '%-10s %12.0f %8.2f\n' "$name" "$(echo "$files / $t" | bc -l)" "$(echo "$t / $plain" | bc -l)"
done
echo "ratio = time / plain time"
rm -rf "$work"
