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

echo "== Windows build, release packages and tests under Wine"
if bash "$root/scripts/package.sh"; then
  source "$root/scripts/wine-env.sh"
  qm_wine_start "$root/build/win" || exit 1
  (cd "$root/build/win" && ctest --output-on-failure) || fail=1
  qm_wine_stop
else
  fail=1
fi

exit $fail
