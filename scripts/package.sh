#!/usr/bin/env bash
# Builds the Windows configuration and the release packages in build/release: the portable zip,
# the installer (NSIS) and SHA256SUMS; prints their names, sizes and sums.
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
bash "$root/scripts/setup.sh"
bash "$root/scripts/build.sh" win
cmake --build "$root/build/win" --target qm_release
version="$(sed -n 's/^#define QM_VERSION_TEXT "\(.*\)"$/\1/p' "$root/build/win/generated/QuillmereVersion.h")"
release="$root/build/release"
echo "package: Quillmere $version in $release"
for file in "Quillmere-$version-win32.zip" "Quillmere-$version-setup.exe"; do
  printf '  %-36s %9d bytes\n' "$file" "$(stat -c %s "$release/$file")"
done
sed 's/^/  /' "$release/SHA256SUMS"
