#!/usr/bin/env bash
# Installs what building and testing Quillmere needs on Debian 12 (run as root).
# Quiet when everything is already there.
set -euo pipefail

need=()
have_pkg() { dpkg-query -W -f='${Status}' "$1" 2>/dev/null | grep -q 'ok installed'; }

if ! dpkg --print-foreign-architectures | grep -qx i386; then
  dpkg --add-architecture i386
  apt_update_needed=1
fi

for p in g++-mingw-w64-i686 g++-mingw-w64-x86-64 wine wine32:i386 wine64 xvfb cmake clang libclang-rt-14-dev \
         googletest fp-utils libimage-exiftool-perl g++ make python3 xauth x11-utils clang-format imagemagick \
         nsis zip unzip osslsigncode openssl libz-mingw-w64-dev zlib1g-dev libxxhash-dev tzdata ccache iso-codes; do
  have_pkg "$p" || need+=("$p")
done
# The place and zone tables are built from data packages fetched with npm; a machine that has
# Node.js from elsewhere keeps it.
command -v npm >/dev/null 2>&1 || need+=(nodejs npm)

if [ ${#need[@]} -gt 0 ] || [ -n "${apt_update_needed:-}" ]; then
  echo "setup: installing ${need[*]:-(package lists)}"
  export DEBIAN_FRONTEND=noninteractive
  apt-get update -qq
  [ ${#need[@]} -gt 0 ] && apt-get install -y -qq --no-install-recommends "${need[@]}" >/dev/null
fi

# The posix-threads flavour of the cross compiler is needed (GoogleTest uses std::mutex).
for cxx in i686-w64-mingw32-g++-posix x86_64-w64-mingw32-g++-posix; do
  if ! "$cxx" --version >/dev/null 2>&1; then
    echo "setup: $cxx is missing after install" >&2
    exit 1
  fi
done
