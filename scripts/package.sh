#!/usr/bin/env bash
# Builds the release packages in build/release from the 32-bit Windows programs (only what they
# hold is built): the portable zip, the installer (NSIS) and SHA256SUMS; prints their names,
# sizes and sums. Making them needs no Wine, so this works on any machine.
# Signing (Authenticode, SHA-256, with osslsigncode): when QM_SIGN_PFX names a PKCS#12 file with
# the certificate and its key, with QM_SIGN_PASSWORD as its password, the three programs, the
# uninstaller (before it is packed) and setup.exe are signed; QM_SIGN_TIMESTAMP, when set, names
# an RFC 3161 timestamp server, so that the signatures stay valid after the certificate expires.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
version_header="$root/build/win/generated/QuillmereVersion.h"
release="$root/build/release"
# The packages are always made afresh: whether they are signed is decided now, not when the
# programs were last built.
rm -rf "$root/build/win/installer/stage" "$release"/Quillmere-*-setup.exe "$release"/Quillmere-*-win32.zip \
  "$release/SHA256SUMS"
bash "$root/scripts/build.sh" win qm_release
version="$(sed -n 's/^#define QM_VERSION_TEXT "\(.*\)"$/\1/p' "$version_header")"
if [ -n "${QM_SIGN_PFX:-}" ]; then
  echo "package: Quillmere $version in $release, signed with $QM_SIGN_PFX"
else
  echo "package: Quillmere $version in $release, not signed (QM_SIGN_PFX is not set)"
fi
for file in "Quillmere-$version-win32.zip" "Quillmere-$version-setup.exe"; do
  printf '  %-36s %9d bytes\n' "$file" "$(stat -c %s "$release/$file")"
done
sed 's/^/  /' "$release/SHA256SUMS"
