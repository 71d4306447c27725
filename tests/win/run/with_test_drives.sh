#!/bin/sh
# Runs a test program under Wine with two extra places to organize into:
#  - a network share: Wine reaches \\SERVER\SHARE through $WINEPREFIX/dosdevices/unc/SERVER/SHARE,
#    so a link there to a fresh folder makes \\localhost\qmshare-PID a real UNC path, named to the
#    tests in QM_TEST_SHARE;
#  - a small RAM-backed drive (600 KB) mapped as a free drive letter, named in QM_SMALL_DRIVE
#    (for example "Q:\"), so that the tests can fill a real drive;
#  - a write-protected drive (a read-only RAM-backed file system, like a locked memory card) holding
#    one file, card.jpg, whose content is "a photo on a write-protected card", named in
#    QM_READONLY_DRIVE;
#  - a second device of 64 MB (a memory card with room), named in QM_CARD_DRIVE, so that moves
#    between it and drive C: copy the bytes as they do between two real drives;
#    The share's folder is also reached through drive Z:, under the name in QM_TEST_SHARE_FOLDER
#    (one folder under two names, as a mapped drive or subst makes one);
# Mounting needs root; otherwise, or when a mount fails, the drive's variable stays unset and the
# tests that need it skip.
# Usage: with_test_drives.sh WINE PROGRAM [ARGUMENT...]
wine="$1"
shift
mountpoint=""
drive_link=""
share_dir=""
share_link=""
ro_mountpoint=""
ro_link=""
card_mountpoint=""
card_link=""
devices="$WINEPREFIX/dosdevices"
if [ -n "$WINEPREFIX" ] && [ -d "$devices" ]; then
  share_dir="$(mktemp -d)"
  share_name="qmshare-$$"
  mkdir -p "$devices/unc/localhost"
  share_link="$devices/unc/localhost/$share_name"
  ln -s "$share_dir" "$share_link"
  QM_TEST_SHARE="\\\\localhost\\$share_name\\"
  QM_TEST_SHARE_FOLDER="Z:$(echo "$share_dir" | tr / '\\')\\"
  export QM_TEST_SHARE QM_TEST_SHARE_FOLDER
  if [ "$(id -u)" = 0 ]; then
    for letter in q r s t u v w x y; do
      [ -e "$devices/$letter:" ] || [ -L "$devices/$letter:" ] && continue
      if [ -z "$mountpoint" ]; then
        mountpoint="$(mktemp -d)"
        if mount -t tmpfs -o size=600k,mode=0777 qm-small-drive "$mountpoint" 2>/dev/null; then
          drive_link="$devices/$letter:"
          ln -s "$mountpoint" "$drive_link"
          QM_SMALL_DRIVE="$(echo "$letter" | tr a-z A-Z):\\"
          export QM_SMALL_DRIVE
        else
          rmdir "$mountpoint"
          mountpoint=""
          break
        fi
      elif [ -z "$ro_mountpoint" ]; then
        ro_mountpoint="$(mktemp -d)"
        if mount -t tmpfs -o size=64k,mode=0777 qm-locked-card "$ro_mountpoint" 2>/dev/null &&
           printf 'a photo on a write-protected card' > "$ro_mountpoint/card.jpg" &&
           mount -o remount,ro "$ro_mountpoint" 2>/dev/null; then
          ro_link="$devices/$letter:"
          ln -s "$ro_mountpoint" "$ro_link"
          QM_READONLY_DRIVE="$(echo "$letter" | tr a-z A-Z):\\"
          export QM_READONLY_DRIVE
        else
          # A card that stayed writable would not test a kept source.
          umount "$ro_mountpoint" 2>/dev/null
          rmdir "$ro_mountpoint"
          ro_mountpoint=""
        fi
      elif [ -z "$card_mountpoint" ]; then
        card_mountpoint="$(mktemp -d)"
        if mount -t tmpfs -o size=64m,mode=0777 qm-card-drive "$card_mountpoint" 2>/dev/null; then
          card_link="$devices/$letter:"
          ln -s "$card_mountpoint" "$card_link"
          QM_CARD_DRIVE="$(echo "$letter" | tr a-z A-Z):\\"
          export QM_CARD_DRIVE
        else
          rmdir "$card_mountpoint"
          card_mountpoint=""
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
[ -n "$ro_link" ] && rm -f "$ro_link"
[ -n "$ro_mountpoint" ] && umount "$ro_mountpoint" && rmdir "$ro_mountpoint"
[ -n "$card_link" ] && rm -f "$card_link"
[ -n "$card_mountpoint" ] && umount "$card_mountpoint" && rmdir "$card_mountpoint"
[ -n "$share_link" ] && rm -f "$share_link"
[ -n "$share_dir" ] && rm -rf "$share_dir"
exit $status
