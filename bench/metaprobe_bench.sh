#!/usr/bin/env bash
# Time per file from process start to exit: native metaprobe against the reference tool on the
# same files, in the same run. Usage: bench/metaprobe_bench.sh [FILE...]
# Without files it uses the sample corpus beside the source tree, if present.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
tool="$root/build/native/metaprobe/metaprobe"
[ -x "$tool" ] || { echo "build the native configuration first (scripts/build.sh native)" >&2; exit 1; }
command -v exiftool >/dev/null || { echo "exiftool is not on PATH" >&2; exit 1; }
files=("$@")
if [ ${#files[@]} -eq 0 ]; then
  shopt -s nullglob
  files=("$root"/../shared/corpus/other/* "$root"/../shared/corpus/jpeg/*)
fi
[ ${#files[@]} -gt 0 ] || { echo "no files given and no corpus found" >&2; exit 1; }
rounds="${ROUNDS:-5}"
# The native build carries sanitizers; they slow metaprobe, so the ratio is a lower bound.
export ASAN_OPTIONS=detect_leaks=0
now() { date +%s%N; }
run() {  # run COMMAND... over every file ROUNDS times, print nanoseconds
  local start end
  start=$(now)
  for ((r = 0; r < rounds; r++)); do
    for f in "${files[@]}"; do "$@" "$f" >/dev/null 2>&1 || true; done
  done
  end=$(now)
  echo $((end - start))
}
n=$(( ${#files[@]} * rounds ))
own=$(run "$tool")
ref=$(run exiftool)
awk -v own="$own" -v ref="$ref" -v n="$n" 'BEGIN {
  printf "files run: %d\n", n
  printf "metaprobe: %.2f ms per file\n", own / n / 1e6
  printf "exiftool:  %.2f ms per file\n", ref / n / 1e6
  printf "ratio (exiftool / metaprobe): %.1fx\n", ref / own
}'
