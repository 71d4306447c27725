#!/usr/bin/env bash
# Sets up what is missing, builds Quillmere and starts it under Wine; without a display, runs a
# demo instead (scripts/demo.sh).
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" win
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${DISPLAY:-}" ]; then
  # No screen here: a demo on a virtual display shows what Quillmere does, and then ends.
  echo "start: no DISPLAY is set; running the demo on a virtual display (Xvfb) instead of the window."
  source "$root/scripts/wine-env.sh"
  qm_wine_start "$root/build"
  bash "$root/scripts/demo.sh" "$root/build/dist" "$root/build/win/demo" "$root/build/demo" \
    "$root/build/screenshot.png"
  qm_wine_stop
  exit 0
fi
if [ -z "${WINEPREFIX:-}" ] && [ ! -d "$HOME/.wine" ]; then
  echo "start: creating the Wine prefix $HOME/.wine"
  WINEARCH=win32 wineboot -i >/dev/null 2>&1
fi
exec wine "$root/build/dist/quillmere.exe"
