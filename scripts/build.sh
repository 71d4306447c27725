#!/usr/bin/env bash
# Configures and builds one configuration: win (default), win64, native or fuzz.
#   scripts/build.sh win     -> build/win, shippable files in build/dist
#   scripts/build.sh win64   -> build/win64, the same programs and tests as 64-bit executables in
#                               build/dist64, for machines whose kernel runs no 32-bit code
#   scripts/build.sh native  -> build/native (g++, ASan + UBSan)
#   scripts/build.sh fuzz    -> build/fuzz (clang, libFuzzer)
#   scripts/build.sh KIND TARGET...  builds only those targets
set -euo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
kind="${1:-win}"
shift || true
# Any further arguments name the targets to build (all when none).
targets=()
[ $# -gt 0 ] && targets=(--target "$@")
jobs="${QM_JOBS:-$(nproc)}"

case "$kind" in
  win)    args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-i686.cmake" -DCMAKE_BUILD_TYPE=Release) ;;
  win64)  args=(-DCMAKE_TOOLCHAIN_FILE="$root/cmake/mingw-x86_64.cmake" -DCMAKE_BUILD_TYPE=Release) ;;
  native) args=(-DCMAKE_CXX_COMPILER=g++ -DCMAKE_C_COMPILER=gcc -DCMAKE_BUILD_TYPE=Debug) ;;
  fuzz)   args=(-DCMAKE_CXX_COMPILER=clang++ -DCMAKE_C_COMPILER=clang -DQM_FUZZ=ON -DCMAKE_BUILD_TYPE=Debug) ;;
  *) echo "usage: $0 [win|win64|native|fuzz]" >&2; exit 2 ;;
esac

# ccache, when there, keeps rebuilds of unchanged sources cheap; paths below the checkout are
# made relative so that a second checkout of the same sources shares the cache.
if command -v ccache >/dev/null 2>&1; then
  export CCACHE_BASEDIR="$root"
  args+=(-DCMAKE_CXX_COMPILER_LAUNCHER=ccache -DCMAKE_C_COMPILER_LAUNCHER=ccache)
fi

dir="$root/build/$kind"
dist="$root/build/dist"
[ "$kind" = win64 ] && dist="$root/build/dist64"
# Warnings are errors when asked; a build folder configured before keeps its own choice, so that
# a benchmark's build in the tests' folder does not rebuild everything with other flags.
werror=()
if [ -n "${QM_WERROR:-}" ]; then
  werror=(-DQM_WERROR="$QM_WERROR")
elif [ ! -f "$dir/CMakeCache.txt" ]; then
  werror=(-DQM_WERROR=OFF)
fi
cmake -S "$root" -B "$dir" "${werror[@]}" -DQM_DIST_DIR="$dist" "${args[@]}" >/dev/null
cmake --build "$dir" -j "$jobs" "${targets[@]}"
