#!/usr/bin/env bash
# Sets up what is missing, builds Quillmere and starts it under Wine; without a display, runs a
# demo instead (scripts/demo.sh) and ends. Where the kernel runs no 32-bit programs, the 64-bit
# build of the same sources is the one started.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
source "$root/scripts/wine-env.sh"
kind="$(qm_wine_test_kind)"
dist="$root/build/dist"
[ "$kind" = win64 ] && dist="$root/build/dist64"
programs=(quillmere quillmere-cli metaprobe qm_help)

if [ -z "${DISPLAY:-}" ]; then
  # No screen here: a demo on a virtual display shows what Quillmere does, and then ends.
  bash "$root/scripts/build.sh" "$kind" "${programs[@]}" demo_photos demo_window
  echo "start: no DISPLAY is set; running the demo on a virtual display (Xvfb) instead of the window."
  qm_wine_start "$root/build/start-$kind"
  bash "$root/scripts/demo.sh" "$dist" "$root/build/$kind/demo" "$root/build/demo" "$root/build/screenshot.png"
  qm_wine_stop
  exit 0
fi

bash "$root/scripts/build.sh" "$kind" "${programs[@]}"
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
loader=wine
arch=win32
if [ "$kind" = win64 ]; then
  # The wine command would pick the 32-bit loader, which this kernel cannot run.
  loader=/usr/lib/wine/wine64
  arch=win64
  export WINELOADER="$loader"
fi
if [ -z "${WINEPREFIX:-}" ] && [ ! -d "$HOME/.wine" ]; then
  echo "start: creating the Wine prefix $HOME/.wine"
  WINEARCH="$arch" "$loader" wineboot -i >/dev/null 2>&1
fi
exec "$loader" "$dist/quillmere.exe"
