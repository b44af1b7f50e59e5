#!/bin/sh
# Makes the Debian package of a build and checks it: the files in their
# places, and usblink-cli runs from the unpacked package.
# Usage: check-deb.sh BUILD_DIR WORK_DIR
set -eu
build=$1 work=$2
rm -rf "$work"
mkdir -p "$work"
cpack -G DEB --config "$build/CPackConfig.cmake" -B "$work" >"$work/cpack.log" 2>&1 ||
  { cat "$work/cpack.log"; exit 1; }
deb=$(ls "$work"/usblink_*.deb)
dpkg-deb --info "$deb"
dpkg-deb --contents "$deb" >"$work/contents"
for file in ./usr/bin/usblink-cli ./usr/lib/udev/rules.d/70-usblink.rules; do
  grep -q " $file\$" "$work/contents" || { echo "missing from the package: $file"; exit 1; }
done
dpkg-deb --extract "$deb" "$work/root"
"$work/root/usr/bin/usblink-cli" --version | grep -q "^usblink-cli " ||
  { echo "usblink-cli --version failed"; exit 1; }
echo "package ok: $(basename "$deb")"
