#!/usr/bin/env bash
# Runs one libFuzzer target for a given time, for long runs beside the short CTest smoke runs:
#   scripts/fuzz.sh TARGET SECONDS [extra libFuzzer options]
# Builds the fuzz configuration when the target is missing. The working corpus is kept in
# build/fuzz/corpus/TARGET between runs; crash files go to build/fuzz/crashes/TARGET.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
if [ $# -lt 2 ]; then
  echo "usage: $0 TARGET SECONDS [libFuzzer options]" >&2
  exit 2
fi
target="$1"
seconds="$2"
shift 2

dir="$root/build/fuzz"
binary="$(find "$dir" -type f -name "$target" -perm -u+x 2>/dev/null | head -n 1 || true)"
if [ -z "$binary" ]; then
  QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" fuzz
  binary="$(find "$dir" -type f -name "$target" -perm -u+x | head -n 1)"
fi
if [ -z "$binary" ]; then
  echo "no fuzz target named $target in $dir" >&2
  exit 2
fi

corpus="$dir/corpus/$target"
crashes="$dir/crashes/$target"
mkdir -p "$corpus" "$crashes"
# The seed directory is the one the target's CTest smoke run uses.
seeds=()
seed_dir="$(grep -h -- "-DFUZZER=$binary\"" "$(dirname "$binary")/CTestTestfile.cmake" 2>/dev/null |
  sed -n 's/.*"-DSEEDS=\([^"]*\)".*/\1/p' | head -n 1 || true)"
if [ -n "$seed_dir" ] && [ -d "$seed_dir" ]; then
  seeds+=("$seed_dir")
fi

# Standard output is closed: the reader reports some failures there, which only slows the run.
exec "$binary" -max_total_time="$seconds" -rss_limit_mb=2048 -timeout=10 -print_final_stats=1 \
  -close_fd_mask=1 -artifact_prefix="$crashes/" "$@" "$corpus" "${seeds[@]}"
