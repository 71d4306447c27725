#!/usr/bin/env bash
# Builds the release packages in build/release from the 32-bit Windows programs (only what they
# hold is built): the portable zip, the installer (NSIS) and SHA256SUMS; prints their names,
# sizes and sums. Making them needs no Wine, so this works on any machine.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" win qm_release
version="$(sed -n 's/^#define QM_VERSION_TEXT "\(.*\)"$/\1/p' "$root/build/win/generated/QuillmereVersion.h")"
release="$root/build/release"
echo "package: Quillmere $version in $release"
for file in "Quillmere-$version-win32.zip" "Quillmere-$version-setup.exe"; do
  printf '  %-36s %9d bytes\n' "$file" "$(stat -c %s "$release/$file")"
done
sed 's/^/  /' "$release/SHA256SUMS"
