#!/usr/bin/env bash
# Runs installer_tests in a Wine prefix made fresh for the run, so that nothing of an earlier
# install or of the other tests is found: makes the release packages afresh, signed with a
# certificate made for the run, unpacks the portable zip into a folder whose name has a space and
# non-ASCII letters, and names the packages to the test through the environment. Before the test,
# it checks the signature of every program, of the uninstaller that Setup writes and of both
# installers.
#   install_test.sh PACKAGES_DIR BUILD_DIR TEST_EXE OLDER_SETUP WORK_DIR SCREENSHOT_DIR
# Pictures of Setup's pages go into SCREENSHOT_DIR.
set -uo pipefail
release="$1"
build="$2"
exe="$3"
older="$4"
work="$5"
screenshots="$6"

version="$(sed -n 's/^#define QM_VERSION_TEXT "\(.*\)"$/\1/p' "$build/generated/QuillmereVersion.h")"
winpath() { local p="$1"; printf 'Z:%s' "${p//\//\\}"; }

rm -rf "$work"
mkdir -p "$work" "$screenshots"

# A throw-away code-signing certificate; the packages are made again so that they are signed.
for tool in openssl osslsigncode; do
  command -v "$tool" >/dev/null || { echo "install_test: $tool is missing (scripts/setup.sh installs it)" >&2; exit 1; }
done
openssl req -x509 -newkey rsa:2048 -nodes -keyout "$work/sign.key" -out "$work/sign.pem" -days 2 \
  -subj "/CN=Quillmere Test Signing" -addext "extendedKeyUsage=codeSigning" >/dev/null 2>&1 || exit 1
openssl pkcs12 -export -inkey "$work/sign.key" -in "$work/sign.pem" -out "$work/sign.pfx" \
  -passout pass:test-only-password || exit 1
export QM_SIGN_PFX="$work/sign.pfx" QM_SIGN_PASSWORD=test-only-password
unset QM_SIGN_TIMESTAMP
rm -rf "$build/installer/stage" "$release/Quillmere-$version-setup.exe" "$release/Quillmere-$version"-win*.zip \
  "$older"
cmake --build "$build" --target qm_release qm_older_setup >/dev/null || exit 1
unsigned=0
verify() {
  local out
  if ! out="$(osslsigncode verify -CAfile "$work/sign.pem" -in "$1" 2>&1)" ||
     ! grep -qi 'message digest algorithm *: *sha256' <<<"$out"; then
    echo "install_test: no valid SHA-256 signature: $1" >&2
    echo "$out" | tail -n 5 >&2
    unsigned=1
  fi
}
verify "$release/Quillmere-$version-setup.exe"
verify "$older"
portable="$work/Fotos für Oma"
mkdir -p "$portable"
unzip -q "$release/Quillmere-$version"-win*.zip -d "$portable" || exit 1
for program in quillmere.exe quillmere-cli.exe metaprobe.exe; do
  verify "$portable/Quillmere-$version/$program"
done

# A prefix of its own, made fresh, on a virtual display of its own.
source "$(dirname "$0")/../../scripts/wine-env.sh"
qm_wine_start "$work" || exit 1

# What Setup installs, the uninstaller it writes included; then it is taken out again, so that the
# test starts from a machine without Quillmere.
check="$WINEPREFIX/drive_c/SignCheck"
wine "$(winpath "$release/Quillmere-$version-setup.exe")" /S '/D=C:\SignCheck' >/dev/null 2>&1
for program in quillmere.exe quillmere-cli.exe metaprobe.exe uninstall.exe; do
  verify "$check/$program"
done
wine 'C:\SignCheck\uninstall.exe' /S '_?=C:\SignCheck' >/dev/null 2>&1
rm -rf "$check"

QM_SETUP="$(winpath "$release/Quillmere-$version-setup.exe")" QM_OLDER_SETUP="$(winpath "$older")" \
  QM_PORTABLE_DIR="$(winpath "$portable")" QM_SCREENSHOT_DIR="$(winpath "$screenshots")" \
  wine "$exe" --gtest_brief=1
status=$?
[ "$unsigned" = 0 ] || { echo "install_test: unsigned or badly signed files (above)" >&2; exit 1; }
exit "$status"
