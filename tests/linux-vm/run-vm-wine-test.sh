#!/bin/sh
# usblink-cli.exe under Wine inside the VM, against the uhid calculator:
# connect, and with --download RUNS that many downloads and verifies of a
# random image at the window's pace. Wine and a prefix come from the host's
# Wine, as an image cached by scripts/make-vm-wine-image.
# Usage: run-vm-wine-test.sh [--download RUNS] CLI_EXE DEVICE WORK_DIR
# Exits 77 (skipped) when Wine, QEMU or a static busybox is missing.
set -eu
runs=0
if [ "${1:-}" = "--download" ]; then
  runs=$2
  shift 2
fi
[ $# -eq 3 ] || { echo "usage: $0 [--download RUNS] CLI_EXE DEVICE WORK_DIR" >&2; exit 2; }
cli=$1 device=$2 work=$3
here=$(dirname "$0")
scripts="$here/../../scripts"

if ! dpkg-query -W -f='${Status}' wine64 2>/dev/null | grep -q "ok installed"; then
  echo "skipped: needs wine64 (scripts/install-deps windows)"
  exit 77
fi
mkdir -p "$work"
# Booting and Wine's start take about 15 s, one download and verify about
# 90 s, and twice that on a busy machine: the limits leave room for more.
exec "$here/run-vm-test.sh" --disk-from "$scripts/make-vm-wine-image" --memory 2048 \
  --append "usblink.downloads=$runs" --timeout $((120 + runs * 300)) \
  "$here/guest-wine-init.sh" "$scripts/fetch-vm-kernel" "$work" \
  usblink-cli.exe="$cli" usblink-vm-device="$device"
