#!/usr/bin/env bash
# Organizes FILES copies of the corpus's non-JPEG samples (HEIF, raw, TIFF, PNG, video) with
# quillmere-cli.exe under Wine (copy, mode taken-else-modified, year/month/day folders), in one
# run: through one metadata-tool process for the run (the batch mode), through one tool start per
# file (a tool without the batch mode beside the program), the same number of JPEG files, and the
# reference metadata tool's own batch organizer natively on both sets when it is installed. Prints
# ms per file and the ratios (aims: non-JPEG within 3x of JPEG; at least 3x faster than the
# reference on non-JPEG files and 5x on JPEG files).
#   bench/formats_bench.sh [FILES]      (default 2000; the one-start-per-file run takes FILES/4)
# QM_BENCH_BASELINE=OTHER/quillmere-cli.exe (an earlier build with its metaprobe.exe beside it)
# organizes both sets too, in the same run, so that a change is measured before and after.
# The reference tool runs natively: under Wine it would need a Windows Perl, which the build
# machine does not have; Wine's own cost counts against the program, not the reference.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
files="${1:-2000}"
corpus="${QM_CORPUS_DIR:-$root/../shared/corpus}"
shopt -s nullglob nocaseglob
samples=()
for f in "$corpus"/other/*.{heic,heif,cr2,cr3,nef,dng,rw2,tif,tiff,png,mov,mp4}; do samples+=("$f"); done
jpeg="$corpus/jpeg/Canon_40D.jpg"
shopt -u nocaseglob
if [ ${#samples[@]} -eq 0 ] || [ ! -f "$jpeg" ]; then
  echo "formats_bench: no sample corpus at $corpus (set QM_CORPUS_DIR)" >&2
  exit 1
fi

source "$root/scripts/wine-env.sh"
kind="$(qm_wine_test_kind)"
dist="$root/build/dist"
[ "$kind" = win64 ] && dist="$root/build/dist64"
QM_JOBS="${QM_JOBS:-1}" bash "$root/scripts/build.sh" "$kind" quillmere-cli metaprobe one_file_probe >/dev/null
qm_wine_start "$root/build/$kind"

work="$root/build/bench-formats"
rm -rf "$work"
mkdir -p "$work/onefile"
# The old path: the same program, with a tool beside it that answers one file per start.
cp "$dist/quillmere-cli.exe" "$work/onefile/"
cp "$root/build/$kind/bench/one_file_probe.exe" "$work/onefile/metaprobe.exe"

# Generated copies: distinct names, the samples in turn.
make_copies() {  # FOLDER COUNT SOURCE...
  local folder="$1" count="$2"
  shift 2
  local sources=("$@")
  mkdir -p "$folder"
  for ((i = 0; i < count; i++)); do
    local s="${sources[i % ${#sources[@]}]}"
    local name="${s##*/}"
    cp "$s" "$folder/$(printf '%05d' "$i")_$name"
  done
}
onefile_count=$((files / 4))
make_copies "$work/formats" "$files" "${samples[@]}"
make_copies "$work/formats-onefile" "$onefile_count" "${samples[@]}"
make_copies "$work/jpeg" "$files" "$jpeg"

win_path() { winepath -w "$1" 2>/dev/null; }
now_ns() { date +%s%N; }
# Each timed run starts with what earlier runs and the set-up wrote on the disk: their writing back
# would otherwise go on during the next run and slow its flushes.
settle() { sync; }
# Milliseconds per file of one organize run; checks that every file was placed.
organize() {  # CLI FOLDER COUNT [RUN NAME]
  local cli="$1" folder="$2" count="$3" name="${4:-$2}" start end placed
  settle
  start=$(now_ns)
  wine "$cli" organize --copy --mode taken-else-modified --out "$(win_path "$work/$name-out")" \
    "$(win_path "$work/$folder")" >"$work/$name.stdout" 2>"$work/$name.stderr" || true
  end=$(now_ns)
  placed=$(find "$work/$name-out" -type f | wc -l)
  if [ "$placed" -ne "$count" ]; then
    echo "formats_bench: $name placed $placed of $count files (see $work/$name.stderr)" >&2
    exit 1
  fi
  echo "scale=3; ($end - $start) / 1000000 / $count" | bc
}

batch_ms=$(organize "$dist/quillmere-cli.exe" formats "$files")
onefile_ms=$(organize "$work/onefile/quillmere-cli.exe" formats-onefile "$onefile_count")
jpeg_ms=$(organize "$dist/quillmere-cli.exe" jpeg "$files")
baseline="${QM_BENCH_BASELINE:-}"
if [ -n "$baseline" ]; then
  base_batch_ms=$(organize "$baseline" formats "$files" base-formats)
  base_jpeg_ms=$(organize "$baseline" jpeg "$files" base-jpeg)
fi
qm_wine_stop

# Milliseconds per file of the reference tool's batch organizer (a copy into year/month/day
# folders) on FOLDER.
reference() {  # FOLDER
  local start end
  settle
  start=$(now_ns)
  exiftool -q -q -r -o "$work/dummy/" '-Directory<DateTimeOriginal' '-Directory<CreateDate' \
    -d "$work/reference-$1-out/%Y/%m/%d" "$work/$1" >/dev/null 2>&1 || true
  end=$(now_ns)
  echo "scale=3; ($end - $start) / 1000000 / $files" | bc
}
reference_ms=""
reference_jpeg_ms=""
if command -v exiftool >/dev/null; then
  reference_ms=$(reference formats)
  reference_jpeg_ms=$(reference jpeg)
fi

echo "files: $files non-JPEG (${#samples[@]} samples in turn), $files JPEG, $onefile_count for one start per file"
printf '%-44s %10s\n' "" "ms/file"
printf '%-44s %10.2f\n' "non-JPEG, one tool process for the run" "$batch_ms"
printf '%-44s %10.2f\n' "non-JPEG, one tool start per file" "$onefile_ms"
printf '%-44s %10.2f\n' "JPEG" "$jpeg_ms"
[ -n "$baseline" ] && printf '%-44s %10.2f\n' "non-JPEG, one tool process, baseline" "$base_batch_ms"
[ -n "$baseline" ] && printf '%-44s %10.2f\n' "JPEG, baseline" "$base_jpeg_ms"
[ -n "$reference_ms" ] && printf '%-44s %10.2f\n' "reference tool's batch organizer (native)" "$reference_ms"
[ -n "$reference_ms" ] && printf '%-44s %10.2f\n' "the same on the JPEG files" "$reference_jpeg_ms"
echo "non-JPEG batch / JPEG:          $(echo "scale=2; $batch_ms / $jpeg_ms" | bc)x   (aim: at most 3)"
echo "one start per file / batch:     $(echo "scale=2; $onefile_ms / $batch_ms" | bc)x"
[ -n "$reference_ms" ] &&
  echo "reference organizer / batch:    $(echo "scale=2; $reference_ms / $batch_ms" | bc)x   (aim: at least 3)"
[ -n "$reference_ms" ] &&
  echo "reference organizer / JPEG:     $(echo "scale=2; $reference_jpeg_ms / $jpeg_ms" | bc)x   (aim: at least 5)"
[ -n "$reference_ms" ] && [ -n "$baseline" ] &&
  echo "the same for the baseline:      $(echo "scale=2; $reference_ms / $base_batch_ms" | bc)x non-JPEG, $(echo "scale=2; $reference_jpeg_ms / $base_jpeg_ms" | bc)x JPEG"
rm -rf "$work"
