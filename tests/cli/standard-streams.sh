#!/bin/bash
# usblink-cli's "-" on its real standard streams, on the simulated calculator:
# check and download read the image from standard input, read writes the
# flash to standard output and its log to stderr. Every byte passes as it is,
# CR LF and Ctrl-Z too (Windows streams translate them unless told not to).
# Usage: standard-streams.sh CLI [WRAPPER...]   (WRAPPER runs CLI, e.g. under Wine)
set -eu
[ $# -ge 1 ] || { echo "usage: $0 CLI [WRAPPER...]" >&2; exit 2; }
cli=$1
shift
wrapper=("$@")
work=$(mktemp -d)
trap 'rm -rf "$work"' EXIT
cd "$work"

fail() { echo "standard-streams: $*" >&2; exit 1; }
usblink() { "${wrapper[@]}" "$cli" --simulate --fast "$@"; }

# Five blocks and a bit of CR LF, Ctrl-Z, NUL and 0xFF bytes.
printf '\r\n\032\000\377ab\n%.0s' $(seq 1 170) >image.UD

usblink check image.UD >by-name.txt || fail "check image.UD: exit $?"
usblink check - <image.UD >by-stdin.txt || fail "check -: exit $?"
# The same blocks and checksums; only the name differs.
cmp -s <(tail -n +2 by-name.txt) <(tail -n +2 by-stdin.txt) ||
  fail "check - saw other bytes than check image.UD:"$'\n'"$(diff by-name.txt by-stdin.txt)"

usblink --sim-save by-name.bin download image.UD >/dev/null || fail "download image.UD: exit $?"
usblink --sim-save by-stdin.bin download - <image.UD >/dev/null || fail "download -: exit $?"
cmp -s by-name.bin by-stdin.bin || fail "download - wrote another flash than download image.UD"

usblink -v --sim-flash by-name.bin read - >read.bin 2>read.log || fail "read -: exit $?"
cmp -s read.bin by-name.bin || fail "read - wrote $(wc -c <read.bin) bytes, not the flash"
tr -d '\r' <read.log | grep -qx ' Receive complete ' || fail "the log of read - is not on stderr"
[ ! -e ./- ] && [ ! -e Load.bin ] || fail "read - made a file"
echo "check -, download - and read -: every byte through the standard streams"
