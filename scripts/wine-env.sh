# Sourced by the build and test scripts: a private Wine prefix under the build folder,
# one persistent wineserver and an Xvfb display, all stopped by PID on exit.
#   qm_wine_start BUILD_DIR [wow64]
#                             sets WINEPREFIX, DISPLAY, WINEDEBUG and starts the services; with
#                             wow64, a 64-bit prefix in which the 32-bit programs run as they do
#                             on a 64-bit Windows (file system and registry redirection)
#   qm_wine_stop              stops what qm_wine_start started (also run from the EXIT trap)
#   qm_wine_runs_32bit        true when this machine's kernel runs Wine's 32-bit loader
#
# The prefix is a 32-bit one where the kernel runs 32-bit code. Some virtual machines' kernels
# run none (no IA-32 emulation): there the prefix is a 64-bit one, Wine's 64-bit loader runs
# the 64-bit build of the programs and tests (scripts/build.sh win64), and a private `wine`
# command in front of PATH makes every script's `wine` that loader.

qm_wine_runs_32bit() {
  [ -x /usr/lib/wine/wine ] && /usr/lib/wine/wine --version >/dev/null 2>&1
}

# The build configuration whose Windows tests this machine can run: win or win64.
qm_wine_test_kind() {
  if qm_wine_runs_32bit; then echo win; else echo win64; fi
}

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
  local build="$1" prefix_kind="${2:-}"
  mkdir -p "$build"
  export WINEPREFIX="$(cd "$build" && pwd)/wineprefix"
  if [ "$prefix_kind" = wow64 ]; then
    # The 32-bit loader in a 64-bit prefix: Wine runs the program under WOW64.
    export WINEPREFIX="$(cd "$build" && pwd)/wineprefix-wow64"
    export WINEARCH=win64
  elif qm_wine_runs_32bit; then
    export WINEARCH=win32
  else
    export WINEARCH=win64
    export WINELOADER=/usr/lib/wine/wine64
    local shims="$(cd "$build" && pwd)/wine-shims"
    mkdir -p "$shims"
    printf '#!/bin/sh\nexec /usr/lib/wine/wine64 "$@"\n' >"$shims/wine"
    cp "$shims/wine" "$shims/wine-stable"
    chmod +x "$shims/wine" "$shims/wine-stable"
    case ":$PATH:" in *":$shims:"*) ;; *) export PATH="$shims:$PATH" ;; esac
  fi
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
  # A program that crashes ends at once, failing its test, instead of waiting in Wine's debugger
  # until the test's timeout.
  wine reg add 'HKLM\Software\Microsoft\Windows NT\CurrentVersion\AeDebug' /v Debugger /d false /f \
    >/dev/null 2>&1 || true
}
