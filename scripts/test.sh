#!/usr/bin/env bash
# Sets up what is missing, builds the three configurations and runs every test:
# native (ASan + UBSan), the fuzz smoke runs, then the Windows build with its release packages
# (scripts/package.sh) and the Windows tests under Wine.
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
echo "== Windows build (the shipped 32-bit programs) and release packages"
if [ "$kind" = win ]; then
  bash "$root/scripts/build.sh" win || { fail=1; kind=""; }
fi
bash "$root/scripts/package.sh" || fail=1
if [ "$kind" = win64 ]; then
  # This kernel runs no 32-bit code: the same sources' 64-bit build is tested instead, and the
  # installer tests, whose packages hold the 32-bit programs, report themselves skipped.
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
if [ "$kind" = win ] && [ -x /usr/lib/wine/wine64 ]; then
  # 64-bit Windows runs the 32-bit program under WOW64, with its own file system and registry
  # redirection; the same tests once more in a 64-bit prefix.
  echo "== Windows tests under Wine in a 64-bit prefix (32-bit programs under WOW64)"
  qm_wine_start "$root/build/win" wow64 || exit 1
  (cd "$root/build/win" && ctest --output-on-failure) || fail=1
  qm_wine_stop
fi

exit $fail
