#!/usr/bin/env bash
# Organizes FILES generated JPEG files (mode taken, year/month/day folders, another folder) with
# quillmere-cli.exe under Wine, once moving and once copying, and times a bare loop doing only the
# necessary system calls on the same kind of input in the same run. Prints files per second for
# both and the ratio of their times (aim: quillmere-cli within 1.5 times the bare loop).
#   bench/organize_bench.sh [FILES]      (default 10000)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
files="${1:-10000}"
# Only the three programs are built, so that the figures do not wait for the rest.
if [ ! -f "$root/build/win/CMakeCache.txt" ]; then
  cmake -S "$root" -B "$root/build/win" -DQM_DIST_DIR="$root/build/dist" \
    -DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release >/dev/null
fi
cmake --build "$root/build/win" -j "${QM_JOBS:-1}" --target quillmere-cli make_bench_jpegs bare_organize_loop >/dev/null
source "$root/scripts/wine-env.sh"
qm_wine_start "$root/build/win"

work="$root/build/bench-organize"
rm -rf "$work"
mkdir -p "$work"
cli="$root/build/dist/quillmere-cli.exe"
bare="$root/build/win/bench/bare_organize_loop.exe"
make="$root/build/win/bench/make_bench_jpegs.exe"
win_path() { winepath -w "$1" 2>/dev/null; }

now_ns() { date +%s%N; }
# Seconds taken by a command, to millisecond precision.
time_of() {
  local start end
  start=$(now_ns)
  "$@"
  end=$(now_ns)
  echo "scale=3; ($end - $start) / 1000000000" | bc
}

generate() {
  mkdir -p "$work/$1"
  wine "$make" "$(win_path "$work/$1")" "$files"
}

run_cli() {  # move|copy NAME
  wine "$cli" organize "--$1" --mode taken --out "$(win_path "$work/$2-out")" "$(win_path "$work/$2")" \
    >"$work/$2.stdout" 2>"$work/$2.stderr"
}

run_bare() {  # move|copy NAME
  wine "$bare" "$1" "$(win_path "$work/$2")" "$(win_path "$work/$2-out")" >"$work/$2.stdout"
}

for name in cli-move cli-copy bare-move bare-copy; do generate "$name"; done
run_version() { wine "$cli" --version >/dev/null; }
startup=$(time_of run_version)

declare -A seconds
for op in move copy; do
  seconds[cli-$op]=$(time_of run_cli "$op" "cli-$op")
  seconds[bare-$op]=$(time_of run_bare "$op" "bare-$op")
  # Both must have placed every file.
  for name in "cli-$op" "bare-$op"; do
    placed=$(find "$work/$name-out" -type f | wc -l)
    if [ "$placed" -ne "$files" ]; then
      echo "organize_bench: $name placed $placed of $files files" >&2
      exit 1
    fi
  done
done
qm_wine_stop

echo "files: $files   (Wine process start: ${startup} s, included in every figure)"
printf '%-6s %14s %14s %8s\n' "" "cli files/s" "bare files/s" "ratio"
for op in move copy; do
  c=${seconds[cli-$op]}
  b=${seconds[bare-$op]}
  printf '%-6s %14.0f %14.0f %8.2f\n' "$op" "$(echo "$files / $c" | bc -l)" "$(echo "$files / $b" | bc -l)" \
    "$(echo "$c / $b" | bc -l)"
done
echo "ratio = quillmere-cli time / bare loop time (aim: at most 1.5)"
rm -rf "$work"
