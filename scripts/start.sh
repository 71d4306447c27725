#!/usr/bin/env bash
# Sets up what is missing, builds Quillmere and starts it under Wine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" win
export WINEDEBUG="${WINEDEBUG:--all}"
export WINEDLLOVERRIDES="mscoree,mshtml="
if [ -z "${DISPLAY:-}" ]; then
  # No screen here: Quillmere runs on a virtual display, stopped again when it closes.
  echo "start: no DISPLAY is set; starting Quillmere on a virtual display (Xvfb)."
  source "$root/scripts/wine-env.sh"
  qm_wine_start "$root/build"
  wine "$root/build/dist/quillmere.exe"
  qm_wine_stop
  exit 0
fi
if [ -z "${WINEPREFIX:-}" ] && [ ! -d "$HOME/.wine" ]; then
  echo "start: creating the Wine prefix $HOME/.wine"
  WINEARCH=win32 wineboot -i >/dev/null 2>&1
fi
exec wine "$root/build/dist/quillmere.exe"
