#!/usr/bin/env bash
# Runs installer_tests in a Wine prefix made fresh for the run, so that nothing of an earlier
# install or of the other tests is found: brings the release packages up to date, unpacks the
# portable zip into a folder whose name has a space and non-ASCII letters, and names the
# packages to the test through the environment.
#   install_test.sh SOURCE_DIR BUILD_DIR TEST_EXE OLDER_SETUP WORK_DIR
set -uo pipefail
src="$1"
build="$2"
exe="$3"
older="$4"
work="$5"

cmake --build "$build" --target qm_release qm_older_setup >/dev/null || exit 1
version="$(sed -n 's/^#define QM_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/QuillmereVersion.h")"
release="$src/build/release"
winpath() { local p="$1"; printf 'Z:%s' "${p//\//\\}"; }

rm -rf "$work"
mkdir -p "$work"
portable="$work/Fotos für Oma"
mkdir -p "$portable"
unzip -q "$release/Quillmere-$version-win32.zip" -d "$portable" || exit 1

# The test run's display, or a virtual one of our own.
xvfb_pid=""
if [ -z "${DISPLAY:-}" ]; then
  Xvfb -displayfd 9 -screen 0 1024x768x24 -nolisten tcp 9>"$work/.display" >/dev/null 2>&1 &
  xvfb_pid=$!
  for _ in $(seq 1 100); do [ -s "$work/.display" ] && break; sleep 0.1; done
  export DISPLAY=":$(head -n1 "$work/.display")"
fi
export WINEPREFIX="$work/prefix"
export WINEARCH=win32
export WINEDEBUG=-all
export WINEDLLOVERRIDES="mscoree,mshtml="
stop() {
  wineserver -k >/dev/null 2>&1 || true
  [ -n "$xvfb_pid" ] && kill "$xvfb_pid" 2>/dev/null
  true
}
trap stop EXIT
wineboot -i >/dev/null 2>&1
wineserver -w
wine reg add 'HKCU\Software\Wine\X11 Driver' /v Managed /d N /f >/dev/null 2>&1

QM_SETUP="$(winpath "$release/Quillmere-$version-setup.exe")" QM_OLDER_SETUP="$(winpath "$older")" \
  QM_PORTABLE_DIR="$(winpath "$portable")" wine "$exe" --gtest_brief=1
