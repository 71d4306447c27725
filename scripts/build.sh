#!/usr/bin/env bash
# Configures and builds one configuration: win (default), native or fuzz.
#   scripts/build.sh win     -> build/win, shippable files in build/dist
#   scripts/build.sh native  -> build/native (g++, ASan + UBSan)
#   scripts/build.sh fuzz    -> build/fuzz (clang, libFuzzer)
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
kind="${1:-win}"
jobs="${QM_JOBS:-$(nproc)}"
werror="${QM_WERROR:-OFF}"

case "$kind" in
  win)    args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release) ;;
  native) args=(-DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc -DCMAKE_BUILD_TYPE=Debug) ;;
  fuzz)   args=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DQM_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug) ;;
  *) echo "usage: $0 [win|native|fuzz]" >&2; exit 2 ;;
esac

dir="$root/build/$kind"
cmake -S "$root" -B "$dir" -DQM_WERROR="$werror" -DQM_DIST_DIR="$root/build/dist" "${args[@]}" >/dev/null
cmake --build "$dir" -j "$jobs"
