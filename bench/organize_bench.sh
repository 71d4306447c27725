#!/usr/bin/env bash
# Organizes FILES generated JPEG files (mode taken, year/month/day folders, another folder) with
# quillmere-cli.exe under Wine, once moving and once copying, and times a bare loop doing only the
# necessary system calls on the same kind of input in the same run. Prints files per second for
# both and the ratio of their times (aim: quillmere-cli within 1.5 times the bare loop).
#   bench/organize_bench.sh [FILES]      (default 10000; QM_BENCH_ROUNDS=3 runs of each, best counts)
# QM_BENCH_BASELINE=OTHER/quillmere-cli.exe (an earlier build, say) runs that program too, in the
# same rounds, so that a change is measured before and after side by side.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
files="${1:-10000}"
source "$root/scripts/wine-env.sh"
# The configuration this machine runs (64-bit where the kernel runs no 32-bit code); only the
# three programs are built, so that the figures do not wait for the rest.
kind="$(qm_wine_test_kind)"
dist="$root/build/dist"
[ "$kind" = win64 ] && dist="$root/build/dist64"
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" "$kind" quillmere-cli make_bench_jpegs bare_organize_loop >/dev/null
qm_wine_start "$root/build/$kind"

work="$root/build/bench-organize"
rm -rf "$work"
mkdir -p "$work"
cli="$dist/quillmere-cli.exe"
bare="$root/build/$kind/bench/bare_organize_loop.exe"
make="$root/build/$kind/bench/make_bench_jpegs.exe"
win_path() { winepath -w "$1" 2>/dev/null; }

now_ns() { date +%s%N; }
# Each timed run starts with what earlier runs and the set-up wrote on the disk: their writing back
# would otherwise go on during the next run and slow its flushes.
settle() { sync; }
# Seconds taken by a command, to millisecond precision.
time_of() {
  local start end
  settle
  start=$(now_ns)
  "$@"
  end=$(now_ns)
  echo "scale=3; ($end - $start) / 1000000000" | bc
}

run_cli() {  # move|copy FOLDER
  wine "$cli" organize "--$1" --mode taken --out "$wwork\\$2-out" "$wwork\\$2" \
    >"$work/$2.stdout" 2>"$work/$2.stderr"
}

run_base() {  # move|copy FOLDER
  wine "$baseline" organize "--$1" --mode taken --out "$wwork\\$2-out" "$wwork\\$2" \
    >"$work/$2.stdout" 2>"$work/$2.stderr"
}

run_bare() {  # move|copy FOLDER
  wine "$bare" "$1" "$wwork\\$2" "$wwork\\$2-out" >"$work/$2.stdout"
}

run_version() { wine "$cli" --version >/dev/null; }

# One timed run on a fresh copy of the generated files; checks that every file was placed.
measure() {  # cli|bare move|copy
  local name="$1-$2"
  rm -rf "${work:?}/$name" "$work/$name-out"
  cp -a "$work/seed" "$work/$name"
  local t
  t=$(time_of "run_$1" "$2" "$name")
  local placed
  placed=$(find "$work/$name-out" -type f | wc -l)
  if [ "$placed" -ne "$files" ]; then
    echo "organize_bench: $name placed $placed of $files files" >&2
    exit 1
  fi
  rm -rf "${work:?}/$name" "$work/$name-out"
  echo "$t"
}

mkdir -p "$work/seed"
# Converted once: every conversion starts a Wine process, which must not be timed.
wwork="$(win_path "$work")"
wine "$make" "$(win_path "$work/seed")" "$files"
startup=$(time_of run_version)
startup=$(printf "%.3f" "$startup")

# Rounds alternate the two programs; the best time of each counts, so that a busy moment of a
# shared machine does not decide the ratio.
rounds="${QM_BENCH_ROUNDS:-3}"
baseline="${QM_BENCH_BASELINE:-}"
programs=(cli bare)
if [ -n "$baseline" ]; then
  [ -f "$baseline" ] || { echo "organize_bench: no baseline program at $baseline" >&2; exit 1; }
  programs+=(base)
fi
declare -A seconds
for op in move copy; do
  for round in $(seq 1 "$rounds"); do
    for prog in "${programs[@]}"; do
      t=$(measure "$prog" "$op")
      key="$prog-$op"
      if [ -z "${seconds[$key]:-}" ] || [ "$(echo "$t < ${seconds[$key]}" | bc)" -eq 1 ]; then
        seconds[$key]=$t
      fi
    done
  done
done
qm_wine_stop

echo "files: $files, best of $rounds runs each   (Wine process start: ${startup} s, included in every figure)"
printf '%-6s %14s %14s %8s\n' "" "cli files/s" "bare files/s" "ratio"
for op in move copy; do
  c=${seconds[cli-$op]}
  b=${seconds[bare-$op]}
  printf '%-6s %14.0f %14.0f %8.2f\n' "$op" "$(echo "$files / $c" | bc -l)" "$(echo "$files / $b" | bc -l)" \
    "$(echo "$c / $b" | bc -l)"
  if [ -n "$baseline" ]; then
    a=${seconds[base-$op]}
    printf '%-6s %14.0f %14s %8.2f   (baseline: %s)\n' "$op" "$(echo "$files / $a" | bc -l)" "" \
      "$(echo "$a / $b" | bc -l)" "$baseline"
  fi
done
echo "ratio = quillmere-cli time / bare loop time (aim: at most 1.5)"
rm -rf "$work"
