#!/usr/bin/env bash
# Time per file from process start to exit: native metaprobe against the reference tool on the
# same files, in the same run, each started directly (bench/SpawnEach.cpp), not through a shell.
# Usage: bench/metaprobe_bench.sh [FILE...]
# Without files it uses the sample corpus beside the source tree (or at $QM_CORPUS), if present.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
# The native test build carries sanitizers, so the tool is built here optimised and without them.
cmake -S "$root" -B "$root/build/bench" -DCMAKE_BUILD_TYPE=Release -DQM_SANITIZE=OFF \
  -DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc >/dev/null
cmake --build "$root/build/bench" -j "${QM_JOBS:-$(nproc)}" --target metaprobe spawn_each >/dev/null
tool="$root/build/bench/metaprobe/metaprobe"
spawn="$root/build/bench/bench/spawn_each"
command -v exiftool >/dev/null || { echo "exiftool is not on PATH" >&2; exit 1; }
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  shopt -s nullglob
  corpus="${QM_CORPUS:-$root/../shared/corpus}"
  files=("$corpus"/other/* "$corpus"/jpeg/*)
fi
[ ${#files[@]} -gt 0 ] || { echo "no files given and no corpus found" >&2; exit 1; }
rounds="${ROUNDS:-5}"
n=$(( ${#files[@]} * rounds ))
own=$("$spawn" "$rounds" "$tool" -- "${files[@]}")
ref=$("$spawn" "$rounds" exiftool -- "${files[@]}")
awk -v own="$own" -v ref="$ref" -v n="$n" 'BEGIN {
  printf "files run: %d\n", n
  printf "metaprobe: %.2f ms per file\n", own / n / 1e6
  printf "exiftool:  %.2f ms per file\n", ref / n / 1e6
  printf "ratio (exiftool / metaprobe): %.1fx\n", ref / own
}'
