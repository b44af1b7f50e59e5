#!/bin/sh
# usblink-demo --script as a user's script runs it: "download" without a file
# is a dialog closed without a choice and sends nothing, even after an earlier
# download, and the run leaves its log in the state folder; a read that takes
# no byte leaves an existing Load.bin as it was.
# Usage: demo-script-test.sh USBLINK_DEMO
set -eu
demo=$1
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
head -c 300 /dev/zero >"$work/a.UD"

printf 'connect\ndownload %s\nconnect\ndownload\n' "$work/a.UD" |
  XDG_STATE_HOME="$work/state" QT_QPA_PLATFORM=offscreen "$demo" --script >"$work/replies"

expected='connect connected
download downloaded
connect connected
download no-file'
if [ "$(cat "$work/replies")" != "$expected" ]; then
  echo "replies:" >&2
  cat "$work/replies" >&2
  exit 1
fi

set -- "$work/state/usblink"/session-*.log
[ $# -eq 1 ] && [ -f "$1" ] || { echo "expected one session log, found: $*" >&2; exit 1; }
complete=$(grep -c -x ' Download file complete！ ' "$1" || true)
[ "$complete" -eq 1 ] || { echo "downloads in the session log: $complete" >&2; cat "$1" >&2; exit 1; }
[ "$(tail -n 1 "$1")" = 'Connected to the device, you can download files！' ] ||
  { echo "the session log ends:" >&2; tail -n 3 "$1" >&2; exit 1; }

# A read before any connect gets no reply: an existing Load.bin is left as it was.
head -c 300000 /dev/urandom >"$work/Load.bin"
cp "$work/Load.bin" "$work/Load.before"
status=0
printf 'read %s\n' "$work/Load.bin" |
  XDG_STATE_HOME="$work/state" QT_QPA_PLATFORM=offscreen "$demo" --script >/dev/null || status=$?
[ "$status" -eq 6 ] || { echo "a read without a device ended with $status" >&2; exit 1; }
cmp -s "$work/Load.bin" "$work/Load.before" ||
  { echo "a read that took no byte changed Load.bin" >&2; exit 1; }
