#!/bin/sh
# Runs a test program under Wine with two extra places to organize into:
#  - a network share: Wine reaches \\SERVER\SHARE through $WINEPREFIX/dosdevices/unc/SERVER/SHARE,
#    so a link there to a fresh folder makes \\localhost\qmshare-PID a real UNC path, named to the
#    tests in QM_TEST_SHARE;
#  - a small RAM-backed drive (600 KB) mapped as a free drive letter, named in QM_SMALL_DRIVE
#    (for example "Q:\"), so that the tests can fill a real drive. Mounting needs root; otherwise,
#    or when the mount fails, QM_SMALL_DRIVE stays unset and the tests that need it skip.
# Usage: with_test_drives.sh WINE PROGRAM [ARGUMENT...]
wine="$1"
shift
mountpoint=""
drive_link=""
share_dir=""
share_link=""
devices="$WINEPREFIX/dosdevices"
if [ -n "$WINEPREFIX" ] && [ -d "$devices" ]; then
  share_dir="$(mktemp -d)"
  share_name="qmshare-$$"
  mkdir -p "$devices/unc/localhost"
  share_link="$devices/unc/localhost/$share_name"
  ln -s "$share_dir" "$share_link"
  QM_TEST_SHARE="\\\\localhost\\$share_name\\"
  export QM_TEST_SHARE
  if [ "$(id -u)" = 0 ]; then
    for letter in q r s t u v w x y; do
      if [ ! -e "$devices/$letter:" ] && [ ! -L "$devices/$letter:" ]; then
        mountpoint="$(mktemp -d)"
        if mount -t tmpfs -o size=600k,mode=0777 qm-small-drive "$mountpoint" 2>/dev/null; then
          drive_link="$devices/$letter:"
          ln -s "$mountpoint" "$drive_link"
          QM_SMALL_DRIVE="$(echo "$letter" | tr a-z A-Z):\\"
          export QM_SMALL_DRIVE
        else
          rmdir "$mountpoint"
          mountpoint=""
        fi
        break
      fi
    done
  fi
fi
"$wine" "$@"
status=$?
[ -n "$drive_link" ] && rm -f "$drive_link"
[ -n "$mountpoint" ] && umount "$mountpoint" && rmdir "$mountpoint"
[ -n "$share_link" ] && rm -f "$share_link"
[ -n "$share_dir" ] && rm -rf "$share_dir"
exit $status
