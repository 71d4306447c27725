#!/usr/bin/env bash
# A Google Takeout export of 2,000 photos and videos with their sidecars, split over 3 zip archives
# (each sidecar in another archive than its photo), organized by the real run
# (quillmere-cli organize --takeout --copy) straight from the archives and from the same export
# extracted, one after the other in one run. Prints files per second and the bytes the run's
# processes read for each, and the load average.
#   bench/takeout_bench.sh        (QM_BENCH_ROUNDS=2 rounds of each by default, best counts)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
source "$root/scripts/wine-env.sh"
kind="$(qm_wine_test_kind)"
dist="$root/build/dist"
[ "$kind" = win64 ] && dist="$root/build/dist64"
# The export is written by the native benchmark's writer; the run is the shipped program. Built
# with the flags the other builds use, so that the builds and their cache are reused.
export QM_WERROR="${QM_WERROR:-ON}"
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" native zip_export_bench >/dev/null
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" "$kind" quillmere-cli metaprobe >/dev/null
qm_wine_start "$root/build/$kind"
trap qm_wine_stop EXIT

work="$root/build/bench-takeout"
rm -rf "$work"
mkdir -p "$work"
"$root/build/native/bench/zip_export_bench" --write "$work"
cli="$dist/quillmere-cli.exe"
wwork="$(winepath -w "$work" 2>/dev/null)"
files=$(find "$work/extracted" -type f ! -name '*.json' | wc -l)

# Runs the command and adds up what every process it starts reads (/proc/PID/io's rchar: bytes
# asked of the system, cached or not), sampled every 10 ms until the command ends.
read_bytes_of() {
  python3 - "$@" <<'PY'
import os, subprocess, sys, time
child = subprocess.Popen(sys.argv[1:], stdout=subprocess.DEVNULL, stderr=subprocess.DEVNULL,
                         start_new_session=True)
seen = {}
def sample():
    for pid in os.listdir('/proc'):
        if not pid.isdigit():
            continue
        try:
            if os.getpgid(int(pid)) != child.pid:
                continue
            with open('/proc/%s/io' % pid) as f:
                for line in f:
                    if line.startswith('rchar:'):
                        seen[pid] = max(seen.get(pid, 0), int(line.split()[1]))
        except (OSError, ProcessLookupError):
            pass
while child.poll() is None:
    sample()
    time.sleep(0.01)
print(sum(seen.values()), child.returncode)
PY
}

now_ns() { date +%s%N; }
# One run into a new output folder: seconds, bytes read; checks that every photo was placed.
measure() {  # archives|extracted
  local out="$work/out-$1"
  rm -rf "$out"
  local start end result
  start=$(now_ns)
  result=$(read_bytes_of wine "$cli" organize --takeout --copy --mode taken --out "$wwork\\out-$1" "$wwork\\$1")
  end=$(now_ns)
  local placed
  placed=$(find "$out" -type f | wc -l)
  if [ "${result#* }" != 0 ] || [ "$placed" -ne "$files" ]; then
    echo "takeout_bench: from $1 placed $placed of $files files (exit ${result#* })" >&2
    exit 1
  fi
  rm -rf "$out"
  echo "$(echo "scale=3; ($end - $start) / 1000000000" | bc) ${result% *}"
}

rounds="${QM_BENCH_ROUNDS:-2}"
declare -A best bytes
for round in $(seq 1 "$rounds"); do
  for from in archives extracted; do
    read -r t b < <(measure "$from")
    if [ -z "${best[$from]:-}" ] || [ "$(echo "$t < ${best[$from]}" | bc)" = 1 ]; then
      best[$from]=$t
      bytes[$from]=$b
    fi
  done
done
echo "takeout export: $files photos and videos with sidecars, 3 archives of $(du -cb "$work"/archives/*.zip | tail -1 | cut -f1) bytes"
for from in archives extracted; do
  printf "from %-10s %5d files  %7.1f files/s  %8.1f MB read  %6.2f s\n" "$from" "$files" \
    "$(echo "$files / ${best[$from]}" | bc -l)" "$(echo "${bytes[$from]} / 1000000" | bc -l)" "${best[$from]}"
done
echo "load average: $(cut -d' ' -f1-3 /proc/loadavg)"
rm -rf "$work"
