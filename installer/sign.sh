#!/bin/sh
# sign.sh FILE...: signs each Windows executable in place with Authenticode (SHA-256) when
# QM_SIGN_PFX names a PKCS#12 certificate with its key; QM_SIGN_PASSWORD is its password and
# QM_SIGN_TIMESTAMP, when set, the address of an RFC 3161 timestamp server. Without QM_SIGN_PFX
# the files stay as they are (a development build). Used for the programs, and by makensis for the
# uninstaller before it is packed into setup.exe and for setup.exe itself.
set -eu
[ -n "${QM_SIGN_PFX:-}" ] || exit 0
if [ ! -r "$QM_SIGN_PFX" ]; then
  echo "sign.sh: QM_SIGN_PFX names no readable certificate: $QM_SIGN_PFX" >&2
  exit 1
fi
command -v osslsigncode >/dev/null || { echo "sign.sh: osslsigncode is not installed" >&2; exit 1; }
passfile="$(mktemp)"
trap 'rm -f "$passfile" "$passfile.signed"' EXIT
# The password goes through a file only we can read (mktemp's mode), not on a command line that
# others can list.
printf '%s' "${QM_SIGN_PASSWORD:-}" >"$passfile"
for file in "$@"; do
  rm -f "$passfile.signed"
  if ! osslsigncode sign -pkcs12 "$QM_SIGN_PFX" -readpass "$passfile" -h sha256 -n Quillmere \
      -i https://quillmere.example/ ${QM_SIGN_TIMESTAMP:+-ts "$QM_SIGN_TIMESTAMP"} \
      -in "$file" -out "$passfile.signed" >/dev/null; then
    echo "sign.sh: signing $file failed" >&2
    exit 1
  fi
  mv -f "$passfile.signed" "$file"
done
