# Sourced by the build and test scripts: a private Wine prefix under the build folder,
# one persistent wineserver and an Xvfb display, all stopped by PID on exit.
#   qm_wine_start BUILD_DIR   sets WINEPREFIX, DISPLAY, WINEDEBUG and starts the services
#   qm_wine_stop              stops what qm_wine_start started (also run from the EXIT trap)

QM_XVFB_PID=""
QM_WINESERVER_PID=""

qm_wine_stop() {
  if [ -n "$QM_WINESERVER_PID" ]; then
    WINEPREFIX="$WINEPREFIX" wineserver -k >/dev/null 2>&1 || true
    kill "$QM_WINESERVER_PID" 2>/dev/null || true
    wait "$QM_WINESERVER_PID" 2>/dev/null || true
    QM_WINESERVER_PID=""
  fi
  if [ -n "$QM_XVFB_PID" ]; then
    kill "$QM_XVFB_PID" 2>/dev/null || true
    wait "$QM_XVFB_PID" 2>/dev/null || true
    QM_XVFB_PID=""
  fi
}

qm_wine_start() {
  local build="$1"
  mkdir -p "$build"
  export WINEPREFIX="$(cd "$build" && pwd)/wineprefix"
  export WINEARCH=win32
  export WINEDEBUG=-all
  export WINEDLLOVERRIDES="mscoree,mshtml="
  trap qm_wine_stop EXIT
  trap 'qm_wine_stop; exit 130' INT TERM

  # Xvfb picks a free display itself and writes its number to the descriptor we give it.
  local dfile="$build/.xvfb-display"
  rm -f "$dfile"
  Xvfb -displayfd 9 -screen 0 1280x1024x24 -nolisten tcp 9>"$dfile" >/dev/null 2>&1 &
  QM_XVFB_PID=$!
  local i
  for i in $(seq 1 100); do
    [ -s "$dfile" ] && break
    sleep 0.1
  done
  if [ ! -s "$dfile" ]; then
    echo "wine-env: Xvfb did not start" >&2
    return 1
  fi
  export DISPLAY=":$(head -n1 "$dfile")"

  if [ ! -f "$WINEPREFIX/system.reg" ]; then
    echo "wine-env: creating Wine prefix $WINEPREFIX"
    wineboot -i >/dev/null 2>&1
    wineserver -w
  fi
  wineserver -f -p >/dev/null 2>&1 &
  QM_WINESERVER_PID=$!
  # Windows not managed by an X window manager: there is none under Xvfb, and destroying a
  # managed window costs Wine about two seconds. This also waits until the server answers, so
  # that the first test does not race its start.
  wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1 || true
}
