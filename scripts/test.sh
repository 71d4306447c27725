#!/usr/bin/env bash
# Sets up what is missing, builds the three configurations and runs every test:
# native (ASan + UBSan), the fuzz smoke runs, then the Windows tests under Wine.
set -uo pipefail
root="$(cd "$(dirname "$0")/.." && pwd)"
export QM_WERROR=ON
fail=0

bash "$root/scripts/setup.sh" || exit 1

echo "== code style"
bash "$root/scripts/check_format.sh" || fail=1

echo "== native build and tests"
if bash "$root/scripts/build.sh" native; then
  (cd "$root/build/native" && ctest --output-on-failure) || fail=1
else
  fail=1
fi

echo "== fuzz smoke runs"
if bash "$root/scripts/build.sh" fuzz; then
  (cd "$root/build/fuzz" && ctest --output-on-failure) || fail=1
else
  fail=1
fi

source "$root/scripts/wine-env.sh"
kind="$(qm_wine_test_kind)"
echo "== Windows build (the shipped 32-bit programs)"
if [ "$kind" = win ]; then
  bash "$root/scripts/build.sh" win || { fail=1; kind=""; }
else
  bash "$root/scripts/build.sh" win quillmere quillmere-cli metaprobe || fail=1
fi
if [ "$kind" = win64 ]; then
  # This kernel runs no 32-bit code: the same sources' 64-bit build is tested instead.
  echo "== Windows tests under 64-bit Wine (this machine's kernel runs no 32-bit programs)"
  bash "$root/scripts/build.sh" win64 || { fail=1; kind=""; }
else
  echo "== Windows tests under Wine"
fi
if [ -n "$kind" ]; then
  qm_wine_start "$root/build/$kind" || exit 1
  (cd "$root/build/$kind" && ctest --output-on-failure) || fail=1
  qm_wine_stop
fi

exit $fail
